#include "protocols/pdf_images.h"

#include <hpdf_doc.h>
#include <hpdf_objects.h>
#include <hpdf_streams.h>
#include <stb_image.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <memory>

#include "protocols/picture_streams.h"
#include "resources/resource_store.h"

extern "C" {
extern const unsigned char ks_picture_block_begin[];
extern const unsigned char ks_picture_block_end[];
}

namespace {

constexpr unsigned char kPngFirstByte = 0x89;
constexpr int kRgba = 4;
constexpr int kBitsPerComponent = 8;

struct StbFree {
    void operator()(unsigned char* p) const { stbi_image_free(p); }
};
using Pixels = std::unique_ptr<unsigned char, StbFree>;

HPDF_Image fromRgba(HPDF_Doc doc, const Pixels& rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0) return nullptr;
    const SplitPicture picture =
        splitRgba(rgba.get(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
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

// ---- pictures of the resource store, prepared when the program was built ----

bool inResourceStore(const void* data, std::size_t size) {
    const auto* block = static_cast<const unsigned char*>(embeddedResourceBlock());
    const auto* p = static_cast<const unsigned char*>(data);
    return block && p >= block && size <= embeddedResourceBlockSize() &&
           static_cast<std::size_t>(p - block) <= embeddedResourceBlockSize() - size;
}

// The prepared picture of a block of the embedded resource store: the one
// whose key the store finds at that address.  The pictures were prepared from
// the same files as the store was packed.
bool preparedPicture(const void* data, std::size_t size, PreparedPicture& out) {
    if (!inResourceStore(data, size)) return false;
    return findPreparedPicture(
        ks_picture_block_begin, static_cast<std::size_t>(ks_picture_block_end - ks_picture_block_begin),
        [data](std::uint32_t key) { return findResource(key).data == data; }, out);
}

// libharu writes no filter for a stream it did not deflate itself: the
// dictionary names it.
HPDF_STATUS nameFlateFilter(HPDF_Dict, HPDF_Stream stream) {
    return HPDF_Stream_WriteStr(stream, "/Filter /FlateDecode\012");
}

// An image object holding deflated samples as they are.
HPDF_Image deflatedImage(HPDF_Doc doc, std::string_view samples, int width, int height,
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

HPDF_Image fromPrepared(HPDF_Doc doc, const PreparedPicture& picture) {
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
    PreparedPicture prepared;
    if ((doc->compression_mode & HPDF_COMP_IMAGE) && preparedPicture(data, size, prepared))
        return fromPrepared(doc, prepared);
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
