// The settings file: the load with its fill-up, language and banner steps,
// the start-up load with a damaged file kept aside, and safe saving.  Each
// test runs in a fresh temporary working directory.

#include "records/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "records/demo_settings.h"
#include "records/job_records.h"
#include "records/settings_limits.h"
#include "support/hostile_files.h"
#include "support/sync_recorder.h"
#include "support/watchdog.h"
#include "texts/texts.h"

namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t H(std::uint32_t tag, std::uint32_t n, bool flag = false) {
    return Tris::makeHeader(tag, flag, n);
}

// Stands in for the Gui: rotors are tokens, the machine a pointer; every call
// is recorded.
class FakeHost : public SettingsHost {
public:
    ~FakeHost() override {
        for (int* r : alive_) delete r;
    }
    Config& liveConfig() override { return config; }
    bool machineBusy() override { return busy; }
    Rotor* makeRotor() override {
        calls.push_back("make");
        int* token = new int(++made);
        alive_.insert(token);
        return reinterpret_cast<Rotor*>(token);
    }
    Rotor* activeRotor() override { return active; }
    void setActiveRotor(Rotor* r) override {
        calls.push_back("active");
        active = r;
    }
    void handRotorToMachine(Rotor* r) override {
        calls.push_back("machine");
        EXPECT_TRUE(alive_.count(reinterpret_cast<int*>(r))) << "machine given a destroyed rotor";
        machineRotor = r;
    }
    void destroyRotor(Rotor* r) override {
        calls.push_back("destroy");
        EXPECT_NE(r, machineRotor) << "destroying the machine's rotor";
        int* token = reinterpret_cast<int*>(r);
        ASSERT_TRUE(alive_.erase(token));
        delete token;
    }
    void messageBox(const char* text, const char* more, int, std::function<void(int)>) override {
        messages.push_back(text ? text : "");
        details.push_back(more ? more : "");
    }
    std::size_t aliveRotors() const { return alive_.size(); }

    Config config;
    bool busy = false;
    Rotor* active = nullptr;
    Rotor* machineRotor = nullptr;
    int made = 0;
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::vector<std::string> details;

private:
    std::set<int*> alive_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string bytesOf(const Words& w) {
    return Tris::wordsToBytes(w.data(), w.size());
}

void writeWords(const fs::path& p, const Words& w) {
    writeFile(p, bytesOf(w));
}

// The items, then the empty additional-error messages every save writes last.
Words withErrorList(Words w) {
    w.insert(w.end(), kExtErrorSlots, H(Config::kExtErrors, 0));
    return w;
}

std::vector<std::uint32_t> topTags(const Words& w) {
    std::vector<std::uint32_t> tags;
    Tris::ItemReader r(w.data(), w.size());
    Tris::Item it;
    while (r.next(it) == Tris::ItemReader::kItem) tags.push_back(it.tag);
    return tags;
}

std::vector<fs::path> keptAside() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(".")) {
        if (e.path().filename().string().rfind(".cfg.bad-", 0) == 0) out.push_back(e.path());
    }
    return out;
}

constexpr const char* kSaidChanged = "Attention! Settings out of range have been changed, see the log:";

