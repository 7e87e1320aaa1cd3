#pragma once
// The Welding screen (`Gui::welding`): turns a pipe with the machine's weld
// drive and commands the welding controller through the machine's welding
// remote.  Four modes: a fast rotation at a set speed, a JOG move to an angle
// chosen on the dial with welding while a button is held, an automatic JOG
// making a number of tack welds, and continuous welding with a progress bar.
// Everything goes through `MachineBase` set-points; no machine process is
// started here.
//
// The pure rules (ranges, the thickness-to-mode table, the JOG distance, the
// slider's snapping) are free functions so that their edges are plain to see.

#include <imgui.h>

#include "gui/dial.h"
#include "gui/gui.h"
#include "gui/widgets.h"
#include "texts/texts.h"

class LoggerBase;
class MachineBase;

namespace Welding {

// Keyboard targets: the texts' ids of the two entries.
constexpr TextId kNoEntry = 0;
constexpr TextId kDiameterEntry = 0x9DD005;   // "Pipe diameter"
constexpr TextId kThicknessEntry = 0x9DD00C;  // "Wall thickness"

// The items of the mode column, in order.
enum Mode : int { kFastRotation = 0, kJog = 1, kAutoJog = 2, kWeldingMode = 3 };

constexpr double kMinDiameter = 20;  // mm
constexpr double kMaxDiameter = 250;
constexpr unsigned kMinThickness = 1;  // mm
constexpr unsigned kMaxThickness = 12;
constexpr int kMinTackWelds = 2;
constexpr int kMaxTackWelds = 98;
constexpr int kTackWeldStep = 2;

struct Data final : Gui::ActiveData {
    explicit Data(Gui& gui);
    ~Data() override;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    TextId entry = kNoEntry;
    float buttonState = 0;  // the start switch's knob
    LoggerBase* logger = nullptr;
    SideSelectorState modeSelector;
    DialLayout dialLayout;
    double pipeDiameter = 0;     // mm, 0 not set
    unsigned wallThickness = 0;  // mm, 0 not set
    int rotationSpeed = 0;       // percent, -100 to 100
    int tackWelds = 4;
    bool welding = false;  // the welding output is on
    bool started = false;  // the start switch is on
    double targetAngle = 0;
    MachineBase* machine = nullptr;

    // A machine error is reported (box and log line) once; it may come again
    // after the result was 0 or the switch was turned off.
    bool errorReported = false;
    // The result code was already there when the switch was turned on (a
    // start that does not clear it) and has not been 0 since: not a new error.
    bool staleResult = false;

    Mode mode() const { return static_cast<Mode>(modeSelector.selected); }
    // One line in "logs/welding.log": open, write, close.
    void log(const char* line);
    // Every mode item but the selected one is disabled while started.
    void lockModes(bool locked);
};

// ---- rules ----------------------------------------------------------------------------
// The typed diameter in range; not a number gives the lower bound.
double clampDiameter(double mm);
// The typed wall thickness in whole millimetres within range; not a number
// and negative values give the lower bound.
unsigned clampThickness(double mm);
// The welding controller's mode of a wall thickness: 1 to 6 mm give 0 to 5,
// 7-8 give 6, 9-10 give 7, 11-12 give 8.
int thicknessMode(unsigned mm);
// The JOG distance in whole degrees from `angle` to `target`: the short way
// round, at least 1 when the two meet.
int jogDistance(double angle, double target);
// The slider's percent at `offset` px from the track's middle on a track
// `width` px wide: beyond ±95 the end, within ±4 zero.
int sliderPercent(float offset, float width);

// The display state of an entry (EntryState): editing while it is typed,
// invalid while its value is missing outside the fast rotation.
int entryState(const Data& data, TextId id);

// ---- the screen's parts ------------------------------------------------------------------
// The top bar: title and start switch; starts and stops the selected mode
// and notices the machine's completion.
void startStop(Gui& gui, Data& data);
// The keyboard's enter handler: the diameter (then on to the thickness
// while none is set) or the thickness.
void commitEntry(Gui& gui, Data& data);

// ---- the screen's widgets (item positions in the window, as SetCursorPos) -----------------
// A 120 x 50 entry of one of the two values; true when tapped.
bool parameterEntry(Data& data, TextId id, float x, float y);
// The speed slider; true when the value changed.
bool speedSlider(const char* caption, int& value, float x, float y, float width, float height);
// A button on `state`: held (on while the finger is on it) or toggled by taps.
// True when the state changed.
bool toggleButton(const char* caption, bool& state, bool held, bool disabled, float x, float y, float width,
                  float height);
// Minus and plus squares around the value; true when it changed.
bool countStepper(const char* caption, int& value, float x, float y, float width, float height);
// The welding progress in percent.
void progressBar(const char* caption, int percent, float x, float y, float width, float height);

}  // namespace Welding
