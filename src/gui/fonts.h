#pragma once
// The interface's fonts: 33 slots in `Gui::_fonts`, slot = face x 11 + size
// index, faces Light, Regular and Bold of the resource store, sizes 14, 17,
// 18, 20, 22, 24, 28, 40, 48, 52 and 64 px.  `Gui::loadFonts` fills every
// slot; a face missing from the store leaves the default font in its slots.
// The faces carry icon glyphs at À to É (diameter, phi, long dash, numero,
// backspace, clockwise, anticlockwise, information, home, back).

struct ImFont;

namespace fontslot {
constexpr int kSizesPerFace = 11;
constexpr int kCount = 33;

constexpr int kLight14 = 0;     // version line, key alternatives
constexpr int kLight22 = 4;     // date
constexpr int kLight28 = 6;     // message box and progress texts, home tiles
constexpr int kLight64 = 10;    // clock
constexpr int kRegular14 = 11;  // marked runs of units, index digits
constexpr int kRegular17 = 12;  // narrow dialog buttons, captions above fields
constexpr int kRegular20 = 14;  // machine state line, small toolbar labels
constexpr int kRegular24 = 16;
constexpr int kRegular28 = 17;  // keys, the Apply button, dialog buttons, the speed unit
constexpr int kRegular40 = 18;  // the Apply banner's text, "IN TOLERANCE"
constexpr int kRegular48 = 19;  // a dial value's decimals
constexpr int kRegular52 = 20;  // icon buttons of the bars
constexpr int kRegular64 = 21;  // a dial value's whole part
constexpr int kBold18 = 24;     // dial marker numbers
constexpr int kBold64 = 32;     // "Demo" badge
}  // namespace fontslot

// The font of a slot of the Gui that is the GUI context's user data; the
// current font when there is no such Gui or slot.  Inside a frame only.
ImFont* uiFont(int slot);
