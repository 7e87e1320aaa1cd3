// welderprobe: opens the first welding controller and prints its firmware
// version and date, status and control word.
//
//   welderprobe [--log DIR] [--sim]
//
// --log DIR  keeps the driver logs in DIR (otherwise they go to a scratch
//            folder that is removed at the end).
// --sim      runs against the simulated welding controller instead of USB, and
//            then drives a jog rotation and a weld through Welder_v3, printing
//            its callbacks.
//
// Exit code 0 when the controller answered, 1 when it could not be opened or
// a register could not be read.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "drivers/common/driver_log_file.h"
#include "drivers/common/driver_timing.h"
#include "drivers/welding/welder_master.h"
#include "drivers/welding/welder_v3.h"
#include "tool_options.h"

#ifdef KS_WELDERPROBE_SIM
#include "support/sim_welder.h"
#endif

using namespace TamskWelder;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The error lines of a driver log, without their timestamp and tag.
void printErrors(const std::string& path) {
    std::istringstream in(slurp(path));
    std::string line;
    const std::string tag = " [Error]       ";
    while (std::getline(in, line)) {
        const auto p = line.find(tag);
        if (p != std::string::npos) std::printf("%s\n", line.c_str() + p + tag.size());
    }
}

int probe(const std::string& logs) {
    WelderMaster master(logs, 2);
    if (!master.isConnected()) {
        printErrors(welderLogPath(logs, "_WelderUSBLL_Log.txt"));
        std::printf("welderprobe: no welding controller could be opened\n");
        return 1;
    }
    WelderFirmwareVersion version;
    WelderFirmwareDate date;
    std::uint32_t status = 0, control = 0;
    int rc = master.getFirmwareVersion(&version);
    if (rc == 0) rc = master.getFirmwareDate(&date);
    if (rc == 0) rc = master.getStatus(&status);
    if (rc == 0) rc = master.getControl(&control);
    if (rc != 0) {
        std::printf("welderprobe: register read failed: %d\n", rc);
        return 1;
    }
    std::printf("firmware version  %u.%u.%u\n", version.major, version.minor, version.build);
    std::printf("firmware date     %04u.%02u.%02u %02u:%02u\n", date.year, date.month, date.day, date.hour,
                date.minute);
    std::printf("status            0x%08x%s%s\n", status,
                (status & kStatusReady) == kStatusReady ? " ready" : " not ready",
                (status & kStatusFinished) ? " finished" : "");
    std::printf("control           0x%08x\n", control);
    return 0;
}

#ifdef KS_WELDERPROBE_SIM
bool waitFor(const std::atomic<int>& counter, int value) {
    for (int i = 0; i < 20000 && counter.load() < value; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return counter.load() >= value;
}

int runSimulatedJobs(const std::string& scratch) {
    std::atomic<int> finished{0}, errors{0};
    WelderOptions options;
    options.parameterFile = scratch + "/welderParameters.ini";
    options.onError = [&](int* code) {
        std::printf("  error callback: %d\n", *code);
        errors.fetch_add(1);
    };
    options.onFinished = [&] {
        std::printf("  finished callback\n");
        finished.fetch_add(1);
    };
    options.onProgress = [](unsigned* p) { std::printf("  progress callback: %u\n", *p); };
    Welder_v3 welder(scratch, 0, options);
    if (!welder.isConnected()) return 1;

    std::printf("jog rotation 90 degrees\n");
    welder.setDiameter(100.0f);
    welder.setJogRotation(90);
    if (!waitFor(finished, 1)) return 1;
    const WelderSetpoints s = welderSetpoints();
    std::printf("  stop angle %u, speed %.4f, control 0x%08x\n", s.stopAngle, s.weldingRotationFrequency,
                s.control);

    std::printf("weld\n");
    welder.setWeldingMode(3);
    welder.setWeldRotation(true);
    welder.setWeldWelding(true);
    if (!waitFor(finished, 2)) return 1;
    welder.setWeldWelding(false);
    std::printf("  state word 0x%02x\n", welder.getState());
    return errors.load() == 0 ? 0 : 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: welderprobe [--log DIR] [--sim]\n";
    static const option kOptions[] = {{"sim", no_argument, nullptr, 's'},
                                      {"log", required_argument, nullptr, 'l'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    bool sim = false;
    std::string logs;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        switch (c) {
            case 's': sim = true; break;
            case 'l': logs = optarg; break;
            default: return tooloptions::usage(kUsage, c == 'h');
        }
    }
    if (optind != argc) return tooloptions::usage(kUsage, false);
    char scratchTemplate[] = "/tmp/welderprobe.XXXXXX";
    const char* scratch = ::mkdtemp(scratchTemplate);
    if (!scratch) {
        std::perror("welderprobe: scratch folder");
        return 1;
    }
    if (logs.empty()) logs = scratch;

    int result = 0;
    if (sim) {
#ifdef KS_WELDERPROBE_SIM
        simwelder::SimWeldingController controller;
        simwelder::ScopedSimWelder install(controller);
        drivers::ScopedDriverTiming fast(drivers::fastDriverTiming(100.0));
        result = probe(logs);
        if (result == 0) result = runSimulatedJobs(scratch);
#else
        std::fprintf(stderr, "welderprobe: built without the simulated controller\n");
        result = 2;
#endif
    } else {
        result = probe(logs);
    }
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    return result;
}
