// recdump: looks inside a record file (".cfg", ".rotor" and the like).
//
//   recdump FILE            every item: word offset, tag in hex, flag, length,
//                           payload words; texts as text, nested records
//                           indented, list commands by name
//   recdump --rotor FILE    the file read as a rotor: its fields, planes and runs
//   recdump --config FILE   the file read as the settings tree
//   options: --en / --ru    language of labels and numbers (default English)
//            --changed      in --rotor / --config, only fields that differ
//                           from their defaults

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "records/job_records.h"
#include "records/record_dump.h"
#include "records/settings_records.h"
#include "texts/texts.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: recdump [--rotor | --config] [--en | --ru] [--changed] FILE\n"
                 "  without --rotor or --config every item of the file is listed raw\n");
    return 2;
}

bool readAll(const char* path, std::string& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    enum { Raw, AsRotor, AsConfig } mode = Raw;
    bool english = true;
    Tris::DumpOptions options;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--rotor"))
            mode = AsRotor;
        else if (!std::strcmp(a, "--config"))
            mode = AsConfig;
        else if (!std::strcmp(a, "--en"))
            english = true;
        else if (!std::strcmp(a, "--ru"))
            english = false;
        else if (!std::strcmp(a, "--changed"))
            options.changedOnly = true;
        else if (a[0] == '-' && a[1] != '\0')
            return usage();
        else if (!path)
            path = a;
        else
            return usage();
    }
    if (!path) return usage();
    setLanguage(english);

    std::string bytes;
    if (!readAll(path, bytes)) {
        std::fprintf(stderr, "recdump: cannot read %s\n", path);
        return 1;
    }
    if (mode == Raw) {
        std::printf("%s: %zu bytes\n", path, bytes.size());
        std::fputs(Tris::dumpRawFile(bytes).c_str(), stdout);
        return 0;
    }
    std::unique_ptr<Tris::Base> record;
    if (mode == AsRotor)
        record = std::make_unique<RotorData>();
    else
        record = std::make_unique<Config>();
    const bool ok = record->loadBytes(bytes);
    std::fputs(Tris::dumpRecordTree(*record, options).c_str(), stdout);
    if (!ok) {
        std::printf(
            "(the file is damaged: reading stopped at a broken item; the fields above were read before "
            "it)\n");
        return 1;
    }
    return 0;
}
