// respack MANIFEST ASSETS_DIR OUT
// Packs the files named in the manifest ("key file" per line, '#' comments)
// into one resource block: per line the header (key << 7) | 63, the byte
// length, the file's bytes and zero padding to a multiple of 4.  Any missing
// or unreadable file, or a malformed line, is an error (exit code 1).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tool_options.h"
#include "manifest.h"

namespace {

void putWord(std::string& out, std::uint32_t w) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: respack MANIFEST ASSETS_DIR OUT\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 3) return tooloptions::usage(kUsage, false);
    const char* manifestPath = argv[optind];
    const char* assetsDir = argv[optind + 1];
    const char* outPath = argv[optind + 2];
    std::vector<manifest::Entry> entries;
    if (!manifest::read("respack", manifestPath, entries)) return 1;
    std::string out;
    for (const manifest::Entry& e : entries) {
        const std::string path = std::string(assetsDir) + "/" + e.file;
        std::ifstream f(path, std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "respack: %s:%d: cannot read %s\n", manifestPath, e.line, path.c_str());
            return 1;
        }
        const std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (f.bad() || data.size() > 0xFFFFFFF0u) {
            std::fprintf(stderr, "respack: %s: read error or too large\n", path.c_str());
            return 1;
        }
        putWord(out, (e.key << 7) | 63);
        putWord(out, static_cast<std::uint32_t>(data.size()));
        out += data;
        out.append((4 - data.size() % 4) % 4, '\0');
    }
    return manifest::writeBlock("respack", outPath, out) ? 0 : 1;
}
