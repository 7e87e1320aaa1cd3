#include "files/logger.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/work_dir.h"

namespace fs = std::filesystem;
using testwd::readFile;

namespace {

std::time_t fixedTime() {
    // 2023-01-25 14:03:07 UTC
    return 1674655387;
}

struct logger : ::testing::Test {
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz) oldTz_ = tz, hadTz_ = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        setLoggerClock(&fixedTime);
        fs::create_directory("logs");
    }
    void TearDown() override {
        setLoggerClock(nullptr);
        if (hadTz_)
            ::setenv("TZ", oldTz_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    testwd::WorkDir wd;
    std::string oldTz_;
    bool hadTz_ = false;
};

const std::string kStamp = "2023.01.25 14:03:07:000 ";
const std::string kFirst = kStamp + "Log was created by: 5.137 2023/01/25\r\n";

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t e = text.find("\r\n", pos);
        if (e == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, e - pos));
        pos = e + 2;
    }
    return lines;
}

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

TEST_F(logger, NullNamesGiveNoLoggerAndNullHolderIsSafe) {
    EXPECT_EQ(createLogger(nullptr), nullptr);
    EXPECT_EQ(createLogger(""), nullptr);
    EXPECT_EQ(createLogger("gui"), nullptr);
    LoggerBase* none = nullptr;
    logPrintf(&none, "dropped %d", 1);
    logPrintf(nullptr, "dropped");
    EXPECT_TRUE(fs::is_empty("logs"));
}

TEST_F(logger, PathAndPerLineFromName) {
    LoggerBase* a = createLogger("engine");
    auto* l = dynamic_cast<Logger1*>(a);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->path, "logs/engine.log");
    EXPECT_FALSE(l->perLine);
    EXPECT_EQ(l->fd, -1);
    EXPECT_FALSE(fs::exists("logs/engine.log"));  // not opened by creation
    delete a;
    LoggerBase* b = createLogger("dbr");
    EXPECT_TRUE(dynamic_cast<Logger1*>(b)->perLine);
    delete b;
}

TEST_F(logger, FirstLineOnlyInNewOrEmptyFile) {
    LoggerBase* log = createLogger("calcs");
    log->open(true);
    logPrintf(&log, "value %d %s", 42, "ok");
    log->open(false);
    EXPECT_EQ(readFile("logs/calcs.log"), kFirst + kStamp + "value 42 ok\r\n");

    // Reopening a non-empty file adds no first line.
    log->open(true);
    logPrintf(&log, "again");
    delete log;
    EXPECT_EQ(readFile("logs/calcs.log"), kFirst + kStamp + "value 42 ok\r\n" + kStamp + "again\r\n");

    // An existing empty file gets it.
    testwd::writeFile("logs/api.log", "");
    LoggerBase* api = createLogger("api");
    api->open(true);
    api->open(true);  // already open: nothing happens
    delete api;
    EXPECT_EQ(readFile("logs/api.log"), kFirst);
}

TEST_F(logger, StampIs24CharactersWithZeroMilliseconds) {
    LoggerBase* log = createLogger("machine");
    log->open(true);
    logPrintf(&log, "x");
    delete log;
    auto lines = splitLines(readFile("logs/machine.log"));
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        ASSERT_GE(line.size(), 24u);
        EXPECT_EQ(line.substr(0, 24), kStamp);
        EXPECT_EQ(line.substr(19, 5), ":000 ");
    }
}

TEST_F(logger, RotatesOnlyAboveFiveMillionBytes) {
    testwd::makeSparse("logs/engine.log", 5000000);
    LoggerBase* log = createLogger("engine");
    log->open(true);
    delete log;
    EXPECT_EQ(fs::file_size("logs/engine.log"), 5000000u);
    EXPECT_FALSE(fs::exists("logs/engine.1.log"));

    testwd::makeSparse("logs/engine.log", 5000001);
    testwd::writeFile("logs/engine.1.log", "older generation");
    log = createLogger("engine");
    log->open(true);
    logPrintf(&log, "fresh");
    delete log;
    EXPECT_EQ(fs::file_size("logs/engine.1.log"), 5000001u);  // the old one replaced
    EXPECT_EQ(readFile("logs/engine.log"), kFirst + kStamp + "fresh\r\n");
}

TEST_F(logger, FailedRotationKeepsAppending) {
    testwd::makeSparse("logs/engine.log", 5000001);
    fs::create_directory("logs/engine.1.log");
    fs::create_directory("logs/engine.1.log/inside");  // non-empty: rename over it fails
    LoggerBase* log = createLogger("engine");
    log->open(true);
    logPrintf(&log, "still here");
    delete log;
    std::string text = readFile("logs/engine.log");
    EXPECT_EQ(text.size(), 5000001u + kStamp.size() + 12u);
    EXPECT_EQ(text.substr(5000001), kStamp + "still here\r\n");
}

