// protocolpdf FILE.rotor [OUT.pdf] [--en | --ru]
// Writes the protocol of a rotor file the way the history and database
// browser has it written: from the folder that holds FILE's "history/" (or
// "db/"), over that folder's settings ".cfg" when there is one, through
// Rotor::makeReport.  Without OUT the protocol is "tmp.pdf" of that folder.
// The language is the settings' one unless --en or --ru is given.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "protocols/protocols.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace fs = std::filesystem;

namespace {

constexpr int kHistoryMode = 2;
constexpr int kDatabaseMode = 1;

constexpr const char* kUsage = "usage: protocolpdf FILE.rotor [OUT.pdf] [--en | --ru]\n";

const char* meaning(int result) {
    switch (result) {
        case reportresult::kWritten: return "written";
        case reportresult::kBeginFailed: return "the document could not be begun";
        default: return "not written";
    }
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"en", no_argument, nullptr, 'e'},
                                      {"ru", no_argument, nullptr, 'r'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    int language = -1;  // -1: the settings' language
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        switch (c) {
            case 'e':
                language = 1;
                break;
            case 'r':
                language = 0;
                break;
            default:
                return tooloptions::usage(kUsage, c == 'h');
        }
    }
    const int n = argc - optind;
    if (n < 1 || n > 2) return tooloptions::usage(kUsage, false);
    const std::string file = argv[optind];
    const std::string out = n == 2 ? argv[optind + 1] : "";

    std::error_code ec;
    const fs::path rotorFile = fs::absolute(file, ec);
    const fs::path outFile = out.empty() ? fs::path() : fs::absolute(out, ec);
    const std::string folder = rotorFile.parent_path().filename().string();
    const int mode = folder == "history" ? kHistoryMode : folder == "db" ? kDatabaseMode : 0;
    if (mode == 0) {
        std::fprintf(stderr, "protocolpdf: %s does not lie in a history/ or db/ folder\n", file.c_str());
        return 1;
    }
    const fs::path workDir = rotorFile.parent_path().parent_path();
    if (::chdir(workDir.c_str()) != 0) {
        std::fprintf(stderr, "protocolpdf: cannot change into %s\n", workDir.c_str());
        return 1;
    }

    registerProtocols();
    if (!indexEmbeddedResources()) {
        std::fprintf(stderr, "protocolpdf: the embedded resource store is damaged\n");
        return 1;
    }
    Config config;
    if (fs::exists(".cfg", ec) && !config.load(".cfg"))
        std::fprintf(stderr, "protocolpdf: .cfg could not be read, the default settings are used\n");
    setLanguage(language < 0 ? config.language != 0 : language == 1);

    Rotor rotor(&config);
    const std::string name = rotorFile.filename().string();
    if (!rotor.loadRotor(name.c_str(), mode)) {
        std::fprintf(stderr, "protocolpdf: %s could not be loaded\n", file.c_str());
        return 1;
    }
    const int result = rotor.makeReport(0, out.empty() ? nullptr : outFile.c_str(), 0, 0);
    const fs::path written = out.empty() ? workDir / "tmp.pdf" : outFile;
    std::printf("protocolpdf: %s: result %d (%s)\n", written.c_str(), result, meaning(result));
    return result == reportresult::kWritten ? 0 : 1;
}
