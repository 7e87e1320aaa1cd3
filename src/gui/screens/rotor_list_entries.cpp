// The browser's list: reading the folder, building entries with their date
// labels, sorting, filtering, and deleting and copying files.

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "files/file_time.h"
#include "gui/screens/rotor_list.h"
#include "platform/bounded_read.h"
#include "platform/durable_files.h"
#include "platform/file_replace.h"
#include "platform/local_clock.h"
#include "rotor/rotor_files.h"
#include "rotor/test_progress.h"
#include "texts/format.h"
#include "texts/text_groups.h"

namespace HistoryData {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHistoryFolder = "history/";
constexpr const char* kDatabaseFolder = "db/";
constexpr const char* kRotorExtension = ".rotor";
constexpr std::size_t kStampDigits = 14;  // YYYYMMDDhhmmss
constexpr std::int64_t kDaySeconds = 86400;
constexpr std::int64_t kNearDateSeconds = 31104000;  // 360 days: the year may be left out
constexpr std::int64_t kPeriodSeconds[] = {0, kDaySeconds, 7 * kDaySeconds, 30 * kDaySeconds};

constexpr TextId kTextToday = 0x1CFB001;
constexpr TextId kTextPeriodFirst = 0x1CFB002;  // "All", then day, week, month
constexpr TextId kTextNearDate = 0x195DC13;     // day, month, hour, minute
constexpr TextId kTextFarDate = 0x195DC14;      // day, month, year
constexpr TextId kMonthFirst = 0x138C801;       // January
constexpr const char* kTodayPattern = "{}, {:02}:{:02}";

std::int64_t localMidnight(std::tm tm, int dayOffset) {
    tm.tm_mday += dayOffset;
    tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool sameFields(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
           a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

bool readNumber(std::string_view digits, int& value) {
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    return std::from_chars(digits.data(), digits.data() + digits.size(), value).ec == std::errc();
}

// The plane count after the '_' at `underscore`: the digits up to the time
// stamp, or, without a stamp, the one character after the '_'.
std::string planesOfHistoryName(const std::string& fileName, std::size_t underscore) {
    const std::size_t dot = fileName.rfind('.');
    std::size_t end = underscore + 2;
    if (dot != std::string::npos && dot > underscore && dot - underscore > kStampDigits)
        end = dot - kStampDigits;
    if (end > fileName.size()) return std::string();
    int planes = 0;
    if (!readNumber(std::string_view(fileName).substr(underscore + 1, end - underscore - 1), planes))
        return std::string();
    return rotorfiles::listedPlaneCount(planes);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool hasRotorExtension(std::string_view fileName) {
    const std::string_view extension = kRotorExtension;
    return fileName.size() > extension.size() &&
           fileName.substr(fileName.size() - extension.size()) == extension;
}

void labelPeriods(Data& d) {
    d.english = isEnglish();
    d.periods.items.clear();
    if (d.history)
        for (int p = kPeriodAll; p <= kPeriodMonth; ++p)
            d.periods.items.push_back({textOrEmpty(kTextPeriodFirst + static_cast<TextId>(p)), false});
}

void appendName(std::string& list, const std::string& name) {
    if (!list.empty()) list += ", ";
    list += name;
}

// The date label of a time whose local fields are known.
std::string labelOf(const std::tm& tm, std::int64_t time, bool isToday, std::int64_t now) {
    if (isToday) return ks::format(kTodayPattern, textOrEmpty(kTextToday), tm.tm_hour, tm.tm_min);
    const char* month = monthsText(kMonthFirst + static_cast<TextId>(tm.tm_mon));
    const std::int64_t apart = time > now ? time - now : now - time;
    if (apart < kNearDateSeconds)
        return ks::format(textOrEmpty(kTextNearDate), tm.tm_mday, month ? month : "", tm.tm_hour, tm.tm_min);
    return ks::format(textOrEmpty(kTextFarDate), tm.tm_mday, month ? month : "", tm.tm_year + 1900);
}

// Builds the entry of `path` (`fileName` after its last '/') without its
// date label and appends it (see addListEntry).
bool appendEntry(Data& d, std::string path, std::string fileName, std::int64_t time, bool isToday,
                 bool isActiveHistory, const std::string& databasePlanes) {
    RotorListEntry e;
    e.path = std::move(path);
    e.fileName = std::move(fileName);
    if (d.history) {
        // Rotor names may hold '_': the loader cuts at the last one, and so does the list.
        const std::size_t underscore = e.fileName.rfind('_');
        if (underscore == std::string::npos) return false;
        e.name = rotorfiles::rotorNameOfFile(e.fileName, 2);
        e.planesText = planesOfHistoryName(e.fileName, underscore);
    } else {
        const std::size_t dot = e.fileName.rfind('.');
        e.name = dot == std::string::npos ? e.fileName : e.fileName.substr(0, dot);
        e.planesText = databasePlanes;
    }
    e.time = time;
    e.isToday = isToday;
    e.isActiveHistory = isActiveHistory;
    d.entries.push_back(std::move(e));
    return true;
}

}  // namespace

Data::Data(bool history) : history(history), english(isEnglish()) {}

LocalSeconds::LocalSeconds(std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    if (localtime_r(&t, &tm)) offset_ = tm.tm_gmtoff;
}

bool LocalSeconds::matchOffset(std::int64_t asUtc, const std::tm& fields, std::int64_t& time) {
    // The offset found last fits again, but for a change of daylight saving
    // time between the two: then the offset at the first guess does.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::time_t t = static_cast<std::time_t>(asUtc - offset_);
        std::tm back{};
        if (!localtime_r(&t, &back)) return false;
        if (sameFields(back, fields)) {
            time = static_cast<std::int64_t>(t);
            return true;
        }
        offset_ = back.tm_gmtoff;
    }
    return false;
}

std::int64_t LocalSeconds::midnightOf(std::int64_t day) {
    const auto known = midnights_.find(day);
    if (known != midnights_.end()) return known->second;
    std::int64_t midnight = kClockChanges, next = 0;
    std::tm fields{};
    const std::int64_t asUtc = day * kDaySeconds;
    const std::time_t noon = static_cast<std::time_t>(asUtc + kDaySeconds / 2);
    if (gmtime_r(&noon, &fields)) {
        fields.tm_hour = fields.tm_min = fields.tm_sec = 0;
        std::tm nextFields = fields;
        const std::time_t nextNoon = noon + kDaySeconds;
        // A day of 86400 seconds from its midnight to the next has one offset
        // (no zone changes its clock twice in a day).
        if (gmtime_r(&nextNoon, &nextFields)) {
            nextFields.tm_hour = nextFields.tm_min = nextFields.tm_sec = 0;
            std::int64_t start = 0;
            if (matchOffset(asUtc, fields, start) && matchOffset(asUtc + kDaySeconds, nextFields, next) &&
                next - start == kDaySeconds)
                midnight = start;
        }
    }
    midnights_.emplace(day, midnight);
    return midnight;
}

bool LocalSeconds::convert(std::tm& fields, std::int64_t& time) {
    const int year = fields.tm_year + 1900;
    const bool inRange = platform::dateExists(year, fields.tm_mon + 1, fields.tm_mday) &&
                         fields.tm_hour >= 0 && fields.tm_hour < 24 && fields.tm_min >= 0 &&
                         fields.tm_min < 60 && fields.tm_sec >= 0 && fields.tm_sec < 60;
    if (inRange) {
        const std::int64_t day = daysFromCivil(year, fields.tm_mon + 1, fields.tm_mday);
        const std::int64_t ofDay = fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
        const std::int64_t midnight = midnightOf(day);
        if (midnight != kClockChanges) {
            time = midnight + ofDay;
            return true;
        }
        if (matchOffset(day * kDaySeconds + ofDay, fields, time)) return true;
    }
    // Fields out of range, or a local time the clock skips: mktime's reading.
    std::tm tm = fields;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    fields = tm;
    time = static_cast<std::int64_t>(t);
    return true;
}

Day dayOf(std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {now, now};
    return {localMidnight(tm, 0), localMidnight(tm, 1)};
}

bool historyStampTime(const std::string& fileName, LocalSeconds& zone, std::int64_t& time, std::tm& local) {
    const std::size_t underscore = fileName.rfind('_');
    const std::size_t dot = fileName.rfind('.');
    if (underscore == std::string::npos || dot == std::string::npos || dot < underscore ||
        dot - underscore <= kStampDigits)
        return false;
    const std::string_view stamp = std::string_view(fileName).substr(dot - kStampDigits, kStampDigits);
    int field[6] = {};
    const std::size_t at[] = {0, 4, 6, 8, 10, 12, 14};
    for (int i = 0; i < 6; ++i)
        if (!readNumber(stamp.substr(at[i], at[i + 1] - at[i]), field[i])) return false;
    std::tm tm{};
    tm.tm_year = field[0] - 1900;
    tm.tm_mon = field[1] - 1;
    tm.tm_mday = field[2];
    tm.tm_hour = field[3];
    tm.tm_min = field[4];
    tm.tm_sec = field[5];
    if (!zone.convert(tm, time)) return false;
    local = tm;
    return true;
}

std::string dateLabel(std::int64_t time, bool isToday, std::int64_t now) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::string();
    return labelOf(tm, time, isToday, now);
}

bool addListEntry(Data& d, const std::string& path, std::int64_t time, bool isToday, bool isActiveHistory,
                  std::int64_t now, const std::string& databasePlanes) {
    const std::size_t slash = path.rfind('/');
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!appendEntry(d, path, std::move(fileName), time, isToday, isActiveHistory, databasePlanes))
        return false;
    d.entries.back().dateText = dateLabel(time, isToday, now);
    return true;
}

