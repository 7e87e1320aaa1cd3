// PdfDoc checked on the files it writes: poppler's tools read them back, the
// uncompressed content streams give the exact geometry, and the rendered page
// shows the ink.
#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "protocols/pdf_doc.h"
#include "resources/resource_store.h"
#include "support/protocols_pdf_inspect.h"
#include "texts/text_ids.h"
#include "support/protocols_test_images.h"

namespace fs = std::filesystem;
using pdfinspect::ContentOp;

namespace {

ResourceEntry face(int slot) {
    static const bool indexed = indexEmbeddedResources();
    EXPECT_TRUE(indexed);
    return findResource(slot == Doc::kRegularSlot ? 0xC66802 : 0xC66803);
}

class PdfDocBase : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
        std::string tmpl = (fs::temp_directory_path() / "ks_pdfdoc_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }
    // A document begun with both faces loaded.
    std::unique_ptr<PdfDoc> open(const std::string& path, PdfCompression compression = PdfCompression::all) {
        auto doc = std::make_unique<PdfDoc>(path, compression);
        EXPECT_TRUE(doc->begin());
        for (int slot : {Doc::kRegularSlot, Doc::kBoldSlot})
            EXPECT_TRUE(doc->loadFont(slot, face(slot).data, static_cast<int>(face(slot).size)));
        return doc;
    }
    const pdfinspect::Word* word(const std::string& pdf, const std::string& text) {
        words_ = pdfinspect::words(pdf);
        for (const auto& w : words_)
            if (w.text == text) return &w;
        return nullptr;
    }
    fs::path dir_;
    std::vector<pdfinspect::Word> words_;
};

class PdfDocText : public PdfDocBase {};
class PdfDocImage : public PdfDocBase {};
class PdfDocFile : public PdfDocBase {};
class PdfDocFaces : public PdfDocBase {};

std::string repeated(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

std::string withoutSpace(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); }), s.end());
    return s;
}

TEST_F(PdfDocText, WidthsAndLengthLimit) {
    const std::string path = file("w.pdf");
    auto doc = open(path);
    const float measured = doc->text(100, 100, 0, 20, "Messwert", Doc::kRegularSlot, 12, Doc::kAlignLeft);
    EXPECT_FLOAT_EQ(doc->text(100, 150, -20, 20, "Negativ", Doc::kRegularSlot, 12, Doc::kAlignLeft), -20);
    // 102 words of 5 bytes and "x": 511 bytes, all drawn.
    std::string full;
    for (int i = 0; i < 102; ++i) full += "w" + std::to_string(1000 + i).substr(1) + " ";
    full += "x";
    ASSERT_EQ(full.size(), 511u);
    doc->text(40, 200, 500, 300, full.c_str(), Doc::kRegularSlot, 10, Doc::kAlignLeft);
    // 120 x "Ёж " is 600 bytes: cut before the Ё that straddles byte 511.
    doc->text(40, 600, 500, 200, repeated("Ёж ", 120).c_str(), Doc::kBoldSlot, 10, Doc::kAlignLeft);
    ASSERT_TRUE(doc->save());

    const auto* w = word(path, "Messwert");
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(measured - 8, w->xMax - w->xMin, 1.0);
    const std::string text = withoutSpace(pdfinspect::text(path));
    EXPECT_NE(text.find(withoutSpace(full)), std::string::npos);
    const std::string cut = "x" + repeated("Ёж", 102);
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), cut.size())), cut);
}

