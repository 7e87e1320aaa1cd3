// logexport [--roots A:B]
// Runs the log archive export from the current directory (its "logs", ".cfg"
// and "history/") onto the removable drive, printing the progress and the
// result code: 1 written, -1 no drive, -2 not enough space, -3 write failure.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "files/log_archive.h"
#include "platform/removable.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--roots") == 0 && i + 1 < argc) {
            std::vector<std::string> roots;
            const std::string list = argv[++i];
            std::size_t pos = 0;
            while (pos <= list.size()) {
                std::size_t colon = list.find(':', pos);
                if (colon == std::string::npos) colon = list.size();
                if (colon > pos) roots.push_back(list.substr(pos, colon - pos));
                pos = colon + 1;
            }
            platform::setRemovableRoots(roots);
        } else {
            std::fprintf(stderr, "usage: logexport [--roots A:B]\n");
            return 2;
        }
    }
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
    return result.load() == 1 ? 0 : 1;
}
