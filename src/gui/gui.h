#pragma once
// Gui: the one controller of the operator interface.
//
// It holds what all screens share (the active rotor, the machine, the
// settings, textures, fonts, the message box, the keyboard, the hints),
// decides which screen is drawn each frame and switches screens with a back
// stack.  main creates one Gui, keeps it as the GUI context's user data,
// calls `startFrame` and `draw` once per frame; everything here runs on the
// main thread.
//
// Screens.  A screen is a member function of Gui without arguments, held as a
// `Screen` function object (`Gui::Screen s = &Gui::editing;`); the empty
// function is the home screen.  `setScreen(push, s)` asks for a switch at the
// next frame; with push the current screen and its data object are
// remembered, and `back()` returns to them.  A screen keeps its state in an
// object derived from `Gui::ActiveData`, created by the screen on the frame it
// finds `_data` null; the Gui owns and deletes it.  `_screenChanged` is true
// during the first frame after a switch.
//
// Message box protocol (`messageBox`, `_answer`): the answer callback is
// called with -1 every frame for a default button, and with the index of a
// pressed button; it returns -2 to close the box.  Back and Home pass -2.
// Without a callback only button 0 closes the box.  A box the program opens
// by itself (`queueMessageBox`: start-up, machine status, results that come
// later) waits its turn behind the box on screen instead of replacing it; a
// box that answers the operator's own action (`messageBox`) replaces it.
// A busy box (`_modalBusy`, set by a callback while the work it announces
// runs) cannot be closed at all: Back, Home, Escape and Enter leave it alone
// and the frame hides its navigation; `messageBox` and `closeModal` clear
// the flag.  Callbacks (`_answer`, `_onEnter`, `_onBack`) may replace
// themselves: the Gui always calls a copy.
//
// Slides: bars, keyboard and box each have a state 0 hidden, 1 entering,
// 2 shown, 3 leaving; `barOffset` moves a state on after 300 ms measured from
// `_transitionTime` on the monotonic `_frameTime`.
//
// The frame (gui_frame.cpp): every screen but the home screen calls
// `drawFrame` once per frame after its content; the home screen calls it only
// while a box is open.  It draws the top bar (the screen's toolbar, the
// service lines, the Apply banner), the keyboard window, the message box and
// the bottom bar with Hint, Home and Back.  `drawProgress` is the
// full-window progress dialog; `drawMachineStatus` shows the start-up
// progress, the once-only device boxes and the welding overlay over every
// screen.  Everything drawn reports to UiProbe.
//
// Active rotor.  `replaceRotor` is the one way to change it: the machine gets
// the new rotor first, and the old one is deleted only after the machine has
// shown the idle state for 100 ms since the swap (its worker may still be
// inside a call on it).  The Gui is the settings load's host (SettingsHost).
//
// Fields are public and named as the screens know them; screens read and
// write them directly.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/gui_clock.h"
#include "gui/key_queue.h"
#include "gui/texture.h"
#include "records/settings_file.h"

class MachineBase;
class Rotor;
struct Config;
struct ImDrawData;
struct ImDrawList;
struct ImFont;
struct ImVec2;

class Gui final : public SettingsHost {
public:
    using TimePoint = Clock::time_point;
    using Screen = std::function<void(Gui&)>;
    using Answer = std::function<int(int)>;
    using Action = std::function<void()>;

    // The slide of the bars, the keyboard and the box (`_barState`,
    // `_keyboardState`, `_modalState`).
    enum SlideState : int { kHidden = 0, kEntering = 1, kShown = 2, kLeaving = 3 };

    // Which screen a screen function is, for what the frame does differently
    // on some screens; `Other` for a function that is none of the Gui's.
    enum class ScreenId { Home, Editing, Balancing, Influence, Measuring, History, Database, Settings, Welding, Other };

    // Base of every screen's data object.
    class ActiveData {
    public:
        virtual ~ActiveData() = default;
    };

