// The crash handler: a child that dies of a fatal signal leaves its crash
// file in the logs folder (the signal, where it came from, a backtrace) and
// still dies by that signal.

#include "platform/crash_handler.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;

void faultOnBadAddress() {
    volatile int* bad = reinterpret_cast<volatile int*>(std::uintptr_t{8});
    *bad = 1;
}

TEST(CrashHandler, FaultingChildLeavesItsCrashFileAndDiesByItsSignal) {
    struct Case {
        const char* name;
        int signal;
        void (*crash)();
        bool logsFolderExists;
        const char* origin;
    };
    const Case cases[] = {
        {"segmentation fault", SIGSEGV, faultOnBadAddress, true, "address 0x8\n"},
        {"abort, logs folder made", SIGABRT, [] { std::abort(); }, false, "sent by process "},
        {"raised bus error", SIGBUS, [] { ::raise(SIGBUS); }, true, "sent by process "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testwd::WorkDir dir;
        if (c.logsFolderExists) fs::create_directory("logs");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!platform::installCrashHandler("logs")) ::_exit(99);
            c.crash();
            ::_exit(98);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);

        std::string report;
        int files = 0;
        for (const auto& e : fs::directory_iterator("logs")) {
            const std::string name = e.path().filename().string();
            EXPECT_EQ(name.rfind("crash-", 0), 0u) << name;
            EXPECT_EQ(name.size(), std::string("crash-20230125-120000.txt").size()) << name;
            report = testwd::readFile(e.path());
            ++files;
        }
        EXPECT_EQ(files, 1);
        EXPECT_NE(report.find("signal " + std::to_string(c.signal)), std::string::npos) << report;
        EXPECT_NE(report.find(c.origin), std::string::npos) << report;
        EXPECT_NE(report.find("backtrace:\n"), std::string::npos) << report;
        EXPECT_GT(report.size(), std::string("backtrace:\n").size() + 40) << report;  // frames follow
    }
}

}  // namespace
