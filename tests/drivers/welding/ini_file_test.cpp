#include "drivers/welding/ini_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/file_replace.h"
#include "support/hostile_files.h"
#include "support/watchdog.h"

using namespace TamskWelder;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("ini_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(::getpid()));
        std::error_code ec;
        fs::remove_all(dir_, ec);
        fs::create_directories(dir_);
        path_ = (dir_ / "p.ini").string();
    }
    void TearDown() override {
        platform::setReplaceFileWriter(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void put(const std::string& content) {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::string get() {
        std::string content;
        EXPECT_TRUE(readIniFileContent(path_, content));
        return content;
    }
    std::size_t filesInDir() {
        std::size_t n = 0;
        for (auto it = fs::directory_iterator(dir_); it != fs::directory_iterator(); ++it) ++n;
        return n;
    }
    fs::path dir_;
    std::string path_;
};

IniDocument readDoc(const std::string& path, std::vector<std::string>* lines = nullptr) {
    IniDocument doc;
    IniFileReader reader(path, lines);
    EXPECT_TRUE(reader.read(doc));
    return doc;
}

}  // namespace

// ---------------------------------------------------------------- line parser

TEST(IniLineParser, Table) {
    struct Case {
        const char* line;
        int kind;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"", IniEmpty, "", ""},
        {"   \t ", IniEmpty, "", ""},
        {"\f\v", IniEmpty, "", ""},
        {"; a comment = 1", IniComment, "", ""},
        {"   ; indented comment", IniComment, "", ""},
        {"[Section]", IniHeader, "Section", ""},
        {"  [ Spaced Name ]  ", IniHeader, "Spaced Name", ""},
        {"[S] ; comment [x]", IniHeader, "S", ""},
        {"[a]b]", IniHeader, "a]b", ""},
        {"[]", IniHeader, "", ""},
        {"[noclose", IniInvalid, "", ""},
        {"[noclose=1", IniPair, "[noclose", "1"},
        {"[semi;]", IniInvalid, "", ""},
        {"key=value", IniPair, "key", "value"},
        {"  key  =  value with blanks  ", IniPair, "key", "value with blanks"},
        {"a\\=b=c=d", IniPair, "a=b", "c=d"},
        {"k=v\\=w", IniPair, "k", "v\\=w"},
        {"k=", IniPair, "k", ""},
        {"=v", IniPair, "", "v"},
        {"only\\=escaped", IniInvalid, "", ""},
        {"no equals sign", IniInvalid, "", ""},
        {"Key=Value ; not a comment", IniPair, "Key", "Value ; not a comment"},
    };
    for (const Case& c : cases) {
        const IniLine l = parseIniLine(c.line);
        EXPECT_EQ(l.kind, c.kind) << c.line;
        EXPECT_EQ(l.name, c.name) << c.line;
        EXPECT_EQ(l.value, c.value) << c.line;
    }
}

TEST(IniLineParser, SplitLines) {
    EXPECT_TRUE(splitIniLines("").empty());
    EXPECT_EQ(splitIniLines("a"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(splitIniLines("a\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(splitIniLines("a\r\nb\r\n\r\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(splitIniLines(std::string("x\0y\r\rz", 7)), (std::vector<std::string>{"xyz"}));
    EXPECT_EQ(splitIniLines("\n"), (std::vector<std::string>{"", ""}));
}

TEST(IniDocumentAccess, TrimCreateAndOrder) {
    IniDocument doc;
    EXPECT_FALSE(doc.hasSection("S"));
    doc["  S "]["  b "] = "2";
    doc["S"]["a"] = "1";
    doc["T"];
    EXPECT_TRUE(doc.hasSection("S"));
    EXPECT_TRUE(doc.hasSection(" T\t"));
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc.section(0).name(), "S");
    EXPECT_TRUE(doc["S"].hasKey(" b"));
    EXPECT_FALSE(doc["S"].hasKey("c"));
    // A lookup of a missing key creates it with an empty value.
    EXPECT_EQ(doc["S"]["c"], "");
    EXPECT_TRUE(doc["S"].hasKey("c"));
    const auto& e = doc.find("S")->entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].first, "b");
    EXPECT_EQ(e[1].first, "a");
    EXPECT_EQ(e[2].first, "c");
    EXPECT_EQ(doc.find("nothing"), nullptr);
    // References stay valid while sections are appended.
    IniSection& s = doc["S"];
    for (int i = 0; i < 100; ++i) doc["X" + std::to_string(i)];
    s["d"] = "4";
    EXPECT_EQ(*doc.find("S")->find("d"), "4");
}

// ---------------------------------------------------------------- reader

TEST_F(IniFileTest, IniReaderRules) {
    put(std::string("k0=ignored\n; head comment\n[S]\na=1\nb=2\r\ninvalid line\n[T]\nx=9\n[S]\na=3\nc=4") +
        '\0' + "\n \nlast=L");
    std::vector<std::string> lines;
    const IniDocument doc = readDoc(path_, &lines);
    ASSERT_EQ(doc.size(), 2u);
    const IniSection& s = *doc.find("S");
    ASSERT_EQ(s.entries().size(), 4u);
    EXPECT_EQ(s.entries()[0], (std::pair<std::string, std::string>{"a", "3"}));
    EXPECT_EQ(s.entries()[1], (std::pair<std::string, std::string>{"b", "2"}));
    EXPECT_EQ(s.entries()[2], (std::pair<std::string, std::string>{"c", "4"}));
    EXPECT_EQ(s.entries()[3], (std::pair<std::string, std::string>{"last", "L"}));
    EXPECT_EQ(*doc.find("T")->find("x"), "9");
    EXPECT_FALSE(doc.find("S")->hasKey("k0"));
    const std::vector<std::string> expected = {"; head comment", "[S]", "a=1", "b=2", "[T]", "x=9",
                                               "[S]", "a=3", "c=4", " ", "last=L"};
    EXPECT_EQ(lines, expected);
}

TEST_F(IniFileTest, IniReaderEmptyAndMissing) {
    put("");
    std::vector<std::string> lines;
    const IniDocument doc = readDoc(path_, &lines);
    EXPECT_EQ(doc.size(), 0u);
    EXPECT_TRUE(lines.empty());

    IniDocument none;
    IniFileReader missing((dir_ / "missing.ini").string());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.read(none));

    // A folder opens for reading on this system; the read itself must fail.
    IniFileReader folder(dir_.string(), &lines);
    EXPECT_FALSE(folder.read(none));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(none.size(), 0u);
}

