#pragma once
// The Balancing screen (`Gui::balancing`): it evaluates each new run of the
// active rotor, shows the rotor's angle on a dial with a marker per plane that
// still needs its correction, the correction instruction of every plane with
// its tolerance verdict, and leads the operator from one run to the next.
//
// Frame order (balancing.cpp): the machine gets the rotor on the switch, the
// picture is laid out, a new run is evaluated when one is expected, the
// frame and toolbar, then in the content region "supports": the plane marks,
// the rotor angle, the shown planes, the in-position mask, the dial and its
// markers, the plane columns, the picture and the instructions, the
// display-mode panel and, while the compensator is pending, its hint.
//
// Plane masks are 32 bits wide (bit i = plane index i); a plane index of 32
// or more takes no bit.  The three switches are floats whose sign is their
// state, as `checkList` keeps them.

#include <array>
#include <cstdint>
#include <string>

#include <imgui.h>

#include "gui/gui.h"
#include "gui/machine_scheme.h"
#include "gui/rotor_picture.h"

class Rotor;

namespace BalancingData {

using u32 = std::uint32_t;

constexpr int kMaskPlanes = 32;
// The plane's bit, none for an index outside the mask.
constexpr u32 planeBit(int i) { return i >= 0 && i < kMaskPlanes ? u32{1} << i : 0; }

// The toolbar's start switch's knob after a stop and at rest.
constexpr float kKnobAtRest = 0;

// The content's rows (px): the instructions under a column's header and
// buttons, their height, and the display-mode panel at the bottom.
constexpr float kInstructionsBelowHeader = 90;
constexpr float kInstructionsHeight = 180;

struct Data final : Gui::ActiveData {
    explicit Data(Gui& gui);
    ~Data() override { dropBackAction(); }  // no back action outlives its screen
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    Rotor* _rotor;
    PlaneView _view;  // the rotor picture's block, with its own copy of the rotor
    bool _displayUnbalances = false;
    float _compensator = -1;
    float _increasedAccuracy = -1;
    float _testTable = -1;
    float _startButtonState = kKnobAtRest;
    bool _listOpen = false;
    u32 _acknowledgedPlanes = 0;
    u32 _shownPlanes = 0;
    bool _compensatorPending = false;
    u32 _positionPlanes = 0;
    int _selectedColumn = 0;
    double _rotorAngle = 0;

    // ---- beyond the fields above -------------------------------------------
    Gui* gui;
    int outOfTolerance = 0;   // planes out of tolerance, limited or not, this frame
    u32 inPosition = 0;       // planes whose correction angle stands under the mark
    u32 targetMask = 0;       // in position, shown, not acknowledged
    int dialFlags = 0;        // as the dial was drawn
    bool measuringAsked = false;  // this screen sent the operator to measure
    // The run whose corrections `prepare` split (current run, run count):
    // another screen may record a run under this one ("Save IC").
    int preparedRun = -1;
    int preparedRuns = -1;
    bool backActionSet = false;   // `Gui::_onBack` is this screen's
    float columnsTop = 0;         // window-local, of the plane columns' headers
    float instructionsTop = 0;
    float contentBottom = 0;      // of the picture
    float panelTop = 0;           // the display-mode panel, at the bottom of the seen region
    float panelHeight = 0;
    bool panelBeside = false;     // the panel stands beside the plane columns
    ImGuiID compensatorHold = 0;  // the compensator row's long press lands here
    // The run strip: its scroll (px, eased back to 0), the drag's travel that
    // was turned into runs, whether the last drag stayed within one item, and
    // whether the pulled-down box has added its run during this press.
    float stripScroll = 0;
    float stripTaken = 0;
    bool stripShortDrag = false;
    bool stripAdded = false;

    bool on(float s) const { return s > 0; }
    bool increasedAccuracy() const { return on(_increasedAccuracy); }
    bool compensator() const { return on(_compensator); }
    bool testTable() const { return on(_testTable); }
    int planeCount() const;
    bool hasRuns() const;
    // The run is in tolerance: no plane out of it, without increased
    // accuracy, with runs, not a control rotor.
    bool inTolerance() const;

    // A control rotor's current run missed its verification step's limit:
    // the step is made again.
    bool stepMissed() const;