void readRotorFolder(Data& d, std::int64_t now, std::string_view activeHistory) {
    const char* folder = d.history ? kHistoryFolder : kDatabaseFolder;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return;
    const Day today = dayOf(now);
    LocalSeconds zone(now);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::path& path = it->path();
        std::string fileName = path.filename().string();
        if (!hasRotorExtension(fileName)) continue;
        std::int64_t time = 0;
        std::tm local{};
        bool active = false, stamped = false;
        std::string planes;
        // A history file's time is its name's stamp; the file's own only without one.
        if (d.history) {
            active = fileName == activeHistory;
            stamped = historyStampTime(fileName, zone, time, local);
        } else {
            planes = rotorfiles::listedPlaneCount(rotorfiles::planeCountOfFile(path.string()));
        }
        if (!stamped) {
            fileTimeToTime(path, time);
            const std::time_t t = static_cast<std::time_t>(time);
            localtime_r(&t, &local);
        }
        const bool isToday = time > today.midnight && time < today.nextMidnight;
        if (appendEntry(d, path.string(), std::move(fileName), time, isToday, active, planes))
            d.entries.back().dateText = labelOf(local, time, isToday, now);
    }
    sortEntries(d);
    labelPeriods(d);  // the dates were labelled as they were listed
}

void sortEntries(Data& d) {
    // The order is found on positions, so that each entry moves once.
    const std::vector<RotorListEntry>& e = d.entries;
    std::vector<std::size_t> order(e.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (d.history)
        std::stable_sort(order.begin(), order.end(),
                         [&e](std::size_t a, std::size_t b) { return e[a].time > e[b].time; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&e](std::size_t a, std::size_t b) { return e[a].name < e[b].name; });
    std::vector<RotorListEntry> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order) sorted.push_back(std::move(d.entries[i]));
    d.entries = std::move(sorted);
}

