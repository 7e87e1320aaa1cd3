// The channel verification of the Measuring screen: the verification files,
// the peak-to-peak measurement per channel slot, the calibration steps and
// the correction, the sensitivity steps, the test entries and the panels.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <tuple>
#include <string>
#include <vector>

#include "gui/screens/measuring.h"
#include "machine/machine_codes.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/format.h"

namespace {

namespace fs = std::filesystem;
using MeasuringData::Pair;
using Block = std::vector<std::vector<float>>;

// A block of `samples` values per slot: a square wave of period L = samples /
// frequency and the given peak-to-peak value, or a sine of that peak-to-peak.
Block block(const std::vector<double>& peakToPeak, double frequency, bool sine = false, int samples = 1200) {
    const int period = static_cast<int>(samples / frequency);
    Block b;
    for (double pp : peakToPeak) {
        std::vector<float>& t = b.emplace_back();
        for (int i = 0; i < samples; ++i)
            t.push_back(static_cast<float>(sine ? pp / 2 * std::sin(2 * M_PI * i / period)
                                                : (i % period < period / 2 ? pp / 2 : -pp / 2)));
    }
    return b;
}

// The Measuring screen in test mode over a rotor using channels 2 and 4 (one
// plane) and 1: slot 1 is settings channel 3.  Transducer data 1 give
// micrometres = reading x 1000.
struct Rig {
    testwd::WorkDir dir{"ks_cert", testwd::Logs::folder};
    GuiHarness h;
    Gui& g = h.gui();
    FakeMachine& m = h.machine();

