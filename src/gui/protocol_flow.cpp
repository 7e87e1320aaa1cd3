#include "gui/protocol_flow.h"

#include <ctime>
#include <memory>
#include <system_error>
#include <utility>

#include "files/removable_drive.h"
#include "gui/gui.h"
#include "gui/widgets.h"
#include "platform/print_file.h"
#include "protocols/report_texts.h"
#include "rotor/rotor.h"
#include "rotor/rotor_clock.h"
#include "rotor/rotor_files.h"
#include "rotor/rotor_report.h"
#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNumberKeys = 1;  // keyboard: digits with the decimal point
constexpr int kLetterKeys = 7;  // keyboard: capitals of the interface language
constexpr float kNumberFieldWidth = 400;
constexpr float kNameFieldWidth = 600;
constexpr const char* kProtocolsFolder = "/protocols/";

const char* reportText(TextId id) {
    const char* text = getReportText(id);
    return text ? text : "";
}

// The outcome in place of the prompt, under the box's title, with "OK".
void showOutcome(Gui& gui, const char* title, const char* text) {
    if (gui._modalState != Gui::kShown) {
        gui.messageBox(title, text);
        return;
    }
    gui._modalText = title;
    gui._modalDetails = text;
    gui._modalButtons = textOrEmpty(textid::kTextButtonOk);
    gui._modalInputWidth = 0;
    gui._answer = nullptr;
}

struct Prompt {
    TextId field;
    TextId label;
    float width;
    int keys;
};

constexpr Prompt kDocumentNumber{jobrec::kDocumentNumber, reporttext::kDocumentNumberPrompt, kNumberFieldWidth,
                                 kNumberKeys};
constexpr Prompt kCustomerName{jobrec::kCustomer, reporttext::kCustomerNamePrompt, kNameFieldWidth, kLetterKeys};
constexpr Prompt kExpertName{jobrec::kCustomer, reporttext::kExpertNamePrompt, kNameFieldWidth, kLetterKeys};
constexpr Prompt kTestCompany{jobrec::kTestCompany, reporttext::kTestCompanyPrompt, kNameFieldWidth, kLetterKeys};
constexpr Prompt kTestLocation{jobrec::kTestLocation, reporttext::kTestLocationPrompt, kNameFieldWidth,
                               kLetterKeys};
constexpr Prompt kNormalPrompts[] = {kDocumentNumber, kCustomerName};
constexpr Prompt kControlPrompts[] = {kDocumentNumber, kExpertName, kTestCompany, kTestLocation};

// The chain of one protocol.  The box's answer and the keyboard's Enter hold
// it; Back holds it weakly, so it ends (and frees a temporary rotor) once the
// box and the keyboard no longer belong to it, whoever took them.
class ProtocolFlow : public std::enable_shared_from_this<ProtocolFlow> {
public:
    ProtocolFlow(Gui& gui, Rotor* rotor, bool print, bool temporary)
        : gui_(gui), rotor_(rotor), print_(print), temporary_(temporary) {
        if (rotor_->isControlRotor())
            prompts_ = {std::begin(kControlPrompts), std::end(kControlPrompts)};
        else
            prompts_ = {std::begin(kNormalPrompts), std::end(kNormalPrompts)};
    }
    ~ProtocolFlow() { finish(); }
    ProtocolFlow(const ProtocolFlow&) = delete;
    ProtocolFlow& operator=(const ProtocolFlow&) = delete;

    void ask(std::size_t step);
    void enter();
    int answer(int index);
    void back();

private:
    struct BackAction {
        std::weak_ptr<ProtocolFlow> flow;
        const ProtocolFlow* owner;
        void operator()() const;
    };
    struct BoxAnswer {
        std::shared_ptr<ProtocolFlow> flow;
        int operator()(int index) const { return flow->answer(index); }
    };

    const char* title() const { return reportText(print_ ? reporttext::kPrintTitle : reporttext::kSaveTitle); }
    bool promptShown() const;
    // The rotor while it is still the one the flow was given: the active
    // rotor may have been replaced (and is then deleted) meanwhile.
    Rotor* rotor() const { return temporary_ || rotor_ == gui_._rotor ? rotor_ : nullptr; }
    // Ends the chain: a temporary rotor goes, and so does the Back handler.
    void finish();

    Gui& gui_;
    Rotor* rotor_;
    bool print_;
    bool temporary_;
    std::vector<Prompt> prompts_;
    std::size_t step_ = 0;
};

void ProtocolFlow::BackAction::operator()() const {
    if (const std::shared_ptr<ProtocolFlow> f = flow.lock()) f->back();
}

void ProtocolFlow::ask(std::size_t step) {
    step_ = step;
    const Prompt& p = prompts_[step];
    std::string text;
    if (Rotor* r = rotor()) r->rotorParameter(p.field, &text);

    gui_.messageBox(title(), nullptr, "", BoxAnswer{shared_from_this()});
    gui_._modalInputWidth = p.width;
    gui_._modalInputLabel = reportText(p.label);
    gui_._keyboardText = text;
    gui_._keyboardMode = p.keys;
    gui_._keyboardState = Gui::kEntering;
    gui_._editId = 0;
    gui_._onEnter = [flow = shared_from_this()] { flow->enter(); };
    gui_._onBack = BackAction{weak_from_this(), this};
}

