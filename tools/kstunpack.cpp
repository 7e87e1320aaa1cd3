// kstunpack PKG
// Unpacks an update package as the program does: writes "kestrune.new" in the
// current directory, or prints why the package is refused (exit 1).

#include <cstdio>
#include <string>

#include "files/update_unpack.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kstunpack PKG\n");
        return 2;
    }
    std::string reason;
    if (!unpackUpdateFile(argv[1], &reason)) {
        std::printf("refused: %s\n", reason.c_str());
        return 1;
    }
    std::printf("written: %s\n", kUpdateTarget);
    return 0;
}
