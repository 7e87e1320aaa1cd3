// The first frame's sign goes only to the parent that asked for it, and never
// fails without a reason.

#include "platform/launcher_sign.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

static volatile sig_atomic_t g_signs = 0;

TEST(LauncherScriptSign, OnlyToTheParentThatAskedAndNeverSilently) {
    struct sigaction count {}, before{};
    count.sa_handler = [](int) { g_signs = g_signs + 1; };
    ASSERT_EQ(::sigaction(SIGUSR1, &count, &before), 0);
    using platform::LauncherSign;
    const std::pair<const char*, LauncherSign> cases[] = {
        {nullptr, LauncherSign::kNotAsked}, {"12x", LauncherSign::kFailed},
        {"self", LauncherSign::kFailed}, {"parent", LauncherSign::kGiven}};
    for (const auto& [value, sign] : cases) {
        g_signs = 0;
        const pid_t child = ::fork();
        if (child == 0) {  // the program, its launcher's id in KESTRUNE_LAUNCHER
            std::string id = value ? value : "";
            id = id == "parent" ? std::to_string(::getppid()) : id == "self" ? std::to_string(::getpid()) : id;
            value ? ::setenv("KESTRUNE_LAUNCHER", id.c_str(), 1) : ::unsetenv("KESTRUNE_LAUNCHER");
            std::string reason;
            const LauncherSign got = platform::signFirstFrame(&reason);
            ::_exit(got == LauncherSign::kFailed && reason.empty() ? 9 : static_cast<int>(got));
        }
        int status = -1;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        EXPECT_EQ(std::pair(WEXITSTATUS(status), int(g_signs)),
                  std::pair(static_cast<int>(sign), sign == LauncherSign::kGiven ? 1 : 0)) << (value ? value : "unset");
    }
    ::sigaction(SIGUSR1, &before, nullptr);
}
