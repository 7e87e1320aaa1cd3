// The protocol flow from the History list: the prompts and where their
// answers go, printing through a recording runner, saving onto a simulated
// drive, and the life of the rotor the flow is given.

#include "gui/protocol_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/removable.h"
#include "rotor/rotor_files.h"
#include "rotor/rotor_report.h"
#include "support/gui_harness.h"
#include "support/protocols_pdf_inspect.h"
#include "support/recording_runner.h"
#include "support/rotor_builder.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
const std::int64_t kSaveTime = rotortest::localSeconds(2023, 1, 25, 9, 30, 5);

struct WatchedRotor : Rotor {
    bool* deleted;
    WatchedRotor(Config* c, bool* d) : Rotor(c), deleted(d) {}
    ~WatchedRotor() override { *deleted = true; }
};
struct UnwrittenRotor : Rotor {
    using Rotor::Rotor;
    int makeReport(u32, const char*, u32, u32) override { return reportresult::kNotWritten; }
};

rotorbuild::RotorBuilder rotor3(bool control = false) {
    rotorbuild::RotorBuilder b("ROTOR 3");
    b.planes(control ? 3 : 2).control(control).documentNumber("D-7").customer("ACME");
    b.runs(2, kSaveTime - 3600, "Op", [](int k) { return 90.0 / (k + 1); });
    return b;
}

// The smallest window, a drive, answers given at 09:30:05 on 25 January 2023.
struct Flow {
    testwd::WorkDir dir{"ks_protocol", testwd::Logs::folder};
    testwd::ScratchDir usb{"ks_usb"};
    GuiHarness h;
    Gui& g;
    RecordingRunner printer;
    explicit Flow(bool english = true, bool drive = true) : h(790, 540, english), g(h.gui()) {
        if (drive) fs::create_directories(usb.path() / "kestrune");
        platform::setRemovableRoots({usb.path().string()});
    }
    ~Flow() { platform::clearRemovableRoots(); }
    void showHistory() {
        g.setScreen(true, &Gui::history);
        h.run(400);
    }
    void start(Rotor* rotor, bool print) {
        showHistory();
        protocolButtons(rotor, print);
        h.run(400);
    }
    void answer(const std::string& text, int ms = 400) {
        h.setWallTime(kSaveTime);
        g._keyboardText = text;
        h.key(GuiKey::Enter);
        h.run(ms);
    }
    fs::path protocols() const { return usb.path() / "kestrune/protocols"; }
};

TEST(ProtocolFlow, AsksInTurnAndStoresEachAnswerInTheRotorAndItsHistory) {
    const struct {
        bool control, english;
        Texts labels;
        const char* saved;
    } cases[] = {
        {false, true, {"Rotor(document) number", "Customer's name"}, "Protocol successfully saved"},
        {false, false, {"Номер изделия (документа)", "Наименование заказчика"}, "Протокол успешно сохранён"},
        {true, true, {"Rotor(document) number", "Test expert's name", "Test company name", "Test location"},
         "Protocol successfully saved"},
        {true, false, {"Номер изделия (документа)", "ФИО эксперта", "Организация, проводящая испытания",
                       "Место проведения испытаний"}, "Протокол успешно сохранён"},
    };
    const Texts answers{"", "Petrov P.", "Lab 1", "Kyiv"}, shownFirst{"D-7", "ACME", "", ""};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.labels[1]);
        Flow f(c.english);
        const std::string file = rotor3(c.control).write();
        f.showHistory();
        ASSERT_TRUE(f.h.tap("save", file));
        f.h.run(400);
        for (std::size_t i = 0; i < c.labels.size(); ++i) {
            EXPECT_EQ(f.g._modalText, c.english ? "Save protocol" : "Сохранение протокола");
            const auto* field = f.h.probe().find(c.labels[i]);
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->text, shownFirst[i]);
            // Centred with its label: the field's end inside the margin keeps the label's start inside too.
            EXPECT_LE(field->max.x, 790 - f.g._margin);
            EXPECT_EQ(f.g._modalInputWidth, i == 0 ? 400 : 600);
            EXPECT_EQ(f.g._keyboardMode, i == 0 ? 1 : 7);
            f.answer(answers[i]);
        }
        EXPECT_TRUE(f.h.probe().shows(c.saved));
        ASSERT_EQ(testwd::filesIn(f.protocols()).size(), 1u);
        RotorData stored;
        ASSERT_TRUE(stored.load("history/" + file, rotorfiles::kMaxRotorFileBytes));
        const Texts expected{answers[0], answers[1], c.control ? answers[2] : "", c.control ? answers[3] : ""};
        EXPECT_EQ((Texts{stored.documentNumber, stored.customer, stored.testCompany, stored.testLocation}), expected);
    }
}