// Runs between '|' marks: two thirds of the size, a third below, then back.
TEST_F(PdfDocText, LoweredRunsFollowTheTextMatrix) {
    struct Case {
        const char* text;
        int align;
        int runs;
    } cases[] = {{"U|mar|", Doc::kAlignLeft, 3}, {"U|mar|", Doc::kAlignCentre, 3},
                 {"A|lo|B", Doc::kAlignRight, 3}, {"I|sc| = 5|x|y", 5, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + std::string(" align ") + std::to_string(c.align));
        const std::string path = file("runs.pdf");
        auto doc = open(path, PdfCompression::none);
        doc->text(50, 100, 300, 30, c.text, Doc::kRegularSlot, 12, c.align);
        ASSERT_TRUE(doc->save());
        std::vector<double> sizes, xs, ys;
        for (const ContentOp& op : pdfinspect::contentOps(pdfinspect::pageContent(path))) {
            if (op.op == "Tf") sizes.push_back(op.numbers.at(0));
            if (op.op == "Td") xs.push_back(op.numbers.at(0)), ys.push_back(op.numbers.at(1));
            if (op.op == "Tm") xs.push_back(op.numbers.at(4)), ys.push_back(op.numbers.at(5));
        }
        ASSERT_EQ(sizes.size(), static_cast<size_t>(c.runs));
        ASSERT_EQ(ys.size(), static_cast<size_t>(c.runs));
        EXPECT_DOUBLE_EQ(xs[0], 50);
        const double baseline = 845 - 100 - 12;
        for (int i = 0; i < c.runs; ++i) {
            const bool lowered = i % 2 == 1;
            EXPECT_NEAR(sizes[i], lowered ? 8 : 12, 1e-4);
            EXPECT_NEAR(ys[i], lowered ? baseline - 4 : baseline, 1e-3);
            if (i > 0) {
                EXPECT_GT(xs[i], xs[i - 1]);
            }
        }
    }
}

TEST_F(PdfDocText, AlignmentsAndOverWideWords) {
    struct Case {
        const char* text;
        float w;
        int align;
        double expectedLeft, expectedRight;  // NAN: not checked
    } cases[] = {
        {"Links", 300, Doc::kAlignLeft, 100, NAN},      {"Rechts", 300, Doc::kAlignRight, NAN, 400},
        {"Fuenf", 300, 5, NAN, 400},                    {"1234567890123", 20, Doc::kAlignLeft, 100, NAN},
        {"98765432109876", 20, Doc::kAlignRight, NAN, 120},
    };
    const std::string path = file("align.pdf");
    auto doc = open(path);
    float y = 100;
    for (const auto& c : cases) doc->text(100, y += 40, c.w, 20, c.text, Doc::kRegularSlot, 12, c.align);
    doc->text(100, y += 40, 300, 20, "Mitte", Doc::kBoldSlot, 12, Doc::kAlignCentre);
    ASSERT_TRUE(doc->save());
    for (const auto& c : cases) {
        const auto* w = word(path, c.text);
        ASSERT_NE(w, nullptr) << c.text;
        if (!std::isnan(c.expectedLeft)) {
            EXPECT_NEAR(w->xMin, c.expectedLeft, 1.5) << c.text;
        }
        if (!std::isnan(c.expectedRight)) {
            EXPECT_NEAR(w->xMax, c.expectedRight, 1.5) << c.text;
        }
    }
    const auto* centred = word(path, "Mitte");
    ASSERT_NE(centred, nullptr);
    EXPECT_NEAR((centred->xMin + centred->xMax) / 2, 250, 1.5);
}

// Writer y runs down from 845: y = 0 lies 3.1 points above the page's top edge.
TEST_F(PdfDocText, ShapesLandAgainstTheFlip) {
    const std::string path = file("shapes.pdf");
    auto doc = open(path);
    doc->fillRect(100, 100, 50, 20, 0, 0, 0);
    doc->rect(300, 100, 50, 20);
    doc->line(100, 300, 200, 300);
    ASSERT_TRUE(doc->save());
    Pgm page;
    ASSERT_TRUE(pdfinspect::render(path, page));
    const int up = 3;  // 845 - 841.89, rounded
    EXPECT_TRUE(page.inkIn(102, 100 - up + 1, 148, 120 - up - 1));
    EXPECT_FALSE(page.inkIn(95, 0, 155, 100 - up - 1));
    EXPECT_FALSE(page.inkIn(95, 120 - up + 1, 155, 140));
    EXPECT_TRUE(page.inkIn(298, 100 - up - 1, 302, 120 - up + 1));  // frame's left edge
    EXPECT_FALSE(page.inkIn(305, 100 - up + 2, 345, 120 - up - 2));  // not filled
    EXPECT_TRUE(page.inkIn(110, 300 - up - 1, 190, 300 - up + 1));
}

