#pragma once
// The history and database browser (`Gui::history`, `Gui::database`): one
// screen that lists the rotor files of "history/" (one per balancing) or
// "db/" (one per stored rotor), filters them by name and period, and opens,
// deletes, copies them or hands one to the protocol flow.
//
// The folder is read once per data object; afterwards the list changes only
// by delete and copy.  Opened from the History, the Editing screen returns to
// the same object with its list, filters and period.  The name filter itself
// lives in the settings' LocalConfig (never saved), so it lasts for the run.
//
// Times are seconds since 1970; "now" is the Gui's wall time, so the labels
// follow the clock the operator reads.

#include <climits>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gui/gui.h"
#include "gui/widgets.h"
#include "texts/texts.h"

// One listed file.
struct RotorListEntry {
    std::string path;        // folder text + file name, as listed
    std::string fileName;    // after the last '/', extension included
    std::string name;        // the rotor's name as the loader gives it
    std::string planesText;  // plane count in decimal; empty for a file that cannot open as a rotor
    std::string dateText;    // date label
    std::int64_t time = 0;
    bool markedForDeletion = false;
    bool isToday = false;
    bool isActiveHistory = false;  // the history file the active rotor writes
};

namespace HistoryData {

enum HistoryPeriod : int { kPeriodAll = 0, kPeriodDay = 1, kPeriodWeek = 2, kPeriodMonth = 3 };

// What a row reports (rotorListRow).
enum RowAnswer : int {
    kRowNone = 0,
    kRowOpen = 1,    // tapped outside the icons
    kRowDelete = 2,  // rightmost icon
    kRowSecond = 3,  // save the protocol (History), copy (Database)
    kRowThird = 4,   // print the protocol (History)
};

// Keyboard targets (`Gui::_editId`) of this screen.
constexpr int kCopyTarget = 1;
constexpr int kFilterTarget = 0x1DD5002;  // LocalConfig's filter text

struct Data final : Gui::ActiveData {
    explicit Data(bool history);

    SideSelectorState periods;  // selected period, column width as drawn, labels (History)
    std::vector<RotorListEntry> entries;
    bool history;
    // Left for the Editing screen with the keyboard up: until the screen is
    // left, the name filter reads the keyboard's text.
    bool keyboardFlag = false;
    // A failed delete or copy, said ("Error!" + this) once the keyboard and
    // the box are gone.
    std::string pendingError;
    // A copy onto another rotor's file: asked about once the keyboard has
    // gone, with the entry copied and the name typed.
    struct ReplaceQuestion {
        RotorListEntry source;
        std::string typedName;
        std::string fileName;
    };
    std::optional<ReplaceQuestion> replaceAsked;
    bool english;  // language of the labels
};

// The day of `now` in local time: [midnight, next midnight).
struct Day {
    std::int64_t midnight;
    std::int64_t nextMidnight;
};
Day dayOf(std::int64_t now);

// Local calendar times as seconds since 1970, for the many of one listing:
// unlike mktime, it does not read the time zone again for each, and it finds
// each day's bounds once.
class LocalSeconds {
public:
    // Starts from the offset from UTC at `now`.
    explicit LocalSeconds(std::int64_t now);
    // The seconds of the local time in `fields` (year, month, day, hour,
    // minute, second); false when there are none.  Fields out of range come
    // back as mktime brings them into range.
    bool convert(std::tm& fields, std::int64_t& time);

private:
    static constexpr std::int64_t kClockChanges = INT64_MIN;  // a day that is not 86400 s long

    // The seconds of the fields, whose reading as UTC is `asUtc`, by their offset.
    bool matchOffset(std::int64_t asUtc, const std::tm& fields, std::int64_t& time);
    // The seconds of a local day's midnight (days since 1970-01-01), once per
    // day; kClockChanges when the clock changes that day.
    std::int64_t midnightOf(std::int64_t day);

    long offset_ = 0;
    std::unordered_map<std::int64_t, std::int64_t> midnights_;
};

// The local time of the 14-digit stamp before the extension of a history
// file name (after the plane count) and its local fields; false when there
// is none.
bool historyStampTime(const std::string& fileName, LocalSeconds& zone, std::int64_t& time, std::tm& local);

// The date label: "Today, 09:05", "January 5, 09:05" within 360 days of now
// (either way), else "January 5 2021"; Russian day first, month in the genitive.
std::string dateLabel(std::int64_t time, bool isToday, std::int64_t now);

// Builds the entry of `path` and appends it; false (nothing added) for a
// History file without '_'.  History takes name and plane count from the
// file name; Database takes `databasePlanes`.
bool addListEntry(Data& d, const std::string& path, std::int64_t time, bool isToday, bool isActiveHistory,
                  std::int64_t now, const std::string& databasePlanes = {});

// Reads the folder into the list (nothing when it cannot be read) and sorts it.
// `activeHistory`: the file name of the history file the active rotor writes.
void readRotorFolder(Data& d, std::int64_t now, std::string_view activeHistory);

// History newest first, Database by name in byte order; stable.
void sortEntries(Data& d);

// The labels of the periods and the dates in the current language.
void relabel(Data& d, std::int64_t now);

// Whether the entry passes the name filter and the period.
bool entryShown(const Data& d, const RotorListEntry& e, std::string_view filter, std::int64_t now);

// Removes the files of the marked entries; entries whose file is gone leave
// the list, the others stay (unmarked) and are named in `pendingError`.
void deleteMarked(Data& d);

// Copies the entry's file under `typedName` in its folder and lists the copy.
// Another file of that name is replaced only with `replace`: without it
// nothing is done and its file name is returned, for the question; the
// entry's own name does nothing, silently.  A name that cannot be a file name
// or a failed copy is named in `pendingError`.  `made` receives the path of
// a copy that was made.
std::string copyEntry(Data& d, const RotorListEntry& source, const std::string& typedName, std::int64_t now,
                      bool replace = false, std::string* made = nullptr);

// The delete question's answer: -1 (the poll) changes nothing; 0 deletes the
// marked entries; any other answer clears the marks.  Closes the box (-2) for
// every answer but the poll.
int answerDelete(Gui& gui, Data& d, int answer);

// One row at the cursor of the list window, `width` wide: name, plane count
// and date in their columns, the action icons at the right.
int rotorListRow(const RotorListEntry& e, bool history, float width);

// The top bar: the title and column captions with the filter button, or the
// keyboard's text while the filter or a copy's name is typed.
void rotorListHeader(Gui& gui, Data& d, float listLeft, float listWidth);

// The 144 x 144 add button at the left margin, 120 px from the top; true when tapped.
bool addButton(Gui& gui);

// Column positions of a list `width` wide (negative: the column is not shown).
struct ListColumns {
    float name;
    float planes;
    float date;
};
ListColumns listColumns(float width);

}  // namespace HistoryData
