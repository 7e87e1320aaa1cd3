// Rotor files in "db/" and "history/": saving with the end marker and
// padding, loading in the two modes, names, and what failures leave behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/file_replace.h"
#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"
#include "support/hostile_files.h"
#include "support/watchdog.h"

namespace {

using testwd::filesIn;
using testwd::readFile;
using testwd::writeFile;

class RotorFiles : public rotortest::TempWorkDir {};

// A Config whose end drive is active with the default direction false, or
// inactive (the rotor then takes the belt drive, direction true).
void channels(TestConfig& cfg) { cfg.channel(true).channel(true).channels(3); }
std::unique_ptr<Rotor> endDriveRotor(TestConfig& cfg) {
    channels(cfg);
    TestConfig::Drive end;
    end.active = true;
    cfg.endDrive(end);
    return std::make_unique<Rotor>(cfg.get());
}
std::unique_ptr<Rotor> beltDriveRotor(TestConfig& cfg) {
    channels(cfg);
    TestConfig::Drive belt;
    belt.active = true;
    belt.direction = true;
    cfg.beltDrive(belt);
    return std::make_unique<Rotor>(cfg.get());
}

std::uint32_t wordAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t w = 0;
    for (int b = 3; b >= 0; --b) w = (w << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(b)]);
    return w;
}

TEST_F(RotorFiles, EndMarkerAndPaddingBringTheLengthToThePlaneCount) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->data().planes.assign(2, Plane());  // 2 words
    r->data().speed = 900;                // 2 words
    r->data().mass = 5;                   // 3 words
    r->data().permissibleUnbalance = 20;  // 3 words
    ASSERT_EQ(r->data().serialize().size(), 40u);
    ASSERT_TRUE(r->loadRotor("TWO", 0));
    const std::string two = readFile("db/TWO.rotor");
    ASSERT_EQ(two.size(), 50u);  // 40 mod 16 = 8 differs from 2: marker and 6 zero bytes
    EXPECT_EQ(two.substr(0, 40), r->data().serialize());
    EXPECT_EQ(wordAt(two, 40), 0xFFFFFFC0u);
    EXPECT_EQ(two.substr(44), std::string(6, '\0'));

    r->data().planes.assign(8, Plane());
    r->data().mass = 0;
    r->data().permissibleUnbalance = 0;
    r->data().speed = 900;
    ASSERT_EQ(r->data().serialize().size(), 40u);
    ASSERT_TRUE(r->loadRotor("EIGHT", 0));
    EXPECT_EQ(readFile("db/EIGHT.rotor"), r->data().serialize());  // 40 mod 16 = 8: nothing added
    EXPECT_STREQ(r->nameText(false), "TWO");                        // the first given name stays
}

TEST_F(RotorFiles, DatabaseRoundTripIntoAFreshRotorOverAnotherConfig) {
    TestConfig cfgA;
    auto a = endDriveRotor(cfgA);
    ASSERT_FALSE(a->isBeltDrive());
    ASSERT_FALSE(a->rotationDirection());
    a->setName("SHAFT");
    a->data().speed = 1200;
    a->data().planes[0].radius = 80;
    a->data().planes[1].mode = jobrec::kModeRemoval;
    a->data().planes[1].density = 7.85;
    a->data().factors = {Vector(0.05, 0.1), Vector(0.01, -1), Vector(0.02, 2), Vector(0.04, 3)};
    a->data().customer = "ACME";
    a->recordRun(Measurement());
    ASSERT_TRUE(a->loadRotor(nullptr, 0));
    EXPECT_EQ(filesIn("db"), std::vector<std::string>{"SHAFT.rotor"});

    TestConfig cfgB;
    auto b = beltDriveRotor(cfgB);
    ASSERT_TRUE(b->isBeltDrive());
    ASSERT_TRUE(b->rotationDirection());
    b->data().runs.push_back(Measurement());
    ASSERT_TRUE(b->loadRotor("SHAFT.rotor", 1));
    EXPECT_FALSE(b->isBeltDrive());
    EXPECT_FALSE(b->rotationDirection());
    EXPECT_STREQ(b->nameText(false), "SHAFT");
    EXPECT_EQ(b->runCount(), 0);
    EXPECT_FALSE(b->isHistoryActive());
    EXPECT_FALSE(b->isHistoryOpen());
    RotorData expected = a->data();
    expected.runs.clear();
    expected.results.clear();
    EXPECT_TRUE(Tris::equalRecords(b->data(), expected));
}

