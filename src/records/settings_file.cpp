#include "records/settings_file.h"

#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/logger.h"
#include "platform/bounded_read.h"
#include "records/settings_labels.h"
#include "records/settings_limits.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

const char* const kVersionBanner = "KESTRUNE v5.137 (2023/01/25)";

namespace {

bool (*g_renamer)(const std::string&, const std::string&) = nullptr;
long long (*g_clock)() = nullptr;

bool realRename(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(path, ec);
    return !ec && std::filesystem::exists(st);
}

template <class T>
void fillUp(std::vector<T>& list, std::size_t count) {
    if (list.size() < count) list.resize(count);
}

}  // namespace

namespace {

// A settings load belongs to no component with a log of its own; its rare
// refusals and mends go to the log that opens and closes around every line.
constexpr const char* kSettingsLog = "dbr";
void logSettingsLine(const std::string& line) { logOneLine(kSettingsLog, line); }

void logSettingsRefusal(const std::string& file, const std::string& why) {
    logSettingsLine("Load settings " + file + " error: " + why);
}

// Why `bytes` are no settings file as every save writes one, or "": the items
// of the settings' own record (a later version's unknown ones among them),
// whole, and the additional-error list last with at least its filled-up
// length.  Every save fills the lists up first, so a file that does not end
// so was cut short between two items, or is no settings file at all.
std::string settingsFileFault(std::string_view bytes) {
    if (bytes.empty()) return "the file is empty";
    const std::vector<std::uint32_t> words = Tris::bytesToWords(bytes);
    Tris::ItemReader reader(words.data(), words.size());
    Tris::Item item;
    std::size_t trailingErrors = 0;
    for (;;) {
        const Tris::ItemReader::Status status = reader.next(item);
        if (status == Tris::ItemReader::kBroken) return "an item is cut short";
        if (status == Tris::ItemReader::kEnd || item.header == Tris::kEndMarker) break;
        if (groupBase(item.tag) != Config::kType)
            return ks::format("an item of another record (tag 0x{:X}) at word {}", item.tag, item.offset);
        trailingErrors = item.tag == Config::kExtErrors ? trailingErrors + 1 : 0;
    }
    if (bytes.size() % 4 != 0 && reader.position() == words.size()) return "it ends in a piece of an item";
    if (trailingErrors < kExtErrorSlots) return "it does not end with the additional-error list: cut short";
    return {};
}

// Why the read settings are none the program can work with, or "".  The
// machine's own file keeps its first operators; `leftOut` gets the others.
std::string settingsContentFault(Config& read, SettingsSource source, std::vector<std::string>& leftOut) {
    std::vector<Operator>& ops = read.operators;
    if (ops.size() <= kMaxOperators) return {};
    if (source == SettingsSource::kDrive)
        return ks::format("{} operators, at most {} taken", ops.size(), kMaxOperators);
    for (auto op = ops.begin() + kMaxOperators; op != ops.end(); ++op) leftOut.push_back(op->name);
    ops.resize(kMaxOperators);
    return {};
}

// Reads the file into `live` when it is a whole settings file; what the read
// met.  With `keepSession` the live LocalConfig stays whatever the file holds.
SettingsLoad readSettingsFile(const std::string& file, Config& live, bool keepSession, SettingsSource source,
                              std::vector<std::string>& leftOut) {
    std::string bytes;
    std::string why;
    if (platform::readBoundedFile(file, kMaxSettingsFileBytes, bytes, &why)) {
        why = settingsFileFault(bytes);
        Config fresh;
        if (why.empty() && !fresh.loadBytes(bytes)) why = "an item is cut short";
        if (why.empty()) why = settingsContentFault(fresh, source, leftOut);
        if (why.empty()) {
            if (keepSession) fresh.local = live.local;
            live = std::move(fresh);
            return SettingsLoad::Loaded;
        }
    } else if (!pathExists(file)) {
        return SettingsLoad::Missing;
    }
    logSettingsRefusal(file, why);
    return SettingsLoad::Damaged;
}

bool loadSettingsUnguarded(SettingsHost& host, const char* path, SettingsLoad* outcome, SettingsSource source,
                           SettingsNotes& notes) {
    if (host.machineBusy()) {
        if (outcome) *outcome = SettingsLoad::Busy;
        return false;
    }
    Tris::excludeTag(LocalConfig::kType);

    Config& live = host.liveConfig();
    // Only the machine's own ".cfg", read at start-up, may bring a session: a
    // file named by the caller comes from a drive, or was saved at another time.
    const bool ownFile = path == nullptr;
    const std::string file = ownFile ? kSettingsFile : path;
    const SettingsLoad what =
        (path && *path == '\0')
            ? SettingsLoad::NotRead
            : readSettingsFile(file, live, !ownFile, ownFile ? SettingsSource::kMachine : source,
                               notes.operatorsLeftOut);
    for (std::size_t i = 0; i < notes.operatorsLeftOut.size(); ++i)
        logSettingsLine(ks::format("Load settings {}: operator {} \"{}\" left out, at most {} taken", file,
                                   kMaxOperators + i + 1, notes.operatorsLeftOut[i], kMaxOperators));

    fillUpSettingsLists(live);
    // The log names what the load changed as the screen does, in its language.
    setLanguage(live.language != 0);
    // A number out of its range is brought into it, not refused: the file stays usable.
    const std::vector<SettingFix> fixes = bringSettingsIntoRange(live);
    for (const SettingFix& fix : fixes) {
        const std::string now = fix.leftOut ? std::string("the material left out") : ks::format("now {}", fix.now);
        logSettingsLine(
            ks::format("Load settings: \"{}\" was {}, {}", settingLabel(fix.path, fix.name), fix.was, now));
    }
    notes.valuesChanged = fixes.size();

    live.local.banner = kVersionBanner;
    live.local.operatorAccess = true;

    // The machine gets the new rotor before the old one is destroyed, so it
    // never holds a freed rotor.
    Rotor* old = host.activeRotor();
    Rotor* fresh = host.makeRotor();
    host.setActiveRotor(fresh);
    host.handRotorToMachine(fresh);
    if (old && old != fresh) host.destroyRotor(old);

    if (outcome) *outcome = what;
    return what == SettingsLoad::Loaded;
}

}  // namespace