class settings_file : public ::testing::Test {
protected:
    void SetUp() override {
        Tris::clearExcludedTags();
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("settings_file_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        setLanguage(true);  // the load must set it
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
        Tris::clearExcludedTags();
        settings_testing::setRenamer(nullptr);
        settings_testing::setClock(nullptr);
        platform::setReplaceFileWriter(nullptr);
        setLanguage(false);
    }
    fs::path old_;
    fs::path dir_;
};

TEST_F(settings_file, NoFileAtStartUp) {
    FakeHost host;
    EXPECT_FALSE(loadStartupSettings(host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Внимание! Ошибка загрузки настроек!");
    EXPECT_TRUE(fs::exists(".cfg"));
    EXPECT_TRUE(keptAside().empty());
    const Config& c = host.config;
    EXPECT_EQ(c.inverters.size(), 2u);
    EXPECT_EQ(c.channels.size(), 5u);
    EXPECT_EQ(c.extErrors.size(), 8u);
    EXPECT_EQ(c.endDrive.extErrors.size(), 8u);
    EXPECT_EQ(c.beltDrive.extErrors.size(), 8u);
    EXPECT_TRUE(c.millDrive.extErrors.empty());
    EXPECT_TRUE(c.weldDrive.extErrors.empty());
    EXPECT_EQ(uiEnglish.load(), 0u);
    EXPECT_EQ(decimalPoint.load(), static_cast<std::uint32_t>(','));
    EXPECT_EQ(c.local.banner, "KESTRUNE v5.137 (2023/01/25)");
    EXPECT_TRUE(c.local.operatorAccess);
    // The written file loads back as the same settings.
    Config back;
    ASSERT_TRUE(back.load(".cfg"));
    EXPECT_EQ(back.channels.size(), 5u);
    EXPECT_EQ(back.local.banner, "");  // LocalConfig is never written
}

// The language from the file; a count a run divides by raised to 1.
TEST_F(settings_file, LanguageFromFile) {
    writeWords(".cfg", withErrorList({H(Config::kLanguage, 1), 1, H(Config::kMeasurementCycles, 1), 0}));
    FakeHost host;
    EXPECT_TRUE(loadStartupSettings(host));
    EXPECT_EQ(host.messages, std::vector<std::string>{kSaidChanged});
    EXPECT_EQ(uiEnglish.load(), 1u);
    EXPECT_EQ(decimalPoint.load(), static_cast<std::uint32_t>('.'));
    EXPECT_EQ(host.config.language, 1);
    EXPECT_EQ(host.config.measurementCycles, 1u);
}

// A number out of its range is brought in to one that keeps results right,
// the rest kept, a box says so, the log names it as the screen does; factory
// and demonstration settings lie within.
TEST_F(settings_file, NumbersOutOfRangeAreBroughtIn) {
    fs::create_directory("logs");
    Config c;
    fillUpSettingsLists(c);
    Config demo = demoSettings();
    EXPECT_TRUE(bringSettingsIntoRange(c).empty());
    EXPECT_TRUE(bringSettingsIntoRange(demo).empty());
    // Each row sets a value as the file holds it, or as the load must leave it.
    void (*const rows[])(Config&, bool) = {
        [](Config& c, bool now) { c.drillAngle = now ? 120 : -5; },
        [](Config& c, bool) { c.drillAngle = 0; },  // "not set", as before
        // as an earlier version bent them to its ranges' ends
        [](Config& c, bool now) { c.drillAngle = now ? 120 : 1; },
        [](Config& c, bool now) { c.weightLimit = now ? Limit(0.1, 100) : Limit(100, 100); },
        [](Config& c, bool now) { c.weightLimit = now ? Limit(0.1, 100) : Limit(200, 100); },
        [](Config& c, bool now) { c.speedLimit = now ? Limit(1, 2000) : Limit(0, 0); },
        [](Config& c, bool now) { c.balancingAccuracy = now ? 0.4 : -1; },
        [](Config& c, bool now) { c.channels[0].sensitivity = now ? 0 : -1; },
        [](Config& c, bool now) { c.channels[1].phaseShift = now ? 140 : 500; },
        [](Config& c, bool now) { c.endDrive.driveRatio = now ? 1 : -1; },
        [](Config& c, bool now) { c.endDrive.ratedTorque = now ? 0 : -1; },
        [](Config& c, bool now) { c.beltDrive.ratedTorque = now ? 0 : 0.01; },
        [](Config& c, bool now) { c.endDrive.driveRatio = now ? 1 : 0.001; },
        [](Config& c, bool) { c.endDrive.ratedTorque = 0; },  // no ramp from the rotor, as before
        [](Config& c, bool now) { c.endDrive.engine.ratedPower = now ? 2.2 : 1.0e9; },  // a new machine's
        [](Config& c, bool now) { c.angleMarkPosition = now ? 355 : -5; },
        [](Config& c, bool now) {  // a material with no usable density: left out
            c.materials.resize(now ? 1 : 2), c.materials.back().density = 8.5;
            c.materials[0].density = now ? 8.5 : -1;
        },
    };
    for (const auto& row : rows) {
        Config file = demo, right = demo;
        file.company.company = right.company.company = "ACME";
        row(file, false), row(right, true);
        ASSERT_TRUE(saveSettingsFile(file, ".cfg"));  // as the previous versions saved it
        FakeHost host;
        EXPECT_TRUE(loadStartupSettings(host));
        EXPECT_EQ(host.config.serialize(), right.serialize());
        const bool bent = file.serialize() != right.serialize();
        EXPECT_EQ(host.messages, std::vector<std::string>(bent, kSaidChanged));
    }
    for (const char* line : {"\"Channel 2 / Vibration phase shift\" was 500, now 140",
                             "\"Belt drive / Drive rated torque\" was 0.01, now 0"})
        EXPECT_NE(readFile("logs/dbr.log").find(line), std::string::npos) << line;
}

// The log names a changed value in the language the file sets, as the screen will.
TEST_F(settings_file, TheLogNamesAChangeInTheFilesLanguage) {
    fs::create_directory("logs");
    Config file = demoSettings();
    file.language = 0, file.drillAngle = 1;
    ASSERT_TRUE(saveSettingsFile(file, ".cfg"));
    FakeHost host;
    EXPECT_TRUE(loadStartupSettings(host));
    EXPECT_NE(readFile("logs/dbr.log").find("\"Угол заточки сверла\" was 1, now 120"), std::string::npos);
}

// The machine's own file keeps the rest and its first operators and says, once,
// which it left out; from a drive it is refused.
TEST_F(settings_file, OwnFileKeepsItsFirstOperators) {
    fs::create_directory("logs");
    for (std::size_t n : {201, 1000}) {
        Config own = demoSettings();  // as the previous versions saved it
        own.company.company = "ACME", own.endDrive.maxSpeed = 2345;
        own.operators.resize(n);
        for (std::size_t i = 0; i < n; ++i) own.operators[i].name = "Op " + std::to_string(i + 1);
        ASSERT_TRUE(saveSettingsFile(own, ".cfg") && saveSettingsFile(own, "stick.cfg"));
        FakeHost host;
        EXPECT_TRUE(loadStartupSettings(host));
        const Config& c = host.config;
        EXPECT_TRUE(c.company.company == "ACME" && c.endDrive.maxSpeed == 2345 && c.operators.size() == 200);
        EXPECT_EQ(host.messages.at(0) + host.details.at(0),
                  "Attention! Only the first 200 operators have been loaded, left out:" +
                      std::string(n == 201 ? "Op 201" : "Op 201 ... Op 1000 (800)"));
        EXPECT_NE(readFile("logs/dbr.log").find("\"Op " + std::to_string(n) + "\" left out"),
                  std::string::npos);
        FakeHost again;
        EXPECT_TRUE(loadStartupSettings(again) && again.messages.empty());
        std::vector<fs::path> kept;  // the file as read stays beside it, every operator in it
        for (const auto& e : fs::directory_iterator("."))
            if (e.path().filename().string().rfind(".cfg.before-", 0) == 0) kept.push_back(e.path());
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_TRUE(readFile(kept[0]) == readFile("stick.cfg") && fs::remove(kept[0]));
        EXPECT_FALSE(loadSettings(host, "stick.cfg"));  // from a drive: refused
    }
}

TEST_F(settings_file, ListsAreFilledUpNotCut) {
    Config four;
    four.channels.resize(4);
    four.channels[3].gain = 7;
    four.inverters.resize(3);
    four.extErrors.resize(kExtErrorSlots);
    ASSERT_TRUE(four.save(".cfg"));
    FakeHost host;
    ASSERT_TRUE(loadSettings(host, nullptr));
    EXPECT_EQ(host.config.channels.size(), 5u);
    EXPECT_EQ(host.config.channels[3].gain, 7);
    EXPECT_EQ(host.config.inverters.size(), 3u);

    Config six;
    six.channels.resize(6);
    six.extErrors.resize(kExtErrorSlots);
    ASSERT_TRUE(six.save("six.cfg"));
    ASSERT_TRUE(loadSettings(host, "six.cfg"));
    EXPECT_EQ(host.config.channels.size(), 6u);
    EXPECT_EQ(host.config.inverters.size(), 2u);
}

TEST_F(settings_file, SaveAfterLoadWritesForcedElementsAndNoLocalConfig) {
    FakeHost host;
    loadSettings(host, nullptr);  // no file: defaults, filled up
    ASSERT_TRUE(host.config.local.operatorAccess);
    ASSERT_TRUE(saveSettingsFile(host.config));
    const Words w = Tris::bytesToWords(readFile(".cfg"));
    const auto tags = topTags(w);
    auto count = [&](std::uint32_t t) { return std::count(tags.begin(), tags.end(), t); };
    EXPECT_EQ(count(Config::kChannels), 5);
    EXPECT_EQ(count(Config::kInverters), 2);
    EXPECT_EQ(count(Config::kExtErrors), 8);
    EXPECT_EQ(count(Config::kEndDrive), 1);
    EXPECT_EQ(count(Config::kBeltDrive), 1);
    EXPECT_EQ(count(Config::kLocal), 0);
    EXPECT_EQ(tags.size(), 5u + 2 + 8 + 2);
    // 8 + 8 + 8 messages in all: each drive item holds 8 empty elements.
    EXPECT_EQ(w.size(), 5u + 2 + 8 + 2 * (1 + 8));

    const std::string first = readFile(".cfg");
    FakeHost again;
    ASSERT_TRUE(loadSettings(again, nullptr));
    ASSERT_TRUE(saveSettingsFile(again.config));
    EXPECT_EQ(readFile(".cfg"), first);
}

TEST_F(settings_file, EmptyPathReadsNothing) {
    FakeHost host;
    host.config.language = 1;
    host.config.channels.resize(1);
    host.config.channels[0].gain = 9;
    Rotor* before = host.makeRotor();
    host.active = before;
    host.calls.clear();
    EXPECT_FALSE(loadSettings(host, ""));
    EXPECT_EQ(host.config.language, 1);
    EXPECT_EQ(host.config.channels[0].gain, 9);
    EXPECT_EQ(host.config.channels.size(), 5u);  // the later steps still run
    EXPECT_NE(host.machineRotor, nullptr);
    EXPECT_NE(host.machineRotor, before);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"make", "active", "machine", "destroy"}));
    EXPECT_EQ(host.aliveRotors(), 1u);
}

