// kwzprobe: opens the first measuring controller, prints the open messages,
// its firmware version and date, then runs a short driver sequence (firmware,
// inverter state, marker speeds, channel gains) through KWZUSB.
//
//   kwzprobe [--log DIR] [--sim]
//
// --log DIR  keeps the driver logs in DIR (otherwise they go to a scratch
//            folder that is removed at the end).
// --sim      runs against the simulated measuring controller instead of USB
//            and prints the wire journal (every register access) at the end.
//
// Exit code 0 when the controller answered, 1 when it could not be opened or
// a register could not be read.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "drivers/measuring/kwz_usb.h"
#include "drivers/measuring/kwz_usb_hard.h"

#ifdef KS_KWZPROBE_SIM
#include "support/sim_measuring.h"
#endif

using namespace TamskKWZv2;

namespace {

void printMessage(const char* source, const char* text) {
    std::printf("%s: %s\n", source ? source : "", text ? text : "");
}

int usage() {
    std::fprintf(stderr, "usage: kwzprobe [--log DIR] [--sim]\n");
    return 2;
}

// The link alone: open messages, firmware words.
bool probeLink() {
    KWZUSBHardT2 link(printMessage);
    if (!link.isOpen()) {
        link.close();
        return false;
    }
    std::uint32_t version = 0, date = 0;
    if (link.readFwVersion(version) < 1 || link.readFwDate(date) < 1) {
        link.close();
        return false;
    }
    const FirmwareVersionDate f = decodeFirmware(version, date);
    std::printf("firmware %d.%d.%d, %04d.%02d.%02d %02d:%02d\n", f.major, f.minor, f.build, f.year, f.month, f.day,
                f.hour, f.minute);
    link.close();
    return true;
}

bool probeDriver(const std::string& folder) {
    KWZUSB driver(nullptr, printMessage, folder, 3);
    if (!driver.connect()) return false;
    bool ok = true;
    FirmwareVersionDate f;
    if (driver.getFirmwareVersionDate(&f))
        std::printf("driver: firmware %d.%d.%d\n", f.major, f.minor, f.build);
    else
        ok = false;
    std::uint32_t state = 0;
    if (driver.getInvertorState(state))
        std::printf("driver: inverter state 0x%08X (%s, speed %s)\n", state, (state & 7) == 7 ? "ready" : "not ready",
                    (state & 0x80000000u) ? "reached" : "not reached");
    else
        ok = false;
    for (std::uint32_t m = 0; m < 2; ++m) {
        double optical = 0, encoder = 0;
        const bool o = driver.getMarkerOpticalSpeed(m, optical);
        const bool e = driver.getMarkerEncoderSpeed(m, encoder);
        if (o && e)
            std::printf("driver: marker %u speed optical %.3f rpm, encoder %.3f rpm\n", m + 1, optical, encoder);
        else
            ok = false;
    }
    std::uint8_t c[5] = {};
    if (driver.getADCChannelGain(c[0], c[1], c[2], c[3], c[4]))
        std::printf("driver: channel gains %s %s %s %s %s\n", channelGainName(c[0]), channelGainName(c[1]),
                    channelGainName(c[2]), channelGainName(c[3]), channelGainName(c[4]));
    else
        ok = false;
    driver.disconnect();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool sim = false;
    std::string logDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sim") == 0) {
            sim = true;
        } else if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logDir = argv[++i];
        } else {
            return usage();
        }
    }

#ifdef KS_KWZPROBE_SIM
    std::unique_ptr<sim::SimMeasuringController> controller;
    std::unique_ptr<sim::ScopedUsb01> installed;
    if (sim) {
        controller.reset(new sim::SimMeasuringController());
        controller->setMarkerSpeed(0, true, 1500.0f);
        controller->setMarkerSpeed(0, false, 1499.5f);
        controller->setRegister(REG_ADC_CHANNEL_GAIN, 0x2A5);
        installed.reset(new sim::ScopedUsb01(*controller));
    }
#else
    if (sim) {
        std::fprintf(stderr, "kwzprobe: built without the simulated controller\n");
        return 2;
    }
#endif

    bool scratch = false;
    if (logDir.empty()) {
        std::error_code ec;
        logDir = (std::filesystem::temp_directory_path(ec) / ("kwzprobe." + std::to_string(::getpid()))).string();
        scratch = true;
    }

    bool ok = probeLink();
    if (ok) ok = probeDriver(logDir);

#ifdef KS_KWZPROBE_SIM
    if (controller) {
        std::printf("wire journal:\n%s", controller->journalText().c_str());
    }
#endif
    if (scratch) {
        std::error_code ec;
        std::filesystem::remove_all(logDir, ec);
    }
    return ok ? 0 : 1;
}