void fillUpSettingsLists(Config& config) {
    fillUp(config.inverters, kInverterSlots);
    fillUp(config.channels, kChannelSlots);
    fillUp(config.extErrors, kExtErrorSlots);
    fillUp(config.endDrive.extErrors, kExtErrorSlots);
    fillUp(config.beltDrive.extErrors, kExtErrorSlots);
}

bool loadSettings(SettingsHost& host, const char* path, SettingsLoad* outcome, SettingsSource source,
                  SettingsNotes* notes) {
    SettingsNotes own;
    SettingsNotes& met = notes ? *notes : own;
    met = SettingsNotes{};
    try {
        return loadSettingsUnguarded(host, path, outcome, source, met);
    } catch (...) {  // out of memory: the settings stay as they were
        if (outcome) *outcome = SettingsLoad::Damaged;
        met = SettingsNotes{};
        return false;
    }
}

void saySettingsNotes(SettingsHost& host, const SettingsNotes& notes) {
    const std::vector<std::string>& ops = notes.operatorsLeftOut;
    if (!ops.empty()) {
        // The first and the last of them, the log names each.
        std::string which = ops.front();
        if (ops.size() == 2) which += ", " + ops.back();
        if (ops.size() > 2) which += ks::format(" ... {} ({})", ops.back(), ops.size());
        const std::string text = ks::format(textOrEmpty(textid::kTextOperatorsLeftOut), kMaxOperators);
        host.messageBox(text.c_str(), which.c_str(), 0, nullptr);
    }
    if (notes.valuesChanged != 0)
        host.messageBox(textOrEmpty(textid::kTextSettingsChangedAtLoad), logPath(kSettingsLog).c_str(), 0,
                        nullptr);
}

bool saveSettingsFile(const Config& config, const std::string& path, std::string* error) {
    // The lists go filled up, as the load takes a file back: the
    // additional-error list whole at the end.  The replacement makes the file
    // and its folder durable; a flush of the whole volume would wait for
    // every other program's writes too.
    Config whole = config;
    fillUpSettingsLists(whole);
    return whole.save(path, error);
}

namespace {

// A free name beside `path` for a file kept at this moment:
// "<path>.<what>-YYYYmmdd-HHMMSS" (local time), "-2", "-3", ... when taken; "" when none is.
std::string asideName(const std::string& path, const char* what) {
    const long long now = g_clock ? g_clock() : static_cast<long long>(std::time(nullptr));
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    const std::string stem = ks::format("{}.{}-{:04d}{:02d}{:02d}-{:02d}{:02d}{:02d}", path, what, tm.tm_year + 1900,
                                        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    for (int n = 1; n <= 1000; ++n) {
        const std::string name = n == 1 ? stem : ks::format("{}-{}", stem, n);
        if (!pathExists(name)) return name;
    }
    return {};
}

// Keeps a copy of the machine's file as it was read beside it, before the
// load's changes replace it; false (nothing to be replaced) when it cannot.
bool keepSettingsFileAsRead() {
    const std::string kept = asideName(kSettingsFile, "before");
    std::error_code ec;
    if (kept.empty() || !std::filesystem::copy_file(kSettingsFile, kept, ec)) {
        logSettingsLine(ks::format("Load settings {}: no copy kept as read ({}), the file stays", kSettingsFile,
                                   kept.empty() ? "no free name" : ec.message()));
        return false;
    }
    logSettingsLine(ks::format("Load settings {}: the file as read kept as {}", kSettingsFile, kept));
    return true;
}

}  // namespace

std::string keepSettingsFileAside(const std::string& path) {
    const std::string name = asideName(path, "bad");
    if (name.empty()) return {};
    const bool ok = g_renamer ? g_renamer(path, name) : realRename(path, name);
    return ok ? name : std::string();
}

bool loadStartupSettings(SettingsHost& host) {
    SettingsLoad what = SettingsLoad::Loaded;
    SettingsNotes notes;
    if (loadSettings(host, nullptr, &what, SettingsSource::kMachine, &notes)) {
        if (notes.any()) {
            saySettingsNotes(host, notes);
            // Saved as it now stands, it is said once; the operators left out
            // and the numbers as they were stay in the copy beside it.
            if (keepSettingsFileAsRead()) saveSettingsFile(host.liveConfig(), kSettingsFile);
        }
        return true;
    }
    if (what == SettingsLoad::Busy) return false;
    // The operator learns where the damaged file went.
    const std::string keptAside = what == SettingsLoad::Damaged ? keepSettingsFileAside(kSettingsFile) : "";
    host.messageBox(textOrEmpty(textid::kTextSettingsLoadError), keptAside.c_str(), 0, nullptr);
    if (what == SettingsLoad::Damaged && keptAside.empty())
        return false;  // never overwrite what could not be kept
    saveSettingsFile(host.liveConfig(), kSettingsFile);
    return false;
}

int settingsAccessLevel(const Config& config) {
    if (config.local.serviceAccess) return 2;
    if (config.local.operatorAccess) return 1;
    return 0;
}

namespace settings_testing {
void setRenamer(bool (*rename)(const std::string& from, const std::string& to)) {
    g_renamer = rename;
}
void setClock(long long (*now)()) {
    g_clock = now;
}
}  // namespace settings_testing
