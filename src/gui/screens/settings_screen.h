#pragma once
// The settings screen: every machine setting of the live Config, a column of
// tabs at the left and the chosen tab's rows at the right.
//
// Rows never keep a copy of a field: each frame every row reads its value
// through Tris::Base::accessField with the tag path held in the data object
// (tab code fills the leading words, the row writes its own tag last), and
// every accepted change writes the field, saves the whole Config to ".cfg"
// and flushes the volume at once.
//
// A tab draws its main page or, when a page row has pushed one, the page on
// top of the page stack.  While a page is open the Gui's back action closes
// it.  Keyboard entry: a row that is pressed records the edited field; the
// screen then opens the keyboard with `commitEntry` as its enter action.
//
// Tabs (codes): 0 General, 1 System (settings_general.cpp), 2 drive,
// 3 channels, 4 processing, 5 display, 6 correction, 7 access, 8 update and
// debug, 9 service engineer calling (draws nothing).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/gui.h"
#include "gui/widgets.h"
#include "records/settings_limits.h"
#include "texts/texts.h"

class MachineBase;
class Rotor;
struct Config;
struct Texture;

namespace Settings {

constexpr int kMaxPath = 8;
constexpr TextId kNoField = 6;          // the edited tag while nothing is edited
constexpr TextId kClockMarker = 0xDDB01D;  // outer tag of a date or time part

// Tab codes.
enum Tab : int {
    kGeneralTab = 0,
    kSystemTab,
    kDriveTab,
    kChannelsTab,
    kProcessingTab,
    kDisplayTab,
    kCorrectionTab,
    kAccessTab,
    kUpdateTab,
    kServiceTab,
};

// Keyboard-driven message boxes.
enum Action : int { kNoAction = 0, kSaveUnderName = 3 };

// Flags of fieldRow.
enum RowFlags : int {
    kRadio = 0x01,        // a radio circle at the right end
    kRadioOn = 0x02,      // ... filled: the chosen option
    kEditing = 0x04,      // the keyboard edits this row's value (with kDelete: its label)
    kDelete = 0x08,       // without kEditing: a delete icon at the right end
    kOpensPage = 0x10,    // a chevron
    kSecondIconA = 0x20,  // a second icon 40 px left of the delete icon
    kSecondIconB = 0x40,  //   ... in its other picture
    kEmphasis = 0x80,     // the value in the emphasis font
};

// Answers of fieldRow.
enum Zone : int { kNotPressed = 0, kLeftZone = 1, kRightZone = 2, kDeleteZone = 3, kSecondIconZone = 4 };

struct Page {
    TextId id = 0;        // the field or settings text the page shows (an inverter page: its index)
    std::string caption;  // the text of the row that opened it
    float scroll = 0;     // the list's scroll position when it was opened
};

// The field the keyboard edits.
struct Edit {
    TextId tag = kNoField;
    bool numeric = false;
    std::uint32_t path[kMaxPath] = {};  // the path the commit writes
    int depth = 0;
    float scroll = 0;        // the list's scroll position when the row was pressed
    float rowBottom = 0;     // the row's bottom edge in the list
    bool prefilled = false;  // the keyboard starts with the field's text
    bool keyboardOpened = false;

    bool active() const { return tag != kNoField; }
    // The outer tag: the path's first word when the field sits below the Config.
    std::uint32_t outer() const { return depth >= 2 ? path[0] : 0; }
};

// A switch whose knob is between its ends.
struct Toggle {
    std::uint32_t path[kMaxPath] = {};
    int depth = 0;  // 0: none
    float knob = 0;  // the switch row's state (sign: position, magnitude: slide)
};

// The files an update or load page lists: read when the page opens, after a
// change made through it and when the drive comes or goes, not every frame.
struct FolderListing {
    std::optional<TextId> page;           // the page listed; none: read again
    std::string drive;                    // the drive's folder; "" none
    std::vector<std::string> driveFiles;  // names in listing order
    bool localFolder = false;
    std::vector<std::string> localFiles;
    Gui::TimePoint driveChecked{};
};

struct Data : Gui::ActiveData {
    explicit Data(Gui& owner);
    // A new list element still being named goes with the screen.
    ~Data() override;

    Gui& gui;
    Config* config;
    MachineBase* machine;  // the Gui's, refreshed every frame
    Rotor* rotor;          // the Gui's active rotor, refreshed every frame: a settings load replaces it

