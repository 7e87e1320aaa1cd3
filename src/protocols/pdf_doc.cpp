#include "protocols/pdf_doc.h"

#include <algorithm>
#include <cstring>
#include <functional>
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
// A value too wide for its box shrinks down to this share of its size, and
// never below the smallest size read without a loupe; below that it goes on
// more lines.
constexpr float kSmallestShare = 0.6f;
constexpr float kSmallestReadableSize = 6.f;
constexpr float kSizeStep = 0.1f;
constexpr float kHeightSlack = 0.01f;  // a box grown to a value's height may miss it by a rounding
constexpr const char* kEllipsis = "…";
// A value made smaller ends this far before its box's edge, clear of the next column.
constexpr float kValueClearance = 3.f;

using TextBuffer = char[Doc::kMaxTextBytes + 1];

// A byte inside a UTF-8 character, not its first.
bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Copies a text, cut at the last whole UTF-8 character within the limit.
void copyText(const char* text, TextBuffer& out) {
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > Doc::kMaxTextBytes) {
        n = Doc::kMaxTextBytes;
        while (n > 0 && continuationByte(text[n])) --n;
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


// Width of a UTF-8 text in a face at a size, in points.
float textWidth(HPDF_Font font, const std::string& s, float size) {
    if (s.empty()) return 0;
    const HPDF_TextWidth tw =
        HPDF_Font_TextWidth(font, reinterpret_cast<const HPDF_BYTE*>(s.data()), static_cast<HPDF_UINT>(s.size()));
    return static_cast<float>(tw.width) * size / kGlyphUnitsPerEm;
}

// The byte length of the UTF-8 character that starts at s[i].
std::size_t characterBytes(const std::string& s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && continuationByte(s[i + n])) ++n;
    return n;
}

