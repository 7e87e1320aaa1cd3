// kstunpack PKG
// Unpacks an update package as the program does: writes "kestrune.new" in the
// current directory, or prints why the package is refused (exit 1).

#include <cstdio>
#include <string>

#include "files/update_unpack.h"
#include "tool_options.h"

int main(int argc, char** argv) {
    static const char* kUsage = "usage: kstunpack PKG\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    std::string reason;
    if (!unpackUpdateFile(argv[optind], &reason)) {
        std::printf("refused: %s\n", reason.c_str());
        return 1;
    }
    std::printf("written: %s\n", kUpdateTarget);
    return 0;
}
