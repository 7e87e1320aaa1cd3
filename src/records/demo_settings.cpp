#include "records/demo_settings.h"

#include "records/settings_file.h"

namespace {
constexpr int kDemoChannels = 3;
}  // namespace

Config demoSettings() {
    Config c;
    fillUpSettingsLists(c);
    c.language = 1;
    c.endDrive.active = true;
    c.endDrive.external = false;
    c.endDrive.drive = 0;
    for (int i = 0; i < kDemoChannels; ++i) c.channels[static_cast<std::size_t>(i)].active = true;
    c.measurementCycles = 1;
    return c;
}