    SideSelectorState tabs;     // selected index into the visible list, labels, disabled flags
    std::vector<int> tabCodes;  // the tab code of each visible entry
    bool tabsEnglish = false;   // the language the labels were built in
    std::vector<Page> pages;    // empty: the tab's main page

    float pictureWidth = 80;
    std::uint32_t path[kMaxPath] = {};
    Toggle toggle;
    std::optional<float> pendingScroll;
    float contentWidth = 0;
    float scrollY = 0;  // the list's scroll position this frame
    float pressedRowBottom = 0;  // the bottom edge in the list of the row pressed last

    Edit edit;
    int pendingAction = kNoAction;
    int lastAction = kNoAction;
    bool resultShown = false;
    bool resultOk = false;
    int resultError = 0;  // why the settings could not be saved under a name (errno), 0 not known
    // The settings saved under a name would replace this file: the box asks.
    std::string replaceAsked;

    bool eventRegistration = false;  // the folder "logs" exists
    bool delayedClose = false;
    Gui::TimePoint delayedCloseStart{};
    bool updateWaiting = false;
    Gui::TimePoint updateStart{};
    bool appReload = false;
    bool restricted = false;
    bool newElement = false;
    TextId newList = 0;  // the list whose last element is the new one
    // The rotor whose open history file the log export closed (reopened when
    // the export ends, if it is still the active rotor).
    Rotor* exportRotor = nullptr;
    FolderListing listing;

