// protoart DIR [--preview OUT.pdf]
// Draws the six pictures of the protocols (the plane marks, the page frame's
// emblem, the proving rotor and the two diagram sheets) into DIR; they are
// committed under assets/protocol/.  With --preview it also writes a PDF that
// shows them where the verification protocol prints them, with marks where
// ideal readings fall.  No clock and no random input: every run gives the same
// bytes.
#include <cstdio>
#include <string>

#include "platform/file_replace.h"
#include "protoart/pictures.h"
#include "protoart/preview.h"
#include "resources/resource_store.h"
#include "texts/text_ids.h"
#include "tool_options.h"

namespace {

constexpr int kJpegQuality = 100;  // flat colours on white: no ringing around the edges

bool loadFace(protoart::Face& face, TextId key) {
    const ResourceEntry e = findResource(key);
    if (e.size == 0 || !face.load(e.data)) {
        std::fprintf(stderr, "protoart: face 0x%X missing or unreadable\n", key);
        return false;
    }
    return true;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::string error;
    if (platform::replaceFile(path, bytes, &error)) return true;
    std::fprintf(stderr, "protoart: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
}

constexpr const char* kUsage = "usage: protoart DIR [--preview OUT.pdf]\n";

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"preview", required_argument, nullptr, 'p'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    const char* preview = nullptr;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        if (c != 'p') return tooloptions::usage(kUsage, c == 'h');
        preview = optarg;
    }
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    const std::string dir = argv[optind];
    if (!indexEmbeddedResources()) {
        std::fprintf(stderr, "protoart: the embedded resource store is damaged\n");
        return 1;
    }
    protoart::Faces faces;
    if (!loadFace(faces.regular, textid::kFontFace2) || !loadFace(faces.bold, textid::kFontFace3)) return 1;

    protoart::PictureFiles files;
    files.plane1Mark = protoart::plane1Mark().png();
    files.plane2Mark = protoart::plane2Mark().png();
    files.emblem = protoart::emblem().jpegOnWhite(kJpegQuality);
    files.provingRotor = protoart::provingRotor(faces).png();
    files.umarSheet = protoart::umarSheet(faces).png();
    files.urrSheet = protoart::urrSheet(faces).png();
    if (faces.regular.missedGlyph() || faces.bold.missedGlyph()) {
        std::fprintf(stderr, "protoart: a caption uses a character that the faces lack\n");
        return 1;
    }

    const std::pair<const char*, const std::string*> outputs[] = {
        {"mark1.png", &files.plane1Mark},          {"mark2.png", &files.plane2Mark},
        {"logo.jpg", &files.emblem},               {"proving_rotor.png", &files.provingRotor},
        {"umar_sheet.png", &files.umarSheet},      {"urr_sheet.png", &files.urrSheet},
    };
    for (const auto& [name, bytes] : outputs)
        if (!writeFile(dir + "/" + name, *bytes)) return 1;

    if (preview && !protoart::writePreview(preview, files)) {
        std::fprintf(stderr, "protoart: cannot write the preview %s\n", preview);
        return 1;
    }
    return 0;
}