TEST_F(RotorFiles, HistoryFileOpensAsAHistoryRotorWithItsRuns) {
    std::filesystem::create_directory("history");
    RotorData d;
    d.planes.assign(2, Plane());
    d.planes[0].radius = 50;
    Measurement m;
    m.results.resize(2);
    m.results[0].unbalance = Vector(40, 1.0);
    d.runs = {Measurement(), m};
    ASSERT_TRUE(d.save("history/ABC_2023.rotor"));

    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    ASSERT_TRUE(r->loadRotor("ABC_2023.rotor", 2));
    EXPECT_STREQ(r->nameText(false), "ABC");
    EXPECT_STREQ(r->nameText(true), "ABC_2023.rotor");
    EXPECT_TRUE(r->isHistoryActive());
    EXPECT_EQ(r->runCount(), 2);
    EXPECT_EQ(r->currentRun(), 1);
    EXPECT_DOUBLE_EQ(r->correctionAmount(0, true), 40);  // the last run is current and computed
    EXPECT_DOUBLE_EQ(r->correctionAmount(0, false), 0.8);

    // A history rotor is recomputed without writing anything back.
    EXPECT_FALSE(r->reloadAndCompute());
    EXPECT_FALSE(std::filesystem::exists("db"));

    // Reopened, further items go to that file; the text change too.
    r->openHistory();
    ASSERT_TRUE(r->isHistoryOpen());
    r->setRecordedText(jobrec::kCustomer, "Initech");
    EXPECT_TRUE(r->closeHistoryFile());
    EXPECT_FALSE(r->closeHistoryFile());
    RotorData back;
    ASSERT_TRUE(back.load("history/ABC_2023.rotor"));
    EXPECT_EQ(back.customer, "Initech");
    EXPECT_EQ(back.runs.size(), 2u);

    // With the file closed, a text change is appended to the rotor's own file.
    r->setRecordedText(jobrec::kDocumentNumber, "77");
    RotorData again;
    ASSERT_TRUE(again.load("history/ABC_2023.rotor"));
    EXPECT_EQ(again.documentNumber, "77");
}

TEST_F(RotorFiles, NamesWithUnderscoresSurviveADatabaseRoundTrip) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("PUMP_A");
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    TestConfig cfg2;
    auto b = endDriveRotor(cfg2);
    b->setName("OTHER");
    ASSERT_TRUE(b->loadRotor("PUMP_A.rotor", 1));
    EXPECT_STREQ(b->nameText(false), "PUMP_A");
    ASSERT_TRUE(b->loadRotor(nullptr, 0));
    EXPECT_EQ(filesIn("db"), std::vector<std::string>{"PUMP_A.rotor"});
    // A null name in a load mode reads the rotor's own database file.
    b->data().speed = 1;
    EXPECT_TRUE(b->loadRotor(nullptr, 1));
    EXPECT_EQ(b->data().speed, 0u);
}

TEST_F(RotorFiles, FileNamesAreMadeSafeAndBadNamesRefused) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("../evil/x");
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    EXPECT_EQ(filesIn("db"), std::vector<std::string>{".._evil_x.rotor"});
    EXPECT_STREQ(r->nameText(false), "../evil/x");

    r->setName("");
    EXPECT_FALSE(r->loadRotor(nullptr, 0));
    EXPECT_FALSE(r->loadRotor("..", 0));
    EXPECT_FALSE(r->loadRotor("", 0));
    EXPECT_FALSE(r->loadRotor("x", 3));
    EXPECT_FALSE(r->loadRotor("../db/.._evil_x.rotor", 1));
    EXPECT_FALSE(r->loadRotor("..", 2));
    EXPECT_FALSE(r->loadRotor("MISSING.rotor", 1));
    EXPECT_EQ(filesIn("db").size(), 1u);

    EXPECT_EQ(rotorfiles::fileNameCharacters("a\\b\tc"), "a_b_c");
    EXPECT_EQ(rotorfiles::databaseFilePart("..."), "");
    EXPECT_EQ(rotorfiles::databaseFilePart(".a"), ".a");
    EXPECT_TRUE(rotorfiles::isPlainFileName("A B.rotor"));
    EXPECT_FALSE(rotorfiles::isPlainFileName("a/b"));
    EXPECT_EQ(rotorfiles::rotorNameOfFile("A_B_C_21.rotor", 2), "A_B_C");
    EXPECT_EQ(rotorfiles::rotorNameOfFile("ABC.rotor", 2), "ABC");
    EXPECT_EQ(rotorfiles::rotorNameOfFile("A_B.rotor", 1), "A_B");
    EXPECT_EQ(rotorfiles::rotorNameOfFile("A_B", 1), "A_B");
}

long failingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(RotorFiles, AFailedSaveKeepsTheOldFile) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("KEEP");
    r->data().speed = 700;
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    const std::string old = readFile("db/KEEP.rotor");
    r->data().speed = 800;
    platform::setReplaceFileWriter(&failingWrite);
    const bool saved = r->loadRotor(nullptr, 0);
    platform::setReplaceFileWriter(nullptr);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile("db/KEEP.rotor"), old);
    EXPECT_EQ(filesIn("db"), std::vector<std::string>{"KEEP.rotor"});
}

