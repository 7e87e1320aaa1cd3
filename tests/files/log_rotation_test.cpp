// A log rotates when a line takes it past the limit, not only when it opens,
// and every logger of the program on that file follows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/logger.h"
#include "support/work_dir.h"

namespace fs = std::filesystem;

namespace {

std::time_t fixedTime() {
    return 1674655387;
}  // 2023-01-25 14:03:07 UTC

TEST(StaleRepliesLogRotation, ALinePastTheLimitRotatesTheFile) {
    const char* tz = std::getenv("TZ");
    const std::string oldTz = tz ? tz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    setLoggerClock(&fixedTime);
    const std::string stamp = "2023.01.25 14:03:07:000 ";
    for (const bool other : {false, true}) {
        SCOPED_TRACE(other ? "with a second logger on the file" : "one logger");
        testwd::WorkDir wd;
        fs::create_directory("logs");
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
        EXPECT_EQ(fs::file_size("logs/machine.1.log"), 4999990u + stamp.size() + 16u);
        std::string fresh = stamp + "Log was created by: 5.137 2023/01/25\r\n";
        if (other) fresh += stamp + "from the other\r\n";
        EXPECT_EQ(testwd::readFile("logs/machine.log"), fresh + stamp + "after\r\n");
    }
    setLoggerClock(nullptr);
    if (tz) {
        ::setenv("TZ", oldTz.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

}  // namespace
