#include "records/job_records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace jobrec;
using Words = std::vector<std::uint32_t>;

namespace {

Words itemsOf(const Tris::Base& r) {
    return Tris::bytesToWords(r.serialize());
}

std::uint32_t hdr(std::uint32_t tag, std::uint32_t n, bool flag = false) {
    return Tris::makeHeader(tag, flag, n);
}

void pushDouble(Words& w, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    w.push_back(static_cast<std::uint32_t>(bits));
    w.push_back(static_cast<std::uint32_t>(bits >> 32));
}

// Text bytes as they stand in a string item: the bytes, a NUL, zero padding.
void pushText(Words& w, const std::string& s) {
    std::string b = s;
    b.push_back('\0');
    while (b.size() % 4) b.push_back('\0');
    Words t = Tris::bytesToWords(b);
    w.insert(w.end(), t.begin(), t.end());
}

template <class R>
R reread(const R& r) {
    R back;
    Words w = itemsOf(r);
    EXPECT_TRUE(back.parse(w));
    return back;
}

struct TempFile {
    std::string path;
    explicit TempFile(const char* name) : path(std::string(::testing::TempDir()) + name) { std::remove(path.c_str()); }
    ~TempFile() { std::remove(path.c_str()); }
    std::string bytes() const {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

}  // namespace

TEST(records_rotor, DefaultsAndEmptyFile) {
    RotorData d;
    EXPECT_EQ(d.drive, kDriveEnd);
    EXPECT_EQ(d.unbalanceUnit, 1.0);
    EXPECT_TRUE(itemsOf(d).empty());

    TempFile f("job_default.rotor");
    ASSERT_TRUE(d.save(f.path));
    EXPECT_EQ(f.bytes().size(), 0u);

    RotorData fresh;
    ASSERT_TRUE(fresh.load(f.path));
    EXPECT_EQ(fresh.drive, 0x1C73001u);
    EXPECT_EQ(fresh.unbalanceUnit, 1.0);
    EXPECT_TRUE(fresh.planes.empty());
    EXPECT_TRUE(Tris::equalRecords(fresh, RotorData()));

    Plane p;
    EXPECT_EQ(p.mode, 0x1D9C401u);
    EXPECT_EQ(p.mean, 0x1D9C801u);
    EXPECT_EQ(p.positions, 3u);
    EXPECT_EQ(p.density, 7.8);
    EXPECT_TRUE(itemsOf(p).empty());
    EXPECT_TRUE(itemsOf(Measurement()).empty());
    EXPECT_TRUE(itemsOf(Result()).empty());
    EXPECT_TRUE(itemsOf(Vector()).empty());
}

TEST(records_rotor, DefaultPlaneIsOneEmptyItem) {
    RotorData d;
    d.planes.emplace_back();
    EXPECT_EQ(itemsOf(d), (Words{0xE63808u << 7}));

    RotorData back = reread(d);
    ASSERT_EQ(back.planes.size(), 1u);
    EXPECT_EQ(back.planes[0].positions, 3u);
    EXPECT_EQ(back.planes[0].density, 7.8);
    EXPECT_EQ(back.planes[0].mode, kModeAddition);
}

TEST(records_rotor, PlaneFieldsByteExact) {
    RotorData d;
    d.planes.emplace_back();
    d.planes[0].density = 7.8;  // default: not written
    d.planes[0].density = 7.85;
    Words expected{hdr(kPlanes, 3), hdr(kDensity, 2)};
    pushDouble(expected, 7.85);
    EXPECT_EQ(itemsOf(d), expected);

    // Several fields, written in tag order whatever order they were set in.
    Plane p;
    p.trialAngle = 90.0;
    p.channel2 = 4;
    p.mode = kModeRemoval;
    p.mean = kMeanRadialDrilling;
    p.positions = 0;  // differs from the default 3
    Words w{hdr(kChannel2, 1), 4, hdr(kMode, 1), 1, hdr(kMean, 1), 4, hdr(kPositions, 1), 0, hdr(kTrialAngle, 2)};
    pushDouble(w, 90.0);
    EXPECT_EQ(itemsOf(p), w);
    EXPECT_TRUE(Tris::equalRecords(reread(p), p));
}

TEST(records_rotor, DriveChoice) {
    RotorData d;
    d.drive = kDriveBelt;
    EXPECT_EQ(itemsOf(d), (Words{(0xE63804u << 7) | 1, 1}));
    EXPECT_EQ(reread(d).drive, kDriveBelt);
    d.drive = kDriveEnd;
    EXPECT_TRUE(itemsOf(d).empty());
}

TEST(records_rotor, ChoiceOutsideItsGroupSurvives) {
    // A stored mean of 9 is not one of the seven means; it is kept as it stands.
    Words w{hdr(kMean, 1), 9};
    Plane p;
    ASSERT_TRUE(p.parse(w));
    EXPECT_EQ(p.mean, 0x1D9C80Au);
    EXPECT_TRUE(p.unknownWords.empty());
    EXPECT_EQ(itemsOf(p), w);
}

TEST(records_rotor, MeasurementWriteOrderByteExact) {
    Measurement m;
    m.name = "Run 1";
    m.operatorName = "Ivanov";
    m.results.emplace_back();
    m.flag = true;
    m.time = 0x123456789LL;

    Words w{hdr(kRunName, 2)};
    pushText(w, "Run 1");  // 6 bytes with the NUL -> 2 words
    w.push_back(hdr(kRunOperator, 2));
    pushText(w, "Ivanov");
    w.push_back(hdr(kRunResults, 0));          // a default element: empty item
    w.push_back(hdr(kRunFlag, 0, true));        // the flag before the time
    w.push_back(hdr(kRunTime, 2));
    w.push_back(0x23456789u);
    w.push_back(0x1u);
    EXPECT_EQ(itemsOf(m), w);

    Measurement back = reread(m);
    EXPECT_TRUE(Tris::equalRecords(back, m));
    EXPECT_EQ(back.time, 0x123456789LL);

    // A negative time survives as 64 bits.
    Measurement neg;
    neg.time = -2;
    EXPECT_EQ(itemsOf(neg), (Words{hdr(kRunTime, 2), 0xFFFFFFFEu, 0xFFFFFFFFu}));
    EXPECT_EQ(reread(neg).time, -2);
}

TEST(records_rotor, RunWithTwoResults) {
    RotorData d;
    Measurement m;
    m.name = "A";
    Result r1;
    r1.measured = Vector(2.0, 0.5);
    Result r2;
    r2.converted = 3.0;
    m.results = {r1, r2};
    d.runs.push_back(m);

    Words inner1{hdr(kResultMeasured, 6), hdr(kVectorFirst, 2)};
    pushDouble(inner1, 2.0);
    inner1.push_back(hdr(kVectorSecond, 2));
    pushDouble(inner1, 0.5);
    Words inner2{hdr(kResultConverted, 2)};
    pushDouble(inner2, 3.0);

    Words run{hdr(kRunName, 1)};
    pushText(run, "A");
    run.push_back(hdr(kRunResults, static_cast<std::uint32_t>(inner1.size())));
    run.insert(run.end(), inner1.begin(), inner1.end());
    run.push_back(hdr(kRunResults, static_cast<std::uint32_t>(inner2.size())));
    run.insert(run.end(), inner2.begin(), inner2.end());

    Words expected{hdr(kRuns, static_cast<std::uint32_t>(run.size()))};
    expected.insert(expected.end(), run.begin(), run.end());
    EXPECT_EQ(itemsOf(d), expected);

    RotorData back = reread(d);
    ASSERT_EQ(back.runs.size(), 1u);
    ASSERT_EQ(back.runs[0].results.size(), 2u);
    EXPECT_EQ(back.runs[0].results[0].measured.amplitude, 2.0);
    EXPECT_EQ(back.runs[0].results[0].measured.angle, 0.5);
    EXPECT_EQ(back.runs[0].results[1].converted, 3.0);
    EXPECT_TRUE(Tris::equalRecords(back, d));
}

TEST(records_rotor, VectorListsKeepTheirLength) {
    RotorData d;
    d.factors.resize(3);  // three all-default elements
    d.results.emplace_back(1.5, -0.25);
    Words w{hdr(kFactors, 0), hdr(kFactors, 0), hdr(kFactors, 0), hdr(kResults, 6), hdr(kVectorFirst, 2)};
    pushDouble(w, 1.5);
    w.push_back(hdr(kVectorSecond, 2));
    pushDouble(w, -0.25);
    EXPECT_EQ(itemsOf(d), w);
    RotorData back = reread(d);
    EXPECT_EQ(back.factors.size(), 3u);
    ASSERT_EQ(back.results.size(), 1u);
    EXPECT_EQ(back.results[0].angle, -0.25);

    // Appended list commands: clear the factors, erase result 0.
    Words more = w;
    more.insert(more.end(), {hdr(kFactors, 1), Tris::kListClear, hdr(kResults, 2), Tris::kListErase, 0});
    RotorData cleared;
    ASSERT_TRUE(cleared.parse(more));
    EXPECT_TRUE(cleared.factors.empty());
    EXPECT_TRUE(cleared.results.empty());
    EXPECT_TRUE(cleared.unknownWords.empty());
}

TEST(records_rotor, RotorFieldsRoundTrip) {
    RotorData d;
    d.speed = 1200;
    d.direction = true;
    d.mass = 12.5;
    d.drivePulley = 80;
    d.rotorSurface = 160;
    d.permissibleUnbalance = 25.0;
    d.internalFactors = true;
    d.driveCalibration = 20.5;
    d.calibrationRatio = 2.0;
    d.documentNumber = "No. 17";
    d.customer = "Заказчик";
    d.operatorName = "Petrov";
    d.unbalanceUnit = 0.0;
    d.controlRotor = true;
    d.testCompany = std::string(300, 'x');  // escape form
    d.testLocation = "Lab";
    d.planes.resize(2);
    d.planes[1].channel2 = 5;

    Words w = itemsOf(d);
    ASSERT_GE(w.size(), 4u);
    EXPECT_EQ(w[0], hdr(kRotation, 1));
    EXPECT_EQ(w[1], 1200u);
    EXPECT_EQ(w[2], hdr(kDirection, 0, true));
    EXPECT_EQ(w[3], hdr(kRotorMass, 2));

    RotorData back = reread(d);
    EXPECT_TRUE(Tris::equalRecords(back, d));
    EXPECT_EQ(back.customer, "Заказчик");
    EXPECT_EQ(back.testCompany.size(), 300u);
    EXPECT_EQ(back.unbalanceUnit, 0.0);

    TempFile f("job_full.rotor");
    ASSERT_TRUE(d.save(f.path));
    RotorData loaded;
    ASSERT_TRUE(loaded.load(f.path));
    EXPECT_TRUE(Tris::equalRecords(loaded, d));
}

TEST(records_rotor, UnknownItemsKeptAndWrittenFirst) {
    Words w{hdr(kRotation, 1), 900, hdr(0xE63830, 1), 77, hdr(kRotorMass, 1), 5};  // mass with 1 word: refused
    RotorData d;
    ASSERT_TRUE(d.parse(w));
    EXPECT_EQ(d.speed, 900u);
    EXPECT_EQ(d.mass, 0.0);
    EXPECT_EQ(d.unknownWords, (Words{hdr(0xE63830, 1), 77, hdr(kRotorMass, 1), 5}));
    EXPECT_EQ(itemsOf(d), (Words{hdr(0xE63830, 1), 77, hdr(kRotorMass, 1), 5, hdr(kRotation, 1), 900}));

    // The same inside a plane.
    Words pw{hdr(kPlanes, 2), hdr(0x10A481C, 1), 3};
    RotorData withPlane;
    ASSERT_TRUE(withPlane.parse(pw));
    ASSERT_EQ(withPlane.planes.size(), 1u);
    EXPECT_EQ(itemsOf(withPlane), pw);
}

TEST(records_rotor, CopiesAreDeep) {
    RotorData a;
    a.planes.resize(2);
    a.planes[0].radius = 100.0;
    a.runs.emplace_back();
    a.runs[0].results.resize(1);
    a.unknownWords = {hdr(0xE63830, 0)};

    RotorData b = a;
    b.planes[0].radius = 50.0;
    b.planes.pop_back();
    b.runs[0].results[0].converted = 1.0;
    EXPECT_EQ(a.planes.size(), 2u);
    EXPECT_EQ(a.planes[0].radius, 100.0);
    EXPECT_EQ(a.runs[0].results[0].converted, 0.0);
    EXPECT_FALSE(Tris::equalRecords(a, b));

    RotorData c;
    c = a;
    EXPECT_TRUE(Tris::equalRecords(a, c));
    c.unknownWords.clear();
    EXPECT_FALSE(Tris::equalRecords(a, c));
}

TEST(records_rotor, AccessFieldByPath) {
    RotorData d;
    d.planes.emplace_back();

    const std::uint32_t density[] = {kPlanes, 0, kDensity};
    double seen = 0.0;
    unsigned kindSeen = 0;
    Tris::FieldReport report = [&](unsigned kind, const char*, double number, std::uint64_t) {
        kindSeen = kind;
        seen = number;
        return 42u;
    };
    EXPECT_EQ(d.accessField(density, 3, report, nullptr), 42u);
    EXPECT_EQ(kindSeen, 2u);
    EXPECT_EQ(seen, 7.8);
    EXPECT_EQ(d.accessField(density, 3, {}, nullptr), 2u);
    EXPECT_EQ(d.accessField(density, 3, {}, "7.85"), 1u);
    EXPECT_EQ(d.planes[0].density, 7.85);

    // Index 1 of a one-plane list: nothing there.
    const std::uint32_t beyond[] = {kPlanes, 1, kDensity};
    EXPECT_EQ(d.accessField(beyond, 3, {}, nullptr), 0u);
    EXPECT_EQ(d.accessField(beyond, 3, {}, "1"), 0u);
    EXPECT_EQ(d.planes.size(), 1u);

    // Choices answer their TextId and are set from the path's second word.
    const std::uint32_t mean[] = {kPlanes, 0, kMean};
    EXPECT_EQ(d.accessField(mean, 3, {}, nullptr), kMeanArbitrary);
    const std::uint32_t setMode[] = {kPlanes, 0, kMode, kModeCentering};
    EXPECT_EQ(d.accessField(setMode, 4, {}, ""), 1u);
    EXPECT_EQ(d.planes[0].mode, kModeCentering);
    const std::uint32_t drive[] = {kDrive, kDriveBelt};
    EXPECT_EQ(d.accessField(drive, 1, {}, nullptr), kDriveEnd);
    EXPECT_EQ(d.accessField(drive, 2, {}, ""), 1u);
    EXPECT_EQ(d.drive, kDriveBelt);

    // Bools answer 5 / 6 and are set from the second word.
    const std::uint32_t control[] = {kControlRotor, 1};
    EXPECT_EQ(d.accessField(control, 1, {}, nullptr), 6u);
    EXPECT_EQ(d.accessField(control, 2, {}, ""), 1u);
    EXPECT_EQ(d.accessField(control, 1, {}, nullptr), 5u);

    // Integers: set from text through a double, truncated.
    const std::uint32_t speed[] = {kRotation};
    EXPECT_EQ(d.accessField(speed, 1, {}, "1500.9"), 1u);
    EXPECT_EQ(d.speed, 1500u);
    EXPECT_EQ(d.accessField(speed, 1, {}, nullptr), 3u);

    // Texts.
    const std::uint32_t customer[] = {kCustomer};
    EXPECT_EQ(d.accessField(customer, 1, {}, "ООО Ротор"), 1u);
    std::string text;
    d.accessField(customer, 1,
                  [&](unsigned kind, const char* t, double, std::uint64_t) {
                      EXPECT_EQ(kind, 1u);
                      text = t ? t : "";
                      return 1u;
                  },
                  nullptr);
    EXPECT_EQ(text, "ООО Ротор");

    // Unknown tags and empty paths.
    const std::uint32_t unknown[] = {0xE63830};
    EXPECT_EQ(d.accessField(unknown, 1, {}, nullptr), 0u);
    EXPECT_EQ(d.accessField(speed, 0, {}, nullptr), 0u);
}

TEST(records_rotor, RunTimeIs64Bits) {
    Measurement m;
    const std::uint32_t time[] = {kRunTime};
    EXPECT_EQ(m.accessField(time, 1, {}, "1e10"), 1u);
    EXPECT_EQ(m.time, 10000000000LL);
    unsigned kind = 0;
    std::uint64_t value = 0;
    m.accessField(time, 1,
                  [&](unsigned k, const char*, double, std::uint64_t v) {
                      kind = k;
                      value = v;
                      return 1u;
                  },
                  nullptr);
    EXPECT_EQ(kind, 3u);
    EXPECT_EQ(value, 10000000000ULL);
    EXPECT_EQ(itemsOf(m), (Words{hdr(kRunTime, 2), 0x540BE400u, 0x2u}));

    // A time item of one word is refused and kept.
    Measurement bad;
    Words w{hdr(kRunTime, 1), 5};
    ASSERT_TRUE(bad.parse(w));
    EXPECT_EQ(bad.time, 0);
    EXPECT_EQ(bad.unknownWords, w);
}

TEST(records_rotor, RunsThroughRotorPath) {
    RotorData d;
    d.runs.resize(2);
    const std::uint32_t name[] = {kRuns, 1, kRunName};
    EXPECT_EQ(d.accessField(name, 3, {}, "second"), 1u);
    EXPECT_EQ(d.runs[1].name, "second");
    const std::uint32_t flag[] = {kRuns, 0, kRunFlag, 1};
    EXPECT_EQ(d.accessField(flag, 4, {}, ""), 1u);
    EXPECT_TRUE(d.runs[0].flag);
}