TEST_F(settings_file, MachineNeverHoldsADestroyedRotor) {
    FakeHost host;
    for (int i = 0; i < 3; ++i) loadSettings(host, nullptr);
    EXPECT_EQ(host.aliveRotors(), 1u);
    EXPECT_EQ(host.machineRotor, host.active);
    EXPECT_EQ(host.made, 3);
}

TEST_F(settings_file, BusyMachineRefusesTheLoad) {
    writeWords(".cfg", {H(Config::kLanguage, 1), 1});
    FakeHost host;
    host.busy = true;
    SettingsLoad what = SettingsLoad::Loaded;
    EXPECT_FALSE(loadSettings(host, nullptr, &what));
    EXPECT_EQ(what, SettingsLoad::Busy);
    EXPECT_TRUE(Tris::equalRecords(host.config, Config()));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(uiEnglish.load(), 1u);  // untouched (set by SetUp)
    EXPECT_TRUE(Tris::excludedTags.empty());
    EXPECT_FALSE(loadStartupSettings(host));
    EXPECT_TRUE(host.messages.empty());
}

// What a load from the drive refuses, keeping the live settings, and the
// start-up keeps aside.
TEST_F(settings_file, DamagedFileIsKeptAside) {
    RotorData rotor;
    rotor.speed = 800;
    const std::string good = demoSettings().serialize();
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"truncated payload", bytesOf({H(Config::kLanguage, 1), 1, H(Config::kBalancingAccuracy, 2), 5})},
        {"huge length word", bytesOf({H(Config::kLocal, 63), 0xFFFFFFF0u})},
        {"empty", ""},
        {"four zero bytes", std::string(4, '\0')},
        {"a rotor file", rotor.serialize()},
        {"the last item cut off", good.substr(0, good.size() - 4)},
        {"cut at 70 %", good.substr(0, good.size() * 7 / 10 / 4 * 4)},
        {"a piece of a word behind", good + '\x01'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& p : keptAside()) fs::remove(p);
        writeFile("stick.cfg", c.bytes);
        writeFile(".cfg", c.bytes);
        FakeHost host;
        host.config.language = 1;
        SettingsLoad what = SettingsLoad::Loaded;
        EXPECT_FALSE(loadSettings(host, "stick.cfg", &what));
        EXPECT_EQ(what, SettingsLoad::Damaged);
        EXPECT_EQ(host.config.language, 1);  // the partly read file is not taken

        FakeHost start;
        EXPECT_FALSE(loadStartupSettings(start));
        EXPECT_EQ(start.messages.size(), 1u);
        const auto kept = keptAside();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(readFile(kept[0]), c.bytes);
        // Fresh defaults written in its place, which load back.
        FakeHost after;
        EXPECT_TRUE(loadSettings(after, nullptr));
    }
    writeFile("stick.cfg", good);  // the whole file is taken
    FakeHost host;
    EXPECT_TRUE(loadSettings(host, "stick.cfg"));
}

