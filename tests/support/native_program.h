#pragma once
// A program file this machine runs, for tests: the test program's own ELF header, then `body`.
#include <fstream>
#include <string>

namespace testsupport {
inline std::string nativeProgram(const std::string& body) {
    std::string header(64, '\0');
    std::ifstream("/proc/self/exe", std::ios::binary).read(header.data(), 64);
    return header + body;
}
}  // namespace testsupport