TEST_F(PdfDocImage, FitsTheBoxKeepingTheAspectRatio) {
    struct Case {
        int iw, ih;
        float result, drawnW, drawnH, top;
    } cases[] = {{200, 100, 100, 100, 50, 125}, {100, 200, 50, 50, 100, 100}, {100, 100, 100, 100, 100, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.iw) + "x" + std::to_string(c.ih));
        const std::string path = file("fit.pdf");
        const std::string png = solidPng(c.iw, c.ih, 0x3366CCFF);
        auto doc = open(path, PdfCompression::none);
        EXPECT_FLOAT_EQ(doc->image(50, 100, 100, 100, png.data(), static_cast<int>(png.size())), c.result);
        ASSERT_TRUE(doc->save());
        std::vector<double> cm;
        for (const ContentOp& op : pdfinspect::contentOps(pdfinspect::pageContent(path)))
            if (op.op == "cm") cm = op.numbers;
        ASSERT_EQ(cm.size(), 6u);
        EXPECT_EQ(cm, (std::vector<double>{c.drawnW, 0, 0, c.drawnH, 50, 845 - c.top - c.drawnH}));
    }
}

TEST_F(PdfDocImage, PicksTheDecoderAndLoadsEachSourceOnce) {
    const std::string png = solidPng(8, 4, 0x808080FF), jpeg = solidJpeg(8, 4, 0x808080);
    const std::string pngCopy = png;
    const std::string broken = "\x89PNG not really";
    std::ofstream(file("a.PNG"), std::ios::binary) << png;
    std::ofstream(file("b.jpeg"), std::ios::binary) << jpeg;
    std::ofstream(file("c.jpg"), std::ios::binary) << png;  // a PNG named as a JPEG is not loaded
    const std::string path = file("img.pdf");
    auto doc = open(path);
    auto draw = [&](const std::string& block) {
        return doc->image(10, 10, 40, 40, block.data(), static_cast<int>(block.size()));
    };
    auto drawFile = [&](const char* name) { return doc->image(10, 10, 40, 40, file(name).c_str(), 0); };
    EXPECT_EQ(draw(broken), 0);
    EXPECT_GT(draw(png), 0);
    EXPECT_GT(draw(png), 0);      // same block: cached
    EXPECT_GT(draw(pngCopy), 0);  // equal bytes elsewhere: loaded again
    EXPECT_GT(draw(jpeg), 0);
    EXPECT_EQ(draw(broken), 0);
    EXPECT_GT(drawFile("a.PNG"), 0);
    EXPECT_GT(drawFile("b.jpeg"), 0);
    EXPECT_GT(drawFile("a.PNG"), 0);
    EXPECT_EQ(drawFile("c.jpg"), 0);
    EXPECT_EQ(drawFile("missing.png"), 0);
    EXPECT_EQ(doc->image(10, 10, 40, 40, nullptr, 0), 0);
    EXPECT_EQ(doc->image(10, 10, 40, 40, nullptr, 100), 0);
    ASSERT_TRUE(doc->save());
    // One row per drawing, one object per load.
    std::vector<std::string> encodings;
    std::set<int> objects;
    for (const auto& row : pdfinspect::images(path)) {
        encodings.push_back(row.encoding);
        objects.insert(row.object);
    }
    EXPECT_EQ(encodings, (std::vector<std::string>{"image", "image", "image", "jpeg", "image", "jpeg", "image"}));
    EXPECT_EQ(objects.size(), 5u);
}