long long fixedClock() {
    return 1700000000;
}  // a fixed instant; the name uses local time
bool failingRename(const std::string&, const std::string&) {
    return false;
}

TEST_F(settings_file, KeptAsideNamesAndFailure) {
    settings_testing::setClock(&fixedClock);
    writeFile(".cfg", "x");
    const std::string a = keepSettingsFileAside(".cfg");
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a.rfind(".cfg.bad-", 0), 0u);
    EXPECT_EQ(a.size(), std::string(".cfg.bad-20231114-221320").size());
    writeFile(".cfg", "y");
    const std::string b = keepSettingsFileAside(".cfg");
    EXPECT_EQ(b, a + "-2");
    EXPECT_EQ(readFile(a), "x");
    EXPECT_EQ(readFile(b), "y");

    // When the file cannot be kept aside nothing is written over it.
    writeWords(".cfg", {H(Config::kLanguage, 2), 1});
    const std::string damaged = readFile(".cfg");
    settings_testing::setRenamer(&failingRename);
    FakeHost host;
    EXPECT_FALSE(loadStartupSettings(host));
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(readFile(".cfg"), damaged);
    EXPECT_EQ(host.config.channels.size(), 5u);  // runs on the defaults in memory
}

long failingWrite(int, const void*, std::size_t) {
    errno = EIO;
    return -1;
}

