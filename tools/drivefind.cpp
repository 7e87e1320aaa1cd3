// drivefind [--roots A:B] [SUBPATH]
// Prints the folder of the operator's removable drive that the program would
// use (SUBPATH defaults to "kestrune"), or exits with 1 when there is none.
// --roots replaces the scan of the mount table by the given folders, in order.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/removable_drive.h"
#include "platform/removable.h"

int main(int argc, char** argv) {
    std::string sub;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--roots") == 0 && i + 1 < argc) {
            std::vector<std::string> roots;
            std::string list = argv[++i];
            std::size_t pos = 0;
            while (pos <= list.size()) {
                std::size_t colon = list.find(':', pos);
                if (colon == std::string::npos) colon = list.size();
                if (colon > pos) roots.push_back(list.substr(pos, colon - pos));
                pos = colon + 1;
            }
            platform::setRemovableRoots(roots);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: drivefind [--roots A:B] [SUBPATH]\n");
            return 0;
        } else {
            sub = argv[i];
        }
    }
    std::string path = sub;
    if (!findRemovableDrive(path)) return 1;
    std::printf("%s\n", path.c_str());
    return 0;
}