TEST_F(PdfDocImage, TransparentPngShowsTheFillWithACompressedMask) {
    const std::string path = file("alpha.pdf");
    const std::string png = halfTransparentPng(400, 200, 0xFFFFFF), opaque = solidPng(400, 200, 0xFFFFFFFF);
    auto doc = open(path);
    doc->fillRect(100, 100, 200, 100, 0, 0, 0);
    doc->image(100, 100, 200, 100, png.data(), static_cast<int>(png.size()));
    doc->fillRect(100, 300, 200, 100, 0, 0, 0);
    doc->image(100, 300, 200, 100, opaque.data(), static_cast<int>(opaque.size()));
    ASSERT_TRUE(doc->save());
    Pgm page;
    ASSERT_TRUE(pdfinspect::render(path, page));
    EXPECT_TRUE(page.inkIn(110, 110, 190, 180));    // the fill through the transparent half
    EXPECT_FALSE(page.inkIn(210, 110, 290, 180));   // the opaque white half over it
    EXPECT_FALSE(page.inkIn(110, 310, 290, 380));   // an opaque picture hides it all
    const auto rows = pdfinspect::images(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].type, "smask");
    EXPECT_LT(rows[1].ratioPercent, 10);
    EXPECT_LT(rows[0].ratioPercent, 10);
}

// The diagram sheets come prepared when the program is built: a document
// that embeds them leaves nothing on the heap once it is gone.
TEST_F(PdfDocImage, StorePicturesLeaveTheHeapAsItWas) {
    const auto inUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return m.uordblks + m.hblkhd;
    };
    face(Doc::kRegularSlot);  // the store indexed
    const std::size_t before = inUse();
    {
        auto doc = open(file("sheets.pdf"));
        for (TextId key : {textid::kProtocolImageUmarSheet, textid::kProtocolImageUrrDiagram}) {
            const ResourceEntry sheet = findResource(key);
            EXPECT_GT(doc->image(0, 0, 500, 500, sheet.data, static_cast<int>(sheet.size)), 0) << key;
        }
        doc->discard();
    }
    EXPECT_LT(inUse(), before + (1u << 20));
}

TEST_F(PdfDocFile, SavesWholeOrNotAtAll) {
    const std::string path = file("out.pdf");
    {
        PdfDoc neverBegun(path);
        EXPECT_FALSE(neverBegun.save());
    }
    EXPECT_FALSE(fs::exists(path));
    {
        auto unsaved = open(path);
        unsaved->newPage();
        unsaved->text(10, 10, 0, 20, "Seite 2", Doc::kRegularSlot, 12, Doc::kAlignLeft);
    }
    EXPECT_EQ(pdfinspect::info(path)["Pages"], "2");
    EXPECT_NE(pdfinspect::text(path).find("Seite 2"), std::string::npos);

    auto bad = open(file("no/such/folder/out.pdf"));
    EXPECT_FALSE(bad->save());
    EXPECT_FALSE(fs::exists(file("no")));

    auto discarded = open(file("discarded.pdf"));
    discarded->discard();
    EXPECT_FALSE(discarded->save());
    discarded.reset();
    EXPECT_FALSE(fs::exists(file("discarded.pdf")));
}

TEST_F(PdfDocFile, UndrawableCallsCostNothingElse) {
    const std::string path = file("mends.pdf");
    PdfDoc doc(path);
    ASSERT_TRUE(doc.begin());
    const auto regular = face(Doc::kRegularSlot);
    EXPECT_FALSE(doc.loadFont(2, regular.data, static_cast<int>(regular.size)));
    EXPECT_FALSE(doc.loadFont(Doc::kBoldSlot, nullptr, 100));
    EXPECT_FALSE(doc.loadFont(Doc::kBoldSlot, regular.data, 0));
    EXPECT_FALSE(doc.loadFont(Doc::kBoldSlot, "not a font", 10));
    EXPECT_FALSE(doc.loadFont(Doc::kBoldSlot, regular.data, 4000));  // cut short
    ASSERT_TRUE(doc.loadFont(Doc::kRegularSlot, regular.data, static_cast<int>(regular.size)));
    for (int slot : {Doc::kBoldSlot, 2, -1}) EXPECT_EQ(doc.text(10, 10, 33, 20, "Leer", slot, 12, 1), 33);
    doc.text(10, 40, 100, 20, "Null", Doc::kRegularSlot, 0, Doc::kAlignLeft);  // libharu refuses size 0
    const std::string png = solidPng(4, 4, 0x00FF00FF);
    EXPECT_EQ(doc.image(10, 100, 40, 40, "\x89 broken", 9), 0);
    EXPECT_GT(doc.image(10, 100, 40, 40, png.data(), static_cast<int>(png.size())), 0);
    doc.text(10, 200, 200, 20, "Danach", Doc::kRegularSlot, 12, Doc::kAlignLeft);
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(pdfinspect::info(path)["Pages"], "1");
    EXPECT_EQ(pdfinspect::fonts(path).size(), 1u);
    EXPECT_EQ(withoutSpace(pdfinspect::text(path)), "Danach");
    EXPECT_EQ(pdfinspect::images(path).size(), 1u);
}

