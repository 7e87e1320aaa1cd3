// smoke_config FILE [en|ru [WORD...]]: writes a settings file with two
// operators (PIN 1234 with settings access, PIN 4321 without) for the
// program's smoke runs.  Words: "welding" adds the external welding machine
// and its control (the Welding tile and the welder question); "horizontal",
// "vertical" or "console" sets the machine interface type and readies the
// machine for rotors: supports 1 to 4 and both drives active.
#include <cstdio>
#include <cstring>

#include "records/settings_file.h"
#include "texts/record_tags.h"

namespace {
constexpr int kReadySupports = 4;

void readyForRotors(Config& config, TextId layout) {
    config.machineInterface = layout;
    config.channels.resize(kReadySupports);
    for (Channel& c : config.channels) c.active = true;
    config.endDrive.active = config.beltDrive.active = true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: smoke_config FILE [en|ru [welding|horizontal|vertical|console]...]\n");
        return 2;
    }
    Config config;
    config.language = argc > 2 && std::strcmp(argv[2], "en") == 0 ? 1 : 0;
    for (int i = 3; i < argc; ++i) {
        const char* word = argv[i];
        if (std::strcmp(word, "welding") == 0)
            config.externalWelding = config.externalWeldingControl = true;
        else if (std::strcmp(word, "horizontal") == 0)
            readyForRotors(config, settings_choice::kHorizontal);
        else if (std::strcmp(word, "vertical") == 0)
            readyForRotors(config, settings_choice::kVertical);
        else if (std::strcmp(word, "console") == 0)
            readyForRotors(config, settings_choice::kConsole);
        else {
            std::fprintf(stderr, "smoke_config: unknown word %s\n", word);
            return 2;
        }
    }
    Operator first;
    first.name = "Иванова Анна";
    first.pin = 1234;
    first.access = true;
    Operator second;
    second.name = "John Smith";
    second.pin = 4321;
    config.operators = {first, second};
    std::string error;
    if (!saveSettingsFile(config, argv[1], &error)) {
        std::fprintf(stderr, "smoke_config: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
