#include "protocols/pdf_doc.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_replace.h"
#include "protocols/pdf_font_file.h"
#include "protocols/pdf_images.h"
#include "texts/format.h"

namespace {

FontFileKind g_fontFileKind = FontFileKind::memory;

constexpr const char* kTextEncoding = "UTF-8";
constexpr float kFrameLineWidth = 0.5f;
constexpr float kLineWidth = 1.0f;
constexpr float kMeasuredTextMargin = 8.f;
constexpr float kGlyphUnitsPerEm = 1000.f;  // libharu's font metrics
constexpr char kRunMark = '|';
// A value too wide for its box shrinks on its line down to this share of its
// size; below it, two lines within the box read better.
constexpr float kSmallestOneLineShare = 0.6f;
constexpr int kLinesOfAValue = 2;
// A value made smaller ends this far before its box's edge, clear of the next column.
constexpr float kValueClearance = 3.f;

using TextBuffer = char[Doc::kMaxTextBytes + 1];

// Copies a text, cut at the last whole UTF-8 character within the limit.
void copyText(const char* text, TextBuffer& out) {
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > Doc::kMaxTextBytes) {
        n = Doc::kMaxTextBytes;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    if (n > 0) std::memcpy(out, text, n);
    out[n] = '\0';
}

HPDF_TextAlignment alignmentOf(int align) {
    switch (align) {
        case Doc::kAlignCentre: return HPDF_TALIGN_CENTER;
        case Doc::kAlignLeft: return HPDF_TALIGN_LEFT;
        default: return HPDF_TALIGN_RIGHT;
    }
}

float alignedLeft(float x, float w, float textWidth, int align) {
    switch (align) {
        case Doc::kAlignCentre: return x + (w - textWidth) / 2;
        case Doc::kAlignLeft: return x;
        default: return x + w - textWidth;
    }
}

float unitColour(float c) { return std::clamp(c, 0.f, 1.f); }

// The ToUnicode map of a UTF-8 face: libharu 2.3 writes the encoding's CID
// ranges there, which readers reject, so text could not be searched or
// copied.  The codes it shows are the characters' own code points, so the map
// is the identity on the basic plane, surrogates left out, in ranges of one
// high byte each (a range may only vary its last byte).
std::string identityToUnicodeMap() {
    constexpr int kHighBytes = 0x100;
    constexpr int kFirstSurrogate = 0xD8, kLastSurrogate = 0xDF;
    constexpr int kRangesPerBlock = 100;  // the most one bfrange block may hold
    std::vector<int> highs;
    for (int high = 0; high < kHighBytes; ++high)
        if (high < kFirstSurrogate || high > kLastSurrogate) highs.push_back(high);
    std::string map =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (std::size_t i = 0; i < highs.size(); i += kRangesPerBlock) {
        const std::size_t n = std::min<std::size_t>(kRangesPerBlock, highs.size() - i);
        map += ks::format("{} beginbfrange\n", n);
        for (std::size_t k = i; k < i + n; ++k)
            map += ks::format("<{0:02X}00> <{0:02X}FF> <{0:02X}00>\n", highs[k]);
        map += "endbfrange\n";
    }
    return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// Gives a UTF-8 face the valid map; its dictionary keeps only what a
// ToUnicode stream has.
bool mapToUnicode(HPDF_Font font) {
    const auto map = static_cast<HPDF_Dict>(HPDF_Dict_GetItem(font, "ToUnicode", HPDF_OCLASS_DICT));
    if (!map || !map->stream) return false;
    for (const char* key : {"Type", "CMapName", "CIDSystemInfo", "WMode"}) HPDF_Dict_RemoveElement(map, key);
    HPDF_MemStream_FreeData(map->stream);
    static const std::string kMap = identityToUnicodeMap();
    return HPDF_Stream_WriteStr(map->stream, kMap.c_str()) == HPDF_OK;
}

}  // namespace

namespace pdfdoc_testing {
void useTemporaryFontFiles(bool on) { g_fontFileKind = on ? FontFileKind::temporary : FontFileKind::memory; }
}  // namespace pdfdoc_testing

PdfDoc::PdfDoc(std::string fileName, PdfCompression compression)
    : fileName_(std::move(fileName)), compression_(compression) {}

PdfDoc::~PdfDoc() {
    if (document_) save();
}

void PdfDoc::onError(HPDF_STATUS error, HPDF_STATUS /*detail*/, void* self) {
    static_cast<PdfDoc*>(self)->lastError_ = static_cast<int>(error);
}

// libharu's errors are sticky: after one that is not reset, every later call
// fails, the save too.  Failures are settled here, at the latest before the
// operator that closes a text object or a path, so the page never stays in
// the middle of one.
bool PdfDoc::settle() {
    if (lastError_ == 0) return true;
    HPDF_ResetError(document_);
    lastError_ = 0;
    return false;
}

void PdfDoc::freeDocument() {
    HPDF_Free(document_);
    document_ = nullptr;
    page_ = nullptr;
    lastError_ = 0;
    std::fill(std::begin(fontNames_), std::end(fontNames_), nullptr);
    // The handles belonged to the freed document.
    images_.clear();
}

bool PdfDoc::begin() {
    if (document_) save();
    document_ = HPDF_New(&PdfDoc::onError, this);
    if (!document_) return false;
    HPDF_SetCompressionMode(document_, compression_ == PdfCompression::all ? HPDF_COMP_ALL : HPDF_COMP_NONE);
    HPDF_UseUTFEncodings(document_);
    settle();
    newPage();
    if (page_) return true;
    freeDocument();
    return false;
}

bool PdfDoc::save() {
    if (!document_) return false;
    settle();
    // libharu writes into its own memory stream; the file is written by us, whole or not at all.
    std::string bytes;
    bool complete = HPDF_SaveToStream(document_) == HPDF_OK;
    if (complete) {
        bytes.resize(HPDF_GetStreamSize(document_));
        std::size_t done = 0;
        while (done < bytes.size()) {
            auto n = static_cast<HPDF_UINT32>(bytes.size() - done);
            HPDF_ReadFromStream(document_, reinterpret_cast<HPDF_BYTE*>(&bytes[done]), &n);
            if (n == 0) break;
            done += n;
        }
        complete = done == bytes.size() && !bytes.empty();
    }
    freeDocument();
    return complete && platform::replaceFile(fileName_, bytes);
}

void PdfDoc::discard() {
    if (document_) freeDocument();
}

void PdfDoc::newPage() {
    if (!document_) return;
    HPDF_Page page = HPDF_AddPage(document_);
    if (settle() && page) page_ = page;
}

bool PdfDoc::loadFont(int slot, const void* data, int size) {
    if (slot < 0 || slot >= kFontSlots || !document_ || !data || size <= 0) return false;
    const char* name = loadTrueTypeFace(document_, data, static_cast<std::size_t>(size), g_fontFileKind);
    // A face that cannot be taken as UTF-8 would fail every text later.
    const HPDF_Font font = name ? HPDF_GetFont(document_, name, kTextEncoding) : nullptr;
    const bool usable = font && mapToUnicode(font);
    if (!settle() || !usable) return false;
    fontNames_[slot] = name;
    return true;
}

float PdfDoc::text(float x, float y, float w, float h, const char* text, int slot, float size, int align) {
    const bool whole = (align & kFitWhole) != 0;
    align &= ~kFitWhole;
    if (!page_ || slot < 0 || slot >= kFontSlots || !fontNames_[slot]) return w;
    HPDF_Font font = HPDF_GetFont(document_, fontNames_[slot], kTextEncoding);
    if (!settle() || !font) return w;
    TextBuffer buffer;
    copyText(text, buffer);

    HPDF_Page_BeginText(page_);
    HPDF_Page_SetRGBFill(page_, 0, 0, 0);
    HPDF_Page_SetFontAndSize(page_, font, size);
    HPDF_Page_SetTextLeading(page_, size);
    if (w == 0) w = HPDF_Page_TextWidth(page_, buffer) + kMeasuredTextMargin;
    if (std::strchr(buffer, kRunMark))
        drawRuns(buffer, x, y, font, size);
    else if (whole)
        drawWhole(buffer, x, y, w, h, font, size, align);
    else
        drawBoxed(buffer, x, y, w, h, size, align);
    settle();
    HPDF_Page_EndText(page_);
    settle();
    return w;
}

// Runs between '|' marks are drawn a third smaller and a third of the size
// lower; the runs after them return to the baseline and the full size.
void PdfDoc::drawRuns(char* text, float x, float y, HPDF_Font font, float size) {
    HPDF_Page_MoveTextPos(page_, x, kFlipY - y - size);
    float shift = size / 3;
    char* run = text;
    for (char* mark; (mark = std::strchr(run, kRunMark)) != nullptr; run = mark + 1) {
        *mark = '\0';
        HPDF_Page_ShowText(page_, run);
        const HPDF_Point at = HPDF_Page_GetCurrentTextPos(page_);
        shift = -shift;
        HPDF_Page_SetFontAndSize(page_, font, shift < 0 ? size - size / 3 : size);
        HPDF_Page_SetTextMatrix(page_, 1, 0, 0, 1, at.x, at.y + shift);
    }
    HPDF_Page_ShowText(page_, run);
}

void PdfDoc::drawBoxed(const char* text, float x, float y, float w, float h, float size, int align) {
    const float top = kFlipY - y;
    HPDF_UINT placed = 0;
    HPDF_Page_TextRect(page_, x, top, x + w, top - h, text, alignmentOf(align), &placed);
    if (placed > 0 || text[0] == '\0') return;
    // libharu places nothing of a word wider than its box; a number or a name
    // must not vanish, so it goes unwrapped onto the box's first line.
    const HPDF_Box box = HPDF_Font_GetBBox(HPDF_Page_GetCurrentFont(page_));
    const float baseline = top - box.top * size / kGlyphUnitsPerEm;
    const float left = alignedLeft(x, w, HPDF_Page_TextWidth(page_, text), align);
    HPDF_Page_SetTextMatrix(page_, 1, 0, 0, 1, left, baseline);
    HPDF_Page_ShowText(page_, text);
}

// A value wider than its box: one smaller line on the box's first baseline,
// or, where that would be too small, two lines split at the blank that
// balances them, as large as the box's height and width allow.  A value
// without a blank stays on one line however small.
void PdfDoc::drawWhole(const char* text, float x, float y, float w, float h, HPDF_Font font, float size,
                       int align) {
    const float width = HPDF_Page_TextWidth(page_, text);
    const float room = w - kValueClearance;
    if (room <= 0 || width <= room) {
        drawBoxed(text, x, y, w, h, size, align);
        return;
    }
    const float top = kFlipY - y;
    const float oneLine = size * room / width;
    const std::string all(text);
    std::string first, second;
    float longest = width;
    for (std::size_t blank = all.find(' '); blank != std::string::npos; blank = all.find(' ', blank + 1)) {
        const std::size_t rest = all.find_first_not_of(' ', blank);
        if (blank == 0 || rest == std::string::npos) continue;  // an outer blank splits nothing
        const std::string a = all.substr(0, blank), b = all.substr(rest);
        const float wider =
            std::max(HPDF_Page_TextWidth(page_, a.c_str()), HPDF_Page_TextWidth(page_, b.c_str()));
        if (wider < longest) longest = wider, first = a, second = b;
    }
    const float twoLines = std::min({size, h / kLinesOfAValue, size * room / longest});
    auto show = [&](const std::string& line, float lineSize, float baseline) {
        HPDF_Page_SetFontAndSize(page_, font, lineSize);
        const float left = alignedLeft(x, room, HPDF_Page_TextWidth(page_, line.c_str()), align);
        HPDF_Page_SetTextMatrix(page_, 1, 0, 0, 1, left, baseline);
        HPDF_Page_ShowText(page_, line.c_str());
    };
    if (oneLine >= kSmallestOneLineShare * size || second.empty() || twoLines <= oneLine) {
        // On the baseline a line of the full size would have, beside its label.
        show(all, oneLine, top - HPDF_Font_GetBBox(font).top * size / kGlyphUnitsPerEm);
        return;
    }
    const float baseline = top - HPDF_Font_GetAscent(font) * twoLines / kGlyphUnitsPerEm;
    show(first, twoLines, baseline);
    show(second, twoLines, baseline - twoLines);
}

void PdfDoc::rect(float x, float y, float w, float h) {
    if (!page_) return;
    HPDF_Page_SetLineWidth(page_, kFrameLineWidth);
    HPDF_Page_Rectangle(page_, x, kFlipY - y - h, w, h);
    settle();
    HPDF_Page_Stroke(page_);
    settle();
}

void PdfDoc::fillRect(float x, float y, float w, float h, float red, float green, float blue) {
    if (!page_) return;
    HPDF_Page_SetRGBFill(page_, unitColour(red), unitColour(green), unitColour(blue));
    HPDF_Page_Rectangle(page_, x, kFlipY - y - h, w, h);
    settle();
    HPDF_Page_Fill(page_);
    settle();
}

void PdfDoc::line(float x1, float y1, float x2, float y2) {
    if (!page_) return;
    HPDF_Page_SetLineWidth(page_, kLineWidth);
    HPDF_Page_MoveTo(page_, x1, kFlipY - y1);
    HPDF_Page_LineTo(page_, x2, kFlipY - y2);
    settle();
    HPDF_Page_Stroke(page_);
    settle();
}

PdfDoc::CachedImage& PdfDoc::cachedImage(const void* source, int size) {
    const bool fromFile = size == 0;
    const char* name = fromFile ? static_cast<const char*>(source) : nullptr;
    for (CachedImage& e : images_)
        if (fromFile ? (e.address == nullptr && e.fileName == name) : e.address == source) return e;
    CachedImage entry;
    if (fromFile) {
        entry.fileName = name;
        entry.handle = loadImageFromFile(document_, name);
    } else {
        entry.address = source;
        entry.handle = loadImageFromMemory(document_, source, static_cast<std::size_t>(size));
    }
    // A failed load (null handle) stays cached, so the same source is not tried again.
    settle();
    images_.push_back(std::move(entry));
    return images_.back();
}

float PdfDoc::image(float x, float y, float w, float h, const void* source, int size) {
    if (!page_ || !source || size < 0) return 0;
    const HPDF_Image handle = cachedImage(source, size).handle;
    if (!handle) return 0;
    const float iw = static_cast<float>(HPDF_Image_GetWidth(handle));
    const float ih = static_cast<float>(HPDF_Image_GetHeight(handle));
    if (iw <= 0 || ih <= 0) return 0;
    // Fit into the box keeping the aspect ratio: full height when the width
    // allows, else full width, centred vertically.
    const float fullHeightWidth = iw * h / ih;
    const bool fullWidth = fullHeightWidth > w;
    const float drawnW = fullWidth ? w : fullHeightWidth;
    const float drawnH = fullWidth ? ih * w / iw : h;
    const float top = fullWidth ? y + (h - drawnH) / 2 : y;
    HPDF_Page_DrawImage(page_, handle, x, kFlipY - top - drawnH, drawnW, drawnH);
    if (!settle()) return 0;
    return drawnW;
}
