// The bounded whole-file read under every reader of the program: regular
// files up to the reader's limit are read; pipes, devices, folders and files
// over the limit are refused at once with a reason.
#include "platform/bounded_read.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "support/hostile_files.h"
#include "support/watchdog.h"

namespace fs = std::filesystem;

namespace {

class BoundedReads : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ks_bounded_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

bool writeBytes(const std::string& path, std::size_t n) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(n, 'x');
    return static_cast<bool>(out);
}

}  // namespace

TEST_F(BoundedReads, OnlyRegularFilesWithinTheLimitAreRead) {
    constexpr std::uint64_t kLimit = 4096;
    struct Case {
        std::string what;
        std::function<bool(const std::string&)> make;
        bool read;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a file at the limit", [](const std::string& p) { return writeBytes(p, kLimit); }, true, ""},
        {"an empty file", [](const std::string& p) { return writeBytes(p, 0); }, true, ""},
        {"a file one byte over", [](const std::string& p) { return writeBytes(p, kLimit + 1); }, false,
         "too large"},
        {"a folder", [](const std::string& p) { return fs::create_directory(p); }, false, "not a regular file"},
        {"nothing", [](const std::string&) { return true; }, false, "cannot open"},
    };
    for (const auto& h : testsupport::hostileFiles()) {
        const bool huge = h.kind == testsupport::Hostile::hugeFile;
        cases.push_back({h.what, [h](const std::string& p) { return testsupport::makeHostileFile(h.kind, p); },
                         false, huge ? "too large" : "not a regular file"});
    }
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string p = path(("f" + std::to_string(++n)).c_str());
        ASSERT_TRUE(c.make(p));
        std::string content = "old", reason;
        const bool read =
            testsupport::mustEnd(c.what.c_str(), [&] { return platform::readBoundedFile(p, kLimit, content, &reason); });
        EXPECT_EQ(read, c.read);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        if (read) EXPECT_EQ(content, std::string(fs::file_size(p), 'x'));
        if (!read) EXPECT_TRUE(content.empty());
    }
}
