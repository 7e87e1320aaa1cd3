#pragma once
// The settings file ".cfg": loading it into the live Config, saving it, and
// the start-up load.
//
// What the load needs of the operator interface goes through SettingsHost,
// which the Gui implements (tests use a fake).  The load must run before the
// machine's connect process starts: the machine worker reads the Config, and
// while a machine process runs the load refuses and changes nothing.
//
// Start-up order for the main function:
//   create the Gui (the host) -> loadStartupSettings(gui) -> create the Machine
//   and start its connect process.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "records/settings_records.h"

class Rotor;

class SettingsHost {
public:
    virtual ~SettingsHost() = default;

    // The live settings, owned by the host for the whole run.
    virtual Config& liveConfig() = 0;
    // True while the machine runs a process (its worker reads the Config then).
    virtual bool machineBusy() = 0;
    // Builds a new Rotor over the live Config, named as the operator interface
    // names new rotors; it does not become active by this call.  May be null
    // where no rotor is made (tools).
    virtual Rotor* makeRotor() = 0;
    virtual Rotor* activeRotor() = 0;
    virtual void setActiveRotor(Rotor* rotor) = 0;
    // Machine::setRotor: the machine works on this rotor from now on.
    virtual void handRotorToMachine(Rotor* rotor) = 0;
    virtual void destroyRotor(Rotor* rotor) = 0;
    // The operator interface's message box, shown in its turn after a box
    // already open; the caller does not wait.
    virtual void messageBox(const char* text, const char* details, int buttons,
                            std::function<void(int answer)> onAnswer) = 0;
};

// What a settings load met.
enum class SettingsLoad {
    Loaded,   // the file was read whole and replaced the live Config
    NotRead,  // the path was "": nothing read
    Missing,  // no file at the path
    Damaged,  // the file exists but is no whole settings file
    Busy,     // a machine process runs: nothing was done at all
};

// Where a named settings file comes from: another machine's file from a
// removable drive, or one of this machine's own (its ".cfg", and the settings
// saved in its working folder), which the load never refuses for the
// operator bound.
enum class SettingsSource { kDrive, kMachine };

// What a load changed of the file it took, each change also logged in "dbr":
// the operators beyond kMaxOperators left out of one of the machine's own
// files (their names in the file's order), and the numbers brought into
// their ranges and materials left out.
struct SettingsNotes {
    std::vector<std::string> operatorsLeftOut;
    std::size_t valuesChanged = 0;
    bool any() const { return !operatorsLeftOut.empty() || valuesChanged != 0; }
};

// The banner stored into LocalConfig at every load.
extern const char* const kVersionBanner;  // "KESTRUNE v5.137 (2023/01/25)"
constexpr const char* kSettingsFile = ".cfg";
// The largest settings file read.  A machine's settings take a few kilobytes;
// a megabyte leaves room for hundreds of operators, materials and error texts,
// and the records read from the worst file of that size still fit in memory.
constexpr std::uint64_t kMaxSettingsFileBytes = 1u << 20;
// The lengths every load fills the lists up to (fillUpSettingsLists).
constexpr std::size_t kInverterSlots = 2;
constexpr std::size_t kChannelSlots = 5;
constexpr std::size_t kExtErrorSlots = 8;

// Loads a settings file into the host's live Config: path null means ".cfg",
// "" reads nothing.  The live Config is replaced only when the file is a
// whole settings file as saveSettingsFile writes one: not empty, no piece of
// an item, no item of another record (a rotor file), and the additional-error
// list, which every save writes last, whole at its end; and, from a drive,
// no more than kMaxOperators operators (of the machine's own files the first
// ones are taken); anything else is Damaged.  The run's session (the
// LocalConfig record: service access, the operator's name and rights) is
// taken only from the machine's own ".cfg" (path null); a file named by the
// caller leaves the live one as it was, whatever the file holds.  After
// every load (read or not, except Busy) the lists are filled up (2
// inverters, 5 channels, 8 additional-error messages in Config, the End and
// the Belt drive), the language follows the Language field, the banner
// and the operator-access flag are set in LocalConfig, and a fresh rotor is
// made, handed to the machine and only then the old one destroyed.  The
// LocalConfig record is excluded from every later save.  True when read.
// A file that is not a regular file or is larger than kMaxSettingsFileBytes
// is not read (Damaged), and why is logged in "dbr"; the load never blocks on
// a pipe and never throws.  A null path is the machine's own file whatever
// `source` says.  What the load changed of the file goes to `notes`.
bool loadSettings(SettingsHost& host, const char* path, SettingsLoad* outcome = nullptr,
                  SettingsSource source = SettingsSource::kDrive, SettingsNotes* notes = nullptr);

// Tells the operator, in boxes that wait their turn, which operators a load
// left out and that it changed numbers, which "logs/dbr.log" lists.
void saySettingsNotes(SettingsHost& host, const SettingsNotes& notes);

// Fills up the lists as every load does (2 inverters, 5 channels, 8
// additional-error messages in Config, the End and the Belt drive).
void fillUpSettingsLists(Config& config);

// Saves the settings, the lists filled up, through the safe whole-file
// replacement (the old file stays on any failure), which leaves the file and
// its folder on the disk.
// A caller that writes to the removable drive flushes its volume
// (flushVolume) as for every file on the stick.
bool saveSettingsFile(const Config& config, const std::string& path = kSettingsFile,
                      std::string* error = nullptr);

// The start-up load: loads ".cfg"; when the load changed what the file held,
// says so (saySettingsNotes), keeps a copy of the file as read beside it
// (".cfg.before-YYYYMMDD-hhmmss") and saves ".cfg" as it now stands, so that
// it is said once (without the copy it is not replaced); when the load fails, shows "Attention! Error loading settings!"
// (in the language just set) and writes the defaults to ".cfg".  A ".cfg"
// that exists but cannot be read is first kept aside as
// ".cfg.bad-YYYYMMDD-hhmmss" (local time; "-2", "-3", ... added when taken),
// the name the box's details show; when it cannot be kept aside nothing is
// written over it and the program runs on the defaults in memory.  Returns
// the load's result.
bool loadStartupSettings(SettingsHost& host);

// Renames a damaged settings file aside; the new name, or "" on failure.
std::string keepSettingsFileAside(const std::string& path);

// Access level of the settings screens: 2 with service access, 1 with the
// logged-in operator's access flag, else 0.  (The settings screen's
// Settings::accessLevel is this over the live Config.)
int settingsAccessLevel(const Config& config);

namespace settings_testing {
// Replaces the rename used to keep a damaged file aside (null: the real one).
void setRenamer(bool (*rename)(const std::string& from, const std::string& to));
// Replaces the clock of the kept-aside name (seconds since 1970; null: now).
void setClock(long long (*now)());
}  // namespace settings_testing
