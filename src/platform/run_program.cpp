#include "platform/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform {
namespace {

ProgramRunner g_runner;

int fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return -1;
}

// Closes what it holds when it goes.
struct SpawnActions {
    posix_spawn_file_actions_t actions;
    int log = -1;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() {
        posix_spawn_file_actions_destroy(&actions);
        if (log >= 0) ::close(log);
    }
};

int spawnAndWait(const std::vector<std::string>& argv, const std::string& outputLog, std::string* error) {
    if (argv.empty() || argv[0].empty()) return fail(error, "no program");
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    SpawnActions sa;
    if (!outputLog.empty())
        sa.log = ::open(outputLog.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    posix_spawn_file_actions_addopen(&sa.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (sa.log >= 0) {
        posix_spawn_file_actions_adddup2(&sa.actions, sa.log, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&sa.actions, sa.log, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&sa.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&sa.actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &sa.actions, nullptr, args.data(), environ);
    if (spawned != 0) return fail(error, argv[0] + ": " + std::strerror(spawned));

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return fail(error, argv[0] + ": waitpid: " + std::strerror(errno));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return fail(error, argv[0] + ": ended by signal " + std::to_string(WTERMSIG(status)));
    return fail(error, argv[0] + ": ended abnormally");
}

}  // namespace

int runProgram(const std::vector<std::string>& argv, const std::string& outputLog, std::string* error) {
    try {
        if (g_runner) return g_runner(argv, outputLog, error);
        return spawnAndWait(argv, outputLog, error);
    } catch (...) {  // out of memory building the argument list
        return fail(error, "cannot start the program");
    }
}

void setProgramRunner(ProgramRunner runner) { g_runner = std::move(runner); }

}  // namespace platform
