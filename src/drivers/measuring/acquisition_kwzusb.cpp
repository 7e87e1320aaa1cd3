// Balancing acquisition of KWZUSB: start of a marker-synchronised conversion,
// reading and parsing the block, gain adjustment for the next block and the
// first-harmonic fit of each channel; and the test-mode read.
//
// Workspace: the block buffer and the revolution angle table are kept from
// block to block (one driver per process, operations called from one thread
// at a time), so a read allocates nothing once the trace vectors have grown.

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "drivers/measuring/acquisition.h"
#include "drivers/common/driver_log_file.h"
#include "drivers/measuring/kwz_gain_rules.h"
#include "drivers/measuring/kwz_usb.h"

namespace TamskKWZv2 {

namespace {

struct AcquisitionWorkspace {
    std::vector<std::uint8_t> block;
    RevolutionTable table;
    AcquisitionWorkspace() { block.reserve(kMaxPacketCount * ADCDataPacket::size); }
};

AcquisitionWorkspace& workspace() {
    static AcquisitionWorkspace ws;
    return ws;
}

using drivers::cformat;

TraceOutputs outputsOf(std::array<std::vector<double>, kAdcChannelCount>& traces, std::vector<double>* marker,
                       std::vector<std::uint32_t>* markerIndices) {
    TraceOutputs out;
    for (unsigned c = 0; c < kAdcChannelCount; ++c) out.channel[c] = &traces[c];
    out.marker = marker;
    out.markerIndices = markerIndices;
    return out;
}

std::string codesLine(const std::array<std::uint8_t, kAdcChannelCount>& c) {
    return cformat("channel1 - %d, channel2 - %d, channel3 - %d, channel4 - %d, channel5 - %d", c[0], c[1], c[2], c[3],
                   c[4]);
}

std::string factorsLine(const std::array<std::uint8_t, kAdcChannelCount>& c) {
    return cformat("channel1 - %s, channel2 - %s, channel3 - %s, channel4 - %s, channel5 - %s",
                   channelGainName(c[0]), channelGainName(c[1]), channelGainName(c[2]), channelGainName(c[3]),
                   channelGainName(c[4]));
}

bool allCodesNamed(const std::array<std::uint8_t, kAdcChannelCount>& c) {
    for (std::uint8_t code : c)
        if (code > 3) return false;
    return true;
}

}  // namespace

bool KWZUSB::setADCStartConversionBalancingMode(double speed, std::uint32_t triggerSource,
                                                std::uint32_t countSignalPeriods, double* dataPeriodInterval) {
    const char* op = "setADCStartConversionBalancingMode";
    opInfo(op, "begin");
    if (!checkReady(op, ADC_Mode::balancing)) return false;
    // A speed that is not a number passes both range comparisons; refuse it too.
    if (!std::isfinite(speed) || speed < kMinBalancingSpeed || speed > kMaxBalancingSpeed) {
        opError(op, "parameter 'speed' invalid!");
        return false;
    }
    // Only the four marker sources synchronise a balancing block; anything
    // else (free running, or no phasor chosen yet) would corrupt register 133.
    if (triggerSource < marker1Optical || triggerSource > marker2Encoder) {
        opError(op, "parameter 'triggerSource' invalid!");
        return false;
    }

    setInProgress(true);
    const std::uint32_t periods = countSignalPeriods != 0 ? countSignalPeriods : kDefaultPeriods;
    std::uint32_t sampleRate = 0, packetCount = 0;
    calcBalancingSampling(speed / 60.0, sampleRate, packetCount, periods);

    if (!layer()->setADCSampleRate(sampleRate)) {
        layerError(op, "setADCSampleRate");
        setInProgress(false);
        return false;
    }
    opInfo(op, cformat("sampleRate - %d", static_cast<int>(sampleRate)));

    if (_instFilter) {
        opInfo(op, "_instFilter = true");
        std::uint8_t filter = 0;
        bool gain = false;
        if (!layer()->getADCFilterGain(filter, gain)) {
            layerError(op, "getADCFilterGain");
            setInProgress(false);
            return false;
        }
        const unsigned gainCode = gain ? 1 : 0;
        highInfo(cformat("getADCFilterGain(), current filter code - %d, current gain code - %d", filter, gainCode));
        highInfo(cformat("getADCFilterGain(), current filter name - %s, current gain factor - %s", filterName(filter),
                         filterGainName(gainCode)));
        const std::uint8_t newFilter = filterCodeForSpeed(speed);
        if (!layer()->setADCFilterGain(newFilter, gain)) {
            layerError(op, "setADCFilterGain");
            setInProgress(false);
            return false;
        }
        opInfo(op, cformat("new filter code - %d, new gain code - %d, current speed - %10.3f", newFilter, gainCode,
                           speed));
        opInfo(op, cformat("new filter name - %s, new gain factor - %s", filterName(newFilter),
                           filterGainName(gainCode)));
    } else {
        opInfo(op, "_instFilter = false");
    }

    const double timeoutMs = blockDurationMs(packetCount, sampleRate);
    const bool started = layer()->setADCConversionControl(packetCount, triggerSource, true, timeoutMs);
    if (!started) {
        layerError(op, "setADCConversionControl");
        setInProgress(false);
    }
    opInfo(op, cformat("packetCount - %d, triggerSource - %d, start - true, getADCDataTimeoutMs - %10.3f",
                       static_cast<int>(packetCount), static_cast<int>(triggerSource), timeoutMs));
    opInfo(op, "end, return Ok");

    if (dataPeriodInterval) {
        *dataPeriodInterval = timeoutMs / periods;
        opInfo(op, cformat("countSignalPeriods - %d, dataPeriodInterval - %10.3f", static_cast<int>(periods),
                           *dataPeriodInterval));
    }
    return started;
}

namespace {

// Steps shared by the balancing and the test read: conversion control, the
// transfer, the parse.  Returns false after its error line.
bool readBlock(KWZUSBLayerT2* layer, const std::function<void(const std::string&)>& info,
                      const std::function<void(const std::string&)>& error,
                      const std::function<void(const char*)>& layerFailed, const TraceOutputs& out) {
    parseADCBlock(nullptr, 0, 0, out);  // clears the outputs
    std::uint32_t packetCount = 0, trigger = 0;
    bool start = false, dataReady = false;
    if (!layer->getADCConversionControl(packetCount, trigger, start, dataReady)) {
        layerFailed("getADCConversionControl");
        return false;
    }
    info(cformat("getADCConversionControl() -> packetCount - %d, triggerSource - %d, start - %d, dataReady - %d",
                 static_cast<int>(packetCount), static_cast<int>(trigger), start ? 1 : 0, dataReady ? 1 : 0));
    // The block buffer is sized by the count the controller reports: never
    // more than a block can hold.
    if (packetCount < kMinPacketCount || packetCount > kMaxPacketCount) {
        error("parameter 'packetCount' invalid!");
        return false;
    }
    AcquisitionWorkspace& ws = workspace();
    ws.block.resize(static_cast<std::size_t>(packetCount) * ADCDataPacket::size);
    if (!layer->getADCData(ws.block.data(), packetCount)) {
        layerFailed("getADCData");
        return false;
    }
    const ParseReport report = parseADCBlock(
        ws.block.data(), ws.block.size(), packetCount, out, [&](std::uint32_t expected, std::uint32_t actual) {
            error(cformat("Out of order of packets! There should be %d, but there is %d.", static_cast<int>(expected),
                          static_cast<int>(actual)));
        });
    if (report.status != ParseStatus::ok) {
        error("packetType != DATA_PACKET");
        return false;
    }
    info(cformat("packetCount - %d, data read - %d", static_cast<int>(packetCount),
                 static_cast<int>(packetCount * ADCDataPacket::samplesPerPacket)));
    return true;
}

}  // namespace

bool KWZUSB::getADCDataBalancingMode(std::array<std::vector<double>, kAdcChannelCount>& traces,
                                     std::vector<double>& marker, std::vector<std::uint32_t>& markerIndices,
                                     std::array<ChannelResult, kAdcChannelCount>& results, GainReport& gains) {
    const char* op = "getADCDataBalancingMode";
    opInfo(op, "begin");
    // A channel not fitted by this read never shows an older result, nor the
    // report a code of an earlier read.
    results.fill(ChannelResult{});
    gains = GainReport{};
    auto fail = [&]() {
        setInProgress(false);
        return false;
    };
    if (!checkReady(op, ADC_Mode::balancing)) return fail();

    auto info = [&](const std::string& text) { opInfo(op, text); };
    auto error = [&](const std::string& text) { opError(op, text); };
    auto layerFailed = [&](const char* call) { layerError(op, call); };
    if (!readBlock(layer(), info, error, layerFailed, outputsOf(traces, &marker, &markerIndices)))
        return fail();

    double peaks[kAdcChannelCount];
    for (unsigned c = 0; c < kAdcChannelCount; ++c) peaks[c] = tracePeak(traces[c]);

    bool gainValid[kAdcChannelCount];
    unsigned scaleCode[kAdcChannelCount];
    if (_instFilter) {
        std::uint8_t filter = 0;
        bool gain = false;
        if (!layer()->getADCFilterGain(filter, gain)) {
            layerError(op, "getADCFilterGain");
            return fail();
        }
        std::uint8_t gainCode = gain ? 1 : 0;
        gains.filterCode = filter;
        gains.filterGain = gainCode;
        opInfo(op, cformat("current gain code - %d", gainCode));
        opInfo(op, cformat("current gain factor - %s", filterGainName(gainCode)));
        double all = 0;
        for (double p : peaks) all = std::max(all, p);
        opInfo(op, cformat("calcAGC(), ampl ch.1 - %10.3f, ampl ch.2 - %10.3f, ampl ch.3 - %10.3f, ampl ch.4 - "
                           "%10.3f, ampl ch.5 - %10.3f",
                           peaks[0], peaks[1], peaks[2], peaks[3], peaks[4]));
        opInfo(op, cformat("calcAGC(), amplitude all - %10.3f", all));
        // The block was measured with the code read, whatever is written now.
        const unsigned scale = gainCode == filterGain10x ? 1 : 0;
        std::uint8_t newCode = gainCode;
        const FilterAGCResult rule = calcFilterAGC(newCode, all);
        if (rule.write) {
            opInfo(op, cformat("new gain code - %d", newCode));
            opInfo(op, cformat("new gain factor - %s", filterGainName(newCode)));
            if (!layer()->setADCFilterGain(filter, newCode != 0)) {
                layerError(op, "setADCFilterGain");
                return fail();
            }
            opInfo(op, "setADCFilterGain(), new gain set is OK");
        }
        // A changed or rewritten gain makes the whole block invalid.
        const bool valid = rule.valid && !rule.write;
        for (unsigned c = 0; c < kAdcChannelCount; ++c) {
            gainValid[c] = valid;
            scaleCode[c] = scale;
        }
    } else {
        std::array<std::uint8_t, kAdcChannelCount> codes{};
        if (!layer()->getADCChannelGain(codes[0], codes[1], codes[2], codes[3], codes[4])) {
            layerError(op, "getADCChannelGain");
            return fail();
        }
        gains.channelGain = codes;
        opInfo(op, "current gain in code");
        opInfo(op, codesLine(codes));
        if (allCodesNamed(codes)) {
            opInfo(op, "current gain in factor");
            opInfo(op, factorsLine(codes));
        }
        std::array<std::uint8_t, kAdcChannelCount> next = codes;
        for (unsigned c = 0; c < kAdcChannelCount; ++c) {
            gainValid[c] = calcAGC(next[c], traces[c], c + 1);
            scaleCode[c] = codes[c];
        }
        opInfo(op, "new gain in code");
        opInfo(op, codesLine(next));
        if (allCodesNamed(next)) {
            opInfo(op, "new gain in factor");
            opInfo(op, factorsLine(next));
        }
        if (!layer()->setADCChannelGain(next[0], next[1], next[2], next[3], next[4])) {
            layerError(op, "setADCChannelGain");
            return fail();
        }
        opInfo(op, "setADCChannelGain(), new gains set is OK");
    }

    // One angle table for the five channels.
    RevolutionTable& table = workspace().table;
    const std::size_t samples = traces[0].size();
    table.build(markerIndices, samples);
    for (unsigned c = 0; c < kAdcChannelCount; ++c) {
        if (!gainValid[c]) {
            opInfo(op, cformat("gainValid%u is false!", c + 1));
            continue;
        }
        ChannelResult& r = results[c];
        double amplitude = 0.0, phase = 0.0;
        r.valid = table.fit(traces[c], scaleCode[c], amplitude, phase);
        if (r.valid) {
            r.amplitude = amplitude;
            r.phase = phase;
        }
        opInfo(op, cformat("MNK result channel %u, valid - %d, amp - %10.3f, phi - %10.3f", c + 1, r.valid ? 1 : 0,
                           r.amplitude, r.phase));
    }

    opInfo(op, "end, return Ok");
    setInProgress(false);
    return true;
}

bool KWZUSB::getADCDataTestMode(std::array<std::vector<double>, kAdcChannelCount>& traces,
                                std::vector<double>& marker, std::array<double, kAdcChannelCount>& amplitudes,
                                GainReport& gains) {
    const char* op = "getADCDataTestMode";
    opInfo(op, "begin");
    gains = GainReport{};
    auto fail = [&]() {
        setInProgress(false);
        return false;
    };
    if (!checkReady(op, ADC_Mode::test)) return fail();

    auto info = [&](const std::string& text) { opInfo(op, text); };
    auto error = [&](const std::string& text) { opError(op, text); };
    auto layerFailed = [&](const char* call) { layerError(op, call); };
    marker.clear();  // a free-running block has no marks to show
    if (!readBlock(layer(), info, error, layerFailed, outputsOf(traces, nullptr, nullptr))) return fail();
    setInProgress(false);

    if (_instFilter) {
        std::uint8_t filter = 0;
        bool gain = false;
        if (!layer()->getADCFilterGain(filter, gain)) {
            layerError(op, "getADCFilterGain");
            return false;
        }
        gains.filterCode = filter;
        gains.filterGain = gain ? 1 : 0;
        opInfo(op, cformat("current gain code - %d", gains.filterGain));
        opInfo(op, cformat("current gain factor - %s", filterGainName(gains.filterGain)));
    } else {
        std::array<std::uint8_t, kAdcChannelCount> codes{};
        if (!layer()->getADCChannelGain(codes[0], codes[1], codes[2], codes[3], codes[4])) {
            layerError(op, "getADCChannelGain");
            return false;
        }
        gains.channelGain = codes;
        opInfo(op, "current gain in code");
        opInfo(op, codesLine(codes));
        if (allCodesNamed(codes)) {
            opInfo(op, "current gain in factor");
            opInfo(op, factorsLine(codes));
        }
    }

    for (unsigned c = 0; c < kAdcChannelCount; ++c) amplitudes[c] = tracePeak(traces[c]);
    opInfo(op, cformat("ampl ch.1 - %10.3f, ampl ch.2 - %10.3f, ampl ch.3 - %10.3f, ampl ch.4 - %10.3f, ampl ch.5 - "
                       "%10.3f",
                       amplitudes[0], amplitudes[1], amplitudes[2], amplitudes[3], amplitudes[4]));
    opInfo(op, "end, return Ok");
    return true;
}

}  // namespace TamskKWZv2
