#pragma once
// The colours of the protocol pictures: the interface artwork's flat palette,
// made for print.

#include "protoart/canvas.h"

namespace protoart {

inline const Rgb kInk = rgb(0x333333);        // lines and captions
inline const Rgb kGridLine = rgb(0xB4B4BC);   // background grid, light enough to read through
inline const Rgb kGridBorder = rgb(0x8C8C96);  // the grid's outermost line
inline const Rgb kBandTint = rgb(0xEDF4FA);    // the band where good readings belong
inline const Rgb kPlane1 = rgb(0x3C93CD);     // test plane 1: marks, legend, captions
inline const Rgb kPlane1Rim = rgb(0x2A6F9E);
inline const Rgb kPlane2 = rgb(0xCD5740);     // test plane 2
inline const Rgb kPlane2Rim = rgb(0x9E3F2C);
inline const Rgb kWhite = rgb(0xFFFFFF);
inline const Rgb kSteel = rgb(0xE1E1E7);      // turned steel of the rotor drawing
inline const Rgb kSteelShade = rgb(0xC9C9D3);

}  // namespace protoart
