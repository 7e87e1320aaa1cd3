#pragma once
// The drawing interface written as a PDF file through libharu.
//
// Writer coordinates are turned into PDF coordinates (origin bottom left)
// against 845, about three points more than the A4 page height: writer y = 0
// lies 3.1 points above the page's top edge.  The protocols are laid out for
// that.
//
// A failed libharu call costs only the one text or image it was drawing: its
// error is recorded and cleared at once, so the rest of the document and the
// save go on.

#include <hpdf.h>

#include <string>
#include <vector>

#include "protocols/doc.h"

enum class PdfCompression {
    all,   // content streams, fonts and images deflated
    none,  // everything stored plain, so that tests can read the content streams
};

class PdfDoc : public Doc {
public:
    explicit PdfDoc(std::string fileName, PdfCompression compression = PdfCompression::all);
    // Saves a document that is still open.
    ~PdfDoc() override;
    PdfDoc(const PdfDoc&) = delete;
    PdfDoc& operator=(const PdfDoc&) = delete;

    bool begin() override;
    bool save() override;
    void newPage() override;
    float image(float x, float y, float w, float h, const void* source, int size) override;
    float text(float x, float y, float w, float h, const char* text, int slot, float size, int align) override;
    void rect(float x, float y, float w, float h) override;
    void fillRect(float x, float y, float w, float h, float red, float green, float blue) override;
    void line(float x1, float y1, float x2, float y2) override;
    bool loadFont(int slot, const void* data, int size) override;
    void discard() override;
    float wholeHeight(float w, float h, const char* text, int slot, float size) override;

    // The writers' y axis runs down from this line.
    static constexpr float kFlipY = 845.f;

private:
    struct CachedImage {
        HPDF_Image handle = nullptr;  // null: the load failed
        std::string fileName;         // empty for an image from memory
        const void* address = nullptr;  // null for an image from a file
    };

    static void onError(HPDF_STATUS error, HPDF_STATUS detail, void* self);
    bool settle();
    void freeDocument();
    // The face loaded into a slot; null before one is.
    HPDF_Font faceOf(int slot);
    CachedImage& cachedImage(const void* source, int size);
    void drawRuns(char* text, float x, float y, HPDF_Font font, float size);
    void drawBoxed(const char* text, float x, float y, float w, float h, float size, int align);
    void drawWhole(const char* text, float x, float y, float w, float h, HPDF_Font font, float size,
                   int align);

    HPDF_Doc document_ = nullptr;
    HPDF_Page page_ = nullptr;
    int lastError_ = 0;
    const char* fontNames_[kFontSlots] = {nullptr, nullptr};  // owned by the document
    std::vector<CachedImage> images_;
    std::string fileName_;
    PdfCompression compression_;
};

// Test seam: load fonts through temporary files instead of memory files, as on
// a kernel without memfd_create.
namespace pdfdoc_testing {
void useTemporaryFontFiles(bool on);
}
