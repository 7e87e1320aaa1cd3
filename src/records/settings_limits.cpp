#include "records/settings_limits.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "records/record.h"
#include "records/settings_file.h"

// Read from a file, a number beyond its range is brought to the nearer end
// where that end works as the number did (a count, a time, a threshold, a
// limit); a quantity that results are computed from (an accuracy class, a
// ratio, a drill's point angle, a motor's rated data) takes a new machine's
// value instead, a rated torque below its range the 0 it stood for, and an
// angle its place within a turn (Beyond).

namespace {

using fieldrange::kDensest;
using fieldrange::kFastest;
using fieldrange::kHeaviestRotor;
using fieldrange::kLongest;

constexpr double kMostParts = 1.0e9;      // a service period, rotors balanced
constexpr double kMostSessions = 100000;  // measuring sessions the measurer runs for one count
constexpr double kWholePercent = 100.0;
constexpr double kTurn = 360.0;               // degrees
constexpr double kHalfTurn = 180.0;           // an accuracy of more is none
constexpr double kHour = 3600.0;              // s: the longest time a drive waits, ramps or holds
constexpr double kHighestFrequency = 600.0;   // Hz an inverter puts out
constexpr double kHighestBusAddress = 247;    // of an inverter on the bus (Modbus)
constexpr double kLastErrorBit = 31;          // of the controller's 32-bit error word
constexpr double kMostRevolutions = 1000;     // accumulated before a measurement
constexpr double kMostSpeedSamples = 1000;    // averaged for the mean speed
constexpr double kLongestSpeedPeriod = 60.0;  // s
constexpr double kMostAttempts = 10000;       // of speed stabilization
constexpr double kEncoderSpeedCap = 100;      // rpm: the drive control takes no higher threshold
// The motor's rated data as the measuring controller passes them on (each
// scaled into 16 bits).
constexpr double kMostMotorPower = 600.0;    // kW
constexpr double kMostMotorVoltage = 1000;   // V
constexpr double kMostMotorCurrent = 600.0;  // A
constexpr double kMostMotorSpeed = 60000;    // rpm
constexpr double kMostPoles = 64;
constexpr double kMostMotorSpeedAt50Hz = 10000;  // rpm, as the welding controller takes it
constexpr double kMostTorque = 100000;           // Nm
// The least a balancing machine's drive has: the rated torque of the smallest
// motor that turns one (0.15 kW at 1400 min^-1), through a gear that turns the
// rotor at most twice as fast.  Even so the heaviest rotor of a new machine's
// weight window, 100 kg at R 200, ramps to 1000 min^-1 within 14 minutes.
constexpr double kLeastTorque = 1.0;  // Nm
constexpr double kLeastDriveRatio = 0.5;
// The welding controller's ranges.
constexpr double kMostEncoderResolution = 20000;
constexpr double kLeastWeldRatio = 1.0;
constexpr double kMostWeldRatio = 100.0;
constexpr double kSlowestLine = 100;    // mm/min
constexpr double kFastestLine = 10000;  // mm/min
constexpr double kLongestTack = 60.0;   // s
constexpr double kLightestMaterial = 0.001;  // g/cm³: a thousandth of water's, lighter than any weight

// A settings record's ranged fields and its minimum-maximum pairs.
template <class R>
struct Ranges {
    std::vector<FieldLimit<R>> limits;
    std::vector<FieldPair> pairs;
};

using C = ::Config;
using Tags = settingtags::Config;

const Ranges<C>& configRanges() {
    static const Ranges<C> r = [] {
        Ranges<C> t;
        t.limits = {
            wholeLimit(Tags::kServicePeriod, 1, kMostParts, &C::servicePeriod),
            wholeLimit(Tags::kRotorsBalanced, 0, kMostParts, &C::rotorsBalanced),
            realLimit(Tags::kBalancingAccuracy, 0.01, 1000.0, &C::balancingAccuracy).with(Beyond::kDefault),
            countLimit(Tags::kMeasurementCycles, 1, kMostSessions, &C::measurementCycles),
            countLimit(Tags::kTestMeasurements, 1, kMostSessions, &C::testMeasurements),
            wholeLimit(Tags::kAngleMarkPosition, 0, kTurn, &C::angleMarkPosition).with(Beyond::kSameAngle),
            realLimit(Tags::kAngleAccuracy, 0.1, kHalfTurn, &C::angleAccuracy),
            wholeLimit(Tags::kSpeedBufferSize, 0, kMostSpeedSamples, &C::speedBufferSize),
            realLimit(Tags::kSpeedPeriod, 0.0, kLongestSpeedPeriod, &C::speedPeriod),
            wholeLimit(Tags::kRevolutionsBefore, 0, kMostRevolutions, &C::revolutionsBefore),
            // A point angle of 180 drills no cone; a 0 read is "not set" (the
            // drilling takes the common point angle then).
            realLimit(Tags::kDrillAngle, fieldrange::kNarrowestDrillBit, kHalfTurn - 1.0, &C::drillAngle)
                .with(Beyond::kDefault, true),
            countLimit(Tags::kExtErrorStartBit, kLastErrorBit, &C::extErrorStartBit),
            countLimit(Tags::kExtErrorCount, static_cast<double>(kExtErrorSlots), &C::extErrorCount),
        };
        const std::pair<std::uint32_t, double C::*> percentages[] = {
            {Tags::kReductionRatio, &C::reductionRatio},
            {Tags::kCompensatorDeviation, &C::compensatorDeviation},
            {Tags::kTorqueInfluence, &C::torqueInfluence},
            {Tags::kAmplitudeDeviation, &C::amplitudeDeviation},
            {Tags::kGainReduceThreshold, &C::gainReduceThreshold},
            {Tags::kGainIncreaseThreshold, &C::gainIncreaseThreshold},
        };
        for (const auto& [field, member] : percentages)
            t.limits.push_back(realLimit(field, 0.0, kWholePercent, member));
        // A gain raised above the level at which it is lowered again would swing.
        t.pairs = {{Tags::kGainIncreaseThreshold, Tags::kGainReduceThreshold}};
        return t;
    }();
    return r;
}

const Ranges<LocalConfig>& localRanges() {
    static const Ranges<LocalConfig> r{
        {countLimit(LocalConfig::kRotorsBalanced, kMostParts, &LocalConfig::rotorsBalanced)}, {}};
    return r;
}

const Ranges<Info>& infoRanges() {
    static const Ranges<Info> r{{wholeLimit(Info::kYear, kEarliestYear, kLatestYear, &Info::year)}, {}};
    return r;
}

// A maximum read below its range would leave a window of almost nothing, a
// minimum at its maximum one of a single value.
Ranges<Limit> limitRanges(double leastMinimum, double leastMaximum, double highest) {
    return {{realLimit(Limit::kMinimum, leastMinimum, highest, &Limit::minimum),
             realLimit(Limit::kMaximum, leastMaximum, highest, &Limit::maximum).with(Beyond::kDefault)},
            {{Limit::kMinimum, Limit::kMaximum, true}}};
}
// A rotor weight's minimum may be 0 (none); a speed's is where the run of
// rising speeds starts.
const Ranges<Limit>& weightLimitRanges() {
    static const Ranges<Limit> r = limitRanges(0.0, 0.001, kHeaviestRotor);  // kg
    return r;
}
const Ranges<Limit>& speedLimitRanges() {
    static const Ranges<Limit> r = limitRanges(1.0, 1.0, kFastest);  // rpm
    return r;
}

Ranges<AccDec> accDecRanges(double highest) {
    return {{realLimit(AccDec::kAcceleration, 0.0, highest, &AccDec::acceleration),
             realLimit(AccDec::kDeceleration, 0.0, highest, &AccDec::deceleration)},
            {}};
}
const Ranges<AccDec>& accDecTimeRanges() {
    static const Ranges<AccDec> r = accDecRanges(kHour);  // s
    return r;
}
const Ranges<AccDec>& accDecFactorRanges() {
    static const Ranges<AccDec> r = accDecRanges(100.0);
    return r;
}

// Rated data at a range's end are no motor's: read beyond it, a new machine's.
const Ranges<EngineParams>& engineRanges() {
    using E = EngineParams;
    static const Ranges<E> r = [] {
        Ranges<E> t{{
                        realLimit(E::kRatedPower, 0.01, kMostMotorPower, &E::ratedPower),
                        realLimit(E::kRatedVoltage, 1.0, kMostMotorVoltage, &E::ratedVoltage),
                        realLimit(E::kRatedCurrent, 0.01, kMostMotorCurrent, &E::ratedCurrent),
                        realLimit(E::kRatedFrequency, 1.0, kHighestFrequency, &E::ratedFrequency),
                        realLimit(E::kRatedSpeed, 1.0, kMostMotorSpeed, &E::ratedSpeed),
                        countLimit(E::kPoles, 2, kMostPoles, &E::poles),
                    },
                    {}};
        for (FieldLimit<E>& l : t.limits) l.beyond = Beyond::kDefault;
        return t;
    }();
    return r;
}

// The drive's inverter, curve type and position turn inverter are indexes and
// choices; its autosetting values are what the machine measured.
const Ranges<Drive>& driveRanges() {
    using D = Drive;
    static const Ranges<D> r{
        {
            realLimit(D::kDriveRatio, kLeastDriveRatio, 1000.0, &D::driveRatio).with(Beyond::kDefault),
            realLimit(D::kMaxSpeed, 1.0, kFastest, &D::maxSpeed),
            // 0: no ramp from the rotor (the minimum processing times alone).  Read below
            // 1 N·m it stands for that: -1 ran so, 0.01 is an earlier version's 0 or -1.
            realLimit(D::kRatedTorque, kLeastTorque, kMostTorque, &D::ratedTorque)
                .withZero(Beyond::kZeroBelow),
            // 0: not given (the drive control and the welder go without)
            realLimit(D::kRatedMotorSpeed, 0.0, kMostMotorSpeedAt50Hz, &D::ratedMotorSpeed),
            realLimit(D::kAutotuningFrequency, 0.0, kHighestFrequency, &D::autotuningFrequency),
            countLimit(D::kPulleyDiameter, 1, kLongest, &D::pulleyDiameter),
            realLimit(D::kStabilizationAccuracy, 0.0001, 1.0, &D::stabilizationAccuracy),
            realLimit(D::kStabilizationFactor, 0.0, 1.0, &D::stabilizationFactor),
            countLimit(D::kStabilizationAttempts, kMostAttempts, &D::stabilizationAttempts),
            countLimit(D::kAngleTuningAccuracy, 1, kTurn, &D::angleTuningAccuracy),
            countLimit(D::kPhasorTimeout, 1, kHour, &D::phasorTimeout),
            countLimit(D::kEncoderSpeedThreshold, kEncoderSpeedCap, &D::encoderSpeedThreshold),
            realLimit(D::kPositionTurnSpeed, 0.0, kHighestFrequency, &D::positionTurnSpeed),
            realLimit(D::kPositionTurnAccuracy, 0.1, kHalfTurn, &D::positionTurnAccuracy),
            realLimit(D::kBrakeHoldTime, 0.0, kHour, &D::brakeHoldTime),
            countLimit(D::kExtErrorStartBit, kLastErrorBit, &D::extErrorStartBit),
            countLimit(D::kExtErrorCount, static_cast<double>(kExtErrorSlots), &D::extErrorCount),
            wholeLimit(D::kLineSpeed, kSlowestLine, kFastestLine, &D::lineSpeed),
            wholeLimit(D::kSeamOverlap, 0, kTurn, &D::seamOverlap),
            realLimit(D::kTackTime, 0.01, kLongestTack, &D::tackTime),
            realLimit(D::kTurnSpeed, 0.01, kHighestFrequency, &D::turnSpeed),
            countLimit(D::kEncoderResolution, 1, kMostEncoderResolution, &D::encoderResolution)
                .with(Beyond::kDefault),
            realLimit(D::kEncoderRatio, kLeastWeldRatio, kMostWeldRatio, &D::encoderRatio)
                .with(Beyond::kDefault),
            realLimit(D::kGearRatio, kLeastWeldRatio, kMostWeldRatio, &D::gearRatio).with(Beyond::kDefault),
        },
        {}};
    return r;
}

const Ranges<Inverter>& inverterRanges() {
    // 0: no bus address (the inverter is not handed to the device)
    static const Ranges<Inverter> r{
        {wholeLimit(Inverter::kAddress, 0, kHighestBusAddress, &Inverter::address)}, {}};
    return r;
}

// A sensitivity or ratio of 0 is not given: the channel converts to 0.
const Ranges<Channel>& channelRanges() {
    using Ch = Channel;
    static const Ranges<Ch> r{
        {
            realLimit(Ch::kSensitivity, 0.0, 100000.0, &Ch::sensitivity),  // mV/G
            realLimit(Ch::kAmplifierRatio, 0.0, 1000.0, &Ch::amplifierRatio),
            realLimit(Ch::kPcbRatio, 0.0, 1000.0, &Ch::pcbRatio),
            wholeLimit(Ch::kPhaseShift, -kTurn, kTurn, &Ch::phaseShift).with(Beyond::kSameAngle),
        },
        {}};
    return r;
}

// A material without a density is none (a new material is saved with it); one
// read beyond the range leaves the list (bringSettingsIntoRange).
const Ranges<Material>& materialRanges() {
    static const Ranges<Material> r{
        {realLimit(Material::kDensity, kLightestMaterial, kDensest, &Material::density)}, {}};
    return r;
}

// The path words before a record's fields.
struct Prefix {
    std::uint32_t words[2] = {};
    int depth = 0;
    bool leads(const std::uint32_t* path, int pathDepth) const {
        return pathDepth == depth + 1 && std::equal(words, words + depth, path);
    }
};

// Visits every ranged record of `config` (Config or const Config) with its
// prefix, its default (that of a default Config, or a default element) and
// its ranges.
template <class Cfg, class Visit>
void forEachRanged(Cfg& config, Visit&& visit) {
    static const C defaults;
    visit(Prefix{}, config, defaults, configRanges());
    visit(Prefix{{Tags::kLocal}, 1}, config.local, defaults.local, localRanges());
    visit(Prefix{{Tags::kMachineInfo}, 1}, config.machineInfo, defaults.machineInfo, infoRanges());
    visit(Prefix{{Tags::kInstrumentInfo}, 1}, config.instrumentInfo, defaults.instrumentInfo, infoRanges());
    visit(Prefix{{Tags::kWeightLimit}, 1}, config.weightLimit, defaults.weightLimit, weightLimitRanges());
    visit(Prefix{{Tags::kSpeedLimit}, 1}, config.speedLimit, defaults.speedLimit, speedLimitRanges());
    const std::pair<std::uint32_t, Drive C::*> drives[] = {
        {Tags::kEndDrive, &C::endDrive},
        {Tags::kBeltDrive, &C::beltDrive},
        {Tags::kMillDrive, &C::millDrive},
        {Tags::kWeldDrive, &C::weldDrive},
    };
    for (const auto& [tag, member] : drives) {
        auto& drive = config.*member;
        const Drive& standard = defaults.*member;
        visit(Prefix{{tag}, 1}, drive, standard, driveRanges());
        visit(Prefix{{tag, Drive::kAccDecTime}, 2}, drive.accDecTime, standard.accDecTime,
              accDecTimeRanges());
        visit(Prefix{{tag, Drive::kAccDecFactors}, 2}, drive.accDecFactors, standard.accDecFactors,
              accDecFactorRanges());
        visit(Prefix{{tag, Drive::kEngine}, 2}, drive.engine, standard.engine, engineRanges());
    }
    static const Inverter inverter;
    static const Channel channel;
    static const Material material;
    for (std::size_t i = 0; i < config.inverters.size(); ++i)
        visit(Prefix{{Tags::kInverters, static_cast<std::uint32_t>(i)}, 2}, config.inverters[i], inverter,
              inverterRanges());
    for (std::size_t i = 0; i < config.channels.size(); ++i)
        visit(Prefix{{Tags::kChannels, static_cast<std::uint32_t>(i)}, 2}, config.channels[i], channel,
              channelRanges());
    for (std::size_t i = 0; i < config.materials.size(); ++i)
        visit(Prefix{{Tags::kMaterials, static_cast<std::uint32_t>(i)}, 2}, config.materials[i], material,
              materialRanges());
}

// The range of `limit` in `record`: a pair's lower field up to its upper's
// value, an upper field from its lower's.
template <class R>
SettingRange rangeIn(const R& record, const FieldLimit<R>& limit, const Ranges<R>& ranges) {
    SettingRange r{limit.lowest, limit.highest, limit.wholeNumbers()};
    r.zero = limit.zeroTyped;
    for (const FieldPair& p : ranges.pairs) {
        const FieldLimit<R>* lower = findLimit(ranges.limits, p.lower);
        const FieldLimit<R>* upper = findLimit(ranges.limits, p.upper);
        if (!lower || !upper) continue;
        const double upperValue = upper->valueIn(record), lowerValue = lower->valueIn(record);
        if (limit.field == p.lower && upperValue <= r.highest) {
            r.highest = upperValue;
            r.belowHighest = p.apart;
        }
        if (limit.field == p.upper && lowerValue >= r.lowest) {
            r.lowest = lowerValue;
            r.aboveLowest = p.apart;
        }
    }
    return r;
}

}  // namespace