    // Recomputes the corrections of the current run; with `keepAngles` the
    // position splits keep the angles closest to the ones before.
    void prepare(bool keepAngles);
    // Evaluates the run the Measuring screen has just made.
    void evaluate();
    // Prepares the corrections of a run recorded or chosen behind this
    // screen's back before anything of it is drawn; its planes are to be
    // corrected again.
    void prepareNewRun();
    // `_shownPlanes` and the count of planes out of tolerance.
    void computeShownPlanes();
    // The planes shown in the "Correction" view (or the "Unbalances" view);
    // counts those out of tolerance into `outOfTolerance` when given.
    u32 shownPlanes(bool unbalances, int* outOfTolerance) const;
    // The planes whose correction (or unbalance) angle stands within the
    // setting accuracy of the rotor angle.
    u32 computeInPosition() const;
    // The start switch is locked: a shown plane is not acknowledged, or a
    // control rotor's verification test is complete and its last run is not
    // being repeated, or its record was left for a newer one.  A control rotor's
    // next run is a certificate row: in every view it waits for the last run
    // chosen and its asks all done.
    bool startLocked() const;
    bool testComplete() const;
    // A control rotor's record left for a newer one (its test continued
    // there, or a new test was begun): it shows its runs, asks nothing and
    // takes no run.
    bool recordLeft() const;
    // The planes marked done: a control rotor's belong to its test and
    // outlast this screen and the program (Rotor::testProgress), a plain
    // rotor's to this visit.
    u32 acknowledged() const;
    void setAcknowledged(u32 planes);
    // Every plane is to be corrected again; a control rotor's test starts
    // its asks afresh itself, when a run is recorded.
    void forgetAcknowledgements();
    // Shown planes not acknowledged yet.
    u32 outstanding() const { return _shownPlanes & ~acknowledged(); }
    // The back action while the compensator hint is shown.
    void cancelCompensator();
    // The answer of the "Start balancing again" box.
    int confirmNewBalancing(int answer);
    // Gives up this screen's back action.
    void dropBackAction();
    // One dimension box of the machine scheme: the plane field's value.
    void formatSchemeValue(const SchemeBox& box);

    // ---- the panels (balancing_panels.cpp) -----------------------------------
    void toolbar();
    void displayModePanel();
    // The panel's height: one row when its parts fit the window's width, else two.
    float displayModePanelHeight() const;
    // The panel's parts leave the plane columns free: it may stay at the
    // bottom of the seen region; otherwise it follows the picture.
    bool panelBesideColumns() const;
    // The run strip at (x, y) window-local; the newly chosen run, or -1.
    int measurementList(const char* title, bool& listOpen, float x, float y, float width, float height,
                        int runCount, int currentRun);
    void planeColumns(u32 targetMask);

    // ---- the values (balancing_values.cpp) -----------------------------------
    void correctionInstructions(int flags);
    void planeValueTable(int plane);
    void compensatorHint();
};

// The flags of `correctionInstructions`.
enum InstructionFlags { kRunInTolerance = 1, kRunMissedStep = 2 };

// ---- texts shared by the panels ---------------------------------------------------

// The long dash of the faces: the done mark and the missing-value mark.
const char* doneMark();
// An angle as the instructions show it: 1 or 2 decimals and "°"; "360.0"
// reads "0.0".
std::string angleText(double degrees, int decimals);
// The amount with its unit in the fewest decimals down from `decimals` that
// fit `width` in the number label's fonts (exponent form from 10000 on).
std::string amountText(double amount, const char* unit, int decimals, float width);
// The residual unbalance line: "u (u/permissible) gmm", the ratio the
// missing-value mark when no permissible unbalance is set; `green` tells
// whether u lies below the permissible unbalance in a run that did not miss
// its verification step.
std::string residualText(double u, double permissible, bool stepMissed, bool& green);
// Folds an angle distance into 0..180.
double angleDistance(double a, double b);

// The number label: the leading digits of `text` in the font of `slot`, the
// rest (from the first character that is not a digit) in the next smaller
// size, 12 px lower; `replace` draws the missing-value mark instead.  With
// `limit` above 0 it only measures and answers whether the text is narrower.
// `at` is in screen coordinates.
bool numberLabel(const std::string& text, ImVec2 at, ImU32 colour, bool replace, float limit, int slot);

}  // namespace BalancingData
