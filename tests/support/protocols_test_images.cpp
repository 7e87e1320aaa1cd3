#include "support/protocols_test_images.h"

#include <stb_image_write.h>

#include <functional>

namespace {

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::vector<unsigned char> pixels(int width, int height, const std::function<std::uint32_t(int x)>& rgbaAt) {
    std::vector<unsigned char> px;
    px.reserve(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = rgbaAt(x);
            for (int shift = 24; shift >= 0; shift -= 8) px.push_back(static_cast<unsigned char>(c >> shift));
        }
    return px;
}

std::string png(int width, int height, const std::vector<unsigned char>& rgba) {
    std::string out;
    stbi_write_png_to_func(append, &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

}  // namespace

std::string solidPng(int width, int height, std::uint32_t rgba) {
    return png(width, height, pixels(width, height, [&](int) { return rgba; }));
}

std::string halfTransparentPng(int width, int height, std::uint32_t rgb) {
    return png(width, height, pixels(width, height, [&](int x) { return rgb << 8 | (x < width / 2 ? 0u : 0xFFu); }));
}

std::string solidJpeg(int width, int height, std::uint32_t rgb) {
    auto rgba = pixels(width, height, [&](int) { return rgb << 8 | 0xFFu; });
    std::string out;
    stbi_write_jpg_to_func(append, &out, width, height, 4, rgba.data(), 90);
    return out;
}
