#pragma once
// A Doc that records every call with its arguments, in order, for the tests of
// the protocol writers.  Widths are deterministic: a text drawn with w == 0
// takes kAdvancePerByte x size per byte plus 8; an image returns its box width;
// a whole value takes the lines of kAdvancePerByte per byte at kLeastShare of
// its size.

#include <string>
#include <string_view>
#include <vector>

#include "protocols/doc.h"

enum class DocOp { begin, save, newPage, image, text, rect, fillRect, line, loadFont, discard };

struct DocCall {
    DocOp op = DocOp::begin;
    int page = 0;  // page of the open document the call went to, from 1; 0 when none was open
    // Box of image, text, rect and fillRect; the start point (x, y) and end
    // point (x2, y2) of a line.
    float x = 0, y = 0, w = 0, h = 0, x2 = 0, y2 = 0;
    std::string text;  // a text; an image's file name
    int slot = 0;      // text and loadFont
    float size = 0;    // text size
    int align = 0;
    const void* data = nullptr;  // image or font source
    int dataSize = 0;
    float red = 0, green = 0, blue = 0;
    float result = 0;  // the width that text or image returned
};

class RecordingDoc : public Doc {
public:
    static constexpr float kAdvancePerByte = 0.5f;
    static constexpr float kLeastShare = 0.6f;
    static float measuredWidth(std::string_view text, float size);

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

    // The calls of one kind, in order.
    std::vector<const DocCall*> of(DocOp op) const;
    // The first text call drawing exactly this text; null when none did.
    const DocCall* findText(std::string_view text) const;
    // Every drawn text, in order.
    std::vector<std::string> texts() const;
    // Pages of the last document begun.
    int pages() const { return pages_; }

    // What begin, save and loadFont answer.
    bool beginResult = true;
    bool saveResult = true;
    bool loadFontResult = true;

    std::vector<DocCall> calls;

private:
    DocCall& record(DocOp op);
    int page_ = 0;
    int pages_ = 0;
};
