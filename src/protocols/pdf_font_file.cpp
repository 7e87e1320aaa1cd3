#include "protocols/pdf_font_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// libharu 2.3 trusts a font's table directory and reads past the bytes of a
// damaged one, so the directory is checked first: a TrueType header, every
// table inside the bytes, and the tables libharu reads all present.
bool plausibleTrueType(const unsigned char* f, std::size_t size) {
    constexpr std::uint32_t kTrueTypeVersion = 0x00010000, kAppleTrueType = 0x74727565;  // 'true'
    constexpr std::size_t kHeader = 12, kRecord = 16;
    if (size < kHeader) return false;
    const std::uint32_t version = be32(f);
    if (version != kTrueTypeVersion && version != kAppleTrueType) return false;
    const std::size_t tables = std::size_t(f[4]) << 8 | f[5];
    if (kHeader + tables * kRecord > size) return false;
    static const char* const kNeeded[] = {"head", "hhea", "maxp", "hmtx", "cmap", "loca", "glyf", "name", "OS/2"};
    std::size_t found = 0;
    for (std::size_t i = 0; i < tables; ++i) {
        const unsigned char* rec = f + kHeader + i * kRecord;
        const std::uint64_t offset = be32(rec + 8), length = be32(rec + 12);
        if (offset + length > size) return false;
        for (const char* tag : kNeeded)
            if (std::memcmp(rec, tag, 4) == 0) ++found;
    }
    return found == std::size(kNeeded);
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A file name under which libharu can open the bytes; the open descriptor is
// ours to close after the load (libharu keeps its own).
struct FaceFile {
    int fd = -1;
    std::string path;
    bool unlinkAfterLoad = false;
};

FaceFile memoryFile() {
    FaceFile f;
    f.fd = ::memfd_create("kestrune-face.ttf", MFD_CLOEXEC);
    if (f.fd >= 0) f.path = "/proc/self/fd/" + std::to_string(f.fd);
    return f;
}

FaceFile temporaryFile() {
    FaceFile f;
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/kestrune-face-XXXXXX";
    f.fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (f.fd >= 0) {
        f.path = path;
        f.unlinkAfterLoad = true;
    }
    return f;
}

}  // namespace

const char* loadTrueTypeFace(HPDF_Doc doc, const void* data, std::size_t size, FontFileKind kind) {
    if (!data || !plausibleTrueType(static_cast<const unsigned char*>(data), size)) return nullptr;
    FaceFile file = kind == FontFileKind::memory ? memoryFile() : FaceFile{};
    if (file.fd < 0) file = temporaryFile();
    if (file.fd < 0) return nullptr;
    const char* name = nullptr;
    if (writeAll(file.fd, data, size)) name = HPDF_LoadTTFontFromFile(doc, file.path.c_str(), HPDF_TRUE);
    if (file.unlinkAfterLoad) ::unlink(file.path.c_str());
    ::close(file.fd);
    return name;
}
