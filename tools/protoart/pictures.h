#pragma once
// The six pictures of the protocols, each drawn at its stored pixel size.

#include "protoart/canvas.h"
#include "protoart/text.h"

namespace protoart {

struct Faces {
    Face regular, bold;
};

// 400 x 400: the plane 1 mark, a disc; the plane 2 mark, a square.
Canvas plane1Mark();
Canvas plane2Mark();
// 1034 x 400: the program's emblem at the right end of the page frame's box.
Canvas emblem();
// 680 x 600: the type B proving rotor on its supports with its dimensions.
Canvas provingRotor(const Faces& faces);
// 1805 x 1805: the two graphs of the U|mar| test.
Canvas umarSheet(const Faces& faces);
// 1893 x 1893: the polar diagram of the URR test with its limit circles.
Canvas urrSheet(const Faces& faces);

}  // namespace protoart
