#include "files/update_unpack.h"

#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "files/logger.h"
#include "files/lzma_alone.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"

namespace {

bool refuse(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

// A refusal for the system's reason `err`, which the operator is told.
bool refuseFor(int err, int* systemError, std::string* reason, const std::string& text) {
    if (systemError) *systemError = err;
    return refuse(reason, text);
}

// The process's file-creation mask, read without changing it.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            unsigned v = 0;
            if (std::sscanf(line.c_str() + 6, "%o", &v) == 1) return static_cast<mode_t>(v & 0777);
        }
    }
    return 022;
}

constexpr std::size_t kMinFile = 13 + 5;  // header and the least LZMA data

// What makes a file a program this machine can run: an ELF executable (or
// position-independent executable) of the running program's class, byte
// order and processor.
struct ProgramKind {
    unsigned char elfClass = 0;
    unsigned char byteOrder = 0;
    unsigned machine = 0;
    bool operator==(const ProgramKind& o) const {
        return elfClass == o.elfClass && byteOrder == o.byteOrder && machine == o.machine;
    }
};

// The kind of the ELF executable whose header `bytes` begins; false for
// anything else (a text, a library's object, a truncated header).
bool programKind(const unsigned char* bytes, std::size_t size, ProgramKind& kind) {
    if (size < sizeof(Elf32_Ehdr) || std::memcmp(bytes, ELFMAG, SELFMAG) != 0) return false;
    kind.elfClass = bytes[EI_CLASS];
    kind.byteOrder = bytes[EI_DATA];
    if (kind.elfClass == ELFCLASS64 ? size < sizeof(Elf64_Ehdr) : kind.elfClass != ELFCLASS32) return false;
    if (kind.byteOrder != ELFDATA2LSB && kind.byteOrder != ELFDATA2MSB) return false;
    // e_type and e_machine stand at the same offsets in both classes.
    const auto half = [&](std::size_t at) {
        return kind.byteOrder == ELFDATA2LSB ? bytes[at] | bytes[at + 1] << 8 : bytes[at] << 8 | bytes[at + 1];
    };
    const unsigned type = half(offsetof(Elf64_Ehdr, e_type));
    kind.machine = half(offsetof(Elf64_Ehdr, e_machine));
    return type == ET_EXEC || type == ET_DYN;
}

// The running program's kind, from its own file's header.
bool runningProgramKind(ProgramKind& kind) {
    unsigned char header[sizeof(Elf64_Ehdr)] = {};
    std::ifstream self("/proc/self/exe", std::ios::binary);
    self.read(reinterpret_cast<char*>(header), sizeof header);
    return programKind(header, static_cast<std::size_t>(self.gcount()), kind);
}

// An update that this machine cannot run would leave it without a program.
bool runsHere(const std::vector<unsigned char>& program, std::string* reason) {
    ProgramKind running, update;
    if (!runningProgramKind(running)) return refuse(reason, "the running program's kind is unknown");
    if (!programKind(program.data(), program.size(), update))
        return refuse(reason, "update file damaged: not an executable program");
    if (!(update == running)) return refuse(reason, "update file damaged: a program of another machine");
    return true;
}

bool unpack(const char* path, std::string* reason, int* systemError) {
    if (!path || !*path) return refuse(reason, "no file name");
    std::string refusal;
    std::uint64_t size = 0;
    struct Fd {
        int fd;
        ~Fd() {
            if (fd >= 0) ::close(fd);
        }
    } in{platform::openBoundedFile(path, kUpdateMaxPacked, &refusal, &size)};
    if (in.fd < 0) return refuse(reason, "update file: " + refusal);
    if (size < kMinFile) return refuse(reason, "update file too short");
    std::vector<unsigned char> packed(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < packed.size()) {
        const ssize_t n = ::read(in.fd, packed.data() + got, packed.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got != packed.size()) return refuse(reason, "short read of the update file");

    std::vector<unsigned char> program;
    std::string why;
    if (!lzmaAloneDecode(packed.data(), packed.size(), kUpdateMaxUnpacked, program, &why))
        return refuse(reason, "update file damaged: " + why);
    packed = std::vector<unsigned char>();
    if (!runsHere(program, reason)) return false;

    std::string error;
    if (!platform::replaceFile(
            kUpdateTarget, std::string_view(reinterpret_cast<const char*>(program.data()), program.size()),
            &error)) {
        const int err = errno;
        return refuseFor(err, systemError, reason,
                         "cannot write " + std::string(kUpdateTarget) + ": " + error);
    }
    if (::chmod(kUpdateTarget, 0777 & ~currentUmask()) != 0) {
        const int err = errno;
        return refuseFor(err, systemError, reason,
                         "cannot make " + std::string(kUpdateTarget) + " executable");
    }
    return true;
}

}  // namespace

bool unpackUpdateFile(const char* path, std::string* reason, int* systemError) {
    std::string why;
    bool ok = false;
    if (systemError) *systemError = 0;
    try {
        ok = unpack(path, &why, systemError);
    } catch (...) {  // out of memory: the update is refused, the program goes on
        refuseFor(ENOMEM, systemError, &why, "out of memory");
    }
    if (!ok) {
        // The unpacking belongs to no component with a log of its own.
        logOneLine("dbr", std::string("Unpack update ") + (path ? path : "") + " error: " + why);
    }
    if (reason && !ok) reason->swap(why);
    return ok;
}

bool unpackUpdateFile(const char* path) {
    return unpackUpdateFile(path, nullptr);
}
