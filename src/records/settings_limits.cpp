#include "records/settings_limits.h"

#include <cmath>
#include <limits>
#include <utility>

#include "records/record.h"

namespace {

// The most sessions the measurer runs for one count.
constexpr double kMostSessions = 100000;
constexpr double kWholePercent = 100.0;
constexpr double kEarliestYear = 1900;
constexpr double kLatestYear = 2100;

// The counts a run divides by or loops over: at least one.
const std::vector<FieldLimit<Config>>& countLimits() {
    static const std::vector<FieldLimit<Config>> table = {
        countLimit(Config::kMeasurementCycles, 1, kMostSessions, &Config::measurementCycles),
        countLimit(Config::kTestMeasurements, 1, kMostSessions, &Config::testMeasurements),
    };
    return table;
}

const std::vector<FieldLimit<Config>>& configLimits() {
    static const std::vector<FieldLimit<Config>> table = [] {
        std::vector<FieldLimit<Config>> t = countLimits();
        const std::pair<std::uint32_t, double Config::*> percentages[] = {
            {Config::kReductionRatio, &Config::reductionRatio},
            {Config::kCompensatorDeviation, &Config::compensatorDeviation},
            {Config::kTorqueInfluence, &Config::torqueInfluence},
            {Config::kAmplitudeDeviation, &Config::amplitudeDeviation},
            {Config::kGainReduceThreshold, &Config::gainReduceThreshold},
            {Config::kGainIncreaseThreshold, &Config::gainIncreaseThreshold},
        };
        for (const auto& [field, member] : percentages)
            t.push_back(realLimit(field, 0.0, kWholePercent, member));
        return t;
    }();
    return table;
}

const std::vector<FieldLimit<Info>>& infoLimits() {
    static const std::vector<FieldLimit<Info>> table = {
        wholeLimit(Info::kYear, kEarliestYear, kLatestYear, &Info::year),
    };
    return table;
}

// The range of `limit` when `record` holds a value outside it.
template <class R>
std::optional<SettingRange> refusal(const FieldLimit<R>* limit, const R& record) {
    if (!limit || limit->holds(limit->valueIn(record))) return std::nullopt;
    return SettingRange{limit->lowest, limit->highest};
}

}  // namespace

bool settingNumberFits(const Config& config, const std::uint32_t* path, int depth, const char* text,
                       std::optional<SettingRange>* range) {
    Config probe = config;
    if (depth < 1 || probe.accessField(path, depth, {}, text) == 0) return true;
    std::optional<SettingRange> refused;
    if (depth == 1) refused = refusal(findLimit(configLimits(), path[0]), probe);
    if (depth == 2 && (path[0] == Config::kMachineInfo || path[0] == Config::kInstrumentInfo))
        refused = refusal(findLimit(infoLimits(), path[1]),
                          path[0] == Config::kMachineInfo ? probe.machineInfo : probe.instrumentInfo);
    if (refused) {
        if (range) *range = refused;
        return false;
    }
    // An integer field keeps the number typed, truncated, or another one.
    double held = std::numeric_limits<double>::quiet_NaN();
    const unsigned kind = probe.accessField(
        path, depth,
        [&held](unsigned k, const char*, double, std::uint64_t integer) {
            held = static_cast<double>(static_cast<std::int64_t>(integer));
            return k;
        },
        nullptr);
    return kind != Tris::kAccessInteger || held == std::trunc(Tris::parseNumber(text));
}

std::vector<RangeFix> bringSettingCountsIntoRange(Config& config) {
    std::vector<RangeFix> fixes;
    bringFieldsIntoRange(config, countLimits(), fixes);
    return fixes;
}