std::optional<SettingRange> settingRange(const Config& config, const std::uint32_t* path, int depth) {
    std::optional<SettingRange> found;
    if (!path || depth < 1) return found;
    forEachRanged(config, [&](const Prefix& prefix, const auto& record, const auto&, const auto& ranges) {
        if (found || !prefix.leads(path, depth)) return;
        if (const auto* limit = findLimit(ranges.limits, path[depth - 1]))
            found = rangeIn(record, *limit, ranges);
    });
    return found;
}

std::string settingNumberText(double value) {
    return fmt::format("{}", value + 0.0);  // -0 is 0
}

bool settingNumberFits(const Config& config, const std::uint32_t* path, int depth, double value,
                       std::optional<SettingRange>* range) {
    if (depth < 1) return true;
    const std::optional<SettingRange> r = settingRange(config, path, depth);
    if (r && (!r->takes(value) || (r->whole && value != std::trunc(value)))) {
        if (range) *range = r;
        return false;
    }
    // An integer field keeps the number typed, or another one.
    Config probe = config;
    const std::string text = settingNumberText(value);
    if (probe.accessField(path, depth, {}, text.c_str()) == 0)
        return true;  // no number: its setting fails anyway
    double held = std::numeric_limits<double>::quiet_NaN();
    const unsigned kind = probe.accessField(
        path, depth,
        [&held](unsigned k, const char*, double, std::uint64_t integer) {
            held = static_cast<double>(static_cast<std::int64_t>(integer));
            return k;
        },
        nullptr);
    return kind != Tris::kAccessInteger || held == value;
}

