// smoke_config FILE [en|ru [welding]]: writes a settings file with two
// operators (PIN 1234 with settings access, PIN 4321 without) for the
// program's smoke runs; "welding" adds the external welding machine and its
// control (the Welding tile and the welder question).
#include <cstdio>
#include <cstring>

#include "records/settings_file.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: smoke_config FILE [en|ru [welding]]\n");
        return 2;
    }
    Config config;
    config.language = argc > 2 && std::strcmp(argv[2], "en") == 0 ? 1 : 0;
    config.externalWelding = config.externalWeldingControl = argc > 3 && std::strcmp(argv[3], "welding") == 0;
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
