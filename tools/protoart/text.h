#pragma once
// Captions in the program's own faces, rasterised by stb_truetype.  A run
// between '|' marks is set lowered and smaller, as the protocols print it.

#include <stb_truetype.h>

#include <string>

#include "protoart/canvas.h"

namespace protoart {

class Face {
public:
    // data: a TrueType file that outlives the face.
    bool load(const void* data);
    // True once a caption asked for a character the face does not have.
    bool missedGlyph() const { return missed_; }

    float scale(float size) const { return stbtt_ScaleForMappingEmToPixels(&info_, size); }
    // Height of the capital letters above the baseline.
    float capHeight(float size) const { return capHeight_ * scale(size); }
    float descent(float size) const { return -descent_ * scale(size); }

    // Advance width of a caption at an em size in pixels.
    float width(const std::string& text, float size) const;
    // The caption's coverage with the pen starting at (x, baseline); origin
    // receives the canvas pixel of the mask's top-left corner.
    Mask render(const std::string& text, float size, float x, float baseline, int& originX, int& originY) const;

private:
    stbtt_fontinfo info_{};
    float capHeight_ = 0, descent_ = 0;
    mutable bool missed_ = false;
};

enum class Align { left, centre, right };

struct Font {
    const Face* face;
    float size;  // em size in pixels
    Rgb colour;
};

// Draws a caption with its baseline at y; x is its left end, centre or right
// end.  Returns the box of its letters (cap height to descent).
Box drawText(Canvas& canvas, const Font& font, const std::string& text, float x, float y, Align align);
// Draws a caption whose capital letters are centred on (cx, cy).
Box drawTextCentred(Canvas& canvas, const Font& font, const std::string& text, float cx, float cy);
// Draws a caption reading upward, centred on (cx, cy).
void drawTextUpright(Canvas& canvas, const Font& font, const std::string& text, float cx, float cy);
// The box a caption would take, without drawing it.
Box textBox(const Font& font, const std::string& text, float x, float y, Align align);

// Grows a box by a margin on every side.
Box grown(Box b, float margin);

}  // namespace protoart
