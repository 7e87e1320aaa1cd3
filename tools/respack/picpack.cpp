// picpack MANIFEST ASSETS_DIR OUT
// Prepares the protocols' PNG pictures (the manifest's lines whose file lies
// under "protocol/" and ends in ".png") as a PDF embeds them: decoded, split
// into colour and mask and deflated, into one block (protocols/picture_streams.h).
// A missing file, a PNG that does not decode or a malformed line is an error
// (exit code 1).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "../tool_options.h"
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
    std::ifstream manifest(manifestPath);
    if (!manifest) {
        std::fprintf(stderr, "picpack: cannot read %s\n", manifestPath);
        return 1;
    }
    std::string block, line;
    for (int lineNo = 1; std::getline(manifest, line); ++lineNo) {
        line.erase(std::min(line.find('#'), line.size()));
        std::istringstream in(line);
        std::string keyText, file;
        if (!(in >> keyText)) continue;
        if (!(in >> file)) {
            std::fprintf(stderr, "picpack: %s:%d: expected \"key file\"\n", manifestPath, lineNo);
            return 1;
        }
        if (!protocolPng(file)) continue;
        char* keyEnd = nullptr;
        const unsigned long key = std::strtoul(keyText.c_str(), &keyEnd, 0);
        if (*keyEnd != '\0' || key == 0 || key > UINT32_MAX) {
            std::fprintf(stderr, "picpack: %s:%d: bad key \"%s\"\n", manifestPath, lineNo, keyText.c_str());
            return 1;
        }
        const std::string path = assetsDir + "/" + file;
        std::ifstream f(path, std::ios::binary);
        const std::string png((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f || png.empty() ||
            !preparePicture(static_cast<std::uint32_t>(key), png.data(), png.size(), block)) {
            std::fprintf(stderr, "picpack: %s: cannot read or decode\n", path.c_str());
            return 1;
        }
    }
    std::ofstream o(outPath, std::ios::binary | std::ios::trunc);
    o.write(block.data(), static_cast<std::streamsize>(block.size()));
    o.close();
    if (!o) {
        std::fprintf(stderr, "picpack: cannot write %s\n", outPath);
        std::remove(outPath);
        return 1;
    }
    return 0;
}