TEST_F(PdfDocFile, SecondBeginSavesTheFirstAndReloadsImages) {
    const std::string first = file("first.pdf");
    const std::string png = solidPng(16, 16, 0xCC3333FF);
    PdfDoc doc(first);
    auto draw = [&] { return doc.image(10, 10, 50, 50, png.data(), static_cast<int>(png.size())); };
    ASSERT_TRUE(doc.begin());
    EXPECT_GT(draw(), 0);
    ASSERT_TRUE(doc.begin());  // writes the first document
    fs::rename(first, file("one.pdf"));
    EXPECT_GT(draw(), 0);
    ASSERT_TRUE(doc.save());
    for (const char* name : {"one.pdf", "first.pdf"}) {
        EXPECT_EQ(pdfinspect::info(file(name))["Pages"], "1") << name;
        EXPECT_EQ(pdfinspect::images(file(name)).size(), 1u) << name;
    }
}

// Every letter of both alphabets has ink where pdftotext puts it, in both
// faces, loaded through memory files and through temporary files.
TEST_F(PdfDocFaces, DrawEveryLetterWithInk) {
    const std::string letters =
        "А Б В Г Д Е Ё Ж З И Й К Л М Н О П Р С Т У Ф Х Ц Ч Ш Щ Ъ Ы Ь Э Ю Я "
        "а б в г д е ё ж з и й к л м н о п р с т у ф х ц ч ш щ ъ ы ь э ю я "
        "A B C D E F G H I J K L M N O P Q R S T U V W X Y Z a b c d e f g h i j k l m n o p q r s t u v w x y z "
        "№ ° ± × •";
    for (bool temporary : {false, true}) {
        SCOPED_TRACE(temporary ? "temporary files" : "memory files");
        pdfdoc_testing::useTemporaryFontFiles(temporary);
        const std::string path = file("faces.pdf");
        auto doc = open(path);
        doc->text(40, 100, 500, 300, letters.c_str(), Doc::kRegularSlot, 16, Doc::kAlignLeft);
        doc->text(40, 450, 500, 300, letters.c_str(), Doc::kBoldSlot, 16, Doc::kAlignLeft);
        ASSERT_TRUE(doc->save());
        pdfdoc_testing::useTemporaryFontFiles(false);

        const auto fonts = pdfinspect::fonts(path);
        ASSERT_EQ(fonts.size(), 2u);
        for (const auto& f : fonts) {
            EXPECT_EQ(f.type, "CID TrueType");
            EXPECT_TRUE(f.embedded);
        }
        EXPECT_EQ(withoutSpace(pdfinspect::text(path)), withoutSpace(letters + letters));
        // Valid ToUnicode maps: poppler reads them without a warning.
        EXPECT_EQ(pdfinspect::runTool({"pdftotext", path, "/dev/null"}, true).out, "");
        Pgm page;
        ASSERT_TRUE(pdfinspect::render(path, page));
        const auto words = pdfinspect::words(path);
        EXPECT_EQ(words.size(), 2 * static_cast<size_t>(std::count(letters.begin(), letters.end(), ' ') + 1));
        for (const auto& w : words)
            EXPECT_TRUE(page.inkIn(int(w.xMin), int(w.yMin), int(std::ceil(w.xMax)), int(std::ceil(w.yMax))))
                << "blank glyph " << w.text;
    }
}

}  // namespace
