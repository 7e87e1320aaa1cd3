// kstpack IN OUT
// Packs a program file as an update package (".kst"): LZMA "alone" with the
// encoder's default properties and the real 64-bit unpacked size.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "files/lzma_alone.h"
#include "files/update_unpack.h"
#include "tool_options.h"

int main(int argc, char** argv) {
    static const char* kUsage = "usage: kstpack IN OUT\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 2) return tooloptions::usage(kUsage, false);
    const char* inPath = argv[optind];
    const char* outPath = argv[optind + 1];
    std::ifstream in(inPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kstpack: cannot read %s\n", inPath);
        return 1;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty() || data.size() > kUpdateMaxUnpacked) {
        std::fprintf(stderr, "kstpack: %s is empty or larger than %llu bytes\n", inPath,
                     static_cast<unsigned long long>(kUpdateMaxUnpacked));
        return 1;
    }
    std::string packed;
    if (!lzmaAloneEncode(data, packed)) {
        std::fprintf(stderr, "kstpack: compression failed\n");
        return 1;
    }
    if (packed.size() > kUpdateMaxPacked) {
        std::fprintf(stderr, "kstpack: package larger than %llu bytes\n",
                     static_cast<unsigned long long>(kUpdateMaxPacked));
        return 1;
    }
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "kstpack: cannot write %s\n", outPath);
        return 1;
    }
    std::printf("%s: %zu -> %zu bytes\n", outPath, data.size(), packed.size());
    return 0;
}
