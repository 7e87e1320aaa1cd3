#pragma once
// Small PNG and JPEG files made on the spot for the image tests.

#include <cstdint>
#include <string>
#include <vector>

// A PNG of one RGBA colour (0xRRGGBBAA); an alpha below 255 gives a
// transparent picture.
std::string solidPng(int width, int height, std::uint32_t rgba);
// A PNG with a transparent left half and an opaque right half of one colour.
std::string halfTransparentPng(int width, int height, std::uint32_t rgb);
// A baseline JPEG of one RGB colour (0xRRGGBB).
std::string solidJpeg(int width, int height, std::uint32_t rgb);
