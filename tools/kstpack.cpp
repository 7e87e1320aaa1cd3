// kstpack IN OUT
// Packs a program file as an update package (".kst"): LZMA "alone" with the
// encoder's default properties and the real 64-bit unpacked size.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "files/lzma_alone.h"
#include "files/update_unpack.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kstpack IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kstpack: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty() || data.size() > kUpdateMaxUnpacked) {
        std::fprintf(stderr, "kstpack: %s is empty or larger than %llu bytes\n", argv[1],
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
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "kstpack: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %zu -> %zu bytes\n", argv[2], data.size(), packed.size());
    return 0;
}