TEST(ProtocolFlow, PrintsOrSavesOnlyAFreshProtocolAndSaysHowItWent) {
    const char* const printError = "Error while printing PDF file!";
    const char* const lpFailed = "Error while printing PDF file! lp: Error - No default destination.";
    const char* const saveError = "Error while saving PDF file to flash drive!";
    const char* const saved = "Protocol successfully saved";
    const struct {
        bool print, unwritten, drive, existing;
        int lpCode;
        const char *name, *message, *file;  // the outcome shown; the one file then in "protocols/"
        bool historyGone = false;           // the answers cannot be appended to the rotor's history file
    } cases[] = {
        {true, false, true, false, 0, "ROTOR 3", nullptr, nullptr},
        {true, false, true, false, 1, "ROTOR 3", lpFailed, nullptr},
        {true, true, true, false, 0, "ROTOR 3", printError, nullptr},
        {false, false, true, false, 0, "ROTOR 3", saved, "ROTOR 3_20230125093005.pdf"},
        {false, false, false, false, 0, "ROTOR 3", "USB device not found!", nullptr},
        {false, false, true, true, 0, "ROTOR 3", saveError, "ROTOR 3_20230125093005.pdf"},
        {false, true, true, false, 0, "ROTOR 3", saveError, nullptr},
        {false, false, true, false, 0, "A/../B", saved, "A_.._B_20230125093005.pdf"},
        {false, false, true, false, 0, "ROTOR 3", saved, "ROTOR 3_20230125093005.pdf", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.print << c.unwritten << c.drive << c.existing << c.lpCode << c.name);
        Flow f(true, c.drive);
        if (c.drive) testwd::writeFile("tmp.pdf", "older");
        if (c.existing) {
            fs::create_directories(f.protocols());
            testwd::writeFile(f.protocols() / c.file, "kept");
        }
        Rotor* rotor = c.unwritten ? new UnwrittenRotor(f.g._config) : new Rotor(f.g._config);
        ASSERT_TRUE(rotor->loadRotor(rotor3().write().c_str(), 2));
        rotor->setName(c.name);
        if (c.historyGone) fs::remove_all("history"), testwd::writeFile("history", "");
        f.printer.codes = {c.lpCode};
        f.printer.output = "\nlp: Error - No default destination.\n";
        f.start(rotor, c.print);
        if (c.print || c.drive) {  // a save without a drive asks nothing
            f.answer("1");
            f.answer("X", 800);  // a closed box has slid out
        }
        EXPECT_TRUE(c.message ? f.h.probe().shows(c.message) : f.g._modalState == Gui::kHidden);
        const bool written = c.drive && !c.unwritten;
        EXPECT_EQ(fs::exists("tmp.pdf") ? pdfinspect::info("tmp.pdf")["Pages"] : "none", written ? "1" : "none");
        const std::vector<Texts> lp{{"lp", (fs::current_path() / "tmp.pdf").string()}};
        EXPECT_EQ(f.printer.calls, c.print && written ? lp : std::vector<Texts>{});
        EXPECT_EQ(testwd::filesIn(f.protocols()), c.file ? Texts{c.file} : Texts{});
        if (c.file) {
            const fs::path file = f.protocols() / c.file;
            EXPECT_EQ(c.existing ? testwd::readFile(file) : pdfinspect::info(file.string())["Pages"], c.existing ? "kept" : "1");
        }
        if (c.historyGone) f.g.pressModalButton(0), f.h.run(800);  // the protocol made, then the loss said
        if (c.historyGone) { EXPECT_EQ(f.g._modalText + "|" + f.g._modalDetails, "Error!|Not a directory"); }
    }
}

TEST(ProtocolFlow, EndsAtEveryWayOutFreeingOnlyATemporaryRotor) {
    enum Exit { kBack, kEscape, kHome, kOtherBox };
    for (const bool active : {false, true})
        for (const int step : {0, 1, 2, 3})
            for (const Exit exit : {kBack, kEscape, kHome, kOtherBox}) {
                SCOPED_TRACE(testing::Message() << active << step << exit);
                bool deleted = false;  // outlives the Gui, which deletes an active rotor
                Flow f;
                Rotor* rotor = new WatchedRotor(f.g._config, &deleted);
                const std::string file = rotor3(true).write();
                ASSERT_TRUE(rotor->loadRotor(file.c_str(), 2));
                // The active rotor from the History prints its own entry; a temporary one is handed over.
                if (active) {
                    f.g.replaceRotor(rotor);
                    f.showHistory();
                    ASSERT_TRUE(f.h.tap("print", file));
                    f.h.run(400);
                } else {
                    f.start(rotor, false);
                }
                ASSERT_EQ(f.g._modalText, active ? "Print protocol" : "Save protocol");
                for (int i = 0; i < step; ++i) f.answer("x");
                if (exit == kBack) f.g.pressBack();
                if (exit == kEscape) f.h.key(GuiKey::Escape);
                if (exit == kHome) f.g.pressHome();
                if (exit == kOtherBox) f.g.messageBox("Other");
                f.h.run(400);
                if (exit == kOtherBox) f.g.pressModalButton(0);
                f.h.run(400);
                EXPECT_EQ(deleted, !active);
                EXPECT_TRUE(f.g._modalState == Gui::kHidden && f.g._keyboardState == Gui::kHidden && !f.g._onBack);
                EXPECT_FALSE(fs::exists("tmp.pdf"));
            }
}

}  // namespace
