#pragma once
// The drawing interface of the protocols: page-oriented text boxes, frames,
// fills, lines, images and two embedded fonts.
//
// Coordinates are page points from the top-left corner, y growing downward.
// Calling order: begin, loadFont for both slots, drawing, newPage before each
// further page, save at the end.

class Doc {
public:
    // Font slots: the regular face and the bold face.
    static constexpr int kRegularSlot = 0;
    static constexpr int kBoldSlot = 1;
    static constexpr int kFontSlots = 2;

    // Alignment codes of text(); every other value right-aligns as well.
    static constexpr int kAlignCentre = 0;
    static constexpr int kAlignLeft = 1;
    static constexpr int kAlignRight = 2;
    // Or-ed into text()'s alignment for a value the operator typed or the
    // settings hold: it is drawn as it stands (a '|' in it is printed, never
    // read as a run mark) and whole, smaller when it is too wide for the
    // box, but never below 60 % of its size (or 6 points); below that on as
    // many lines as the box's height holds, the first on its label's line and
    // each a line height below the last where the box gives that room (else
    // closer and higher).  Where even these do not hold it,
    // the last line ends with "…": a layout that can give the value more room
    // asks wholeHeight first.  Fixed texts wrap inside their box and lose what
    // does not fit.
    static constexpr int kFitWhole = 0x100;

    // A text holds at most this many bytes; longer ones are cut at the last
    // whole UTF-8 character.
    static constexpr int kMaxTextBytes = 511;

    virtual ~Doc() = default;

    // Opens a new document with its first page (saving an open one first).
    virtual bool begin() = 0;
    // Writes the open document and closes it; true only when the whole file
    // is on disk.  Without an open document it does nothing and returns false.
    virtual bool save() = 0;
    virtual void newPage() = 0;
    // Draws an image fitted into the box, keeping its aspect ratio.  source is
    // a memory block of size bytes, or a NUL-terminated file name when size is
    // 0.  Returns the width drawn, 0 when the image could not be loaded.
    virtual float image(float x, float y, float w, float h, const void* source, int size) = 0;
    // Draws a text into the box in a font slot and size; w == 0 takes the
    // text's width plus 8.  In the program's own texts (not kFitWhole) runs
    // between '|' marks are drawn lowered and smaller, from x on one line.
    // Returns the box width used.
    virtual float text(float x, float y, float w, float h, const char* text, int slot, float size,
                       int align) = 0;
    virtual void rect(float x, float y, float w, float h) = 0;
    // Colour components from 0 to 1.
    virtual void fillRect(float x, float y, float w, float h, float red, float green, float blue) = 0;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    // Loads a TrueType face into slot 0 or 1 of the open document.
    virtual bool loadFont(int slot, const void* data, int size) = 0;
    // Closes an open document without writing it.
    virtual void discard() = 0;
    // The height a value drawn with kFitWhole needs to be printed whole in a
    // box w wide: h when the box holds it, more when it needs more lines.
    virtual float wholeHeight(float w, float h, const char* text, int slot, float size) = 0;
};
