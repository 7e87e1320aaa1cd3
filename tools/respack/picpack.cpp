// picpack MANIFEST ASSETS_DIR OUT
// Prepares the protocols' PNG pictures (the manifest's lines whose file lies
// under "protocol/" and ends in ".png") as a PDF embeds them: decoded, split
// into colour and mask and deflated, into one block (protocols/picture_streams.h).
// A missing file, a PNG that does not decode or a malformed line is an error
// (exit code 1).
#include <cstdint>
#include <cstdio>
#include <string>

#include "manifest.h"
#include "protocols/picture_streams.h"

namespace {

bool protocolPng(const std::string& file) {
    const std::string folder = "protocol/", ext = ".png";
    return file.compare(0, folder.size(), folder) == 0 && file.size() > ext.size() &&
           file.compare(file.size() - ext.size(), ext.size(), ext) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    auto protocolPicture = [](const manifest::Entry& e) { return protocolPng(e.file); };
    auto add = [](const manifest::Entry& e, const std::string& path, const std::string& png, std::string& block) {
        if (!png.empty() && preparePicture(e.key, png.data(), png.size(), block)) return true;
        std::fprintf(stderr, "picpack: %s: cannot decode\n", path.c_str());
        return false;
    };
    return manifest::pack("picpack", argc, argv, protocolPicture, add);
}
