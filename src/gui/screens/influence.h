#pragma once
// The influence-coefficient screen (`Gui::influenceCoefficients`): a
// reference run without trial mass and one run with a trial mass in each
// measuring plane give the rotor its coefficients; "Save IC" keeps them and
// goes on to balancing.  The coefficient view shows and edits existing ones.
//
// Runs: 0 is the reference run, p > 0 the run with the trial mass in plane p
// (plane numbers from 1, plane index p - 1).  The done mask has bit r set
// once run r is measured and stored; it is complete when it equals the
// rotor's `measuringPlaneMask`.
//
// Edit target: -1 nothing, 0 the trial angle, 1 the trial mass of the
// current run's plane; 1000 x i + 2 x (j - 1) the modulus of K(i, j) and
// that + 1 its angle (i, j plane numbers).
//
// Positions of the content are window-local in the scrolling content window
// "supports".

#include "gui/gui.h"
#include "gui/rotor_picture.h"

class Rotor;

namespace InfluenceData {

// ---- the edit target --------------------------------------------------------------
constexpr int kNoEntry = -1;
constexpr int kAngleEntry = 0;
constexpr int kMassEntry = 1;
constexpr int kFactorEntries = 1000;  // targets from here are coefficients

// The factorData operations that write a coefficient.
enum FactorOp : int { kReadFactor = 0, kSetModulus = 1, kSetAngle = 2, kReadMeasured = 3, kReadStored = 4 };

constexpr int factorTarget(int i, int j, bool angle) { return kFactorEntries * i + 2 * (j - 1) + (angle ? 1 : 0); }
struct FactorEntry {
    int op, i, j;
};
constexpr FactorEntry factorEntry(int target) {
    return {((target % kFactorEntries) & 1) + 1, target / kFactorEntries, ((target % kFactorEntries) >> 1) + 1};
}

// The trial-plane panel's title row below the band's top: under the picture
// with its plane labels and channel marks.  A tapped trial mass scrolls to
// that row + kMassScroll above the keyboard.
constexpr float kPanelDrop = 266;
constexpr float kMassScroll = 230;

// The smallest trial mass that can be confirmed.
constexpr double kMinTrialMass = 0.001;

constexpr const char* kContentWindow = "supports";

struct Data final : Gui::ActiveData {
    explicit Data(Gui& gui);

    Rotor* rotor;
    int editTarget = kNoEntry;
    float scroll = 0;         // what the content scrolls to above the keyboard
    float scrollBefore = -1;  // the operator's scroll while the keyboard is followed
    // Layout, recomputed every frame: the picture block (columns, band
    // heights), the band's top, the selector row's top and the content's size.
    PlaneView view;
    float bandTop = 0;
    float selectorTop = 0;
    float contentWidth = 0;
    float contentHeight = 0;
    float dialX = 0;  // the dial's centre
    int currentRun = 0;
    float startKnob = 0;  // the start button's slide
    bool angleEntered = false;
    bool massConfirmed = false;
    int doneMask = 0;
    bool autoAdvance = true;
    // The runs of this determination gave coefficients the rotor took.
    bool factorsDetermined = false;
    bool factorView;
    // The angle the trial-plane panel shows this frame (the dial's).
    double shownAngle = 0;

    // The plane index of the current run; -1 for the reference run.
    int planeIndex() const { return currentRun - 1; }
    bool allRunsDone() const;
};

// The top bar's content.
Gui::Action toolbar(Gui& gui, Data& data);
// The keyboard's enter handler for the edit target.
void enterValue(Gui& gui, Data& data);
// A run back from the Measuring screen: stored when it gave results.
void takeResults(Gui& gui, Data& data);
// The bit of run r in the done mask (the rotor's plane mask wraps at 32).
constexpr unsigned runBit(int run) { return 1u << (static_cast<unsigned>(run) % 32u); }

// ---- the views (influence_views.cpp) -------------------------------------------------
void displaySelector(Gui& gui, Data& data);
void runButtons(Gui& gui, Data& data);
void trialPlanePanel(Gui& gui, Data& data);
void measuredValues(Gui& gui, Data& data);
void factorTable(Gui& gui, Data& data);
// "A{r}{j} = amplitude / angle°" of run r at plane j, cut after " =" while
// the run is not measured.
std::string measuredLine(Rotor& rotor, int run, int plane, bool measured);

}  // namespace InfluenceData
