#pragma once
// Images into a libharu document.  PNGs are decoded here and handed over as
// raw RGB pixels plus, when a pixel is not opaque, a grey soft mask: libharu
// 2.3 would store a PNG's alpha mask uncompressed.  JPEGs go in as they are.
// The protocol's PNG pictures of the embedded resource store come prepared
// when the program is built (picture_streams.h): a compressing document
// embeds their deflated streams as they are.

#include <hpdf.h>

#include <cstddef>
#include <string_view>

// A block whose first byte is 0x89 is a PNG, any other a JPEG.
bool isPngBlock(const void* data, std::size_t size);
// A name ending in ".png" in any letter case is a PNG, any other a JPEG.
bool isPngFileName(std::string_view path);

// The image, or null when it could not be decoded or loaded.
HPDF_Image loadImageFromMemory(HPDF_Doc doc, const void* data, std::size_t size);
HPDF_Image loadImageFromFile(HPDF_Doc doc, const char* path);