TEST_F(RotorFiles, ATruncatedFileFailsAndLeavesTheRotorAsItWas) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("FULL");
    r->data().customer = std::string(100, 'c');
    r->data().planes[0].radius = 30;
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    const std::string bytes = readFile("db/FULL.rotor");
    writeFile("db/CUT.rotor", bytes.substr(0, bytes.size() - 40));

    TestConfig cfg2;
    auto b = endDriveRotor(cfg2);
    b->setName("MINE");
    b->data().speed = 321;
    b->recordRun(Measurement());
    const RotorData before = b->data();
    EXPECT_FALSE(b->loadRotor("CUT.rotor", 1));
    EXPECT_STREQ(b->nameText(false), "MINE");
    EXPECT_TRUE(Tris::equalRecords(b->data(), before));
    EXPECT_TRUE(b->isHistoryOpen());
}

TEST_F(RotorFiles, RecordedTextOnADatabaseRotorSurvivesAReload) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("DOC");
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    r->setRecordedText(jobrec::kCustomer, "Umbrella");
    const std::string bytes = readFile("db/DOC.rotor");
    EXPECT_EQ(bytes.size() % 16, 2u);  // still a whole database file

    TestConfig cfg2;
    auto b = endDriveRotor(cfg2);
    ASSERT_TRUE(b->loadRotor("DOC.rotor", 1));
    EXPECT_EQ(b->data().customer, "Umbrella");
}

TEST_F(RotorFiles, ReloadAndComputeSavesADatabaseRotor) {
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    r->setName("AGAIN");
    ASSERT_TRUE(r->loadRotor(nullptr, 0));
    r->data().speed = 555;
    r->reloadAndCompute();
    RotorData back;
    ASSERT_TRUE(back.load("db/AGAIN.rotor"));
    EXPECT_EQ(back.speed, 555u);
}

// A damaged file's numbers at load: not finite gives the default, huge the range's end.
TEST_F(RotorFiles, DamagedNumbersAreBroughtIntoRangeAtLoad) {
    const struct Case {
        double RotorData::*field;
        double hostile, taken;
    } cases[] = {{&RotorData::mass, NAN, 0}, {&RotorData::permissibleUnbalance, 1e308, 1e11},
                 {&RotorData::unbalanceUnit, -HUGE_VAL, 1}, {&RotorData::calibrationRatio, 1e300, 1e5}};
    RotorData d;
    for (const Case& c : cases) d.*c.field = c.hostile;
    d.planes = {Plane()};
    d.planes[0].channel1 = 0x80000000u;
    d.results = {Vector(NAN, HUGE_VAL)};
    std::filesystem::create_directory("history");
    writeFile("history/DAMAGED_1.rotor", d.serialize());
    TestConfig cfg;
    auto r = endDriveRotor(cfg);
    ASSERT_TRUE(r->loadRotor("DAMAGED_1.rotor", 2));
    for (const Case& c : cases) EXPECT_EQ(r->data().*c.field, c.taken) << c.hostile;
    EXPECT_EQ(r->data().planes[0].channel1, 128u);
    EXPECT_EQ(r->data().results[0].amplitude, 0.0);
    EXPECT_NE(readFile("logs/calcs.log").find("\"Масса изделия\" was nan, now 0"), std::string::npos);
}

// More planes than a machine makes: a damaged file, refused.
TEST_F(RotorFiles, MorePlanesThanAMachineMakesAreRefused) {
    std::filesystem::create_directory("history");
    for (const int planes : {5, 6}) {  // the editing screen makes at most 5
        RotorData d;
        d.planes.resize(static_cast<std::size_t>(planes));
        writeFile("history/MANY_1.rotor", d.serialize());
        TestConfig cfg;
        EXPECT_EQ(endDriveRotor(cfg)->loadRotor("MANY_1.rotor", 2), planes == 5) << planes;
    }
}

class BoundedReads : public RotorFiles {};

// A rotor file that is a pipe, a device or huge is refused at once and the
// rotor stays as it was.
TEST_F(BoundedReads, RotorLoadRefusesHostileFiles) {
    std::filesystem::create_directory("db");
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(testsupport::kHostileFiles[k]);
        ASSERT_TRUE(testsupport::makeHostileFile(k, "db/HOSTILE.rotor"));
        TestConfig cfg;
        auto r = endDriveRotor(cfg);
        r->data().speed = 777;
        const RotorData before = r->data();
        EXPECT_FALSE(testsupport::mustEnd("load", [&] { return r->loadRotor("HOSTILE.rotor", 1); }));
        EXPECT_TRUE(Tris::equalRecords(r->data(), before));
        EXPECT_NE(readFile("logs/calcs.log").find("Load rotor db/HOSTILE.rotor error: "), std::string::npos);
    }
}

}  // namespace