    explicit Rig(bool service = true, int state = MachineState::kAscending) {
        g._config->local.serviceAccess = service;
        g._config->channels.resize(5);
        for (Channel& c : g._config->channels) c.sensitivity = c.amplifierRatio = c.pcbRatio = 1;
        g._rotor->clearPlanes();
        g._rotor->insertPlane(1);
        g._rotor->insertPlane(2);
        g._rotor->setPlaneChannels(1, 2, 4);
        g._rotor->setPlaneChannels(2, 1, 0);
        EXPECT_EQ(g._rotor->channelCount(), 3);
        h.frame();
        g._measuringMode = 1;
        g.setScreen(true, &Gui::measuring);
        h.frame();
        g._rotor->startSession();
        m.state = state;
        h.run(400);
    }
    MeasuringData::Data& d() { return dynamic_cast<MeasuringData::Data&>(*g._data); }
    void enter(const char* label, const char* typed) {
        ASSERT_TRUE(h.tap(label));
        h.run(400);
        h.type(typed);
        h.frame();
        h.key(GuiKey::Enter);
        h.run(400);
    }
};

// A damaged line is passed over, and the next write keeps it where it was
// with the rows after it; a table that cannot be read is never rewritten.
TEST(ChannelVerificationFiles, DamagedLinesPassedOverAndKeptBuiltInPoints) {
    Rig r;  // no files
    EXPECT_TRUE(r.d().certTable.empty());
    ASSERT_EQ(r.d().certPoints.size(), 8u);
    EXPECT_EQ(r.d().certPoints.front().expected, 27629586);
    EXPECT_EQ(r.d().certPoints.back().frequency, 500);

    const std::string zeros13 = ",0,0,0,0,0,0,0,0,0,0,0,0,0", seventeen = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17";
    testwd::writeFile("cert_tab.txt", "3,1.5\r\n\n10,0,2.25\n40,x\n80,4\n" + seventeen + "\n");
    testwd::writeFile("cert_data.txt", "50,123\n60,4.5e2\nbad\n70,1\n80,1,2\n");
    MeasuringData::Data read(r.g);
    MeasuringData::readCertTable(read);
    MeasuringData::readCertData(read);
    read.certTable.push_back({90, 8});
    MeasuringData::writeCertTable(read);
    EXPECT_EQ(testwd::readFile("cert_tab.txt"), "3,1.5,0" + zeros13 + "\n10,0,2.25" + zeros13 + "\n40,x\n80,4,0" +
                                                    zeros13 + "\n" + seventeen + "\n90,8,0" + zeros13 + "\n");
    ASSERT_EQ(read.certPoints.size(), 3u);
    EXPECT_EQ(read.certPoints[1].expected, 450);
    EXPECT_EQ(read.certPoints[2].frequency, 70);

    fs::remove("cert_tab.txt");
    fs::create_directory("cert_tab.txt");
    MeasuringData::Data unreadable(r.g);
    MeasuringData::readCertTable(unreadable);
    unreadable.certTable.push_back({90, 8});
    MeasuringData::writeCertTable(unreadable);
    EXPECT_TRUE(fs::is_directory("cert_tab.txt"));
}

TEST(ChannelVerificationSignals, PeakToPeakPerSlotRangeCorrectedOneRowPerBlock) {
    Rig r;
    const double pp[3][3] = {{6000, 5000, 50}, {1000, 998, 100}, {20, 30, 40}};
    const double expected[3][3] = {
        {6000 * 1.04, 5000, 50 / 1.43}, {1000, 998 / 1.014, 100 / 1.014}, {20 / 1.43, 30 / 1.43, 40 / 1.43}};
    r.m.planeBlocks = {block({pp[0][0], pp[0][1], pp[0][2]}, 12, true), block({pp[1][0], pp[1][1], pp[1][2]}, 12, true),
                       block({1, 1, 1}, 12), block({1, 1, 1}, 12), block({pp[2][0], pp[2][1], pp[2][2]}, 12)};
    for (double frequency : {12.0, 12.0, 1201.0, 0.5, 12.0, 0.0}) {  // 100 samples a period; 1201, 0.5: none
        r.d().testFrequency = frequency;
        MeasuringData::measureSignals(r.d());
    }
    EXPECT_EQ(r.d().blockCounter, 5);  // passed-over blocks count too
    EXPECT_EQ(r.m.resultCount, 3);
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(r.g._rotor->measureResult(row)[k].amplitude, expected[row][k], 1e-9) << row << k;
}

TEST(ChannelVerificationCalibration, EightStepsSettleStoreAndCorrect) {
    Rig r(true, MachineState::kMeasuring);
    r.d().certTable = {{7, 1.5}};
    const auto lg = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%lg", v);
        return std::string(text);
    };
    ASSERT_TRUE(r.h.tap("Verification"));
    std::vector<const UiItem*> calibrate;
    for (const UiItem& i : r.h.probe().items())
        if (i.label == "Calibrate") calibrate.push_back(&i);
    ASSERT_EQ(calibrate.size(), 3u);
    r.h.tapAt(calibrate[1]->centre());
    std::string table = "7,1.5,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n";
    for (const MeasuringData::CertPoint& point : r.d().certPoints) {
        EXPECT_EQ(r.g._modalText, "Is frequency " + ks::format("{}", point.frequency) + " Hz set?");
        r.g.pressModalButton(0);  // "Yes"
        r.h.run(400);
        r.m.planeBlocks.push_back(block({1000, 2000, 3000}, point.frequency));  // read while settling
        r.h.frame(2);
        EXPECT_EQ(r.d().stepCount, 0);
        r.h.advance(7001);
        for (int i = 0; i < 2; ++i) r.m.planeBlocks.push_back(block({1000, 2000, 3000}, point.frequency));
        r.h.frame(3);
        const double factor = point.expected / 2e6;  // slot 1 reads 2000 x 1000 micrometres
        EXPECT_EQ(r.d().certTable.back(), (MeasuringData::CertRow{point.frequency, 0, 0, 0, factor}));
        EXPECT_NEAR(r.d().rows[r.d().rows.size() - 2].first, 2000 * factor, 1e-6);  // corrected at once
        EXPECT_EQ(r.d().rows.back(), (Pair{3000, point.frequency}));               // no factor for slot 2
        table += lg(point.frequency) + ",0,0,0," + lg(factor) + ",0,0,0,0,0,0,0,0,0,0,0\n";
    }
    EXPECT_EQ(r.d().selectedChannel, -1);
    EXPECT_EQ(r.g._modalState, Gui::kHidden);
    EXPECT_EQ(testwd::readFile("cert_tab.txt"), table);
}