    explicit Gui(GuiClock clock = GuiClock());
    ~Gui() override;
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    // ---- the frame -------------------------------------------------------
    static constexpr float kBarHeight = 80;  // the top and the bottom bar
    // Takes the frame's time points from the clock (the loop's first step).
    void startFrame();
    // Once per frame inside an ImGui frame: machine-ready hook, "Demo" badge,
    // layout values, physical keys, pending switch, the screen.
    void draw(float width, float height);
    // True during the first 500 ms of every second (carets).
    bool blink() const;
    KeyQueue& keys() { return _keys; }
    const GuiClock& clock() const { return _clock; }

    // ---- screens ---------------------------------------------------------
    void setScreen(bool push, Screen screen);
    void back();
    void applyScreen();
    bool onHomeScreen() const { return !_screen; }
    ScreenId currentScreen() const { return _screenId; }

    void home();
    void editing();
    void balancing();
    void influenceCoefficients();
    void measuring();
    void history();
    void database();
    void rotorList(bool history);
    void settings();
    void welding();
    // Where the Measuring screen's signal box of slot k stands (screen
    // coordinates) in the current window, the boxes `boxWidth` wide.
    ImVec2 signalBoxPosition(int slot, float boxWidth);

    // ---- the frame -------------------------------------------------------
    // A screen's window that shows `colour` behind its content: the window
    // flags that keep it from painting that colour (ImGuiWindowFlags_NoBackground)
    // when the window is cleared to it instead, else 0.  White is the clear
    // colour of every frame; another colour becomes the frame's
    // (`_clearColour`) when the window covers the whole window (`whole`), or
    // while the bars stand still over what a window between them leaves.  Once
    // the frame is drawn the clear colour stays: a screen takes its background
    // before `drawFrame`.
    int screenBackground(std::uint32_t colour, bool whole);
    // Dims the current screen window with `colour` where it shows: between
    // the bars while they stand still in front of it.
    void veilScreen(std::uint32_t colour);
    // The bars, the keyboard window and the box around the screen drawn this
    // frame.  `busy` hides the navigation buttons; `top` draws the screen's
    // toolbar into the top bar (cursor at (_margin, 28)).
    void drawFrame(bool busy, const Action& top);
    // The box's window content: veil, texts, entry field, buttons, answers.
    void drawModal();
    // The current window paints every pixel of its rectangle opaque, over
    // the windows drawn before it this frame (gui_covers.cpp).
    void coverWithWindow();
    // A veil from min to max over what lies under the current window: a box's
    // black, or a content's veil of the clear colour.  Painted here;
    // `trimFrame` applies a black one to the colours under it instead, and
    // paints one of the clear colour only where something is drawn under it,
    // where it can (gui_covers.cpp).
    void veilUnder(const ImVec2& min, const ImVec2& max, std::uint32_t colour);
    // After ImGui::Render, before the frame is painted (the clear colour may
    // change): the windows under each cover paint nothing under it, and the
    // veils paint as little as they can.  What shows stays the same.
    void trimFrame(ImDrawData& data);
    // A focused window at (0, 0) of this size: veil, `_progressText`, and a
    // 400 x 42 px bar for `_progressValue` (clamped to 0..100; none at 0).
    void drawProgress(float width, float height);
    // A dark banner over the top bar with `text` and one button; true when pressed.
    bool applyButton(const char* text, const char* label);
    // The keys of `_keyboardMode` in the current window (keyboard.cpp).
    void drawKeyboard();
    // One key at (x, y) of the current window, `width` x `height` px, with the
    // label in Regular 28 (`keyflag::kNoLabel`: none), or the texture of slot
    // `image` (-1: none) centred instead.  With an `alternative` (may be "")
    // a press held longer than 0.6 s fires at once and ends the press; the
    // alternative is shown small at the top.  True when the key fires;
    // `byHold` tells whether it fired by a long press.
    bool keyButton(const char* label, float x, float y, float width, float height, int image, int flags,
                   const char* alternative = nullptr, bool* byHold = nullptr);
    // The bottom bar's Home: the screen's back handler is dropped, keyboard
    // and box close (the box's answer gets -2), the home screen follows.
    void pressHome();