TEST_F(logger, MissingFolderDropsLinesQuietly) {
    fs::remove("logs");
    LoggerBase* log = createLogger("machine");
    log->open(true);
    EXPECT_EQ(dynamic_cast<Logger1*>(log)->fd, -1);
    logPrintf(&log, "nowhere");
    delete log;
    EXPECT_FALSE(fs::exists("logs"));
    // The next open tries again.
    fs::create_directory("logs");
    log = createLogger("machine");
    log->open(true);
    EXPECT_NE(dynamic_cast<Logger1*>(log)->fd, -1);
    delete log;
}

TEST_F(logger, LongTextIsCutAtCharacterBoundary) {
    std::string text;
    while (text.size() < 2000) text += "\xD0\x96";  // Cyrillic Zhe, 2 bytes
    text = "a" + text;                              // odd offset so a plain byte cut would split a character
    LoggerBase* log = createLogger("measuring");
    log->open(true);
    logPrintf(&log, "%s", text.c_str());
    std::string big(2000, 'z');
    logPrintf(&log, "%s", big.c_str());
    delete log;
    std::string all = readFile("logs/measuring.log");
    auto lines = splitLines(all);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(validUtf8(all));
    EXPECT_LE(lines[1].size() + 2, 511u);
    EXPECT_GE(lines[1].size() + 2, 509u);
    EXPECT_EQ(lines[2].size() + 2, 511u);
    EXPECT_EQ(all.substr(all.size() - 2), "\r\n");
}

TEST_F(logger, PerLineLoggerHoldsNoDescriptor) {
    LoggerBase* log = createLogger("dbr");
    auto* l = dynamic_cast<Logger1*>(log);
    logPrintf(&log, "one");
    EXPECT_EQ(l->fd, -1);
    logPrintf(&log, "two");
    EXPECT_EQ(l->fd, -1);
    delete log;
    EXPECT_EQ(readFile("logs/dbr.log"), kFirst + kStamp + "one\r\n" + kStamp + "two\r\n");

    // Any other logger writes only while opened.
    LoggerBase* other = createLogger("welding");
    logPrintf(&other, "before open");
    delete other;
    EXPECT_FALSE(fs::exists("logs/welding.log"));
}

TEST_F(logger, TwoLoggersOnOneFileKeepLinesWhole) {
    LoggerBase* a = createLogger("api");
    LoggerBase* b = createLogger("api");
    a->open(true);
    b->open(true);
    const int kLines = 2000;
    std::string pa(300, 'A'), pb(300, 'B');
    std::thread ta([&] {
        for (int i = 0; i < kLines; ++i) logPrintf(&a, "%s %d", pa.c_str(), i);
    });
    std::thread tb([&] {
        for (int i = 0; i < kLines; ++i) logPrintf(&b, "%s %d", pb.c_str(), i);
    });
    ta.join();
    tb.join();
    delete a;
    delete b;
    auto lines = splitLines(readFile("logs/api.log"));
    ASSERT_GE(lines.size(), static_cast<std::size_t>(2 * kLines + 1));
    int countA = 0, countB = 0, heads = 0;
    for (const auto& line : lines) {
        ASSERT_EQ(line.substr(0, 24), kStamp);
        std::string body = line.substr(24);
        if (body.rfind("Log was created by: ", 0) == 0) {
            ++heads;
            continue;
        }
        ASSERT_GE(body.size(), 302u);
        char c = body[0];
        ASSERT_TRUE(c == 'A' || c == 'B');
        EXPECT_EQ(body.substr(0, 300), std::string(300, c));
        (c == 'A' ? countA : countB)++;
    }
    EXPECT_EQ(countA, kLines);
    EXPECT_EQ(countB, kLines);
    EXPECT_GE(heads, 1);
    EXPECT_LE(heads, 2);
}

// A log also rotates when a line takes it past the limit (a log that stays
// open, as machine.log, grew without bound), and every logger of the
// program on that file follows.
struct StaleRepliesLogRotation : logger {};

TEST_F(StaleRepliesLogRotation, ALinePastTheLimitRotatesTheFile) {
    for (const bool other : {false, true}) {
        SCOPED_TRACE(other ? "with a second logger on the file" : "one logger");
        testwd::makeSparse("logs/machine.log", 4999990);
        LoggerBase* first = createLogger("machine");
        LoggerBase* second = other ? createLogger("machine") : nullptr;
        first->open(true);
        if (second) second->open(true);
        logPrintf(&first, "past the limit");
        logPrintf(&second, "from the other");
        logPrintf(&first, "after");
        delete first;
        delete second;
        EXPECT_EQ(fs::file_size("logs/machine.1.log"), 4999990u + kStamp.size() + 16u);
        EXPECT_EQ(readFile("logs/machine.log"),
                  kFirst + (other ? kStamp + "from the other\r\n" : "") + kStamp + "after\r\n");
    }
}