    bool saveErrorShown = false;  // "Settings saving error!" stays until a save succeeds
    // A message that waits until the keyboard has slid out (a box opened
    // while it leaves would go with it): text and details.
    std::optional<std::pair<std::string, std::string>> notice;
    std::string clockText;        // "hh:mm YYYY-MM-DD", once per frame
};

// ---- the screen (settings_screen.cpp) --------------------------------------

// 2 service, 1 operator access, else 0 (of the live Config).
int accessLevel(const Data& d);
// Rebuilds the visible tab list; the selected index stays inside it.
void tabList(Data& d);
// The tab code of the selected entry.
int selectedTab(const Data& d);
// Saves ".cfg" (and flushes); a failure is logged and shown once until a save
// succeeds again.  True when saved.
bool saveConfig(Data& d);
// Appends a line to "logs/settings.log".
void logLine(const std::string& line);
// Shows a message box once the keyboard has slid out.
void notify(Data& d, const char* text, const std::string& details);
// "lowest ... highest" with the interface's decimal point; an end not taken
// itself is "> lowest" or "< highest", a 0 taken besides "0; " before them.
std::string rangeText(const SettingRange& range);
// A typed number refused: logged, and "Error!" shown with `details` (the
// range, or what is wrong; may be empty).  The caller ends the entry.
void refuseNumber(Data& d, const std::string& typed, const std::string& details);
// The keyboard's enter action.
void commitEntry(Data& d);
// The answer callback of the screen's message box.
int showResult(Data& d, int answer);
// Pops the top page (when the keyboard is closed) and clears the back action.
void closePage(Data& d);
// Sets the language, saves, rebuilds the tab list.
void chooseLanguage(Data& d, int language);

// ---- generic rows (settings_rows.cpp) ---------------------------------------

// Starts a group of rows, with or without a title.
void sectionHeader(Data& d, const char* title);
// One row (RowFlags); the zone of a press (Zone).  `width` 0: the content width.
int fieldRow(Data& d, const char* label, const char* value, const Texture* picture, int flags,
             const char* unit = nullptr, float width = 0);
// The rows of a list (operators, materials, inverters, files, ...), one
// fieldRow each: `row`(i) for the rows in view only (drawVisibleRows).
void listRows(std::size_t count, const std::function<bool(std::size_t)>& row);
// An on/off switch of the flag at d.path[0..depth-1] = tag; true when written.
bool boolRow(Data& d, TextId tag, int depth);
// A numeric field with its unit; a press starts numeric entry.
void numberRow(Data& d, TextId tag, int depth);
// A text field; a press starts letter entry pre-filled with the text.
void textRow(Data& d, TextId tag, int depth);
// A radio row of a choice field: marked when the field holds `choice`; a
// press stores it and saves.  True when stored.
bool choiceRow(Data& d, TextId tag, int depth, TextId choice, const Texture* picture = nullptr);
// One part of the local date or time (Year .. Minute), shown from `text`.
void clockRow(Data& d, TextId tag, const std::string& text);
// A row with a chevron that pushes a page; true when pushed.
bool pageRow(Data& d, const char* label, const char* value, TextId page, const char* unit = nullptr);
// The value text of a reported field ("{}", decimalPoint in numbers only).
std::string formatField(unsigned kind, const char* text, double number, std::uint64_t integer);
// The value text of the field at d.path[0..depth-1].
std::string fieldText(Data& d, int depth);
// The unit of a row's field (the units rule), or null.
const char* rowUnit(const std::uint32_t* path, int depth);
// Records the pressed field as the edited one (the keyboard opens this frame).
// A new list element still being named is dropped first.
void startEntry(Data& d, int depth, bool numeric, bool prefilled);
// True when the keyboard edits the field at d.path[0..depth-1].
bool isEdited(const Data& d, int depth);
// A radio row; true when pressed.
bool radioRow(Data& d, const char* label, bool chosen);
// A flag shown as a direction of rotation ("Å" clear, "Æ" set); a press
// inverts and saves it.  True when inverted.
bool directionRow(Data& d, TextId tag, int depth);
// The texts of the additional error bits: one text row per monitored error
// ("{}-bit" from `startBit`), below d.path[0..depth-3] + [index, message].
void errorMessageRows(Data& d, std::uint32_t startBit, std::uint32_t count, std::size_t listSize, int depth);

// ---- tabs --------------------------------------------------------------------

void generalTab(Data& d);
void systemTab(Data& d);
// Sets one part of the local date or time to `value` (typed as `typed`); a
// value that is no such part, or a date that does not exist, is refused with
// the reason and changes nothing; the clock's own refusal is shown too.
void setClockPart(Data& d, TextId part, const std::string& typed, double value);

void driveTab(Data& d);
// The first part of drive `drive`'s page (0 end, 1 belt, 2 mill, 3 weld):
// which inverter turns it, and its basic values; true when the page ends
// after it.
bool drivePanel(Data& d, int drive);
void channelsTab(Data& d);
void processingTab(Data& d);
void displayTab(Data& d);
void correctionTab(Data& d);
void accessTab(Data& d);

// ---- update and debug tab (settings_update.cpp) ------------------------------

// Page ids of the update and debug tab.
enum UpdatePage : TextId { kSoftwarePage = 0, kFirmwarePage = 1, kEventsPage = 2, kLoadPage = 3 };

// The update being installed: the confirmation box's answer callback holds it.
struct UpdateOutcome {
    int code = -1;          // the firmware writer's exit code; 0 when the package was unpacked
    std::string reason;     // why it failed, for the log
    int systemError = 0;    // the system's reason it failed here (errno), told the operator; 0 none
    bool noDevice = false;  // the firmware writer found no controller in its update mode
};
struct PendingUpdate {
    std::string path;  // the chosen file
    bool firmware = false;
    std::future<UpdateOutcome> job;  // the flashing or unpacking, off the frame
    bool reconnectOnClose = false;   // flashed: the machine connects again when the box closes
    bool ended = false;              // the box shows the outcome, closed by its "OK"
};

void updateTab(Data& d);
// The rows of one update folder's files (".dfu" with `firmware`, else ".kst"),
// in the order given; rows of a local folder carry a delete mark.
void updateFileList(Data& d, const std::string& folder, const std::vector<std::string>& names, bool firmware,
                    bool local);
// The install confirmation's answer callback, polled with -1 while the box is
// open: it advances the wait, the flashing and the unpacking.
int runUpdate(Data& d, PendingUpdate& update, int answer);
// The rows of one folder's saved settings (".cfg" files) in the order given;
// rows of a local folder carry a delete mark.
void savedSettingsList(Data& d, const std::string& folder, const std::vector<std::string>& names, bool local);
// The order of the update lists: true when `a` is listed before `b`.  Newest
// first: the part before the first '-' (the whole name without one),
// greater first; then the number after the '-', greater first, a name
// without '-' after those with one; then the name, greater first.
bool versionAfter(const std::string& a, const std::string& b);

// The restricted view's page of the active rotor's drive.
void openRotorDrive(Data& d);
// Makes the name of operator `index` unique among the operators.
void makeUniqueName(Data& d, int index);
// Removes the list element that is still being named (nothing is saved) and
// the back action that would remove it.
void dropNewElement(Data& d);

}  // namespace Settings