    // ---- message box, keyboard, slides -----------------------------------
    // Opens the box; details default to "", buttons to "OK" ('|' between labels).
    void messageBox(const char* text, const char* details = nullptr, const char* buttons = nullptr,
                    Answer answer = {});
    // A box the program opens by itself: shown at once when neither a box nor
    // the keyboard is up, else it waits until they have gone and the boxes
    // queued before it have been shown, each with its own buttons and answer;
    // while the screen goes home it waits for the home screen.
    // A box equal to the one on screen or to one waiting is not queued again;
    // at most kMaxWaitingBoxes wait.  While the machine connects, such a box
    // stands in place of the start-up progress and takes its answers.
    void queueMessageBox(const char* text, const char* details = nullptr, const char* buttons = nullptr,
                         Answer answer = {});
    static constexpr std::size_t kMaxWaitingBoxes = 4;
    void closeModal();
    // Lets the keyboard slide out: state 3, no edit target, no enter handler.
    void closeKeyboard();
    // The slide fraction of a state (0 shown, 1 hidden); moves it on after 300 ms.
    float barOffset(int& state);
    // What Back (and Escape) does while the keyboard or the box is on screen:
    // the keyboard: `_onBack` and the keyboard slides out; the box: the
    // answer callback with -2, and the box closes.  False when neither is.
    bool backFromOverlay();
    // The bottom bar's Back: the overlay's back (above), else the screen's
    // `_onBack`, else the machine stops and the previous screen returns.
    void pressBack();
    // Presses button `index` of the open box by the box protocol.
    void pressModalButton(int index);
    // Over every screen, at the end of the frame: the start-up progress until
    // the machine is ready (not when `silent`, nor while a box of the
    // program's own is on screen), then once per connection the
    // device boxes, and the welding overlay while welding runs (not when
    // `silent`, nor over the Welding screen, whose own switch stops it).
    void drawMachineStatus(bool silent);

    // ---- the home screen and the login (home_screen.cpp) -------------------
    // A T x T tile: the texture centred on a light grey field, the caption
    // (Light 28, black) under it; true when tapped.
    bool imageTile(int texture, const char* caption, float width, float height);
    // The logout tile (or, without caption, the service entry): the texture
    // centred, the caption in blue under it; true when tapped.
    bool logoutTile(int texture, const char* caption, float size);
    // One operator row at the cursor (`operatorstyle` bits); the name is cut
    // by whole characters with "..." when wider than width - 70 px.  True
    // when tapped.
    bool operatorList(const char* name, int row, float width, float height, int style);
    // The wall time as "9:05" (Light 64) and the date under it (Light 22),
    // centred on the cursor's x at the cursor's y.
    void drawClock();
    // The login keypad's enter handler.
    void acceptLogin();
    // True when an operator or the service engineer is logged in, or the
    // settings list no operators.
    bool loggedIn() const;
    // Nobody is logged in any more; the service access goes too.
    void logOut();
    // The operator list was changed (the Settings screen's access tab): the
    // logged-in operator's name and rights follow his entry at once.  When
    // the entry at `erased` went, his own erased entry logs him out and the
    // home screen follows; an earlier one moves his index.  The service
    // engineer's session is none of the operators'.
    void operatorsChanged(int erased = -1);
    // Settings were loaded from a file, which kept the session: the one
    // logged in (an operator by his name, or the service login) follows the
    // loaded operator list.
    void sessionAfterSettingsLoad();

    // ---- resources ---------------------------------------------------------
    // The 33 font slots (fonts.h), added to the GUI context's atlas before
    // its first frame; the first font added is the default font.
    void loadFonts();
    // The 59 texture slots (texture.h) through `_uploader`.
    void loadTextures();
    // A texture of PNG data: the image itself, or one variant per colour of
    // the zero-terminated list (0x00BBGGRR; the image's red channel becomes
    // alpha).  Empty when the data does not decode or an upload fails.
    Texture uploadTexture(const void* data, std::size_t size, const std::uint32_t* colours);

    // ---- start-up ------------------------------------------------------------
    // Takes the machine (created, its worker not started), loads ".cfg" (the
    // box and the defaults when that fails) and only then starts the
    // machine's connect process, whose worker reads the settings.
    void startMachine(MachineBase* machine);
    // An update that the launcher rolled back is said once, and its copy
    // leaves "Saved versions" (settings_update.cpp).
    void sayRolledBackUpdate();