// Greedy lines of at most `room` wide by `width`: broken at blanks, and
// inside a word only where the word alone is wider than a line.
std::vector<std::string> wrapLines(const std::string& text, float room,
                                   const std::function<float(const std::string&)>& width) {
    std::vector<std::string> lines;
    std::string line;
    auto place = [&](const std::string& word) {
        const std::string joined = line.empty() ? word : line + " " + word;
        if (width(joined) <= room) {
            line = joined;
            return;
        }
        if (!line.empty()) lines.push_back(line);
        line.clear();
        for (std::size_t i = 0; i < word.size();) {
            const std::size_t n = characterBytes(word, i);
            const std::string longer = line + word.substr(i, n);
            if (!line.empty() && width(longer) > room) {
                lines.push_back(line);
                line = word.substr(i, n);
            } else {
                line = longer;
            }
            i += n;
        }
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string::npos) break;
        const std::size_t end = std::min(text.find(' ', start), text.size());
        place(text.substr(start, end - start));
        at = end;
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

// A face's heights, as shares of its size.
struct FaceHeights {
    float top;      // from the top of a text box to the baseline of its first line
    float ascent;   // above a baseline
    float descent;  // below a baseline
};
FaceHeights heightsOf(HPDF_Font font) {
    return {HPDF_Font_GetBBox(font).top / kGlyphUnitsPerEm, HPDF_Font_GetAscent(font) / kGlyphUnitsPerEm,
            -HPDF_Font_GetDescent(font) / kGlyphUnitsPerEm};
}

// How a value is printed whole in a box `room` wide and `h` high: on one
// line, made smaller down to its smallest legible size; else on as many
// lines as the box holds at the largest size from that down; where even
// these do not hold it, the box's lines at the smallest size, the last
// ending with an ellipsis.  Lines stand a face's line height apart, the
// first on the baseline of its label (a line of the full size): a box that
// gives less room takes them closer (never closer than their size) and
// higher (never above the box).  `height` is the box a value needs to be
// printed whole with such room.
struct WholeValue {
    float size;
    std::vector<std::string> lines;
    float height;
    float first = 0;  // the first baseline below the box's top
    float pitch = 0;  // from one baseline to the next
};
WholeValue layOutWhole(const std::string& text, float room, float h, float size, const FaceHeights& face,
                       const std::function<float(const std::string&)>& widthAtSize) {
    const float least = std::min(size, std::max(kSmallestShare * size, kSmallestReadableSize));
    const float width = widthAtSize(text);
    const float labelLine = face.top * size;
    if (room <= 0 || width <= room) return {size, {text}, h, labelLine};
    if (size * room / width >= least) return {size * room / width, {text}, h, labelLine};
    const float lineHeight = face.ascent + face.descent;
    auto roomy = [&](std::size_t n, float s) { return labelLine + (n - 1) * lineHeight * s + face.descent * s; };
    auto placed = [&](float s, std::vector<std::string> lines, float needed) {
        const std::size_t n = lines.size();
        WholeValue v{s, std::move(lines), needed, labelLine, lineHeight * s};
        if (n > 1 && roomy(n, s) > h) {
            v.pitch = std::max(s, std::min(v.pitch, (h - lineHeight * s) / (n - 1)));
            v.first = std::clamp(h - face.descent * s - (n - 1) * v.pitch, face.ascent * s, labelLine);
        }
        return v;
    };
    // Widths scale with the size: lines at size s are those of a room size / s times as wide.
    auto linesAt = [&](float s) { return wrapLines(text, room * size / s, widthAtSize); };
    // The sizes tried, largest first; the last is the least itself.
    auto sizeAfter = [&](float s) { return s > least ? std::max(least, s - kSizeStep) : 0.f; };
    // The largest size whose lines the box holds a line height apart; failing
    // that, as the box cannot grow, the largest whose lines it holds as close
    // as their size.  The loop ends with the lines at the least size.
    std::vector<std::string> lines, closer;
    float closerSize = 0.f;
    for (float s = size; s > 0; s = sizeAfter(s)) {
        lines = linesAt(s);
        if (roomy(lines.size(), s) <= h + kHeightSlack) return placed(s, std::move(lines), h);
        if (closerSize == 0.f && static_cast<float>(lines.size()) * s <= h) closerSize = s, closer = lines;
    }
    const float needed = roomy(lines.size(), least);
    if (closerSize > 0.f) return placed(closerSize, std::move(closer), needed);
    const std::size_t fit = std::max<std::size_t>(1, static_cast<std::size_t>(h / least));
    if (lines.size() > fit) {
        lines.resize(fit);
        std::string& last = lines.back();
        while (!last.empty() && widthAtSize(last + kEllipsis) * least / size > room) {
            std::size_t i = last.size() - 1;
            while (i > 0 && continuationByte(last[i])) --i;
            last.erase(i);
        }
        last += kEllipsis;
    }
    return placed(least, std::move(lines), needed);
}

// A value laid out whole in a box w wide and h high, in a face at a size.
WholeValue layOutValue(const std::string& text, float w, float h, HPDF_Font font, float size) {
    return layOutWhole(text, w - kValueClearance, h, size, heightsOf(font),
                       [&](const std::string& s) { return textWidth(font, s, size); });
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

HPDF_Font PdfDoc::faceOf(int slot) {
    if (!document_ || slot < 0 || slot >= kFontSlots || !fontNames_[slot]) return nullptr;
    HPDF_Font font = HPDF_GetFont(document_, fontNames_[slot], kTextEncoding);
    return settle() ? font : nullptr;
}

float PdfDoc::text(float x, float y, float w, float h, const char* text, int slot, float size, int align) {
    const bool whole = (align & kFitWhole) != 0;
    align &= ~kFitWhole;
    HPDF_Font font = page_ ? faceOf(slot) : nullptr;
    if (!font) return w;
    TextBuffer buffer;
    copyText(text, buffer);

    HPDF_Page_BeginText(page_);
    HPDF_Page_SetRGBFill(page_, 0, 0, 0);
    HPDF_Page_SetFontAndSize(page_, font, size);
    HPDF_Page_SetTextLeading(page_, size);
    if (w == 0) w = HPDF_Page_TextWidth(page_, buffer) + kMeasuredTextMargin;
    // A value is laid out as it stands, a '|' typed into it too; the lowered
    // runs are the marks of the program's own texts.
    if (whole)
        drawWhole(buffer, x, y, w, h, font, size, align);
    else if (std::strchr(buffer, kRunMark))
        drawRuns(buffer, x, y, font, size);
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

// A value wider than its box, laid out by the lines it takes.
void PdfDoc::drawWhole(const char* text, float x, float y, float w, float h, HPDF_Font font, float size,
                       int align) {
    const WholeValue v = layOutValue(text, w, h, font, size);
    if (v.lines.size() == 1 && v.size == size) {
        drawBoxed(text, x, y, w, h, size, align);
        return;
    }
    const float room = w - kValueClearance;
    float baseline = kFlipY - y - v.first;
    HPDF_Page_SetFontAndSize(page_, font, v.size);
    for (const std::string& line : v.lines) {
        const float left = alignedLeft(x, room, HPDF_Page_TextWidth(page_, line.c_str()), align);
        HPDF_Page_SetTextMatrix(page_, 1, 0, 0, 1, left, baseline);
        HPDF_Page_ShowText(page_, line.c_str());
        baseline -= v.pitch;
    }
}

float PdfDoc::wholeHeight(float w, float h, const char* text, int slot, float size) {
    HPDF_Font font = faceOf(slot);
    if (!font) return h;
    TextBuffer buffer;
    copyText(text, buffer);
    return std::max(h, layOutValue(buffer, w, h, font, size).height);
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
