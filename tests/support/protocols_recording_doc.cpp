#include "support/protocols_recording_doc.h"

#include <algorithm>
#include <cmath>

float RecordingDoc::measuredWidth(std::string_view text, float size) {
    return static_cast<float>(text.size()) * kAdvancePerByte * size + 8.f;
}

DocCall& RecordingDoc::record(DocOp op) {
    DocCall& c = calls.emplace_back();
    c.op = op;
    c.page = page_;
    return c;
}

bool RecordingDoc::begin() {
    page_ = 0;
    pages_ = 0;
    record(DocOp::begin);
    if (!beginResult) return false;
    page_ = pages_ = 1;
    return true;
}

bool RecordingDoc::save() {
    record(DocOp::save);
    const bool wasOpen = page_ > 0;
    page_ = 0;
    return wasOpen && saveResult;
}

void RecordingDoc::discard() {
    record(DocOp::discard);
    page_ = 0;
}

void RecordingDoc::newPage() {
    if (page_ > 0) page_ = ++pages_;
    record(DocOp::newPage);
}

float RecordingDoc::image(float x, float y, float w, float h, const void* source, int size) {
    DocCall& c = record(DocOp::image);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.data = source;
    c.dataSize = size;
    if (size == 0 && source) c.text = static_cast<const char*>(source);
    c.result = source ? w : 0;
    return c.result;
}

float RecordingDoc::text(float x, float y, float w, float h, const char* text, int slot, float size, int align) {
    DocCall& c = record(DocOp::text);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = text ? text : "";
    c.slot = slot;
    c.size = size;
    c.align = align;
    c.result = w == 0 ? measuredWidth(c.text, size) : w;
    return c.result;
}

void RecordingDoc::rect(float x, float y, float w, float h) {
    DocCall& c = record(DocOp::rect);
    c.x = x, c.y = y, c.w = w, c.h = h;
}

void RecordingDoc::fillRect(float x, float y, float w, float h, float red, float green, float blue) {
    DocCall& c = record(DocOp::fillRect);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.red = red, c.green = green, c.blue = blue;
}

void RecordingDoc::line(float x1, float y1, float x2, float y2) {
    DocCall& c = record(DocOp::line);
    c.x = x1, c.y = y1, c.x2 = x2, c.y2 = y2;
}

bool RecordingDoc::loadFont(int slot, const void* data, int size) {
    DocCall& c = record(DocOp::loadFont);
    c.slot = slot;
    c.data = data;
    c.dataSize = size;
    return loadFontResult && page_ > 0 && (slot == kRegularSlot || slot == kBoldSlot) && data && size > 0;
}

std::vector<const DocCall*> RecordingDoc::of(DocOp op) const {
    std::vector<const DocCall*> out;
    for (const DocCall& c : calls)
        if (c.op == op) out.push_back(&c);
    return out;
}

const DocCall* RecordingDoc::findText(std::string_view text) const {
    for (const DocCall& c : calls)
        if (c.op == DocOp::text && c.text == text) return &c;
    return nullptr;
}

std::vector<std::string> RecordingDoc::texts() const {
    std::vector<std::string> out;
    for (const DocCall* c : of(DocOp::text)) out.push_back(c->text);
    return out;
}

float RecordingDoc::wholeHeight(float w, float h, const char* text, int, float size) {
    const float least = kLeastShare * size;
    const float width = static_cast<float>(std::string_view(text ? text : "").size()) * kAdvancePerByte * least;
    return w <= 0 ? h : std::max(h, std::ceil(width / w) * least);
}
