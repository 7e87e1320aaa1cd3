// cfgtool: runs the program's settings-file steps in the current folder.
//
//   cfgtool startup    the start-up load of ".cfg" with a console host: prints
//                      the message the operator would see and the list lengths;
//                      writes ".cfg" with defaults when there is none, keeps a
//                      damaged one aside as ".cfg.bad-..." first
//   cfgtool demo OUT   writes the settings of the demonstration machine (see
//                      records/demo_settings.h) to OUT, which must not exist
//   cfgtool fixture OUT  writes the settings of a delivered machine for the
//                      interface's end-to-end road: the demonstration machine
//                      with one specialist operator "Anna Fischer" (PIN 2468,
//                      settings access)

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "records/demo_settings.h"
#include "records/record.h"
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

constexpr std::uint32_t kFixturePin = 2468;

int writeSettings(const Config& c, const char* out) {
    Tris::excludeTag(LocalConfig::kType);  // as after the program's own load: never saved
    std::string error;
    if (!saveSettingsFile(c, out, &error)) {
        std::fprintf(stderr, "cfgtool: %s: %s\n", out, error.c_str());
        return 1;
    }
    return 0;
}

// A first start's settings are never written over a machine's own.
int writeDemo(const char* out) {
    std::error_code ec;
    if (std::filesystem::symlink_status(out, ec).type() != std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "cfgtool: %s exists: not replaced\n", out);
        return 1;
    }
    return writeSettings(demoSettings(), out);
}

int writeFixture(const char* out) {
    Config c = demoSettings();
    Operator specialist;
    specialist.name = "Anna Fischer";
    specialist.access = true;
    specialist.pin = kFixturePin;
    c.operators = {specialist};
    return writeSettings(c, out);
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: cfgtool startup | cfgtool demo OUT | cfgtool fixture OUT\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    const int args = argc - optind;
    if (args == 2 && std::strcmp(argv[optind], "demo") == 0) return writeDemo(argv[optind + 1]);
    if (args == 2 && std::strcmp(argv[optind], "fixture") == 0) return writeFixture(argv[optind + 1]);
    if (args != 1 || std::strcmp(argv[optind], "startup") != 0) return tooloptions::usage(kUsage, false);
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
