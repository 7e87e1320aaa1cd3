// kwzprobe: opens the first measuring controller, prints the open messages,
// its firmware version and date, then runs a short driver sequence (firmware,
// inverter state, marker speeds, channel gains) through KWZUSB.
//
//   kwzprobe [--log DIR] [--sim] [--measure RPM]
//
// --log DIR  keeps the driver logs in DIR (otherwise they go to a scratch
//            folder that is removed at the end).
// --sim      runs against the simulated measuring controller instead of USB
//            and prints the wire journal (every register access) at the end.
// --measure RPM  then measures one balancing block at RPM (marker 1, optical)
//            and prints the five channel results; with --sim the block comes
//            from the block generator (five sines, printed first).
//
// Exit code 0 when the controller answered, 1 when it could not be opened or
// a register could not be read.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "drivers/measuring/kwz_usb.h"
#include "drivers/measuring/kwz_usb_hard.h"
#include "tool_options.h"

#ifdef KS_KWZPROBE_SIM
#include "support/acquisition_block.h"
#include "support/sim_measuring.h"
#endif

using namespace TamskKWZv2;

namespace {

void printMessage(const char* source, const char* text) {
    std::printf("%s: %s\n", source ? source : "", text ? text : "");
}

constexpr const char* kUsage = "usage: kwzprobe [--log DIR] [--sim] [--measure RPM]\n";

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

// One balancing block at `rpm`; a read whose gains changed is repeated (a few times).
bool probeMeasure(const std::string& folder, double rpm) {
    KWZUSB driver(nullptr, printMessage, folder, 3);
    if (!driver.connect()) return false;
    driver.setADCMode(ADC_Mode::balancing, false);
    std::array<std::vector<double>, kAdcChannelCount> traces;
    std::vector<double> marker;
    std::vector<std::uint32_t> marks;
    std::array<ChannelResult, kAdcChannelCount> results;
    GainReport gains;
    bool ok = false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        double interval = 0;
        if (!driver.setADCStartConversionBalancingMode(rpm, marker1Optical, 0, &interval) ||
            !driver.getADCDataBalancingMode(traces, marker, marks, results, gains))
            break;
        ok = true;
        bool allValid = true;
        for (const ChannelResult& r : results) allValid = allValid && r.valid;
        std::printf("measure: %.3f rpm, %zu samples per channel, %zu marks, gains %s %s %s %s %s, %.3f ms per turn\n",
                    rpm, traces[0].size(), marks.size(), channelGainName(gains.channelGain[0]),
                    channelGainName(gains.channelGain[1]), channelGainName(gains.channelGain[2]),
                    channelGainName(gains.channelGain[3]), channelGainName(gains.channelGain[4]), interval);
        for (unsigned c = 0; c < kAdcChannelCount; ++c)
            std::printf("measure: channel %u amplitude %.3f phase %.3f %s\n", c + 1, results[c].amplitude,
                        results[c].phase, results[c].valid ? "valid" : "invalid");
        if (allValid) break;
    }
    driver.disconnect();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"sim", no_argument, nullptr, 's'},
                                      {"measure", required_argument, nullptr, 'm'},
                                      {"log", required_argument, nullptr, 'l'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    bool sim = false;
    bool measure = false;
    double measureRpm = 0;
    std::string logDir;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        switch (c) {
            case 's': sim = true; break;
            case 'm': {
                char* end = nullptr;
                measureRpm = std::strtod(optarg, &end);
                if (end == optarg || *end != '\0') return tooloptions::usage(kUsage, false);
                measure = true;
                break;
            }
            case 'l': logDir = optarg; break;
            default: return tooloptions::usage(kUsage, c == 'h');
        }
    }
    if (optind != argc) return tooloptions::usage(kUsage, false);

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
    // Five sines that suit the gains above (10x, 10x, 100x, 100x, 100x).
    std::unique_ptr<simacq::SimBlockSource> blocks;
    if (sim && measure) {
        simacq::BlockSetup blockSetup;
        blockSetup.speedRpm = measureRpm;
        const double amplitude[5] = {1200, 2500, 150, 80, 200};
        const double phase[5] = {30, 90, 150, 210, 300};
        for (unsigned c = 0; c < 5; ++c) {
            blockSetup.channels[c] = {amplitude[c], phase[c], 0.0};
            std::printf("sim: channel %u sine of %.1f counts at 1x (%.3f after the fit's scaling), phase %.1f\n",
                        c + 1, amplitude[c], amplitude[c] * 1000.0, phase[c]);
        }
        blockSetup.noise = 3.0;
        blocks.reset(new simacq::SimBlockSource(*controller, blockSetup));
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
    if (ok && measure) ok = probeMeasure(logDir, measureRpm);

#ifdef KS_KWZPROBE_SIM
    blocks.reset();
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
