#pragma once
// Safe replacement of a file's whole content, and safe creation of a new file.
//
// The new content goes to a temporary file beside the target; every write is
// checked, the file is flushed to the disk and closed, and only then renamed
// over the target (replaceFile) or linked in under the target's name when no
// file has it (createFile).  On any failure the temporary file is removed, an
// old file stays as it was and the call reports the failure with a short reason
// (errno keeps the system's own).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

bool replaceFile(const std::string& path, std::string_view content, std::string* error = nullptr);

// Takes one piece of the content; false once a write has failed.
using ContentSink = std::function<bool(const void* data, std::size_t size)>;
// Gives the whole content to the sink; false when it could not be made whole.
using ContentSource = std::function<bool(const ContentSink& write)>;

// replaceFile for content made while it is written (an archive larger than
// memory should hold): the target appears only once all of it was written,
// flushed and closed.  On failure errno holds the system's reason (0 when the
// source failed by itself); an exception from the source goes on to the
// caller, with the temporary file removed.
bool replaceFileFrom(const std::string& path, const ContentSource& source, std::string* error = nullptr);

enum class CreateResult { kCreated, kExists, kFailed };

// Writes a new file that appears whole or not at all; a file (or folder) of
// that name is never touched, even one made while this runs: kExists.
CreateResult createFile(const std::string& path, std::string_view content, std::string* error = nullptr);

// True when a file (or folder) `path` exists and is not `own` itself (the
// file the content came from; "" for none): writing it would replace
// something else, which the operator is asked about first.
bool replacesAnotherFile(const std::string& path, const std::string& own = {});

// Appends `content` to the end of the open file `fd` and flushes it to the
// disk: one write where the system takes it whole, so that a cut leaves all
// of it or none.  False, with errno, when it was not all written and synced;
// what was written of it is then cut off again, and `pieceLeft` (when given)
// says whether a piece stays because the file could not be cut back.
bool appendToFile(int fd, std::string_view content, bool* pieceLeft = nullptr);

// Test seam: when set, every low-level write of replaceFile, createFile and
// appendToFile (every durable write) goes through it instead of ::write (same
// contract: bytes written, or -1 with errno set).
using WriteFn = long (*)(int fd, const void* data, std::size_t size);
void setReplaceFileWriter(WriteFn fn);

}  // namespace platform
