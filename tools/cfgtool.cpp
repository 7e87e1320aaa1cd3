// cfgtool: runs the program's settings-file steps in the current folder.
//
//   cfgtool startup    the start-up load of ".cfg" with a console host: prints
//                      the message the operator would see and the list lengths;
//                      writes ".cfg" with defaults when there is none, keeps a
//                      damaged one aside as ".cfg.bad-..." first

#include <cstdio>
#include <cstring>

#include "records/settings_file.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {

class ConsoleHost : public SettingsHost {
public:
    Config& liveConfig() override { return config_; }
    bool machineBusy() override { return false; }
    Rotor* makeRotor() override { return nullptr; }  // no rotor in this tool
    Rotor* activeRotor() override { return nullptr; }
    void setActiveRotor(Rotor*) override {}
    void handRotorToMachine(Rotor*) override {}
    void destroyRotor(Rotor*) override {}
    void messageBox(const char* text, const char*, int, std::function<void(int)>) override {
        std::printf("message: %s\n", text ? text : "");
    }

private:
    Config config_;
};

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: cfgtool startup\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1 || std::strcmp(argv[optind], "startup") != 0)
        return tooloptions::usage(kUsage, false);
    ConsoleHost host;
    const bool ok = loadStartupSettings(host);
    const Config& c = host.liveConfig();
    std::printf("load: %s\n", ok ? "ok" : "failed");
    std::printf("language: %s\n", uiEnglish.load() ? "English" : "Russian");
    std::printf(
        "inverters: %zu\nchannels: %zu\nadditional error messages: %zu (End drive %zu, Belt drive %zu, "
        "Mill drive %zu, Weld drive %zu)\nmaterials: %zu\noperators: %zu\n",
        c.inverters.size(), c.channels.size(), c.extErrors.size(), c.endDrive.extErrors.size(),
        c.beltDrive.extErrors.size(), c.millDrive.extErrors.size(), c.weldDrive.extErrors.size(),
        c.materials.size(), c.operators.size());
    return ok ? 0 : 1;
}