// ---------------------------------------------------------------- new file

TEST_F(IniFileTest, IniWriterGoldenBytes) {
    IniDocument doc;
    doc["A"]["k1"] = "  v1 ";
    doc["A"]["k=2"] = "x=y";
    doc["Empty"];
    doc["B"]["z"] = "";
    EXPECT_EQ(IniFileWriter::render(doc, false), "[A]\r\nk1=v1\r\nk\\=2=x=y\r\n[Empty]\r\n[B]\r\nz=");
    EXPECT_EQ(IniFileWriter::render(doc, true),
              "[A]\r\nk1 = v1\r\nk\\=2 = x=y\r\n\r\n[Empty]\r\n\r\n[B]\r\nz = ");

    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.write(doc));
    EXPECT_EQ(get(), IniFileWriter::render(doc, true));
    const IniDocument back = readDoc(path_);
    EXPECT_EQ(*back.find("A")->find("k=2"), "x=y");
    EXPECT_EQ(*back.find("A")->find("k1"), "v1");
    EXPECT_TRUE(back.hasSection("Empty"));

    IniFileWriter plain(path_);
    ASSERT_TRUE(plain.write(IniDocument()));
    EXPECT_EQ(get(), "");
    EXPECT_EQ(filesInDir(), 1u);
}

// ---------------------------------------------------------------- merge

TEST_F(IniFileTest, IniMergePartExample) {
    put("[S]\na=1\n; keep me\n[T]\nb=2\n");
    IniDocument doc;
    doc["S"]["a"] = "5";
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    // The file's last line was empty (after the final line feed) and belongs to
    // the dropped section T: it is that section's first empty line.
    EXPECT_EQ(get(), "[S]\r\na= 5\r\n; keep me");

    put("[S]\na=1\n");
    IniFileWriter unspaced(path_, false);
    ASSERT_TRUE(unspaced.writeMerged(doc));
    EXPECT_EQ(get(), "[S]\r\na=5\r\n");
}

TEST_F(IniFileTest, IniMergeRewritesFromOwnPrefix) {
    put("[S]\n  a   =   1\nb\\=x =2\nc =\nd=  same  \n");
    IniDocument doc;
    doc["S"]["a"] = "7";
    doc["S"]["b=x"] = "8";
    doc["S"]["c"] = "9";
    doc["S"]["d"] = " same";
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(), "[S]\r\n  a   =   7\r\nb\\=x = 8\r\nc =9\r\nd=  same  \r\n");
}

TEST_F(IniFileTest, IniMergeInsertsMissingKeysBeforeTrailingLines) {
    put("; top\n[S]\na=1\n; about S\n\n[U]\nu=1\n\n; tail\n");
    IniDocument doc;
    doc["S"]["a"] = "1";
    doc["S"]["new1"] = "x";
    doc["S"]["new2"] = "y";
    doc["U"]["u"] = "1";
    doc["U"]["v"] = "2";
    doc["W"]["w"] = "3";
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(),
              "; top\r\n[S]\r\na=1\r\nnew1 = x\r\nnew2 = y\r\n; about S\r\n\r\n"
              "[U]\r\nu=1\r\nv = 2\r\n\r\n; tail\r\n\r\n[W]\r\nw = 3");
}

TEST_F(IniFileTest, IniMergeDroppedSectionAndNewSection) {
    put("[Gone]\nx=1\n; note of gone\n\n\n[S]\na=1\nb=2\n; last");
    IniDocument doc;
    doc["S"]["a"] = "1";  // b disappears
    doc["N"]["n"] = "1";
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(), "; note of gone\r\n\r\n[S]\r\na=1\r\n; last\r\n\r\n[N]\r\nn = 1");

    // Without the spaced flag no blank line goes before a new section.
    put("[S]\na=1");
    IniFileWriter plain(path_, false);
    ASSERT_TRUE(plain.writeMerged(doc));
    EXPECT_EQ(get(), "[S]\r\na=1\r\n[N]\r\nn=1");
}

