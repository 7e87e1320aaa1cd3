// cfgdump: prints a settings file as the labelled settings tree, with values
// and units, read with the record layer only (no lists filled up, nothing
// written).
//
//   cfgdump [--en | --ru] [--changed] FILE
//   cfgdump [--en | --ru] --defaults       the settings of a fresh Config

#include <cstdio>
#include <cstring>

#include "records/record_dump.h"
#include "records/settings_records.h"
#include "texts/texts.h"

namespace {
int usage() {
    std::fprintf(stderr, "usage: cfgdump [--en | --ru] [--changed] (--defaults | FILE)\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    bool english = true;
    bool defaults = false;
    Tris::DumpOptions options;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--en"))
            english = true;
        else if (!std::strcmp(a, "--ru"))
            english = false;
        else if (!std::strcmp(a, "--defaults"))
            defaults = true;
        else if (!std::strcmp(a, "--changed"))
            options.changedOnly = true;
        else if (a[0] == '-' && a[1] != '\0')
            return usage();
        else if (!path)
            path = a;
        else
            return usage();
    }
    if (defaults == (path != nullptr)) return usage();
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
