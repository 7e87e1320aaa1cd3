#pragma once
// The Measuring screen: runs one machine process for the screen that opened
// it (a balancing run, a test, or the drive's autosetting), shows the state,
// the speed, the transducer signals and the results as they come in, and
// goes back by itself once the machine is idle again.
//
// The caller resets the machine's results, sets `Gui::_icRunMask`,
// `Gui::_resultsExpected` and `Gui::_measuringMode` (MeasuringMode) and
// pushes `Gui::measuring`; it finds the results in the rotor after the
// return.  In test mode the same screen offers the channel verification
// (measuring_verification.cpp): a signal of known frequency and amplitude is
// measured per channel and a correction factor per channel and frequency is
// kept in "cert_tab.txt".
//
// All state lives in `MeasuringData::Data`, the screen's data object.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <imgui.h>

#include "gui/gui.h"

class LoggerBase;
class MachineBase;
class Rotor;
struct Config;

// What the calling screen asks for (`Gui::_measuringMode`).
namespace MeasuringMode {
constexpr int kRun = 0;          // balancing measurement at the rotor's balancing speed
constexpr int kTest = 1;         // measurement at the present speed, no speed control
constexpr int kAutosetting = 2;  // the drive's calibration run
}  // namespace MeasuringMode

namespace MeasuringData {

// One calibration point of the channel verification: the test frequency
// and the reading expected at it.
struct CertPoint {
    double frequency = 0;  // Hz
    double expected = 0;
};

// One row of "cert_tab.txt": [0] the test frequency in Hz, [1 + c] the
// correction factor of channel c (0: none).
using CertRow = std::array<double, 16>;

// A line of "cert_tab.txt" that is no row, kept as it stands and written back
// before row `beforeRow` of the table, where it was read.
struct CertLine {
    std::size_t beforeRow = 0;
    std::string text;
};

// The on-screen keyboard's target (`Data::entry`).
namespace entry {
constexpr int kNone = 0;
constexpr int kRotorSpeed = 1;         // min^-1
constexpr int kInverterFrequency = 2;  // Hz
constexpr int kTestFrequency = 3;      // Hz
constexpr int kSpeedBufferSize = 0x1DD643C;
constexpr int kSpeedPeriod = 0x1DD643D;
}  // namespace entry

// One table cell: amplitude and phase angle in degrees (in the channel
// verification: value and test frequency).
using Pair = std::pair<double, double>;

struct Data : Gui::ActiveData {
    explicit Data(Gui& gui);
    ~Data() override;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    // Writes one line to "logs/measuring.log", opening and closing the file around it.
    void log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    int entry = entry::kNone;
    float buttonState = 74.0f;  // the start switch's knob: running
    double speedEntry[2] = {0, 0};  // test speeds last typed: [0] min^-1, [1] Hz
    int speedEntryKind = 0;         // which of them was typed last
    bool testMode = false;
    bool autosetting = false;
    bool verification = false;
    bool stopped = false;     // the operator or an error stopped the machine
    bool errorShown = false;  // the machine's error was shown once
    int resultsTaken = 0;     // machine results taken into rows
    bool hasPreviousRow = false;
    std::vector<Pair> rows;   // channelCount pairs per row, the previous row first
    LoggerBase* logger = nullptr;

    // Channel verification.
    int blockCounter = 0;
    double testFrequency = 0;  // Hz
    double lowRangeDivisor = 1.43;
    std::vector<CertPoint> certPoints;
    int certStep = -1;
    Gui::TimePoint stepStart{};
    bool stepRunning = false;
    int selectedChannel = -1;
    int stepCount = 0;
    double stepSum = 0;
    double stepExpected = 0;
    std::vector<CertRow> certTable;
    std::vector<CertLine> certKept;
    bool certWritable = true;  // false: the file is there but could not be read, and is left alone

