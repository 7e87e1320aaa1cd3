#pragma once
// The resource manifest (assets/resources.txt) as the tests read it: one
// "key file" pair per line, '#' starting a comment.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace manifest {

struct Line {
    std::uint32_t key;
    std::string file;  // under assets/
};

inline std::vector<Line> read() {
    std::vector<Line> lines;
    std::ifstream in(std::string(KS_SOURCE_DIR) + "/assets/resources.txt");
    std::string line;
    while (std::getline(in, line)) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream s(line);
        std::string key, file;
        if (s >> key >> file) lines.push_back({static_cast<std::uint32_t>(std::stoul(key, nullptr, 0)), file});
    }
    return lines;
}

inline std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline std::string assetPath(const std::string& file) { return std::string(KS_SOURCE_DIR) + "/assets/" + file; }

}  // namespace manifest
