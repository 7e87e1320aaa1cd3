// respack MANIFEST ASSETS_DIR OUT
// Packs the files named in the manifest ("key file" per line, '#' comments)
// into one resource block: per line the header (key << 7) | 63, the byte
// length, the file's bytes and zero padding to a multiple of 4.  Any missing
// or unreadable file, or a malformed line, is an error (exit code 1).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "../tool_options.h"

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
    std::ifstream manifest(manifestPath);
    if (!manifest) {
        std::fprintf(stderr, "respack: cannot read %s\n", manifestPath);
        return 1;
    }
    std::string out;
    std::string line;
    int lineNo = 0;
    while (std::getline(manifest, line)) {
        ++lineNo;
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::string keyText, file, extra;
        if (!(in >> keyText)) continue;
        if (!(in >> file) || (in >> extra)) {
            std::fprintf(stderr, "respack: %s:%d: expected \"key file\"\n", manifestPath, lineNo);
            return 1;
        }
        std::uint32_t key = 0;
        try {
            std::size_t used = 0;
            const unsigned long v = std::stoul(keyText, &used, 0);
            if (used != keyText.size() || v == 0 || v >= (1ul << 25)) throw 0;
            key = static_cast<std::uint32_t>(v);
        } catch (...) {
            std::fprintf(stderr, "respack: %s:%d: bad key \"%s\"\n", manifestPath, lineNo, keyText.c_str());
            return 1;
        }
        const std::string path = std::string(assetsDir) + "/" + file;
        std::ifstream f(path, std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "respack: %s:%d: cannot read %s\n", manifestPath, lineNo, path.c_str());
            return 1;
        }
        const std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (f.bad() || data.size() > 0xFFFFFFF0u) {
            std::fprintf(stderr, "respack: %s: read error or too large\n", path.c_str());
            return 1;
        }
        putWord(out, (key << 7) | 63);
        putWord(out, static_cast<std::uint32_t>(data.size()));
        out += data;
        out.append((4 - data.size() % 4) % 4, '\0');
    }
    std::ofstream o(outPath, std::ios::binary | std::ios::trunc);
    o.write(out.data(), static_cast<std::streamsize>(out.size()));
    o.close();
    if (!o) {
        std::fprintf(stderr, "respack: cannot write %s\n", outPath);
        std::remove(outPath);
        return 1;
    }
    return 0;
}
