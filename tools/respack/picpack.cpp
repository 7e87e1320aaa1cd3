// picpack MANIFEST ASSETS_DIR OUT
// Prepares the protocols' PNG pictures (the manifest's lines whose file lies
// under "protocol/" and ends in ".png") as a PDF embeds them: decoded, split
// into colour and mask and deflated, into one block (protocols/picture_streams.h).
// A missing file, a PNG that does not decode or a malformed line is an error
// (exit code 1).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tool_options.h"
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
    static const char* kUsage = "usage: picpack MANIFEST ASSETS_DIR OUT\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 3) return tooloptions::usage(kUsage, false);
    const char* manifestPath = argv[optind];
    const std::string assetsDir = argv[optind + 1];
    const char* outPath = argv[optind + 2];
    std::vector<manifest::Entry> entries;
    if (!manifest::read("picpack", manifestPath, entries)) return 1;
    std::string block;
    for (const manifest::Entry& e : entries) {
        if (!protocolPng(e.file)) continue;
        const std::string path = assetsDir + "/" + e.file;
        std::ifstream f(path, std::ios::binary);
        const std::string png((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f || png.empty() || !preparePicture(e.key, png.data(), png.size(), block)) {
            std::fprintf(stderr, "picpack: %s: cannot read or decode\n", path.c_str());
            return 1;
        }
    }
    return manifest::writeBlock("picpack", outPath, block) ? 0 : 1;
}
