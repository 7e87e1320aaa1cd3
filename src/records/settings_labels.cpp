#include "records/settings_labels.h"

#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

std::string channelRowLabel(std::size_t index) {
    return ks::format("{} {}", textOrEmpty(textid::kTextChannel), index + 1);
}

std::string inverterRowLabel(std::size_t index) {
    return ks::format(textOrEmpty(textid::kTextDriveNumber), index + 1);
}

std::string settingLabel(const std::vector<std::uint32_t>& path, const std::string& materialName) {
    using Tags = settingtags::Config;
    std::string label;
    const auto add = [&label](const std::string& part) {
        if (!part.empty()) label += label.empty() ? part : " / " + part;
    };
    // A list's element is named by its row; the channels and inverters are
    // listed without their list's own label.
    std::size_t rest = 0;
    if (path.size() > 1) {
        rest = 2;
        if (path[0] == Tags::kChannels) {
            add(channelRowLabel(path[1]));
        } else if (path[0] == Tags::kInverters) {
            add(inverterRowLabel(path[1]));
        } else if (path[0] == Tags::kMaterials) {
            add(textOrEmpty(Tags::kMaterials));
            add(materialName);
        } else {
            rest = 0;
        }
    }
    for (std::size_t i = rest; i < path.size(); ++i) add(textOrEmpty(path[i]));
    return label;
}
