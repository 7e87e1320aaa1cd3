#include "platform/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

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

std::uintmax_t logSize(const std::string& log) {
    std::error_code ec;
    const std::uintmax_t size = log.empty() ? 0 : std::filesystem::file_size(log, ec);
    return ec ? 0 : size;
}

// What the log holds after `offset`, at most kOutputRead bytes of it; never
// waits on a pipe put in the log's place.
std::string logAfter(const std::string& log, std::uintmax_t offset) {
    std::error_code ec;
    if (log.empty() || !std::filesystem::is_regular_file(log, ec)) return {};
    std::ifstream in(log, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(offset))) return {};
    std::string text(kOutputRead, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace

int runProgram(const std::vector<std::string>& argv, const std::string& outputLog, std::string* error,
               std::string* output) {
    try {
        if (output) output->clear();
        const std::uintmax_t before = output ? logSize(outputLog) : 0;
        const int code = g_runner ? g_runner(argv, outputLog, error) : spawnAndWait(argv, outputLog, error);
        if (output) *output = logAfter(outputLog, before);
        return code;
    } catch (...) {  // out of memory building the argument list
        return fail(error, "cannot start the program");
    }
}

void setProgramRunner(ProgramRunner runner) { g_runner = std::move(runner); }

}  // namespace platform
