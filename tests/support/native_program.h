#pragma once
// A stand-in for a program file that this machine runs: the test program's
// own ELF header (class, byte order, processor) followed by filler bytes.

#include <fstream>
#include <string>

namespace testsupport {

inline std::string nativeProgram(std::string body) {
    std::string header(64, '\0');
    std::ifstream self("/proc/self/exe", std::ios::binary);
    self.read(header.data(), static_cast<std::streamsize>(header.size()));
    return header + body;
}

}  // namespace testsupport
