// The protocol pictures as the resource store holds them: their formats, the
// pixel geometry that the section writers plot against, and the generator
// that made them (the committed files and its preview).
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "protocols/diagram_sheets.h"
#include "protocols/pdf_doc.h"
#include "resources/resource_store.h"
#include "support/protocols_pdf_inspect.h"

namespace fs = std::filesystem;
namespace ds = diagram_sheets;

namespace {

struct Picture {
    TextId key;
    const char* file;  // under assets/protocol/
    int width, height;
    bool png;
};
const Picture kPictures[] = {
    {0x179DC01, "mark1.png", 400, 400, true},           {0x179DC02, "mark2.png", 400, 400, true},
    {0x179DC03, "logo.jpg", 1034, 400, false},          {0x179DC04, "proving_rotor.png", 680, 600, true},
    {0x179DC05, "umar_sheet.png", ds::kUmarSide, ds::kUmarSide, true},
    {0x179DC06, "urr_sheet.png", ds::kUrrSide, ds::kUrrSide, true},
};

ResourceEntry entry(TextId key) {
    static const bool indexed = indexEmbeddedResources();
    EXPECT_TRUE(indexed);
    return findResource(key);
}

std::string stored(TextId key) {
    const ResourceEntry e = entry(key);
    return std::string(static_cast<const char*>(e.data), e.size);
}

std::uint32_t bigEndian(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at]) << 24 |
                                      static_cast<unsigned char>(s[at + 1]) << 16 |
                                      static_cast<unsigned char>(s[at + 2]) << 8 | static_cast<unsigned char>(s[at + 3]));
}

// A decoded picture with the checks the geometry tests need.
struct Pixels {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;

