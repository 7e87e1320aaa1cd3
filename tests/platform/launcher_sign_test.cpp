// The program's sign of its first frame to the launcher that asked for it:
// only to its parent, and never a failure without a reason.

#include "platform/launcher_sign.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

volatile sig_atomic_t g_signs = 0;

constexpr int kFailedSilently = 9;

// What a child of this process answers with KESTRUNE_LAUNCHER set to `value`
// ("parent": this process, "self": the child's own id; nullptr: unset).
int signOfAChild(const char* value) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::string id = value ? value : "";
        if (id == "parent") id = std::to_string(::getppid());
        if (id == "self") id = std::to_string(::getpid());
        if (value) ::setenv("KESTRUNE_LAUNCHER", id.c_str(), 1);
        else ::unsetenv("KESTRUNE_LAUNCHER");
        std::string reason;
        const platform::LauncherSign sign = platform::signFirstFrame(&reason);
        ::_exit(sign == platform::LauncherSign::kFailed && reason.empty() ? kFailedSilently : static_cast<int>(sign));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(LauncherScriptSign, OnlyToTheParentThatAskedAndNeverSilently) {
    struct sigaction count {}, before{};
    count.sa_handler = [](int) { g_signs = g_signs + 1; };
    ASSERT_EQ(::sigaction(SIGUSR1, &count, &before), 0);
    struct Case {
        const char* value;
        platform::LauncherSign sign;
    } cases[] = {{nullptr, platform::LauncherSign::kNotAsked},
                 {"12x", platform::LauncherSign::kFailed},
                 {"self", platform::LauncherSign::kFailed},
                 {"parent", platform::LauncherSign::kGiven}};
    for (const Case& c : cases) {
        g_signs = 0;
        EXPECT_EQ(signOfAChild(c.value), static_cast<int>(c.sign)) << (c.value ? c.value : "unset");
        EXPECT_EQ(g_signs, c.sign == platform::LauncherSign::kGiven ? 1 : 0) << (c.value ? c.value : "unset");
    }
    ::sigaction(SIGUSR1, &before, nullptr);
}

}  // namespace