    // ---- the active rotor --------------------------------------------------
    // Replaces the active rotor by a new empty one with the next free name.
    void newRotor();
    // Makes `fresh` the active rotor and the machine's, retiring the old one.
    void replaceRotor(Rotor* fresh);
    // Rotors replaced but not yet deleted.
    std::size_t retiredRotorCount() const { return _retired.size(); }
    // After a run or a text was recorded or the rotor saved: what the history
    // file or the rotor's file did not take is kept in memory, and "Error!" with
    // the reason says so on the screen where it happened, after the box on
    // screen (a protocol's) has gone.
    void sayWriteError(Rotor& rotor);
    // What the active rotor's verification test could not keep or read back
    // of its progress, said in a box at the next frame wherever it happened
    // (a tap on "Ready", a run, a record opened).
    void sayTestProgressNotice();
    // The name of the next new rotor: the language's prefix and the number
    // after the highest in "db/" and "history/".
    std::string nextRotorName() const;

    // ---- SettingsHost ----------------------------------------------------
    Config& liveConfig() override { return *_config; }
    bool machineBusy() override;
    Rotor* makeRotor() override;
    Rotor* activeRotor() override { return _rotor; }
    void setActiveRotor(Rotor* rotor) override { _rotor = rotor; }
    void handRotorToMachine(Rotor* rotor) override;
    void destroyRotor(Rotor* rotor) override;
    // buttons 0 is "OK", else the TextId of a button set.
    void messageBox(const char* text, const char* details, int buttons,
                    std::function<void(int answer)> onAnswer) override;

    // ---- shared fields ---------------------------------------------------
    Rotor* _rotor = nullptr;
    MachineBase* _machine = nullptr;
    Config* _config = nullptr;
    std::vector<Texture> _textures;
    std::vector<ImFont*> _fonts;
    int _measuringMode = 0;
    bool _resultsExpected = false;
    int _icRunMask = 0;
    bool _devMode = false;
    bool _fullScreen = false;
    bool _screenChanged = false;
    std::vector<char> _textBuffer;
    int _operator = -1;
    int _selectedOperator = -1;
    double _keypadSlide = 0;
    TimePoint _keypadSlideTime{};

    // Layout values, written by draw every frame before the screen is drawn.
    float _screenWidth = 0;
    float _screenHeight = 0;
    float _margin = 0;
    float _bandHeight = 0;
    float _rowHeight = 0;
    float _footerHeight = 0;
    float _upperHeight = 0;
    int _columnCount = 0;
    float _midHeight = 0;
    float _columnWidth = 0;
    float _columnPitch = 0;
    float _leftRest = 0;
    float _rightRest = 0;

    bool _welderExpected = false;
    bool _welderAsked = false;
    TimePoint _welderCheckTime{};
    bool _demoShown = false;
    bool _invertersShown = false;
    bool _settingsChanged = false;
    int _logsFolderSize = 0;
    float _scale = 1.0f;
    // What the window is cleared to before the frame is rendered (0xAABBGGRR
    // as ImGui's colours): white, or the colour the screen drawn this frame
    // leaves to it (`screenBackground`).  `draw` resets it to white.
    std::uint32_t _clearColour = 0xFFFFFFFF;
    TimePoint _frameTime{};       // monotonic: every interval and slide
    std::int64_t _wallTime = 0;   // seconds since 1970: only what the operator reads
    TimePoint _transitionTime{};
    Screen _screen;
    ScreenId _screenId = ScreenId::Home;
    std::optional<Screen> _pendingScreen{Screen{}};
    ScreenId _pendingScreenId = ScreenId::Home;
    std::vector<Screen> _backStack;
    ActiveData* _data = nullptr;
    int _editId = 0;
    std::string _keyboardText;
    // The most bytes typing and pasting make `_keyboardText` (whole UTF-8
    // characters; 0 no limit); an entry sets it, closing the keyboard clears it.
    std::size_t _keyboardLimit = 0;
    Answer _answer;
    Action _onEnter;
    Action _onBack;
    std::vector<ActiveData*> _dataStack;
    float _keyboardTop = 0;
    int _barState = 0;
    int _modalState = 0;
    int _keyboardState = 0;
    float _modalInputWidth = 0;
    std::string _modalText;
    std::string _modalDetails;
    std::string _modalInputLabel;
    std::string _modalButtons;
    bool _modalBusy = false;  // the box waits for work that must not be left
    std::string _hint;
    std::string _hintDetails;
    std::string _progressText;
    int _progressValue = 0;
    bool _icFromBalancing = false;
    int _keyboardMode = 0;
    TextureUploader* _uploader = nullptr;  // set by main (GL) or a test

private:
    // Logs out, clears the operator's name and opens the home screen.
    void logOutToHome();

