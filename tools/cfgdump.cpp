// cfgdump: prints a settings file as the labelled settings tree, with values
// and units, read with the record layer only (no lists filled up, nothing
// written).
//
//   cfgdump [--en | --ru] [--changed] FILE
//   cfgdump [--en | --ru] --defaults       the settings of a fresh Config

#include <cstdio>

#include "records/record_dump.h"
#include "records/settings_records.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {
constexpr const char* kUsage = "usage: cfgdump [--en | --ru] [--changed] (--defaults | FILE)\n";
}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {
        {"en", no_argument, nullptr, 'e'},       {"ru", no_argument, nullptr, 'r'},
        {"defaults", no_argument, nullptr, 'd'}, {"changed", no_argument, nullptr, 'c'},
        {"help", no_argument, nullptr, 'h'},     {nullptr, 0, nullptr, 0}};
    bool english = true;
    bool defaults = false;
    Tris::DumpOptions options;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        switch (c) {
            case 'e':
                english = true;
                break;
            case 'r':
                english = false;
                break;
            case 'd':
                defaults = true;
                break;
            case 'c':
                options.changedOnly = true;
                break;
            default:
                return tooloptions::usage(kUsage, c == 'h');
        }
    }
    if (argc - optind > 1) return tooloptions::usage(kUsage, false);
    const char* path = optind < argc ? argv[optind] : nullptr;
    if (defaults == (path != nullptr)) return tooloptions::usage(kUsage, false);
    setLanguage(english);
    Config config;
    bool ok = true;
    if (path) {
        std::FILE* f = std::fopen(path, "rb");
        if (!f) {
            std::fprintf(stderr, "cfgdump: cannot open %s\n", path);
            return 1;
        }
        std::fclose(f);
        ok = config.load(path);
        std::printf("%s\n", path);
    } else {
        std::printf("(defaults)\n");
    }
    std::fputs(Tris::dumpRecordTree(config, options).c_str(), stdout);
    if (!ok) {
        std::printf(
            "(the file is damaged: reading stopped at a broken item; the settings program would not use this "
            "file)\n");
        return 1;
    }
    return 0;
}