    Gui& gui;
    MachineBase* machine = nullptr;
    Rotor* rotor = nullptr;
    Config* config = nullptr;
};

// ---- the screen (measuring.cpp) ------------------------------------------------

// The top bar: title, the start/stop switch, "Begin" while the machine asks,
// the rotor's name at the right.
void topBar(Data& d);
// Takes the machine's new results into `rows` and draws the table.
void resultsTable(Data& d, int resultCount, Rotor* rotor, bool fromInfluence);

// ---- channel verification (measuring_verification.cpp) -------------------------

// Read at the first frame, in this order.  A line that is not a row or a
// point is passed over; the table keeps it for writing back.
void readCertTable(Data& d);
void readCertData(Data& d);
// The whole table with the kept lines replaces "cert_tab.txt" (not when it
// could not be read); a failed write leaves the old file.
void writeCertTable(const Data& d);
// The measurement-mode selector and the test frequency entry at (x, y).
void modePanel(Data& d, float x, float y);
// The test speed entries right-aligned at x (their right edge), from y.
void speedPanel(Data& d, float x, float y, double presentSpeed);
// The keyboard's enter callback.
void commitEntry(Data& d);
// Asks the operator to set the frequency of the current calibration point.
void askFrequency(Data& d);
// Each frame of the signal display in the channel verification.
void measureSignals(Data& d);
// Each new result pair of channel `channel` in the channel verification.
void calibrateValue(Data& d, Pair& pair, int channel);
// The "Calibrate" and sensitivity buttons above each signal box; `boxWidth`
// is the width the boxes were laid out with.
void calibrationButtons(Data& d, float boxWidth);
// A reading of channel `channel` in micrometres (0 when its amplifier or
// PCB ratio is 0).
double toMicrometres(const Data& d, double value, int channel);

}  // namespace MeasuringData

// ---- the signal boxes ---------------------------------------------------------------

// One frame's signal display, built anew each frame that shows signals.
// A sample frame is one leading value and one value per used channel in the
// order of `Rotor::usedChannels`; the machine gives `points` frames per block
// and `blocks` blocks.
class SignalChart {
public:
    static constexpr float kInnerMargin = 30.0f;
    static constexpr float kLeftMargin = 5.0f;

    struct Trace {
        int points = 0;  // drawn per block
        int step = 1;    // samples summed per point
    };
    // How many points of a block are drawn, and how many samples each sums,
    // for zoom z (-1: fit the block width).
    static Trace traceFor(int zoom, int samples, float blockWidth);

    // Takes the rotor's used channels and the frames (the chart frees them
    // with `free`), and finds each channel's peak.
    void setup(Rotor* rotor, int maxSample, int* frames, int points, int blocks, float boxWidth, float boxHeight);
    ~SignalChart();
    SignalChart() = default;
    SignalChart(const SignalChart&) = delete;
    SignalChart& operator=(const SignalChart&) = delete;

    // The box of slot k at `at` (screen coordinates): frame, trace, title, level.
    void drawChannel(int slot, int gain, int zoom, ImVec2 at);
    void drawTrace(int slot, int zoom);

    int channelCount() const { return static_cast<int>(channels_.size()); }
    int peak(int slot) const { return channels_[static_cast<std::size_t>(slot)].peak; }
    // y of point i of block b of slot k after drawTrace (tests and the bench).
    const std::vector<ImVec2>& lastTrace() const { return lastTrace_; }

private:
    struct Channel {
        int number = 0;
        int peak = 0;
    };
    ImDrawList* drawList_ = nullptr;
    std::vector<Channel> channels_;
    int* frames_ = nullptr;
    int points_ = 0;
    int blocks_ = 0;
    float boxWidth_ = 0;
    float blockWidth_ = 0;
    int stride_ = 1;
    float boxHeight_ = 0;
    int maxSample_ = 32768;
    ImVec2 at_{0, 0};
    std::vector<ImVec2> lastTrace_;
};