std::vector<SettingFix> bringSettingsIntoRange(Config& config) {
    std::vector<SettingFix> fixes;
    // A material whose density is no weight's would be offered with it: a new
    // machine has no such material.
    const FieldLimit<Material>& density = materialRanges().limits.front();
    std::vector<Material> kept;
    for (std::size_t i = 0; i < config.materials.size(); ++i) {
        Material& m = config.materials[i];
        if (density.holds(m.density)) {
            kept.push_back(std::move(m));
            continue;
        }
        const std::vector<std::uint32_t> path = {Tags::kMaterials, static_cast<std::uint32_t>(i),
                                                 density.field};
        fixes.push_back({path, m.density, m.density, true, m.name});
    }
    config.materials = std::move(kept);
    forEachRanged(config,
                  [&fixes](const Prefix& prefix, auto& record, const auto& standard, const auto& ranges) {
                      std::vector<RangeFix> own;
                      bringFieldsIntoRange(record, standard, ranges.limits, own);
                      bringPairsInOrder(record, standard, ranges.limits, ranges.pairs, own);
                      for (const RangeFix& f : own) {
                          SettingFix fix{{prefix.words, prefix.words + prefix.depth}, f.was, f.now};
                          fix.path.push_back(f.field);
                          fixes.push_back(std::move(fix));
                      }
                  });
    return fixes;
}
