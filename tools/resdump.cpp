// resdump [FILE]
// Lists the items of a resource block: key, size and the first bytes.  Without
// a file it lists the block embedded in the program.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource_store.h"
#include "tool_options.h"

int main(int argc, char** argv) {
    static const char* kUsage = "usage: resdump [FILE]\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind > 1) return tooloptions::usage(kUsage, false);
    std::string fileData;
    const unsigned char* block;
    std::size_t size;
    if (optind < argc) {
        std::ifstream f(argv[optind], std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "resdump: cannot read %s\n", argv[optind]);
            return 1;
        }
        fileData.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        block = reinterpret_cast<const unsigned char*>(fileData.data());
        size = fileData.size();
    } else {
        block = static_cast<const unsigned char*>(embeddedResourceBlock());
        size = embeddedResourceBlockSize();
    }
    // Walk the block item by item so that the listing keeps the block's order.
    std::size_t pos = 0, items = 0;
    auto word = [&](std::size_t at) {
        return std::uint32_t(block[at]) | std::uint32_t(block[at + 1]) << 8 | std::uint32_t(block[at + 2]) << 16 |
               std::uint32_t(block[at + 3]) << 24;
    };
    const std::size_t end = size & ~std::size_t{3};
    while (pos + 4 <= end) {
        const std::uint32_t header = word(pos);
        pos += 4;
        std::uint64_t length;
        if ((header & 63) == 63) {
            if (pos + 4 > end) {
                std::printf("damaged: length word missing at byte %zu\n", pos);
                return 1;
            }
            length = word(pos);
            pos += 4;
        } else {
            length = (header & 63) * 4u;
        }
        const std::uint64_t padded = (length + 3) / 4 * 4;
        if (padded > end - pos) {
            std::printf("damaged: item 0x%X announces %llu bytes, %zu left\n", header >> 7,
                        static_cast<unsigned long long>(length), end - pos);
            return 1;
        }
        std::printf("0x%07X %9llu bytes ", header >> 7, static_cast<unsigned long long>(length));
        for (std::uint64_t i = 0; i < 8 && i < length; ++i) std::printf(" %02X", block[pos + i]);
        std::printf("\n");
        pos += padded;
        ++items;
    }
    std::printf("%zu items, %zu bytes\n", items, size);
    return 0;
}