    explicit Pixels(const std::string& file) {
        int channels = 0;
        unsigned char* p = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(file.data()),
                                                 static_cast<int>(file.size()), &width, &height, &channels, 4);
        if (p) rgba.assign(p, p + static_cast<std::size_t>(width) * height * 4);
        stbi_image_free(p);
    }
    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
    // Drawn in a line's or a caption's colour: not a light tint.
    bool ink(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const unsigned char* p = at(x, y);
        return p[3] >= 128 && (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000 < 200;
    }
    bool inkNear(double x, double y) const {
        const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (ink(cx + dx, cy + dy)) return true;
        return false;
    }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- Formats ------------------------------------------------------------------

TEST(ProtocolImagesFormat, PngsAreEightBitRgbaWithoutInterlaceOrAncillaryChunks) {
    for (const Picture& p : kPictures) {
        if (!p.png) continue;
        SCOPED_TRACE(p.file);
        const std::string s = stored(p.key);
        ASSERT_GT(s.size(), 33u);
        ASSERT_EQ(s.substr(0, 8), "\x89PNG\r\n\x1a\n");
        ASSERT_EQ(s.substr(12, 4), "IHDR");
        EXPECT_EQ(bigEndian(s, 16), static_cast<std::uint32_t>(p.width));
        EXPECT_EQ(bigEndian(s, 20), static_cast<std::uint32_t>(p.height));
        EXPECT_EQ(s[24], 8);  // bit depth
        EXPECT_EQ(s[25], 6);  // RGBA
        EXPECT_EQ(s[28], 0);  // no interlace
        std::set<std::string> chunks;
        for (std::size_t at = 8; at + 8 <= s.size(); at += 12 + bigEndian(s, at)) chunks.insert(s.substr(at + 4, 4));
        EXPECT_EQ(chunks, (std::set<std::string>{"IHDR", "IDAT", "IEND"}));
    }
}

TEST(ProtocolImagesFormat, TheEmblemIsABaselineJpeg) {
    const std::string s = stored(0x179DC03);
    ASSERT_GT(s.size(), 4u);
    ASSERT_EQ(static_cast<unsigned char>(s[0]), 0xFF);
    ASSERT_EQ(static_cast<unsigned char>(s[1]), 0xD8);
    std::vector<int> frames;  // start-of-frame markers: C0 baseline, C2 progressive, ...
    int width = 0, height = 0;
    for (std::size_t at = 2; at + 4 <= s.size() && static_cast<unsigned char>(s[at]) == 0xFF;) {
        const int marker = static_cast<unsigned char>(s[at + 1]);
        if (marker == 0xDA) break;  // the scan follows
        const std::size_t length = static_cast<unsigned char>(s[at + 2]) << 8 | static_cast<unsigned char>(s[at + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            frames.push_back(marker);
            height = static_cast<unsigned char>(s[at + 5]) << 8 | static_cast<unsigned char>(s[at + 6]);
            width = static_cast<unsigned char>(s[at + 7]) << 8 | static_cast<unsigned char>(s[at + 8]);
        }
        at += 2 + length;
    }
    EXPECT_EQ(frames, std::vector<int>{0xC0});
    EXPECT_EQ(width, 1034);
    EXPECT_EQ(height, 400);
}

// The PNGs come out of the document as stored, pixel for pixel, their masks too.
TEST(ProtocolImagesFormat, AllLoadIntoAPdfFromMemoryAndComeOutAsStored) {
    std::string dir = (fs::temp_directory_path() / "ks_protoimg_XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    {
        PdfDoc doc(dir + "/load.pdf");
        ASSERT_TRUE(doc.begin());
        for (const Picture& p : kPictures) {
            SCOPED_TRACE(p.file);
            const ResourceEntry e = entry(p.key);
            const Pixels px(stored(p.key));
            EXPECT_EQ(px.width, p.width);
            EXPECT_EQ(px.height, p.height);
            EXPECT_GT(doc.image(0, 0, 100, 100, e.data, static_cast<int>(e.size)), 0.f);
        }
        ASSERT_TRUE(doc.save());
    }
    ASSERT_EQ(pdfinspect::runTool({"pdfimages", "-png", dir + "/load.pdf", dir + "/out"}).status, 0);
    int n = 0;
    auto next = [&] {
        char name[16];
        std::snprintf(name, sizeof name, "/out-%03d.png", n++);
        return readFile(dir + name);
    };
    for (const Picture& p : kPictures) {
        const std::string colourFile = next();
        if (!p.png) continue;
        const Pixels px(stored(p.key)), colour(colourFile), mask(next());
        ASSERT_EQ(colour.rgba.size(), px.rgba.size()) << p.file;
        ASSERT_EQ(mask.rgba.size(), px.rgba.size()) << p.file;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < px.rgba.size(); i += 4)
            differing +=
                !std::equal(&px.rgba[i], &px.rgba[i + 3], &colour.rgba[i]) || mask.rgba[i] != px.rgba[i + 3];
        EXPECT_EQ(differing, 0u) << p.file;
    }
    fs::remove_all(dir);
}

// ---- Geometry ---------------------------------------------------------------------

TEST(ProtocolImagesGeometry, PngCornersAreTransparent) {
    for (const Picture& p : kPictures) {
        if (!p.png) continue;
        SCOPED_TRACE(p.file);
        const Pixels px(stored(p.key));
        ASSERT_EQ(px.width, p.width);
        for (int y : {0, p.height - 1})
            for (int x : {0, p.width - 1}) EXPECT_EQ(px.alpha(x, y), 0) << x << "," << y;
    }
}

TEST(ProtocolImagesGeometry, MarksDifferInShapeAndColour) {
    const Pixels disc(stored(0x179DC01)), square(stored(0x179DC02));
    ASSERT_EQ(disc.width, 400);
    ASSERT_EQ(square.width, 400);
    for (const Pixels* m : {&disc, &square}) EXPECT_EQ(m->alpha(200, 200), 255);
    // Near a corner the square is filled and the disc is not.
    EXPECT_EQ(square.alpha(60, 60), 255);
    EXPECT_EQ(disc.alpha(60, 60), 0);
    // Plane 1 blue 3C93CD, plane 2 red-orange CD5740.
    const unsigned char* b = disc.at(200, 200);
    const unsigned char* r = square.at(200, 200);
    EXPECT_EQ((std::vector<int>{b[0], b[1], b[2]}), (std::vector<int>{0x3C, 0x93, 0xCD}));
    EXPECT_EQ((std::vector<int>{r[0], r[1], r[2]}), (std::vector<int>{0xCD, 0x57, 0x40}));
}

TEST(ProtocolImagesGeometry, UmarSheetLinesLieWhereTheWriterPlots) {
    const Pixels px(stored(0x179DC05));
    ASSERT_EQ(px.width, ds::kUmarSide);
    const float plot = (ds::kUmarPositions - 1) * ds::kUmarPositionStep;
    const float half = (ds::kUmarAxisHigh - 1) * ds::kUmarPixelsPerUnit;
    for (const ds::UmarGraph& g : ds::kUmarGraphs) {
        SCOPED_TRACE(g.y0);
        // The heavy 1.0 line from the first position to the last.
        int meanGaps = 0;
        for (int x = static_cast<int>(g.x0); x <= static_cast<int>(g.x0 + plot); ++x) meanGaps += !px.ink(x, g.y0);
        EXPECT_EQ(meanGaps, 0);
        // The band's edges are dashed: ink and clear runs take turns.
        for (float v : {ds::kUmarBandLow, ds::kUmarBandHigh}) {
            const int row = static_cast<int>(std::floor(ds::umarY(g, v)));
            int dashes = 0;
            bool previous = false;
            for (int x = static_cast<int>(g.x0) + 8; x < static_cast<int>(g.x0 + plot) - 8; ++x) {
                const bool inked = px.ink(x, row);
                dashes += inked && !previous;
                previous = inked;
            }
            EXPECT_GE(dashes, 30) << v;
        }
        // The value axis runs from 0.8 to 1.2 and ends there.
        for (float y = g.y0 - half; y <= g.y0 + half; y += 8) EXPECT_TRUE(px.inkNear(g.x0, y)) << y;
        EXPECT_TRUE(px.inkNear(g.x0, g.y0 - half));
        EXPECT_TRUE(px.inkNear(g.x0, g.y0 + half));
        EXPECT_FALSE(px.inkNear(g.x0, g.y0 - half - 12));
        // A tick under every position, none between.
        const float tickRow = g.y0 + half + 8;
        for (int i = 0; i < ds::kUmarPositions; ++i) {
            EXPECT_TRUE(px.inkNear(ds::umarX(g, i), tickRow)) << i;
            if (i + 1 < ds::kUmarPositions) {
                EXPECT_FALSE(px.inkNear(ds::umarX(g, i) + ds::kUmarPositionStep / 2, tickRow)) << i;
            }
        }
    }
}

// True when, along some direction from (x, y), every radius of on is inked
// and every radius of off is clear: the probe finds a way past other lines.
bool probe(const Pixels& px, double x, double y, const std::vector<double>& on, const std::vector<double>& off) {
    for (int degrees = 0; degrees < 360; degrees += 3) {
        const double a = degrees * 3.14159265358979 / 180;
        bool ok = true;
        for (double r : on) ok = ok && px.inkNear(x + r * std::cos(a), y + r * std::sin(a));
        for (double r : off) ok = ok && !px.inkNear(x + r * std::cos(a), y + r * std::sin(a));
        if (ok) return true;
    }
    return false;
}

TEST(ProtocolImagesGeometry, UrrLimitCirclesFollowTheTable) {
    const Pixels px(stored(0x179DC06));
    ASSERT_EQ(px.width, ds::kUrrSide);
    for (int g = 1; g < ds::kUrrTargets; ++g) {
        const ds::LimitCircles& t = ds::kUrrLimitCircles[g];
        std::vector<double> rings, between{ds::kUrrCircleFractions[0] * t.outerRadius() / 2};
        for (int i = 0; i < ds::kUrrCirclesPerTarget; ++i) {
            rings.push_back(ds::kUrrCircleFractions[i] * t.outerRadius());
            if (i > 0) between.push_back((rings[i] + rings[i - 1]) / 2);
        }
        EXPECT_TRUE(probe(px, t.x, t.y1, rings, between)) << "target " << g;
    }
    // The origin's entry has no circles: nothing but the grid near it.
    const ds::LimitCircles& origin = ds::kUrrLimitCircles[0];
    EXPECT_TRUE(probe(px, origin.x, origin.y1, {}, {30, 45, 60, 90}));
}

TEST(ProtocolImagesGeometry, UrrGridRingsEveryStation) {
    const Pixels px(stored(0x179DC06));
    ASSERT_EQ(px.width, ds::kUrrSide);
    for (int k = 1; k <= ds::kUrrRings; ++k) {
        const double r = k * ds::kUrrPixelsPerStation;
        EXPECT_TRUE(probe(px, ds::kUrrOriginX, ds::kUrrOriginY, {r}, {r - 40, r + 40})) << k;
    }
}

// ---- The generator (built with the tools, so not in the sanitizer flavours) ----

#ifdef KS_PROTOART
class ProtocolImagesGenerator : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "ks_protoart_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(ProtocolImagesGenerator, WritesTheCommittedFilesByteForByte) {
    ASSERT_EQ(pdfinspect::runTool({KS_PROTOART, dir_.string()}).status, 0);
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.file);
        const std::string made = readFile((dir_ / p.file).string());
        EXPECT_FALSE(made.empty());
        EXPECT_TRUE(made == readFile(std::string(KS_SOURCE_DIR) + "/assets/protocol/" + p.file));
    }
}

