#include "platform/file_replace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/durable_files.h"

namespace platform {
namespace {

long defaultWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

WriteFn g_write = &defaultWrite;

// The reason stays in errno for callers that tell the operator.
bool fail(std::string* error, const std::string& what, int err) {
    if (error) *error = err != 0 ? what + ": " + std::strerror(err) : what;
    errno = err;
    return false;
}

}  // namespace

void setReplaceFileWriter(WriteFn fn) { g_write = fn ? fn : &defaultWrite; }

namespace {

// Writes all of `size` bytes through the writer; 0, or the system's errno.
int writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const long n = g_write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Writes what `source` gives to a new temporary file beside `path`, flushed
// and closed; its name goes to `tmp`.  On failure nothing is left behind.
bool writeTemporary(const std::string& path, const ContentSource& source, std::string& tmp, std::string* error) {
    if (path.empty()) return fail(error, "empty file name", EINVAL);

    tmp = path + ".tmpXXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return fail(error, "cannot create a temporary file beside " + path, errno);

    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    struct stat st {};
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);

    auto abandon = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return fail(error, what, err);
    };

    int writeError = 0;
    const ContentSink sink = [&](const void* data, std::size_t size) {
        if (writeError == 0) writeError = writeAll(fd, data, size);
        return writeError == 0;
    };
    bool made = false;
    try {
        made = source(sink);
    } catch (...) {  // out of memory while the content is made: no temporary file stays
        ::close(fd);
        ::unlink(tmp.c_str());
        throw;
    }
    if (writeError != 0) return abandon("write error on " + tmp, writeError);
    if (!made) return abandon("the content of " + tmp + " could not be made", 0);
    if (!syncOpenFile(fd)) return abandon("cannot flush " + tmp, errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return fail(error, "cannot close " + tmp, err);
    }
    return true;
}

ContentSource wholeContent(std::string_view content) {
    return [content](const ContentSink& write) { return write(content.data(), content.size()); };
}

}  // namespace

bool replaceFile(const std::string& path, std::string_view content, std::string* error) {
    return replaceFileFrom(path, wholeContent(content), error);
}

bool replaceFileFrom(const std::string& path, const ContentSource& source, std::string* error) {
    std::string tmp;
    if (!writeTemporary(path, source, tmp, error)) return false;
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return fail(error, "cannot rename " + tmp + " to " + path, err);
    }
    // Make the rename itself durable.
    syncFolderOf(path);
    return true;
}

CreateResult createFile(const std::string& path, std::string_view content, std::string* error) {
    std::string tmp;
    if (!writeTemporary(path, wholeContent(content), tmp, error)) return CreateResult::kFailed;
    // A hard link is made only under a free name: no check before, no race.
    const int linked = ::link(tmp.c_str(), path.c_str());
    const int err = errno;
    ::unlink(tmp.c_str());
    if (linked != 0) {
        fail(error, "cannot create " + path, err);
        return err == EEXIST ? CreateResult::kExists : CreateResult::kFailed;
    }
    syncFolderOf(path);
    return CreateResult::kCreated;
}

bool appendToFile(int fd, std::string_view content, bool* pieceLeft) {
    if (pieceLeft) *pieceLeft = false;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0) return false;
    int err = writeAll(fd, content.data(), content.size());
    if (err == 0 && !syncOpenFile(fd)) err = errno != 0 ? errno : EIO;
    if (err == 0) return true;
    // What the file took of it goes again, so that it ends where it ended.
    const bool cut = ::ftruncate(fd, end) == 0 && ::lseek(fd, end, SEEK_SET) == end;
    if (cut) syncOpenFile(fd);
    if (pieceLeft) *pieceLeft = !cut;
    errno = err;
    return false;
}

bool replacesAnotherFile(const std::string& path, const std::string& own) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty() || !fs::exists(fs::symlink_status(path, ec))) return false;
    return own.empty() || !fs::equivalent(path, own, ec);
}

}  // namespace platform
