#include "protocols/pdf_images.h"

#include <hpdf_doc.h>
#include <hpdf_objects.h>
#include <hpdf_streams.h>
#include <stb_image.h>
#include <zlib.h>

#include <cctype>
#include <climits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource_store.h"

namespace {

constexpr unsigned char kPngFirstByte = 0x89;
constexpr int kRgba = 4;
constexpr unsigned char kOpaque = 255;
constexpr int kBitsPerComponent = 8;

struct StbFree {
    void operator()(unsigned char* p) const { stbi_image_free(p); }
};
using Pixels = std::unique_ptr<unsigned char, StbFree>;

// A picture split into its colour (RGB) and its soft mask (grey); no mask
// when every pixel is opaque.
struct SplitPicture {
    std::vector<unsigned char> rgb, alpha;
    bool transparent = false;
};

SplitPicture split(const unsigned char* rgba, std::size_t count) {
    SplitPicture out;
    out.rgb.resize(count * 3);
    out.alpha.resize(count);
    const unsigned char* p = rgba;
    for (std::size_t i = 0; i < count; ++i, p += kRgba) {
        out.rgb[3 * i] = p[0];
        out.rgb[3 * i + 1] = p[1];
        out.rgb[3 * i + 2] = p[2];
        out.alpha[i] = p[3];
        out.transparent = out.transparent || p[3] != kOpaque;
    }
    if (!out.transparent) out.alpha.clear();
    return out;
}

HPDF_Image fromRgba(HPDF_Doc doc, const Pixels& rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0) return nullptr;
    const SplitPicture picture =
        split(rgba.get(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto w = static_cast<HPDF_UINT>(width), h = static_cast<HPDF_UINT>(height);
    HPDF_Image image =
        HPDF_LoadRawImageFromMem(doc, picture.rgb.data(), w, h, HPDF_CS_DEVICE_RGB, kBitsPerComponent);
    if (!image || !picture.transparent) return image;
    // Without its mask the picture would hide what lies under it: no image then.
    HPDF_Image mask =
        HPDF_LoadRawImageFromMem(doc, picture.alpha.data(), w, h, HPDF_CS_DEVICE_GRAY, kBitsPerComponent);
    if (!mask || HPDF_Image_AddSMask(image, mask) != HPDF_OK) return nullptr;
    return image;
}

// ---- pictures of the resource store, encoded once per process ---------------

// A picture in the form a PDF embeds it: colour and mask deflated.
struct EncodedPicture {
    int width = 0, height = 0;
    std::string colour;
    std::string mask;  // empty: opaque
    bool ok = false;
};

bool deflateInto(const std::vector<unsigned char>& raw, std::string& out) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    out.resize(size);
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, raw.data(), static_cast<uLong>(raw.size())) !=
        Z_OK)
        return false;
    out.resize(size);
    return true;
}

EncodedPicture encode(const void* data, std::size_t size) {
    EncodedPicture picture;
    int channels = 0;
    Pixels rgba(stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size),
                                      &picture.width, &picture.height, &channels, kRgba));
    if (!rgba || picture.width <= 0 || picture.height <= 0) return picture;
    const SplitPicture parts =
        split(rgba.get(), static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    picture.ok = deflateInto(parts.rgb, picture.colour) &&
                 (!parts.transparent || deflateInto(parts.alpha, picture.mask));
    return picture;
}

// The store's blocks never change while the program runs: their addresses
// key the pictures.  Protocols are written on the interface thread only.
const EncodedPicture& encodedResource(const void* data, std::size_t size) {
    static std::map<const void*, std::unique_ptr<const EncodedPicture>> pictures;
    std::unique_ptr<const EncodedPicture>& picture = pictures[data];
    if (!picture) picture = std::make_unique<const EncodedPicture>(encode(data, size));
    return *picture;
}

bool inResourceStore(const void* data, std::size_t size) {
    const auto* block = static_cast<const unsigned char*>(embeddedResourceBlock());
    const auto* p = static_cast<const unsigned char*>(data);
    return block && p >= block && size <= embeddedResourceBlockSize() &&
           static_cast<std::size_t>(p - block) <= embeddedResourceBlockSize() - size;
}

// libharu writes no filter for a stream it did not deflate itself: the
// dictionary names it.
HPDF_STATUS nameFlateFilter(HPDF_Dict, HPDF_Stream stream) {
    return HPDF_Stream_WriteStr(stream, "/Filter /FlateDecode\012");
}

// An image object holding deflated samples as they are.
HPDF_Image deflatedImage(HPDF_Doc doc, const std::string& samples, int width, int height,
                         const char* colourSpace) {
    HPDF_Dict image = HPDF_DictStream_New(doc->mmgr, doc->xref);
    if (!image) return nullptr;
    image->header.obj_class |= HPDF_OSUBCLASS_XOBJECT;
    image->filter = HPDF_STREAM_FILTER_NONE;
    image->write_fn = &nameFlateFilter;
    const bool ok = HPDF_Dict_AddName(image, "Type", "XObject") == HPDF_OK &&
                    HPDF_Dict_AddName(image, "Subtype", "Image") == HPDF_OK &&
                    HPDF_Dict_AddName(image, "ColorSpace", colourSpace) == HPDF_OK &&
                    HPDF_Dict_AddNumber(image, "Width", width) == HPDF_OK &&
                    HPDF_Dict_AddNumber(image, "Height", height) == HPDF_OK &&
                    HPDF_Dict_AddNumber(image, "BitsPerComponent", kBitsPerComponent) == HPDF_OK &&
                    HPDF_Stream_Write(image->stream, reinterpret_cast<const HPDF_BYTE*>(samples.data()),
                                      static_cast<HPDF_UINT>(samples.size())) == HPDF_OK;
    return ok ? image : nullptr;
}

HPDF_Image fromEncoded(HPDF_Doc doc, const EncodedPicture& picture) {
    if (!picture.ok) return nullptr;
    HPDF_Image image = deflatedImage(doc, picture.colour, picture.width, picture.height, "DeviceRGB");
    if (!image || picture.mask.empty()) return image;
    HPDF_Image mask = deflatedImage(doc, picture.mask, picture.width, picture.height, "DeviceGray");
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
    if (inResourceStore(data, size) && (doc->compression_mode & HPDF_COMP_IMAGE))
        return fromEncoded(doc, encodedResource(data, size));
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
