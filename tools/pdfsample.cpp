// pdfsample OUT.pdf
// Writes one protocol page that uses every drawing operation: both alphabets
// in both faces, lowered runs, the three alignments, a number wider than its
// box, frames, fills and lines, a transparent PNG over a fill and a JPEG, for
// a person to look at.
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "protocols/pdf_doc.h"
#include "resources/resource_store.h"
#include "tool_options.h"

namespace {

void append(void* out, void* data, int size) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

// A blue disc with a soft edge on a transparent ground.
std::string discPng(int side) {
    std::vector<unsigned char> px;
    const float r = side / 2.f;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float d = std::hypot(x + 0.5f - r, y + 0.5f - r);
            const float a = std::fmin(1.f, std::fmax(0.f, (r - d) / 6.f));
            px.insert(px.end(), {40, 90, 200, static_cast<unsigned char>(a * 255)});
        }
    std::string out;
    stbi_write_png_to_func(append, &out, side, side, 4, px.data(), side * 4);
    return out;
}

// A wide colour ramp.
std::string rampJpeg(int w, int h) {
    std::vector<unsigned char> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.insert(px.end(), {static_cast<unsigned char>(255 * x / w), static_cast<unsigned char>(255 * y / h), 160});
    std::string out;
    stbi_write_jpg_to_func(append, &out, w, h, 3, px.data(), 90);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: pdfsample OUT.pdf\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    const char* out = argv[optind];
    if (!indexEmbeddedResources()) {
        std::fprintf(stderr, "pdfsample: the embedded resource store is damaged\n");
        return 1;
    }
    PdfDoc doc(out);
    if (!doc.begin()) {
        std::fprintf(stderr, "pdfsample: libharu could not open a document\n");
        return 1;
    }
    const TextId faces[] = {0xC66802, 0xC66803};
    for (int slot : {Doc::kRegularSlot, Doc::kBoldSlot}) {
        const ResourceEntry face = findResource(faces[slot]);
        if (!doc.loadFont(slot, face.data, static_cast<int>(face.size))) {
            std::fprintf(stderr, "pdfsample: face 0x%X missing or unreadable\n", faces[slot]);
            return 1;
        }
    }
    const float left = 46, width = 517;
    doc.text(left, 40, width, 24, "Протокол балансировки № 17 / Balancing protocol", Doc::kBoldSlot, 16,
             Doc::kAlignCentre);
    doc.line(left, 70, left + width, 70);

    const char* const alphabets[] = {
        "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдеёжзийклмнопрстуфхцчшщъыьэюя",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz", "0123456789 № ° ± × • , . : ; ( ) % / -"};
    float y = 80;
    for (int slot : {Doc::kRegularSlot, Doc::kBoldSlot})
        for (const char* line : alphabets) {
            doc.text(left, y, width, 18, line, slot, 13, Doc::kAlignLeft);
            y += 18;
        }

    y += 10;
    const char* const runs[] = {"U|mar| = 12,5 g·mm", "I|sc| = 0,85", "e|per| ≤ 1,6 µm, n|max| = 3000 1/min"};
    for (const char* run : runs) {
        doc.text(left, y, 0, 20, run, Doc::kRegularSlot, 13, Doc::kAlignLeft);
        y += 22;
    }

    y += 10;
    const int aligns[] = {Doc::kAlignLeft, Doc::kAlignCentre, Doc::kAlignRight};
    const char* const alignNames[] = {"слева / left", "по центру / centre", "справа / right"};
    for (int i = 0; i < 3; ++i) {
        doc.rect(left, y, width, 22);
        doc.text(left + 4, y + 3, width - 8, 18, alignNames[i], Doc::kRegularSlot, 12, aligns[i]);
        y += 22;
    }
    doc.rect(left, y, 40, 22);
    doc.text(left, y + 3, 40, 18, "123456,789", Doc::kRegularSlot, 12, Doc::kAlignLeft);
    doc.text(left + 90, y + 3, width - 90, 18, "число шире своей ячейки / a number wider than its cell",
             Doc::kRegularSlot, 11, Doc::kAlignLeft);
    y += 32;
    doc.text(left, y, width, 60,
             "Длинный текст переносится по словам внутри своего прямоугольника; a long text wraps at word "
             "boundaries inside its box, and every line keeps the box's alignment.",
             Doc::kRegularSlot, 12, Doc::kAlignLeft);
    y += 70;

    const std::string disc = discPng(240), ramp = rampJpeg(480, 160);
    doc.fillRect(left, y, 200, 40, 0.95f, 0.75f, 0.2f);
    doc.fillRect(left, y + 80, 200, 40, 0.2f, 0.6f, 0.3f);
    doc.image(left + 40, y, 120, 120, disc.data(), static_cast<int>(disc.size()));
    doc.image(left + 230, y, 287, 120, ramp.data(), static_cast<int>(ramp.size()));
    doc.text(left, y + 125, 200, 16, "PNG с прозрачностью над заливкой", Doc::kRegularSlot, 10, Doc::kAlignCentre);
    doc.text(left + 230, y + 125, 287, 16, "JPEG, вписан в рамку / fitted", Doc::kRegularSlot, 10,
             Doc::kAlignCentre);
    doc.rect(left + 230, y, 287, 120);

    if (!doc.save()) {
        std::fprintf(stderr, "pdfsample: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
