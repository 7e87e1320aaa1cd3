#pragma once
// The resource manifest ("key file" per line, '#' comments) as the build's
// packing tools read it, the block file they write, and their whole run.
// Each reports what is wrong on stderr under the tool's name.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <iterator>
#include <vector>

#include "../tool_options.h"

namespace manifest {

struct Entry {
    std::uint32_t key = 0;  // 1 .. 2^25 - 1: the store's header keeps 25 bits
    std::string file;       // relative to the assets folder
    int line = 0;
};

// Every entry of the manifest, or false after saying which line is malformed.
inline bool read(const char* tool, const char* path, std::vector<Entry>& entries) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", tool, path);
        return false;
    }
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        line.erase(std::min(line.find('#'), line.size()));
        std::istringstream words(line);
        std::string keyText, file, extra;
        if (!(words >> keyText)) continue;
        if (!(words >> file) || (words >> extra)) {
            std::fprintf(stderr, "%s: %s:%d: expected \"key file\"\n", tool, path, lineNo);
            return false;
        }
        char* end = nullptr;
        const unsigned long key = std::strtoul(keyText.c_str(), &end, 0);
        if (*end != '\0' || key == 0 || key >= (1ul << 25)) {
            std::fprintf(stderr, "%s: %s:%d: bad key \"%s\"\n", tool, path, lineNo, keyText.c_str());
            return false;
        }
        entries.push_back({static_cast<std::uint32_t>(key), file, lineNo});
    }
    return true;
}

// Writes the block whole, or removes what was written and says so.
inline bool writeBlock(const char* tool, const char* path, const std::string& block) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    o.write(block.data(), static_cast<std::streamsize>(block.size()));
    o.close();
    if (o) return true;
    std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
    std::remove(path);
    return false;
}

// A packing tool's whole run, "TOOL MANIFEST ASSETS_DIR OUT": every entry
// `wanted` takes is read from the assets folder and handed to `add` with its
// bytes, which appends it to the block or says why it cannot; the block is
// written whole.  Exit code 0, 1 on any error, 2 on a wrong command line.
template <class Wanted, class Add>
int pack(const char* tool, int argc, char** argv, Wanted wanted, Add add) {
    const std::string usageText = std::string("usage: ") + tool + " MANIFEST ASSETS_DIR OUT\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, usageText.c_str()); rc >= 0) return rc;
    if (argc - optind != 3) return tooloptions::usage(usageText.c_str(), false);
    const char* manifestPath = argv[optind];
    const std::string assetsDir = argv[optind + 1];
    const char* outPath = argv[optind + 2];
    std::vector<Entry> entries;
    if (!read(tool, manifestPath, entries)) return 1;
    std::string block;
    for (const Entry& e : entries) {
        if (!wanted(e)) continue;
        const std::string path = assetsDir + "/" + e.file;
        std::ifstream f(path, std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f.is_open() || f.bad()) {
            std::fprintf(stderr, "%s: %s:%d: cannot read %s\n", tool, manifestPath, e.line, path.c_str());
            return 1;
        }
        if (!add(e, path, data, block)) return 1;
    }
    return writeBlock(tool, outPath, block) ? 0 : 1;
}

}  // namespace manifest