void relabel(Data& d, std::int64_t now) {
    labelPeriods(d);
    for (RotorListEntry& e : d.entries) e.dateText = dateLabel(e.time, e.isToday, now);
}

bool entryShown(const Data& d, const RotorListEntry& e, std::string_view filter, std::int64_t now) {
    if (!filter.empty() && std::string_view(e.name).find(filter) == std::string_view::npos) return false;
    const int period = d.history ? d.periods.selected : kPeriodAll;
    if (period <= kPeriodAll || period > kPeriodMonth) return true;
    if (period == kPeriodDay && !e.isToday) return false;
    return std::llabs(now - e.time) <= kPeriodSeconds[period];
}

void deleteMarked(Data& d) {
    std::vector<RotorListEntry> kept;
    for (RotorListEntry& e : d.entries) {
        if (!e.markedForDeletion) {
            kept.push_back(std::move(e));
            continue;
        }
        std::error_code ec;
        // A record being left for this one when the program ended stays left.
        if (d.history) keepRecordsLeftFor(e.path);
        fs::remove(e.path, ec);
        if (!ec) {  // removed, or gone already
            // A verification test's progress goes with its record.
            if (d.history) fs::remove(testProgressPath(e.path), ec);
            platform::syncFolderOf(e.path);
            continue;
        }
        e.markedForDeletion = false;
        appendName(d.pendingError, e.fileName);
        kept.push_back(std::move(e));
    }
    d.entries = std::move(kept);
}

std::string copyEntry(Data& d, const RotorListEntry& source, const std::string& typedName, std::int64_t now,
                      bool replace, std::string* made) {
    // The typed name stays inside the folder: no '/', no "..", no control characters.
    const std::string part = rotorfiles::databaseFilePart(typedName);
    if (part.empty()) {
        appendName(d.pendingError, typedName);
        return {};
    }
    const std::string target = folderOf(source.path) + part + kRotorExtension;
    if (!replace && platform::replacesAnotherFile(target, source.path)) return part + kRotorExtension;
    std::string bytes;
    if (!platform::readBoundedFile(source.path, rotorfiles::kMaxRotorFileBytes, bytes, nullptr)) {
        appendName(d.pendingError, source.fileName);
        return {};
    }
    const platform::CreateResult written =
        replace ? (platform::replaceFile(target, bytes) ? platform::CreateResult::kCreated
                                                        : platform::CreateResult::kFailed)
                : platform::createFile(target, bytes);
    switch (written) {
        case platform::CreateResult::kExists:
            return {};
        case platform::CreateResult::kFailed:
            appendName(d.pendingError, part + kRotorExtension);
            return {};
        case platform::CreateResult::kCreated:
            break;
    }
    // The copy is made now: it reads as today's, with the clock's time; a
    // replaced file's entry goes for the copy's.
    d.entries.erase(std::remove_if(d.entries.begin(), d.entries.end(),
                                   [&target](const RotorListEntry& e) { return e.path == target; }),
                    d.entries.end());
    addListEntry(d, target, now, true, false, now, source.planesText);
    sortEntries(d);
    if (made) *made = target;
    return {};
}

int answerDelete(Gui& gui, Data& d, int answer) {
    if (answer == -1) return -1;
    if (answer == 0) {
        deleteMarked(d);
    } else {
        for (RotorListEntry& e : d.entries) e.markedForDeletion = false;
    }
    // The question is over: nothing polls it again once its box has gone.
    gui._answer = nullptr;
    return answer >= 0 ? -2 : answer;
}

}  // namespace HistoryData
