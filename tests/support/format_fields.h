#pragma once
// The fields "{...}" of an fmt text, for tests that check that the English
// and the Russian text of an item take the same arguments.  Header-only: the
// text and protocol tests both include it.

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace textcheck {

// The fields of text, braces included ("{}", "{1:02}"), in order of appearance.
inline std::vector<std::string> fmtFields(const std::string& text) {
    static const std::regex field(R"(\{[^{}]*\})");
    std::vector<std::string> fields;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), field); it != std::sregex_iterator();
         ++it) {
        fields.push_back(it->str());
    }
    return fields;
}

// The fields sorted: two texts with equal sets take the same arguments, each
// placing them where its language wants them.
inline std::vector<std::string> fmtFieldSet(const std::string& text) {
    std::vector<std::string> fields = fmtFields(text);
    std::sort(fields.begin(), fields.end());
    return fields;
}

}  // namespace textcheck
