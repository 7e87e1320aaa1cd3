// The settings records: Config and its members, the drive records and the
// list elements, written and read byte-exact; the whole tree round trip.

#include "records/settings_records.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "texts/format.h"
#include "texts/texts.h"

namespace {

using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t H(std::uint32_t tag, std::uint32_t n, bool flag = false) {
    return Tris::makeHeader(tag, flag, n);
}

Words itemsOf(const Tris::Base& r) {
    return Tris::bytesToWords(r.serialize());
}

std::uint32_t lo(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    return static_cast<std::uint32_t>(u);
}
std::uint32_t hi(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    return static_cast<std::uint32_t>(u >> 32);
}

// The tags of the top-level items of a word stream.
std::vector<std::uint32_t> topTags(const Words& w) {
    std::vector<std::uint32_t> tags;
    Tris::ItemReader r(w.data(), w.size());
    Tris::Item it;
    while (r.next(it) == Tris::ItemReader::kItem) tags.push_back(it.tag);
    return tags;
}

// Sets every field of a record (members and list elements too, two elements
// per list) to a value that differs from its default.
void setAllNonDefault(Tris::Base& rec, int salt) {
    const Tris::RecordTable* t = rec.table();
    ASSERT_NE(t, nullptr);
    for (const Tris::FieldDesc& f : *t) {
        switch (f.kind) {
            case Tris::FieldKind::U32:
                f.value<std::uint32_t>(rec) += 7 + salt;
                break;
            case Tris::FieldKind::I32:
                f.value<std::int32_t>(rec) -= 3 + salt;
                break;
            case Tris::FieldKind::I64:
                f.value<std::int64_t>(rec) += 11;
                break;
            case Tris::FieldKind::Double:
                f.value<double>(rec) += 1.25 + salt;
                break;
            case Tris::FieldKind::Bool:
                f.value<bool>(rec) = !f.value<bool>(rec);
                break;
            case Tris::FieldKind::String:
                f.value<std::string>(rec) += "Текст " + std::to_string(salt);
                break;
            case Tris::FieldKind::Choice:
                f.value<std::uint32_t>(rec) += 1;
                break;
            case Tris::FieldKind::Record:
                setAllNonDefault(*f.member(rec), salt + 1);
                break;
            case Tris::FieldKind::List: {
                void* v = f.addr(rec);
                f.list->resize(v, 2);
                setAllNonDefault(*f.list->element(v, 0), salt + 2);
                setAllNonDefault(*f.list->element(v, 1), salt + 3);
                break;
            }
        }
    }
}

std::filesystem::path tempDir() {
    auto d = std::filesystem::temp_directory_path() /
             ("settings_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(d);
    return d;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Tris::clearExcludedTags(); }
    void TearDown() override {
        Tris::clearExcludedTags();
        setLanguage(false);
    }
};

using records_config = SettingsTest;
using records_drive = SettingsTest;
using records_lists = SettingsTest;
using settings_tree = SettingsTest;
using settings_labels = SettingsTest;

// ---- Config -------------------------------------------------------------------

TEST_F(records_config, FreshConfigWritesNothingAndHasItsDefaults) {
    Config c;
    EXPECT_TRUE(itemsOf(c).empty());
    EXPECT_EQ(c.servicePeriod, 100000);
    EXPECT_EQ(c.dataCollection, 0x1CEB401u);
    EXPECT_EQ(c.weightLimit.minimum, 0.1);
    EXPECT_EQ(c.weightLimit.maximum, 100.0);
    EXPECT_EQ(c.speedLimit.minimum, 400.0);
    EXPECT_EQ(c.speedLimit.maximum, 2000.0);
    EXPECT_EQ(Limit().minimum, 0.0);
    EXPECT_EQ(c.machineInfo.serialNumber, "-");
    EXPECT_EQ(c.machineInfo.year, 2020);
    EXPECT_TRUE(c.inverters.empty() && c.channels.empty() && c.extErrors.empty());
    EXPECT_EQ(Config::fields().count, 48u);
    EXPECT_EQ(LocalConfig::fields().count, 13u);
}

TEST_F(records_config, ChoiceStoredAsIndex) {
    Config c;
    c.dataCollection = settings_choice::kVersion2;
    EXPECT_EQ(itemsOf(c), (Words{H(Config::kDataCollection, 1), 1}));
    Config d;
    d.dataCollection = settings_choice::kVersion2;
    ASSERT_TRUE(d.parse({H(Config::kDataCollection, 1), 0}));
    EXPECT_EQ(d.dataCollection, 0x1CEB401u);
    // Read unchecked.
    ASSERT_TRUE(d.parse({H(Config::kDataCollection, 1), 40}));
    EXPECT_EQ(d.dataCollection, 0x1CEB401u + 40);
}

TEST_F(records_config, IntegersFromText) {
    Config c;
    std::uint32_t path[2] = {Config::kMeasurementCycles, 0};
    EXPECT_EQ(c.accessField(path, 1, {}, "7.9"), 1u);
    EXPECT_EQ(c.measurementCycles, 7u);
    c.accessField(path, 1, {}, "abc");
    EXPECT_EQ(c.measurementCycles, 0u);
    c.accessField(path, 1, {}, "-3");
    EXPECT_EQ(c.measurementCycles, 0u);  // unsigned: clamped at 0
    c.accessField(path, 1, {}, "1e30");
    EXPECT_EQ(c.measurementCycles, 4294967295u);
    c.accessField(path, 1, {}, "nan");
    EXPECT_EQ(c.measurementCycles, 0u);
    path[0] = Config::kServicePeriod;  // int s
    c.accessField(path, 1, {}, "-3");
    EXPECT_EQ(c.servicePeriod, -3);
    c.accessField(path, 1, {}, "-1e30");
    EXPECT_EQ(c.servicePeriod, std::numeric_limits<std::int32_t>::min());
    c.accessField(path, 1, {}, "1e30");
    EXPECT_EQ(c.servicePeriod, std::numeric_limits<std::int32_t>::max());
    c.accessField(path, 1, {}, "nan");
    EXPECT_EQ(c.servicePeriod, 0);
    std::uint64_t got = 0;
    c.servicePeriod = -5;
    EXPECT_EQ(c.accessField(
                  path, 1,
                  [&](unsigned k, const char*, double, std::uint64_t i) {
                      got = i;
                      return k + 100;
                  },
                  nullptr),
              103u);
    EXPECT_EQ(static_cast<std::int64_t>(got), -5);
}

TEST_F(records_config, WrongSizedItemKeptAndWrittenFirst) {
    Config c;
    const Words file = {H(Config::kLanguage, 1), 1, H(Config::kBalancingAccuracy, 1), 0x12345678};
    ASSERT_TRUE(c.parse(file));
    EXPECT_EQ(c.language, 1);
    EXPECT_EQ(c.balancingAccuracy, 0.4);
    EXPECT_EQ(c.unknownWords, (Words{H(Config::kBalancingAccuracy, 1), 0x12345678}));
    EXPECT_EQ(itemsOf(c), (Words{H(Config::kBalancingAccuracy, 1), 0x12345678, H(Config::kLanguage, 1), 1}));
}

TEST_F(records_config, SerialNumberDefaultIsDash) {
    Config c;
    c.machineInfo.serialNumber = "-";
    EXPECT_TRUE(itemsOf(c).empty());
    c.machineInfo.serialNumber = "X1";
    EXPECT_EQ(itemsOf(c), (Words{H(Config::kMachineInfo, 2), H(Info::kSerialNumber, 1), 0x00003158}));
    // The Limit members compare with the default Config's members.
    Config l;
    l.speedLimit.maximum = 3000.0;
    EXPECT_EQ(itemsOf(l), (Words{H(Config::kSpeedLimit, 3), H(Limit::kMaximum, 2), lo(3000.0), hi(3000.0)}));
    l.speedLimit = Limit();            // 0.0/0.0 differs from the member defaults: both written
    EXPECT_EQ(itemsOf(l).size(), 7u);  // header and two doubles
}

TEST_F(records_config, EveryFieldInDeclarationOrder) {
    Config c;
    setAllNonDefault(c, 0);
    const Words w = itemsOf(c);
    std::vector<std::uint32_t> expect;
    for (const auto& f : Config::fields()) {
        expect.push_back(f.tag);
        if (f.kind == Tris::FieldKind::List) expect.push_back(f.tag);  // two elements
    }
    EXPECT_EQ(topTags(w), expect);
    // 0x1DD64CE follows 0x1DD6408; 0x1DD64D2 precedes 0x1DD64D1.
    EXPECT_EQ(Config::fields().fields[8].tag, 0x1DD64CEu);
    EXPECT_EQ(Config::fields().fields[7].tag, 0x1DD6408u);
    EXPECT_EQ(Config::fields().fields[11].tag, 0x1DD64D2u);
    EXPECT_EQ(Config::fields().fields[12].tag, 0x1DD64D1u);
    Config back;
    ASSERT_TRUE(back.parse(w));
    EXPECT_TRUE(Tris::equalRecords(c, back));
}

TEST_F(records_config, FlagsAndChoicesThroughPaths) {
    Config c;
    std::uint32_t p[4] = {Config::kEmergencyStop, 0, 0, 0};
    EXPECT_EQ(c.accessField(p, 1, {}, nullptr), 5u);
    EXPECT_EQ(c.accessField(p, 2, {}, "x"), 1u);
    EXPECT_FALSE(c.emergencyStop);
    EXPECT_EQ(c.accessField(p, 1, {}, nullptr), 6u);
    p[0] = Config::kDataCollection;
    p[1] = settings_choice::kVersion2;
    EXPECT_EQ(c.accessField(p, 2, {}, ""), 1u);
    EXPECT_EQ(c.accessField(p, 1, {}, nullptr), settings_choice::kVersion2);
    // Member: [member tag, tag]; list: [list tag, index, tag].
    std::uint32_t m[2] = {Config::kLocal, LocalConfig::kServiceAccess};
    EXPECT_EQ(c.accessField(m, 2, {}, nullptr), 6u);
    std::uint32_t m3[3] = {Config::kLocal, LocalConfig::kServiceAccess, 1};
    EXPECT_EQ(c.accessField(m3, 3, {}, ""), 1u);
    EXPECT_TRUE(c.local.serviceAccess);
    std::uint32_t d[3] = {Config::kEndDrive, Drive::kAccDecTime, AccDec::kAcceleration};
    EXPECT_EQ(c.accessField(d, 3, {}, "3.5"), 1u);
    EXPECT_EQ(c.endDrive.accDecTime.acceleration, 3.5);
    c.channels.resize(1);
    std::uint32_t l[3] = {Config::kChannels, 0, Channel::kSensitivity};
    EXPECT_EQ(c.accessField(l, 3, {}, "100"), 1u);
    EXPECT_EQ(c.channels[0].sensitivity, 100.0);
    l[1] = 1;
    EXPECT_EQ(c.accessField(l, 3, {}, "100"), 0u);
    EXPECT_EQ(c.accessField(l, 3, {}, nullptr), 0u);
    std::uint32_t one[1] = {Config::kChannels};
    EXPECT_EQ(c.accessField(one, 1, {}, nullptr), 0u);
}

// ---- drive records ------------------------------------------------------------

TEST_F(records_drive, DefaultsAndSingleItems) {
    Drive d;
    EXPECT_TRUE(itemsOf(d).empty());
    EXPECT_EQ(Drive::fields().count, 44u);
    d.gearRatio = 59.0;
    EXPECT_EQ(itemsOf(d), (Words{H(0x1C72847, 2), lo(59.0), hi(59.0)}));
    // AccDec 2.0/2.0 inside a Drive equals the member default.
    Drive a;
    a.accDecTime = AccDec(2.0, 2.0);
    EXPECT_TRUE(itemsOf(a).empty());
    a.accDecTime = AccDec();
    EXPECT_EQ(topTags(itemsOf(a)), (Words{0x1C72810}));
    // Write order: 0x1C7283E after 0x1C7280C, 0x1C72839 after 0x1C72817.
    const auto& f = Drive::fields();
    EXPECT_EQ(f.fields[10].tag, 0x1C7280Cu);
    EXPECT_EQ(f.fields[11].tag, 0x1C7283Eu);
    EXPECT_EQ(f.fields[18].tag, 0x1C72817u);
    EXPECT_EQ(f.fields[19].tag, 0x1C72839u);
}

TEST_F(records_drive, UsedPhasorChoice) {
    Drive d;
    ASSERT_TRUE(d.parse({H(Drive::kUsedPhasor, 1), 3}));
    EXPECT_EQ(d.usedPhasor, 0x10C3004u);
    d.usedPhasor = 0x10C3001;
    EXPECT_TRUE(itemsOf(d).empty());
}

TEST_F(records_drive, EngineParamsWritesItsFlagFirst) {
    EngineParams e;
    e.loadParameters = false;
    e.ratedPower = 1.0;
    e.ratedVoltage = 2.0;
    e.ratedCurrent = 3.0;
    e.ratedFrequency = 4.0;
    e.ratedSpeed = 5.0;
    e.poles = 6;
    e.autoAdjusting = 0x1FFB001;
    const Words expect = {
        H(0x1B96408, 0, false),
        H(0x1B96401, 2),
        lo(1.0),
        hi(1.0),
        H(0x1B96402, 2),
        lo(2.0),
        hi(2.0),
        H(0x1B96403, 2),
        lo(3.0),
        hi(3.0),
        H(0x1B96404, 2),
        lo(4.0),
        hi(4.0),
        H(0x1B96405, 2),
        lo(5.0),
        hi(5.0),
        H(0x1B96406, 1),
        6,
        H(0x1B96407, 1),
        0,
    };
    EXPECT_EQ(itemsOf(e), expect);
    EngineParams r;
    ASSERT_TRUE(r.parse(expect));
    EXPECT_TRUE(Tris::equalRecords(e, r));

    EngineParams x;
    ASSERT_TRUE(x.parse({H(0x1B96407, 0)}));
    EXPECT_EQ(x.autoAdjusting, 0x1FFB003u);
    EXPECT_EQ(x.unknownWords, (Words{H(0x1B96407, 0)}));
    ASSERT_TRUE(x.parse({H(0x1B96407, 1), 0}));
    EXPECT_EQ(x.autoAdjusting, 0x1FFB001u);
}

TEST_F(records_drive, AutosettingDataNeedsTwoWords) {
    AutosettingData a;
    const Words bad = {H(0x1F6F001, 1), 5, H(0x1F6F002, 3), 1, 2, 3};
    ASSERT_TRUE(a.parse(bad));
    EXPECT_EQ(a.value1, 0.0);
    EXPECT_EQ(a.value2, 0.0);
    EXPECT_EQ(a.unknownWords, bad);
    EXPECT_EQ(itemsOf(a), bad);
}

TEST_F(records_drive, GapTagsAreKeptFirst) {
    Drive d;
    ASSERT_TRUE(d.parse({H(Drive::kGearRatio, 2), lo(50.0), hi(50.0), H(0x1C72809, 1), 77}));
    EXPECT_EQ(d.gearRatio, 50.0);
    EXPECT_EQ(itemsOf(d), (Words{H(0x1C72809, 1), 77, H(Drive::kGearRatio, 2), lo(50.0), hi(50.0)}));
    for (std::uint32_t gap : {0x1C7280Du, 0x1C72812u, 0x1C72818u, 0x1C72827u, 0x1C72830u, 0x1C72836u}) {
        EXPECT_EQ(Drive::fields().find(gap), nullptr) << std::hex << gap;
    }
}

// ---- list elements --------------------------------------------------------------

TEST_F(records_lists, InvertersAndListCommands) {
    Config c;
    c.inverters.resize(3);
    c.inverters[2].address = 4;
    const Words w = itemsOf(c);
    EXPECT_EQ(w, (Words{H(Config::kInverters, 0), H(Config::kInverters, 0), H(Config::kInverters, 2),
                        H(Inverter::kAddress, 1), 4}));
    Config r;
    ASSERT_TRUE(r.parse(w));
    ASSERT_EQ(r.inverters.size(), 3u);
    EXPECT_EQ(r.inverters[0].inverterType, 0x1793001u);
    EXPECT_EQ(r.inverters[2].address, 4);

    Words erase = w;
    erase.insert(erase.end(), {H(Config::kInverters, 2), Tris::kListErase, 3});
    Config e;
    ASSERT_TRUE(e.parse(erase));
    EXPECT_EQ(e.inverters.size(), 3u);
    EXPECT_EQ(e.unknownWords.size(), 3u);

    // The inverter type needs at least one word.
    Inverter inv;
    ASSERT_TRUE(inv.parse({H(Inverter::kInverterType, 0), H(Inverter::kInverterType, 2), 4, 9}));
    EXPECT_EQ(inv.inverterType, 0x1793005u);
    EXPECT_EQ(inv.unknownWords, (Words{H(Inverter::kInverterType, 0)}));
}

TEST_F(records_lists, FiveDefaultChannels) {
    Config c;
    c.channels.resize(5);
    const Words w = itemsOf(c);
    EXPECT_EQ(w, Words(5, H(Config::kChannels, 0)));
    Config r;
    ASSERT_TRUE(r.parse(w));
    ASSERT_EQ(r.channels.size(), 5u);
    for (const Channel& ch : r.channels) {
        EXPECT_TRUE(Tris::equalRecords(ch, Channel()));
        EXPECT_EQ(ch.gain, 3);
        EXPECT_TRUE(ch.autoGain);
        EXPECT_EQ(ch.amplifierRatio, 0.000305);
    }
}

TEST_F(records_lists, ElementsAndPaths) {
    ExtError e;
    std::uint32_t p[1] = {0x1BDB801};
    EXPECT_EQ(e.accessField(p, 1, {}, "Oil pressure"), 1u);
    EXPECT_EQ(e.message, "Oil pressure");
    p[0] = 0x1BDB802;
    EXPECT_EQ(e.accessField(p, 1, {}, "x"), 0u);
    EXPECT_EQ(e.accessField(p, 1, {}, nullptr), 0u);
    p[0] = 0x1BDB800;
    EXPECT_EQ(e.accessField(p, 1, {}, nullptr), 0u);

    Operator o;
    std::uint32_t pin[1] = {Operator::kPin};
    EXPECT_EQ(o.accessField(pin, 1, {}, "0123"), 1u);
    EXPECT_EQ(o.pin, 123u);
    EXPECT_EQ(o.accessField(pin, 1, {}, nullptr), 3u);

    Material m;
    ASSERT_TRUE(m.parse({H(Material::kDensity, 1), 5, H(Material::kName, 2), 0x6C656574, 0}));
    EXPECT_EQ(m.density, 0.0);
    EXPECT_EQ(m.name, "teel");
    EXPECT_EQ(m.unknownWords.size(), 2u);
}

TEST_F(records_lists, ChannelReadingToG) {
    Channel c;
    c.sensitivity = 100.0;
    c.pcbRatio = 2.0;
    c.amplifierRatio = 0.5;
    EXPECT_DOUBLE_EQ(channelReadingToG(c, 10.0), 10.0 * 1000.0 / 100.0 / 2.0 / 0.5);
    EXPECT_DOUBLE_EQ(channelReadingToG(c, -3.0), -30.0);
    Channel noPcb = c;
    noPcb.pcbRatio = 0.0;
    EXPECT_EQ(channelReadingToG(noPcb, 10.0), 0.0);
    Channel noAmp = c;
    noAmp.amplifierRatio = 0.0;
    EXPECT_EQ(channelReadingToG(noAmp, 10.0), 0.0);
    Channel noSens = c;
    noSens.sensitivity = 0.0;
    EXPECT_EQ(channelReadingToG(noSens, 10.0), 0.0);
    noSens.sensitivity = -5.0;
    EXPECT_EQ(channelReadingToG(noSens, 10.0), 0.0);
    noSens.sensitivity = std::nan("");
    EXPECT_EQ(channelReadingToG(noSens, 10.0), 0.0);
    // A default channel (sensitivity and PCB ratio 0) gives 0, never inf.
    EXPECT_EQ(channelReadingToG(Channel(), 123.0), 0.0);
}

// ---- whole tree ---------------------------------------------------------------

TEST_F(settings_tree, EveryFieldSetSurvivesSaveAndLoad) {
    Config c;
    setAllNonDefault(c, 0);
    EXPECT_EQ(c.endDrive.extErrors.size(), 2u);
    EXPECT_EQ(c.machineInfo.manufacturer.company.substr(0, 10), "Текст");
    // Unknown items at several levels.
    c.unknownWords = {H(0x1DD64F0, 1), 1};
    c.beltDrive.unknownWords = {H(0x1C72809, 0, true)};
    c.millDrive.engine.unknownWords = {H(0x1B96409, 2), 3, 4};
    c.channels[1].unknownWords = {H(0x1DC4809, 63), 5, 0x41414141, 0x41};

    const auto dir = tempDir();
    const auto path = (dir / "tree.cfg").string();
    ASSERT_TRUE(c.save(path));
    Config r;
    ASSERT_TRUE(r.load(path));
    EXPECT_TRUE(Tris::equalRecords(c, r));
    const std::string first = readFile(path);
    ASSERT_TRUE(r.save(path));
    EXPECT_EQ(readFile(path), first);
    // A copy is equal, and changing it leaves the original alone.
    Config copy = r;
    EXPECT_TRUE(Tris::equalRecords(copy, r));
    copy.channels[0].gain = 99;
    copy.millDrive.engine.unknownWords.clear();
    EXPECT_NE(r.channels[0].gain, 99);
    EXPECT_FALSE(r.millDrive.engine.unknownWords.empty());
    std::filesystem::remove_all(dir);
}

TEST_F(settings_tree, ExcludedLocalConfigIsNotWritten) {
    Config c;
    c.local.banner = "KESTRUNE";
    c.local.operatorAccess = true;
    c.language = 1;
    Tris::excludeTag(LocalConfig::kType);
    EXPECT_EQ(itemsOf(c), (Words{H(Config::kLanguage, 1), 1}));
}

// ---- labels (texts of the settings groups) -------------------------------------------

TEST_F(settings_labels, LabelsUnitsAndChoices) {
    setLanguage(false);
    EXPECT_STREQ(textOf(0x1DD641E), "Количество усреднений");
    setLanguage(true);
    EXPECT_STREQ(textOf(0x1DD641E), "Number of measurement cycles (accuracy level)");
    EXPECT_EQ(textOf(0x1DD6402), nullptr);
    EXPECT_EQ(textOf(0x1C7283E), nullptr);
    for (const auto* t : {&Operator::fields(), &ExtError::fields(), &AutosettingData::fields()}) {
        EXPECT_EQ(textOf(t->typeTag), nullptr);
        for (const auto& f : *t) EXPECT_EQ(textOf(f.tag), nullptr) << std::hex << f.tag;
    }
    ASSERT_NE(unitTextOf(0x1DD640C), nullptr);
    EXPECT_STREQ(unitTextOf(0x1DD640C), "min^-1");
    EXPECT_EQ(unitTextOf(0x1DD641E), nullptr);
    const std::uint32_t* a = attrsOf(0x1793005);
    EXPECT_EQ(a[0], 0xDEE000u);
    EXPECT_EQ(a[1], 0u);
    EXPECT_EQ(attrsOf(0x1793008)[0], 0u);
    EXPECT_EQ(textOf(0x10C3006), nullptr);
    EXPECT_EQ(textOf(0x1364004), nullptr);
    setLanguage(false);
    ASSERT_NE(textOf(0x14BCC00), nullptr);
    EXPECT_EQ(ks::format(textOf(0x14BCC00), 0.1, 100.0), "0,1 Â 100");
    setLanguage(true);
    EXPECT_EQ(ks::format(textOf(0x14BCC00), 0.1, 100.0), "0.1 Â 100");
    // Record titles and pair patterns on these group bases.
    ASSERT_NE(textOf(0x1FEF400), nullptr);
    EXPECT_STREQ(textOf(0x1FEF400), "{} Â {}");
    for (TextId base : {0x1B96400u, 0x1DC4800u, 0x1363800u}) {
        ASSERT_NE(textOf(base), nullptr) << std::hex << base;
        EXPECT_NE(*textOf(base), '\0') << std::hex << base;
    }
    EXPECT_STREQ(textOf(0x1363800), "Material");
    EXPECT_EQ(textOf(0x1363802), nullptr);
    ASSERT_NE(unitTextOf(0x1363802), nullptr);
    EXPECT_STREQ(unitTextOf(0x1363802), "g/cm^3");
}

TEST_F(settings_labels, EveryLabelledFieldHasItsText) {
    // Every field of the settings records either has a label in both languages
    // or none in either.
    const Tris::RecordTable* tables[] = {&Config::fields(),       &LocalConfig::fields(), &Contact::fields(),
                                         &Info::fields(),         &Limit::fields(),       &Drive::fields(),
                                         &EngineParams::fields(), &AccDec::fields(),      &Inverter::fields(),
                                         &Channel::fields(),      &Material::fields()};
    for (const auto* t : tables) {
        for (const auto& f : *t) {
            setLanguage(true);
            const char* en = textOf(f.tag);
            setLanguage(false);
            const char* ru = textOf(f.tag);
            EXPECT_EQ(en == nullptr, ru == nullptr) << std::hex << f.tag;
        }
    }
}

}  // namespace

namespace {

// Labels and units of the rotor records and their choice groups, looked up by
// the record layer's tags.
TEST(record_labels, RotorFieldLabelsAndUnits) {
    setLanguage(true);
    ASSERT_NE(unitTextOf(0x10A480A), nullptr);
    EXPECT_STREQ(unitTextOf(0x10A480A), "À|mm");
    ASSERT_NE(unitTextOf(0xE63801), nullptr);
    EXPECT_STREQ(unitTextOf(0xE63801), "min^-1");
    EXPECT_EQ(textOf(0x10A4801), nullptr);
    EXPECT_EQ(textOf(0xE63802), nullptr);
    EXPECT_STREQ(textOf(0x1D9C402), "Removing of masses");
    setLanguage(false);
    EXPECT_STREQ(textOf(0x1D9C402), "Удалением масс");
}

}  // namespace
