// respack MANIFEST ASSETS_DIR OUT
// Packs the files named in the manifest ("key file" per line, '#' comments)
// into one resource block: per line the header (key << 7) | 63, the byte
// length, the file's bytes and zero padding to a multiple of 4.  Any missing
// or unreadable file, or a malformed line, is an error (exit code 1).
#include <cstdint>
#include <cstdio>
#include <string>

#include "manifest.h"

namespace {

void putWord(std::string& out, std::uint32_t w) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
    auto everyEntry = [](const manifest::Entry&) { return true; };
    auto add = [](const manifest::Entry& e, const std::string& path, const std::string& data, std::string& out) {
        if (data.size() > 0xFFFFFFF0u) {
            std::fprintf(stderr, "respack: %s: too large\n", path.c_str());
            return false;
        }
        putWord(out, (e.key << 7) | 63);
        putWord(out, static_cast<std::uint32_t>(data.size()));
        out += data;
        out.append((4 - data.size() % 4) % 4, '\0');
        return true;
    };
    return manifest::pack("respack", argc, argv, everyEntry, add);
}