    struct RetiredRotor {
        Rotor* rotor;
        TimePoint since;  // the swap
    };
    struct Cover {
        const ImDrawList* list;  // the opaque window's
        float minX, minY, maxX, maxY;
        bool paints;       // its background: the clear colour does not show there
        int drawnAt = -1;  // its list's place in the frame's draw data, -1: not drawn
    };
    struct Veil {
        ImDrawList* list;
        int vertex, index;  // its quad's first vertex and index in the list
        float minX, minY, maxX, maxY;
        std::uint32_t colour;
    };
    struct WaitingBox {
        std::string text;
        std::string details;
        std::string buttons;
        Answer answer;
    };

    void machineReadyHook();
    // Opens the first waiting box once no box and no keyboard is up.
    void showWaitingBox();
    // A box from the queue is on screen and not leaving.
    bool boxInTurnShown() const;
    void drawDemoBadge(float width, float height);
    void computeLayout(float width, float height);
    void handleKeys();
    void handleKey(GuiKey key);
    void handleTypedText();
    void collectRetiredRotors();
    bool keyboardShown() const { return _keyboardState != 0; }
    // The home screen's PIN keypad is on screen and takes the physical keys.
    bool loginKeypadShown() const;
    void keyboardBack();
    void modalBack();
    void releaseTextures();
    void drawTopBar(float offset, const Action& top);
    void drawKeyboardWindow(float& keyboardOffset, float& keysHeight);
    void drawModalWindow(float keyboardOffset, float keysHeight);
    void drawBottomBar(float offset, bool busy);
    bool navigationAllowed(bool busy);
    void cutCoveredPaint(ImDrawData& data) const;
    void veilColours(ImDrawData& data, const Veil& veil);
    void veilOnlyWhereDrawn(ImDrawData& data, const Veil& veil);

    GuiClock _clock;
    KeyQueue _keys;
    std::vector<RetiredRotor> _retired;
    std::optional<TimePoint> _idleSince;  // the machine showed state 0 since then
    std::deque<WaitingBox> _waitingBoxes;
    std::vector<Cover> _covers;  // of the frame drawn last
    std::vector<Veil> _veils;    // of the frame drawn last
    std::vector<std::uint8_t> _trimMarks;  // `trimFrame`'s tiles or vertices, kept from frame to frame
    bool _frameDrawn = false;    // `drawFrame` has run this frame
    bool _modalInTurn = false;  // the box on screen came from the queue
};

// Flags of `Gui::keyButton`.
namespace keyflag {
constexpr int kAction = 1;   // grey-blue with a white label
constexpr int kNoLabel = 2;  // the label only names the key
}  // namespace keyflag

// Style bits of `Gui::operatorList`.
namespace operatorstyle {
constexpr int kFirst = 1;     // a line above the row too
constexpr int kSelected = 2;  // this operator awaits the PIN
constexpr int kOther = 4;     // another operator awaits the PIN
}  // namespace operatorstyle

// The highest rotor number in `folder` ("db/", "history/"): of the ".rotor"
// files whose name begins with the current language's prefix ("ROTOR ",
// "ИЗДЕЛИЕ "), the decimal number after it; at least `previous`.  A number
// too large to read counts as none.
int maxRotorNumber(const char* folder, int previous);