struct Placement {
    double left, top, width, height;
    double centreX() const { return left + width / 2; }
    double centreY() const { return top + height / 2; }
};

// Every image a page draws, in writer coordinates.
std::vector<Placement> imagesOf(const std::string& pdf, int page) {
    std::vector<Placement> out;
    const auto ops = pdfinspect::contentOps(pdfinspect::pageContent(pdf, page));
    for (std::size_t i = 0; i + 1 < ops.size(); ++i)
        if (ops[i].op == "cm" && ops[i].numbers.size() == 6 && ops[i + 1].op == "Do") {
            const auto& n = ops[i].numbers;
            out.push_back({n[4], PdfDoc::kFlipY - n[5] - n[3], n[0], n[3]});
        }
    return out;
}

// Splits a page's images into the sheet (the widest) and the marks of a size.
bool sheetAndMarks(const std::vector<Placement>& all, double markSize, Placement& sheet,
                   std::vector<Placement>& marks) {
    bool found = false;
    for (const Placement& p : all) {
        if (p.width > 500) sheet = p, found = true;
        if (std::fabs(p.width - markSize) < 0.01) marks.push_back(p);
    }
    return found;
}

TEST_F(ProtocolImagesGenerator, PreviewMarksIdealReadingsOnTheirLinesAndTargets) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    const std::string pdf = (dir_ / "preview.pdf").string();
    ASSERT_EQ(pdfinspect::runTool({KS_PROTOART, dir_.string(), "--preview", pdf}).status, 0);
    EXPECT_EQ(pdfinspect::info(pdf)["Pages"], "3");

    // Page 2: every k = 1 on its graph's 1.0 line, one mark per position.
    Placement sheet{};
    std::vector<Placement> marks;
    ASSERT_TRUE(sheetAndMarks(imagesOf(pdf, 2), 10, sheet, marks));
    double s = sheet.width / ds::kUmarSide;
    std::set<std::pair<int, int>> plotted;
    for (const Placement& m : marks) {
        const double x = (m.centreX() - sheet.left) / s, y = (m.centreY() - sheet.top) / s;
        for (int g = 0; g < 2; ++g)
            for (int i = 0; i < ds::kUmarPositions; ++i)
                if (std::fabs(y - ds::kUmarGraphs[g].y0) < 0.5 && std::fabs(x - ds::umarX(ds::kUmarGraphs[g], i)) < 0.5)
                    plotted.insert({g, i});
    }
    EXPECT_EQ(marks.size(), 2u * ds::kUmarPositions);
    EXPECT_EQ(plotted.size(), 2u * ds::kUmarPositions);

    // Page 3: both planes' reading of each target inside its 95 % circle,
    // besides the legend's two marks.
    marks.clear();
    ASSERT_TRUE(sheetAndMarks(imagesOf(pdf, 3), 5, sheet, marks));
    s = sheet.width / ds::kUrrSide;
    std::map<int, int> readingsPerTarget;
    int legendMarks = 0;
    for (const Placement& m : marks) {
        const double left = (m.left - sheet.left) / s, top = (m.top - sheet.top) / s;
        if (std::fabs(left - ds::kUrrLegendX) < 0.5 &&
            (std::fabs(top - ds::kUrrLegendY[0]) < 0.5 || std::fabs(top - ds::kUrrLegendY[1]) < 0.5)) {
            ++legendMarks;
            continue;
        }
        const double x = (m.centreX() - sheet.left) / s, y = (m.centreY() - sheet.top) / s;
        for (int g = 1; g < ds::kUrrTargets; ++g) {
            const ds::LimitCircles& t = ds::kUrrLimitCircles[g];
            if (std::hypot(x - t.x, y - t.y1) < ds::kUrrCircleFractions[0] * t.outerRadius()) ++readingsPerTarget[g];
        }
    }
    EXPECT_EQ(legendMarks, 2);
    EXPECT_EQ(marks.size(), 2u + 2u * (ds::kUrrTargets - 1));
    for (int g = 1; g < ds::kUrrTargets; ++g) EXPECT_EQ(readingsPerTarget[g], 2) << "target " << g;
}
#endif

}  // namespace
