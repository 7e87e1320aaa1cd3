#pragma once
// Start-up tidying of the log folder: the oldest files are deleted while the
// folder holds 1000000000 bytes or more, or 100 files or more; afterwards every
// unnumbered file over 10000000 bytes gets the next free generation number
// (engine.log -> engine.3.log beside engine.1.log and engine.2.log), so the
// next logger starts a fresh file.  Sub-folders are left alone.  Nothing here
// throws; a step that fails is skipped.

#include <cstdint>
#include <filesystem>
#include <string>

struct LogFileEntry {
    int number = 0;          // generation number, 0 for an unnumbered file
    std::uint64_t size = 0;  // bytes
    std::int64_t mtime = 0;  // last write, nanoseconds of the file clock
    std::string stem;        // name without extension and generation number
    std::string ext;         // extension with its dot, e.g. ".log"
    std::string name;        // the real file name in the folder
};

// Splits a file name: "engine.3.log" -> stem "engine", number 3, ext ".log";
// "engine.log" and "data.12345.log" are unnumbered (the number is all decimal
// digits, non-zero, and at most three of them).
void analyseLogName(const std::string& fileName, LogFileEntry& entry);

// The name a file of these parts has: "stem.N.ext", or "stem.ext" for number 0.
std::string logFileName(const std::string& stem, int number, const std::string& ext);

// Tidies "logs" of the working directory (or `folder`); returns the size of
// the files left in MiB (bytes >> 20), -1 when the folder is missing or
// cannot be listed.
int cleanLogsFolder();
int cleanLogsFolder(const std::filesystem::path& folder);
