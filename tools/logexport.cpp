// logexport [--roots A:B]
// Runs the log archive export from the current directory (its "logs", ".cfg"
// and "history/") onto the removable drive, printing the progress and the
// result code: 1 written, -1 no drive, -2 not enough space, -3 write failure,
// below -1000 a failure for the system's reason it prints.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "files/log_archive.h"
#include "platform/removable.h"
#include "tool_options.h"

int main(int argc, char** argv) {
    static const char* kUsage = "usage: logexport [--roots A:B]\n";
    static const option kOptions[] = {{"roots", required_argument, nullptr, 'r'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        if (c != 'r') return tooloptions::usage(kUsage, c == 'h');
        platform::setRemovableRoots(tooloptions::splitRoots(optarg));
    }
    if (optind != argc) return tooloptions::usage(kUsage, false);
    std::atomic<int> result{0}, percent{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        exportLogsArchive(&result, &percent);
        done.store(true, std::memory_order_release);
    });
    int shown = -1;
    while (!done.load(std::memory_order_acquire)) {
        const int p = percent.load();
        if (p / 10 != shown / 10 || shown < 0) {
            std::printf("progress %d%%\n", p);
            std::fflush(stdout);
            shown = p;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    std::printf("progress %d%%\nresult %d\n", percent.load(), result.load());
    if (const int err = logexport::systemError(result.load())) std::printf("reason %s\n", std::strerror(err));
    return result.load() == 1 ? 0 : 1;
}
