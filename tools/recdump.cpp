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
#include <memory>
#include <string>

#include "records/job_records.h"
#include "records/record_dump.h"
#include "records/settings_records.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {

constexpr const char* kUsage =
    "usage: recdump [--rotor | --config] [--en | --ru] [--changed] FILE\n"
    "  without --rotor or --config every item of the file is listed raw\n";

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
    static const option kOptions[] = {{"rotor", no_argument, nullptr, 'R'},
                                      {"config", no_argument, nullptr, 'C'},
                                      {"en", no_argument, nullptr, 'e'},
                                      {"ru", no_argument, nullptr, 'r'},
                                      {"changed", no_argument, nullptr, 'c'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    enum { Raw, AsRotor, AsConfig } mode = Raw;
    bool english = true;
    Tris::DumpOptions options;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        switch (c) {
            case 'R':
                mode = AsRotor;
                break;
            case 'C':
                mode = AsConfig;
                break;
            case 'e':
                english = true;
                break;
            case 'r':
                english = false;
                break;
            case 'c':
                options.changedOnly = true;
                break;
            default:
                return tooloptions::usage(kUsage, c == 'h');
        }
    }
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    const char* path = argv[optind];
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
