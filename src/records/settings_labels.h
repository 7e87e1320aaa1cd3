#pragma once
// What the settings screen calls a setting: the label of its row, with the
// drive, channel or list row it belongs to.  The load's log names the
// settings it changed so, for the engineer who looks them up on the screen.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The rows of the channel list ("Channel 2") and of the inverter list ("Drive #2").
std::string channelRowLabel(std::size_t index);
std::string inverterRowLabel(std::size_t index);

// The labels along a settings path in the current language, as
// "End drive / Engine parameters / Rated motor power" or
// "Channel 2 / Vibration phase shift"; a material's row is its name.
std::string settingLabel(const std::vector<std::uint32_t>& path, const std::string& materialName);
