#include "platform/launcher_sign.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace platform {

LauncherSign signFirstFrame(std::string* reason) {
    const char* value = std::getenv("KESTRUNE_LAUNCHER");
    if (!value || !*value) return LauncherSign::kNotAsked;
    const auto fail = [reason](const std::string& why) {
        if (reason) *reason = why;
        return LauncherSign::kFailed;
    };
    const char* end = value + std::strlen(value);
    pid_t launcher = 0;
    const auto [stop, error] = std::from_chars(value, end, launcher);
    if (error != std::errc() || stop != end || launcher <= 1)
        return fail(std::string("KESTRUNE_LAUNCHER=") + value + " is no process id");
    if (launcher != ::getppid())
        return fail("the launcher (process " + std::string(value) + ") is not this program's parent any more");
    if (::kill(launcher, SIGUSR1) != 0) return fail(std::string("signal to the launcher: ") + std::strerror(errno));
    return LauncherSign::kGiven;
}

}  // namespace platform
