#include "protocols/pdf_images.h"

#include <stb_image.h>

#include <cctype>
#include <climits>
#include <memory>
#include <vector>

namespace {

constexpr unsigned char kPngFirstByte = 0x89;
constexpr int kRgba = 4;
constexpr unsigned char kOpaque = 255;

struct StbFree {
    void operator()(unsigned char* p) const { stbi_image_free(p); }
};
using Pixels = std::unique_ptr<unsigned char, StbFree>;

HPDF_Image fromRgba(HPDF_Doc doc, const Pixels& rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0) return nullptr;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<unsigned char> rgb(count * 3), alpha(count);
    bool transparent = false;
    const unsigned char* p = rgba.get();
    for (std::size_t i = 0; i < count; ++i, p += kRgba) {
        rgb[3 * i] = p[0];
        rgb[3 * i + 1] = p[1];
        rgb[3 * i + 2] = p[2];
        alpha[i] = p[3];
        transparent = transparent || p[3] != kOpaque;
    }
    const auto w = static_cast<HPDF_UINT>(width), h = static_cast<HPDF_UINT>(height);
    HPDF_Image image = HPDF_LoadRawImageFromMem(doc, rgb.data(), w, h, HPDF_CS_DEVICE_RGB, 8);
    if (!image || !transparent) return image;
    // Without its mask the picture would hide what lies under it: no image then.
    HPDF_Image mask = HPDF_LoadRawImageFromMem(doc, alpha.data(), w, h, HPDF_CS_DEVICE_GRAY, 8);
    if (!mask || HPDF_Image_AddSMask(image, mask) != HPDF_OK) return nullptr;
    return image;
}

}  // namespace

bool isPngBlock(const void* data, std::size_t size) {
    return size > 0 && static_cast<const unsigned char*>(data)[0] == kPngFirstByte;
}

bool isPngFileName(std::string_view path) {
    constexpr std::string_view ext = ".png";
    if (path.size() < ext.size()) return false;
    const std::string_view tail = path.substr(path.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != ext[i]) return false;
    return true;
}

HPDF_Image loadImageFromMemory(HPDF_Doc doc, const void* data, std::size_t size) {
    if (!data || size == 0 || size > INT_MAX) return nullptr;
    if (!isPngBlock(data, size))
        return HPDF_LoadJpegImageFromMem(doc, static_cast<const HPDF_BYTE*>(data), static_cast<HPDF_UINT>(size));
    int w = 0, h = 0, channels = 0;
    Pixels rgba(stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h, &channels,
                                      kRgba));
    return fromRgba(doc, rgba, w, h);
}

HPDF_Image loadImageFromFile(HPDF_Doc doc, const char* path) {
    if (!path || !*path) return nullptr;
    if (!isPngFileName(path)) return HPDF_LoadJpegImageFromFile(doc, path);
    int w = 0, h = 0, channels = 0;
    Pixels rgba(stbi_load(path, &w, &h, &channels, kRgba));
    return fromRgba(doc, rgba, w, h);
}
