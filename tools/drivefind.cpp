// drivefind [--roots A:B] [SUBPATH]
// Prints the folder of the operator's removable drive that the program would
// use (SUBPATH defaults to "kestrune"), or exits with 1 when there is none.
// --roots replaces the scan of the mount table by the given folders, in order.

#include <cstdio>
#include <string>

#include "files/removable_drive.h"
#include "platform/removable.h"
#include "tool_options.h"

int main(int argc, char** argv) {
    static const char* kUsage = "usage: drivefind [--roots A:B] [SUBPATH]\n";
    static const option kOptions[] = {{"roots", required_argument, nullptr, 'r'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        if (c != 'r') return tooloptions::usage(kUsage, c == 'h');
        platform::setRemovableRoots(tooloptions::splitRoots(optarg));
    }
    if (argc - optind > 1) return tooloptions::usage(kUsage, false);
    std::string path = optind < argc ? argv[optind] : "";
    if (!findRemovableDrive(path)) return 1;
    std::printf("%s\n", path.c_str());
    return 0;
}
