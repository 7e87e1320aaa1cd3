#include "protocols/picture_streams.h"

#include <stb_image.h>
#include <zlib.h>

#include <climits>
#include <memory>

namespace {

constexpr int kRgba = 4;
constexpr unsigned char kOpaque = 255;
constexpr std::size_t kWord = 4;
constexpr std::size_t kHeaderWords = 5;  // key, width, height, colour bytes, mask bytes

void putWord(std::string& out, std::uint32_t w) {
    for (std::size_t i = 0; i < kWord; ++i) out.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
}

std::uint32_t wordAt(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::size_t padded(std::size_t bytes) {
    return (bytes + kWord - 1) / kWord * kWord;
}

bool deflateInto(const std::vector<unsigned char>& raw, std::string& out) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    out.assign(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, raw.data(), static_cast<uLong>(raw.size())) !=
        Z_OK)
        return false;
    out.resize(size);
    return true;
}

void putPadded(std::string& block, const std::string& bytes) {
    block += bytes;
    block.append(padded(bytes.size()) - bytes.size(), '\0');
}

struct StbFree {
    void operator()(unsigned char* p) const { stbi_image_free(p); }
};

}  // namespace

SplitPicture splitRgba(const unsigned char* rgba, std::size_t pixels) {
    SplitPicture out;
    out.rgb.resize(pixels * 3);
    out.alpha.resize(pixels);
    const unsigned char* p = rgba;
    for (std::size_t i = 0; i < pixels; ++i, p += kRgba) {
        out.rgb[3 * i] = p[0];
        out.rgb[3 * i + 1] = p[1];
        out.rgb[3 * i + 2] = p[2];
        out.alpha[i] = p[3];
        out.transparent = out.transparent || p[3] != kOpaque;
    }
    if (!out.transparent) out.alpha.clear();
    return out;
}

bool preparePicture(std::uint32_t key, const void* png, std::size_t size, std::string& block) {
    if (!png || size == 0 || size > INT_MAX) return false;
    int width = 0, height = 0, channels = 0;
    const std::unique_ptr<unsigned char, StbFree> rgba(stbi_load_from_memory(
        static_cast<const stbi_uc*>(png), static_cast<int>(size), &width, &height, &channels, kRgba));
    if (!rgba || width <= 0 || height <= 0) return false;
    const SplitPicture parts =
        splitRgba(rgba.get(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::string colour, mask;
    if (!deflateInto(parts.rgb, colour) || (parts.transparent && !deflateInto(parts.alpha, mask)))
        return false;
    for (const std::size_t word : {std::size_t{key}, static_cast<std::size_t>(width),
                                   static_cast<std::size_t>(height), colour.size(), mask.size()})
        putWord(block, static_cast<std::uint32_t>(word));
    putPadded(block, colour);
    putPadded(block, mask);
    return true;
}

bool findPreparedPicture(const void* block, std::size_t bytes,
                         const std::function<bool(std::uint32_t key)>& wanted, PreparedPicture& out) {
    const auto* p = static_cast<const unsigned char*>(block);
    const unsigned char* const end = p + (block ? bytes : 0);
    while (static_cast<std::size_t>(end - p) >= kHeaderWords * kWord) {
        const std::size_t colour = wordAt(p + 3 * kWord), mask = wordAt(p + 4 * kWord);
        const unsigned char* streams = p + kHeaderWords * kWord;
        const std::size_t room = static_cast<std::size_t>(end - streams);
        if (padded(colour) > room || padded(mask) > room - padded(colour)) return false;
        if (wanted(wordAt(p))) {
            out.width = static_cast<int>(wordAt(p + kWord));
            out.height = static_cast<int>(wordAt(p + 2 * kWord));
            out.colour = std::string_view(reinterpret_cast<const char*>(streams), colour);
            out.mask = std::string_view(reinterpret_cast<const char*>(streams + padded(colour)), mask);
            return out.width > 0 && out.height > 0 && colour > 0;
        }
        p = streams + padded(colour) + padded(mask);
    }
    return false;
}
