// The program's book of verification-test progress, by history file.
#include "rotor/test_progress.h"

#include <algorithm>
#include <filesystem>
#include <map>

int TestProgress::stepsOf(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < steps.size() ? steps[static_cast<std::size_t>(i)] : 0;
}

void TestProgress::step(int i, int by) {
    if (i < 0) return;
    if (steps.size() <= static_cast<std::size_t>(i)) steps.resize(static_cast<std::size_t>(i) + 1, 0);
    int& s = steps[static_cast<std::size_t>(i)];
    s = std::max(0, s + by);
}

TestProgress& sharedTestProgress(const std::string& path) {
    // Only the interface thread works on a test; the book lives as long as the program.
    static std::map<std::string, TestProgress> book;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return book[ec ? path : absolute.lexically_normal().string()];
}