bool ProtocolFlow::promptShown() const {
    const auto* a = gui_._answer.target<BoxAnswer>();
    return a && a->flow.get() == this && (gui_._modalState == Gui::kEntering || gui_._modalState == Gui::kShown);
}

void ProtocolFlow::enter() {
    if (!promptShown()) {  // another box took the prompt's place
        finish();
        gui_.closeKeyboard();
        return;
    }
    Rotor* r = rotor();
    if (r) {
        r->setRecordedText(prompts_[step_].field, gui_._keyboardText.c_str());
        gui_.sayWriteError(*r);  // after the protocol's box
    }
    if (r && step_ + 1 < prompts_.size()) {
        ask(step_ + 1);
        return;
    }
    // The box stays where it is while the keyboard slides out under it.
    gui_._modalState = Gui::kShown;
    gui_.closeKeyboard();
    if (r)
        printProtocol(r, print_);
    else
        showOutcome(gui_, title(), reportText(print_ ? reporttext::kPrintError : reporttext::kSaveError));
    finish();
}

int ProtocolFlow::answer(int index) {
    if (index == -2) finish();
    return index;
}

void ProtocolFlow::back() {
    const bool shown = promptShown();
    finish();
    if (shown) gui_.closeModal();
}

void ProtocolFlow::finish() {
    if (temporary_) delete rotor_;
    rotor_ = nullptr;
    temporary_ = false;
    const auto* b = gui_._onBack.target<BackAction>();
    if (b && b->owner == this) gui_._onBack = nullptr;
}

// ---- writing and handing on ------------------------------------------------------

// Writes "tmp.pdf"; true only when the rotor reports it written and it is
// there.  An older file goes first: it is never handed on as this protocol.
bool writeTmpPdf(Rotor& rotor) {
    std::error_code ec;
    fs::remove(tmpPdfPath(), ec);
    return rotor.makeReport(0, nullptr, 0, 0) == reportresult::kWritten && fs::is_regular_file(tmpPdfPath(), ec);
}

// Copies a new file: an existing target is an error and stays untouched; a
// copy that fails halfway is removed.
bool copyNewFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::copy_file(from, to, fs::copy_options::none, ec)) return true;
    if (ec != std::errc::file_exists) fs::remove(to, ec);
    return false;
}

bool saveToDrive(Rotor& rotor) {
    std::tm now{};
    rotorclock::localTime(rotorclock::now(), &now);
    std::string drive;
    if (!findRemovableDrive(drive)) return false;
    const fs::path folder = drive + kProtocolsFolder;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) return false;
    // The name is the rotor's, made fit for one file name as its own files are.
    const fs::path target =
        folder / (rotorfiles::fileNameCharacters(rotor.nameText(false)) +
                  protocolFileName(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min,
                                   now.tm_sec));
    if (!writeTmpPdf(rotor) || !copyNewFile(tmpPdfPath(), target)) return false;
    flushVolume(target);
    return true;
}

}  // namespace

void protocolButtons(Rotor* rotor, bool print) {
    Gui* gui = currentGui();
    if (!rotor) return;
    const bool temporary = !gui || rotor != gui->_rotor;
    std::string drive;
    if (!gui || (!print && !findRemovableDrive(drive))) {
        // Without a drive the answers would be asked for nothing.
        if (gui)
            gui->messageBox(reportText(reporttext::kSaveTitle), textOrEmpty(textid::kTextUsbDeviceNotFound));
        if (temporary) delete rotor;
        return;
    }
    std::make_shared<ProtocolFlow>(*gui, rotor, print, temporary)->ask(0);
}

void printProtocol(Rotor* rotor, bool print) {
    Gui* gui = currentGui();
    if (!gui || !rotor) return;
    const char* title = reportText(print ? reporttext::kPrintTitle : reporttext::kSaveTitle);
    if (print) {
        std::string reason;  // lp's own words, when it ran and failed
        const bool printed = writeTmpPdf(*rotor) && platform::printFile(tmpPdfPath(), &reason);
        const std::string error = reason.empty()
                                      ? std::string(reportText(reporttext::kPrintError))
                                      : ks::format("{} {}", reportText(reporttext::kPrintError), reason);
        if (printed)
            gui->closeModal();
        else
            showOutcome(*gui, title, error.c_str());
        if (gui->_keyboardState == Gui::kEntering || gui->_keyboardState == Gui::kShown) gui->closeKeyboard();
        return;
    }
    const bool saved = saveToDrive(*rotor);
    showOutcome(*gui, title, reportText(saved ? reporttext::kSaved : reporttext::kSaveError));
    gui->_keyboardMode = 0;
}

std::string protocolFileName(int year, int month, int day, int hour, int minute, int second) {
    return ks::format("_{}{:02}{:02}{:02}{:02}{:02}.pdf", year, month, day, hour, minute, second);
}

fs::path tmpPdfPath() {
    std::error_code ec;
    return fs::current_path(ec) / "tmp.pdf";
}
