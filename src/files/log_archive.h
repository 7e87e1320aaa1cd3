#pragma once
// Export of the program's diagnostic files to the operator's removable drive:
// every regular file of "logs", the settings file ".cfg" and the newest
// balancing-history file, packed as one tar stream (GNU "ustar  " headers)
// and compressed as LZMA "alone" into
// <drive>/kestrune/logs/YYYYMMDDhhmmss.logs.
//
// exportLogsArchive runs on the machine worker; the two cells it is given are
// the only state it shares: the result code (logexport below) and the percent
// cell, which follows the compression from 0 to 100.  The archive is written
// under a temporary name and renamed once it is whole and flushed: an export
// that fails (the stick pulled, its folder gone, a read-only or full drive)
// leaves nothing under the archive's name.
//
// Each file is streamed with exactly the size listed for it (a file that grew
// meanwhile is cut, one that shrank is filled with zeros), so the tar stream is
// always exactly the size written in the archive's header.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "files/lzma_alone.h"
#include "texts/system_reason.h"

// The export's result codes.
namespace logexport {
constexpr int kWritten = 1;
constexpr int kNoDrive = -1;  // no drive with the program's folder, or its space unknown
constexpr int kNoSpace = -2;  // not enough free space
constexpr int kFailed = -3;   // writing or compressing failed, the system gave no reason
// Below this: failed for the system's reason errno = kSystemErrorBase - code.
constexpr int kSystemErrorBase = -1000;

// The code of a failure for the system's reason `err` (a full drive is kNoSpace).
inline int failure(int err) {
    if (noRoomLeft(err)) return kNoSpace;
    return err > 0 ? kSystemErrorBase - err : kFailed;
}
// The system's reason a result code carries, 0 for none.
inline int systemError(int code) { return code < kSystemErrorBase ? kSystemErrorBase - code : 0; }
}  // namespace logexport

struct LogArchiveEntry {
    std::string path;        // as opened, e.g. "logs/engine.log"
    std::uint64_t size = 0;  // bytes, as listed
    std::int64_t mtime = 0;  // seconds since 1970 (fileTimeToTime)
};

inline constexpr std::size_t kTarBlock = 512;
// Largest value of an 11-digit octal tar field.
inline constexpr std::uint64_t kTarOctal11Max = 077777777777ull;

// The 512-byte header of one entry (name = the part of path after its last
// '/', at most 99 bytes: a longer one keeps its end, cut at a character
// boundary, and goes whole into a GNU long-name record before the header;
// mtime clamped to [0, 8^11-1]).
void makeTarHeader(const LogArchiveEntry& entry, unsigned char header[kTarBlock]);

// The GNU long-name record ("././@LongLink", type 'L', then the name and its
// NUL padded to 512) that comes before the header of an entry whose name does
// not fit the header's field; 0 bytes written for a name that fits.
std::size_t makeTarLongName(const LogArchiveEntry& entry, unsigned char record[2 * kTarBlock]);

// Bytes one entry takes in the stream: header plus data padded to 512.
inline std::uint64_t tarEntrySize(std::uint64_t size) {
    return (size + 1023) & ~std::uint64_t(511);
}
// The same with the entry's long-name record.
std::uint64_t tarEntryBytes(const LogArchiveEntry& entry);

// The reading state of the tar stream over a file list.
struct TarStream {
    explicit TarStream(std::vector<LogArchiveEntry> list = {});
    ~TarStream();
    TarStream(const TarStream&) = delete;
    TarStream& operator=(const TarStream&) = delete;

    std::vector<LogArchiveEntry> files;
    std::size_t index = 0;        // current file
    std::uint64_t remaining = 0;  // data bytes of the current file still to give
    int phase = 0;                // 0 header, 1 open, 2 data, 3 padding
    int fd = -1;                  // current input file, -1 when none (zeros are given)
    std::uint64_t dataRead = 0;   // data bytes read from files so far
    bool endGiven = false;        // the two zero end blocks were given
    bool longNameGiven = false;   // the current file's long-name record was given
    unsigned char pending[1024] = {};
    std::size_t pendingLen = 0;
    std::size_t pendingOff = 0;
};

// The encoder's input: fills up to *size bytes of the next part of the tar
// stream and sets *size to the count given (0 at the end).
bool tarStreamRead(TarStream& state, void* buffer, std::size_t* size);

// Size of the whole tar stream of a list: every entry plus the 1024-byte end.
std::uint64_t tarStreamSize(const std::vector<LogArchiveEntry>& files);

// Encodes the stream (of `streamSize` bytes) through `writer`, writing the LZMA
// "alone" header first.  True when everything was written.
bool writeTarLzma(const LzmaWriter& writer, TarStream& source, std::uint64_t streamSize,
                  const LzmaProgress& progress);

// The newest file of "history/": among names holding '_' with fewer than 23
// characters from the last '_' on, the greatest text from two characters after
// that '_'.  False when "history/" is missing or holds no such file.
bool pickHistoryFiles(std::string& chosen);

// The files to pack, from the working directory.
std::vector<LogArchiveEntry> listLogArchiveFiles();

void exportLogsArchive(std::atomic<int>* result, std::atomic<int>* percent);

// Test seams (set them before an export runs; null/empty restores the default).
// Free bytes available to the program in `folder`; false when unknown.
using SpaceQueryFn = std::function<bool(const std::string& folder, std::uint64_t& available)>;
void setArchiveSpaceQuery(SpaceQueryFn fn);
// The time that names the archive.
void setArchiveClock(std::time_t (*now)());
// Called with the list between listing and streaming, while the archive's
// file is open.
void setArchiveListedHook(std::function<void(const std::vector<LogArchiveEntry>&)> hook);
