#pragma once
// A picture as a PDF embeds it: its colour (RGB) and, when a pixel is not
// opaque, its soft mask (grey), 8 bits a component.
//
// The PNG pictures of the protocols come prepared: decoded and deflated once,
// when the program is built (tools/respack/picpack.cpp), into a block of
// their own that the program carries beside the resource store.  A protocol
// embeds their streams as they are, with nothing to decode and nothing to keep.
//
// Block: per picture, little-endian 32-bit words key, width, height, colour
// bytes, mask bytes (0: opaque), then the deflated colour and the deflated
// mask, each padded with zeros to a multiple of 4.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SplitPicture {
    std::vector<unsigned char> rgb, alpha;  // alpha empty when every pixel is opaque
    bool transparent = false;
};

// RGBA pixels (4 bytes each) into colour and mask.
SplitPicture splitRgba(const unsigned char* rgba, std::size_t pixels);

struct PreparedPicture {
    int width = 0, height = 0;
    std::string_view colour;  // deflated
    std::string_view mask;    // deflated; empty: opaque
};

// A PNG as an item of the block (appended to `block`); false when it does
// not decode or a stream does not deflate.
bool preparePicture(std::uint32_t key, const void* png, std::size_t size, std::string& block);

// The first picture in a block whose key is `wanted`; false when the block
// holds none (or is damaged before it).
bool findPreparedPicture(const void* block, std::size_t bytes,
                         const std::function<bool(std::uint32_t key)>& wanted, PreparedPicture& out);
