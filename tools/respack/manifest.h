#pragma once
// The resource manifest ("key file" per line, '#' comments) as the build's
// packing tools read it, and the block file they write.  Both report what is
// wrong on stderr under the tool's name.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace manifest