TEST(ChannelVerificationCalibration, NewestRowWithinAHundredthAndAZeroMean) {
    Rig r;
    MeasuringData::Data& d = r.d();
    d.certTable = {{3.0, 2}, {3.005, 4}, {3.02, 8, 0, 0, 16}, {3.0, 0}};  // the last: no factor
    // Slot 2 is settings channel 0 (column 1), slot 1 settings channel 3 (column 4).
    for (auto [frequency, slot, factor] : {std::tuple{3.0, 2, 4.0}, {3.015, 2, 8.0}, {3.015, 1, 16.0},
                                           {3.0, 1, 1.0}, {3.5, 2, 1.0}}) {
        d.testFrequency = frequency;
        Pair pair{1, 0};
        MeasuringData::calibrateValue(d, pair, slot);
        EXPECT_EQ(pair, (Pair{factor, frequency})) << frequency << " slot " << slot;
    }
    Pair pair{1, 0};
    r.g._config->channels[0].pcbRatio = 0;  // slot 2 reads 0 micrometres
    EXPECT_EQ(MeasuringData::toMicrometres(d, 5, 2), 0);
    EXPECT_EQ(MeasuringData::toMicrometres(d, 5, 0), 5000);
    d.selectedChannel = 2, d.certStep = 0, d.stepRunning = true, d.stepStart = r.g._frameTime;
    r.h.advance(7001);
    r.h.frame();
    const std::size_t rows = d.certTable.size();
    for (int i = 0; i < 2; ++i) MeasuringData::calibrateValue(d, pair, 2);
    EXPECT_EQ(d.certTable.size(), rows);
    EXPECT_EQ(d.selectedChannel, -1);
    EXPECT_EQ(r.g._modalText, "Error!");
}

TEST(ChannelVerificationPanels, EntriesSensitivityAndServiceLogin) {
    EXPECT_EQ(Rig(false).h.probe().find("Verification"), nullptr);  // service login only
    Rig r(true, MachineState::kMeasuring);
    r.g._config->speedBufferSize = 7;
    r.g._config->speedPeriod = 0.5;
    r.m.planeValueA = 7, r.m.planeValueB = 250;  // the machine's period in ms
    r.enter("Rotor RPM", "1200,5");
    r.enter("VFD Frequency", "-3");  // refused
    r.enter("VFD Frequency", "1e12");
    r.enter("VFD Frequency", "25");
    ASSERT_TRUE(r.h.tap("Verification"));
    r.h.frame();
    EXPECT_EQ(r.h.probe().find("Speed measurement period")->text, "0.25");
    for (const char* typed : {"25", "0,5", "-3"}) r.enter("Test frequency", typed);
    EXPECT_EQ(r.d().testFrequency, 25);  // below 1 Hz a block holds no whole period
    r.enter("Speed buffer size", "12.9");
    // Seconds typed, whole ms sent; what the machine cannot hold as ms changes nothing.
    const std::tuple<const char*, int, const char*> periods[] = {
        {"0.5", 500, "0.5"},     {"0,0015", 1, "0.001"},        {"-0.5", 1, "0.001"},
        {"3e6", 1, "0.001"},     {"2e6", 2000000000, "2000000"}, {"nan", 0, "0"}};  // no number: 0
    for (auto [typed, sent, shown] : periods) {
        r.enter("Speed measurement period", typed);
        EXPECT_EQ(std::pair(r.m.planeValueA, r.m.planeValueB), std::pair(12, sent)) << typed;
        EXPECT_EQ(r.h.probe().find("Speed measurement period")->text, shown) << typed;
    }
    EXPECT_EQ(r.m.count("setSpeed(1200.5,0)") + r.m.count("setSpeed(25,1)"), r.m.count("setSpeed"));
    EXPECT_EQ(std::vector<int>({r.m.count("setSpeed"), r.m.count("setPlaneValues")}), std::vector<int>({2, 5}));
    EXPECT_EQ(r.g._config->speedBufferSize + r.g._config->speedPeriod, 7.5);  // the saved settings stay

    // The sensitivity button of slot 0 (settings channel 1) steps 1, 10, 100, 1; 5, 50, 1.
    double& sensitivity = r.g._config->channels[1].sensitivity;
    for (auto [from, steps] : {std::pair{1.0, std::vector<double>{10, 100, 1}}, {5.0, {50, 1}}}) {
        sensitivity = from;
        for (double next : steps) {
            r.h.frame();
            const ImVec2 calibrate = r.h.probe().find("Calibrate")->centre();
            r.h.tapAt(ImVec2(calibrate.x + 65, calibrate.y));
            EXPECT_EQ(sensitivity, next) << from;
        }
    }
}

}  // namespace
