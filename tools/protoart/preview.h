#pragma once
// A PDF that shows the protocol pictures where the verification protocol
// prints them, with marks where ideal readings fall, for a person to look at.

#include <string>

namespace protoart {

// The encoded pictures, as written to the assets.
struct PictureFiles {
    std::string plane1Mark, plane2Mark, emblem, provingRotor, umarSheet, urrSheet;
};

// Needs the embedded resource store indexed (the faces).  True when the file
// was written.
bool writePreview(const std::string& path, const PictureFiles& files);

}  // namespace protoart