TEST_F(settings_file, FailedSaveKeepsOldFile) {
    Config c;
    c.language = 1;
    ASSERT_TRUE(saveSettingsFile(c));
    const std::string old = readFile(".cfg");
    c.channels.resize(5);
    platform::setReplaceFileWriter(&failingWrite);
    std::string err;
    EXPECT_FALSE(saveSettingsFile(c, ".cfg", &err));
    platform::setReplaceFileWriter(nullptr);
    EXPECT_EQ(readFile(".cfg"), old);
    // A folder where the file should be.
    fs::create_directory("folder.cfg");
    EXPECT_FALSE(saveSettingsFile(c, "folder.cfg"));
    EXPECT_TRUE(fs::is_directory("folder.cfg"));
}

TEST_F(settings_file, AccessLevel) {
    Config c;
    EXPECT_EQ(settingsAccessLevel(c), 0);
    c.local.operatorAccess = true;
    EXPECT_EQ(settingsAccessLevel(c), 1);
    c.local.serviceAccess = true;
    EXPECT_EQ(settingsAccessLevel(c), 2);
    c.local.operatorAccess = false;
    EXPECT_EQ(settingsAccessLevel(c), 2);
}

class BoundedReads : public settings_file {};

// A settings file (also from the stick's "configs/") that is a pipe, a device
// or huge is refused at once; the start-up keeps it aside, runs on defaults.
TEST_F(BoundedReads, SettingsLoadRefusesHostileFiles) {
    fs::create_directory("logs");
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(testsupport::kHostileFiles[k]);
        ASSERT_TRUE(testsupport::makeHostileFile(k, "stick.cfg") && testsupport::makeHostileFile(k, ".cfg"));
        FakeHost host;
        host.config.language = 1;
        SettingsLoad what = SettingsLoad::Loaded;
        EXPECT_FALSE(testsupport::mustEnd("load", [&] { return loadSettings(host, "stick.cfg", &what); }));
        EXPECT_EQ(what, SettingsLoad::Damaged);
        EXPECT_EQ(host.config.language, 1);
        EXPECT_NE(readFile("logs/dbr.log").find("Load settings stick.cfg error: "), std::string::npos);
        EXPECT_FALSE(testsupport::mustEnd("start-up", [&] { return loadStartupSettings(host); }));
        ASSERT_EQ(keptAside().size(), 1u);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(".cfg")));
        fs::remove(keptAside()[0]);
    }
}

class DurableWrites : public settings_file {};

// The saved settings are on the disk through a flush of the file and its
// folder, not of the whole file system.
TEST_F(DurableWrites, SettingsSaveSyncsTheFileNotTheFileSystem) {
    Config c;
    c.language = 1;
    testsupport::startSyncRecord();
    ASSERT_TRUE(saveSettingsFile(c));
    const testsupport::SyncRecord record = testsupport::syncRecord();
    EXPECT_EQ(record.fileSystemFlushes, 0);
    EXPECT_TRUE(testsupport::wasFsynced(record, "."));
}

}  // namespace
