#pragma once
// File names of rotor files.  A rotor's name is typed by the operator and
// stays as typed; only the part of it that becomes a file name in "db/" or
// "history/" is made safe.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rotorfiles {

// The longest file name the file systems take, in bytes (ext4; FAT and exFAT
// on the drive count UTF-16 units, never more than the bytes).
constexpr std::size_t kFileNameLimit = 255;
// The most that a file made from a rotor's name adds to it: the history
// file's "_", a plane count of up to three digits, the 14-digit time stamp and
// ".rotor" (24 bytes).  The others add less: the temporary file of a database
// save ".rotor.tmpXXXXXX" (16), the protocol on the drive
// "_YYYYMMDDhhmmss.pdf" (19).
constexpr std::size_t kLongestNameAddition = 24;
// The longest name the operator can give a rotor, in bytes: 200 Latin or 100
// Cyrillic letters, far more than any screen shows, with room beyond the
// additions for every file made from it.  Names loaded from files are kept
// as they are.
constexpr std::size_t kMaxRotorNameBytes = 200;
static_assert(kMaxRotorNameBytes + kLongestNameAddition <= kFileNameLimit);

// The largest rotor file read.  A rotor with its balancing history takes some
// tens of kilobytes (a run adds a few hundred bytes); two megabytes hold
// thousands of runs, and the records read from the worst file of that size
// still fit in memory.
constexpr std::uint64_t kMaxRotorFileBytes = 2u << 20;

// The name with '/', '\\' and control characters replaced by '_'.
std::string fileNameCharacters(const std::string& name);

// The file-name part of a database file: fileNameCharacters, and "" (refused)
// for an empty name or one made of dots only.
std::string databaseFilePart(const std::string& name);

// The database file a rotor of this name is saved to ("db/PART.rotor"); ""
// for a name that gives no file name (databaseFilePart).
std::string databaseFilePath(const std::string& name);

// True for a name that can be opened inside its folder as it stands: not
// empty, not dots only, no '/', '\\' or control character.
bool isPlainFileName(const std::string& name);

// The rotor's name of a file loaded from the database (mode 1: the file name
// without ".rotor") or from the history (mode 2: the text before the last '_',
// which leaves out the plane count and time stamp; without '_' the text before
// the extension).
std::string rotorNameOfFile(const std::string& fileName, int mode);

// The number of planes the rotor file at `path` holds, read from the headers
// of its items (no record is built, so a listing stays cheap); -1 when the
// file cannot be read or an item runs past its end.  A plane item the loader
// would refuse counts too: its file is damaged either way.
int planeCountOfFile(const std::string& path);

// The history records in `folder` of one rotor: the files "PART...rotor"
// whose name up to its last '_' is `part` ("NAME_"), by file name.
std::vector<std::string> rotorRecords(const std::string& folder, const std::string& part);

// The plane count as a list shows it: the count in decimal, or "" for a file
// that cannot be opened as a rotor (unreadable, or more planes than a rotor has).
std::string listedPlaneCount(int planes);

}  // namespace rotorfiles