TEST_F(IniFileTest, IniMergeRepeatedHeaderGetsMissingKeysOnce) {
    put("[S]\na=1\n[S]\nb=2\n");
    IniDocument doc;
    doc["S"]["a"] = "1";
    doc["S"]["b"] = "3";
    doc["S"]["c"] = "4";
    IniFileWriter writer(path_, false);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(), "[S]\r\na=1\r\nc=4\r\n[S]\r\nb=3\r\n");
}

TEST_F(IniFileTest, IniMergeRoundTripOfWelderFile) {
    const std::string original =
        "stray=before any header\r\n"
        "; Welding controller parameters\r\n"
        "[WelderParameters]\r\n"
        "; encoder pulses per revolution\r\n"
        "encoderSamples = 10000\r\n"
        "encoderRatio=1.000000\r\n"
        "  seamOverlap =15   \r\n"
        "this line is broken\r\n"
        "gearRatio = 61.000000\r\n"
        "\r\n"
        "   ; speeds\r\n"
        "motorNominalRPM = 1340\n"
        "weldingLinearSpeed = 1000\n"
        "reverseRotationPermission = 1\n"
        "weldingDirectionRotation = 0\n";
    put(original);
    std::vector<std::string> lines;
    const IniDocument doc = readDoc(path_, &lines);
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(),
              "; Welding controller parameters\r\n"
              "[WelderParameters]\r\n"
              "; encoder pulses per revolution\r\n"
              "encoderSamples = 10000\r\n"
              "encoderRatio=1.000000\r\n"
              "  seamOverlap =15   \r\n"
              "gearRatio = 61.000000\r\n"
              "\r\n"
              "   ; speeds\r\n"
              "motorNominalRPM = 1340\r\n"
              "weldingLinearSpeed = 1000\r\n"
              "reverseRotationPermission = 1\r\n"
              "weldingDirectionRotation = 0\r\n");
    // And once more: a fixed point.
    const std::string once = get();
    ASSERT_TRUE(writer.writeMerged(readDoc(path_)));
    EXPECT_EQ(get(), once);
}

TEST_F(IniFileTest, IniMergeMissingFileIsNewFile) {
    IniDocument doc;
    doc["S"]["a"] = "1";
    IniFileWriter writer(path_, true);
    ASSERT_TRUE(writer.writeMerged(doc));
    EXPECT_EQ(get(), "[S]\r\na = 1");
}

// ---------------------------------------------------------------- failures

namespace {
int g_writes = 0;
long failSecondWrite(int fd, const void* data, std::size_t size) {
    if (++g_writes >= 2) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, size < 8 ? size : 8);  // short writes force several calls
}
}  // namespace

TEST_F(IniFileTest, IniFailureWriteErrorKeepsOldFile) {
    const std::string old = "; old\r\n[S]\r\na=1\r\n";
    put(old);
    IniDocument doc;
    doc["S"]["a"] = "2";
    doc["T"]["long"] = std::string(100, 'x');

    g_writes = 0;
    platform::setReplaceFileWriter(&failSecondWrite);
    IniFileWriter writer(path_, true);
    EXPECT_FALSE(writer.writeMerged(doc));
    EXPECT_FALSE(writer.lastError().empty());
    g_writes = 0;
    EXPECT_FALSE(writer.write(doc));
    platform::setReplaceFileWriter(nullptr);

    EXPECT_EQ(get(), old);
    EXPECT_EQ(filesInDir(), 1u);  // no temporary file left behind
}

TEST_F(IniFileTest, IniFailureFolderAsPath) {
    const std::string folder = (dir_ / "sub").string();
    fs::create_directories(folder);
    IniDocument doc;
    doc["S"]["a"] = "1";
    IniFileWriter writer(folder, true);
    EXPECT_FALSE(writer.writeMerged(doc));
    EXPECT_FALSE(writer.write(doc));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(filesInDir(), 1u);
}

class BoundedReads : public IniFileTest {};

// A parameter file that is a pipe, a device or huge is refused at once, and a
// merge into it leaves it as it was.
TEST_F(BoundedReads, IniReaderRefusesHostileFiles) {
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(testsupport::kHostileFiles[k]);
        ASSERT_TRUE(testsupport::makeHostileFile(k, path_));
        const fs::file_type kind = fs::symlink_status(path_).type();
        IniDocument doc;
        EXPECT_FALSE(testsupport::mustEnd("read", [&] { return IniFileReader(path_).read(doc); }));
        doc["WelderParameters"]["gearRatio"] = "61";
        EXPECT_FALSE(testsupport::mustEnd("merge", [&] { return IniFileWriter(path_).writeMerged(doc); }));
        EXPECT_EQ(fs::symlink_status(path_).type(), kind);
    }
}
