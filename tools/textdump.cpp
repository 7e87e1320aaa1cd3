// textdump en|ru [BASE]: lists the program's text groups and the protocol
// texts with every item's id, text and attributes, in the chosen language;
// with BASE (hex, e.g. 0xDDB000) only that group.  Control characters in
// texts are shown escaped.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "protocols/protocols.h"
#include "texts/text_groups.h"
#include "texts/text_ids.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {

const char* const kProtocolTextsName = "protocol texts";

std::string shown(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void dumpGroup(TextId base, const char* name) {
    const TextGroup* g = tr(base);
    std::printf("group 0x%07X %s%s\n", base, name, g ? "" : " (not registered)");
    if (!g) return;
    for (TextId item = 0; item <= kItemMask; ++item) {
        const TextId id = base + item;
        const char* text = g->text(id);
        const std::uint32_t* attrs = g->attrs(id);
        if (!text && (!attrs || attrs[0] == 0)) continue;
        std::printf("  0x%07X", id);
        if (text) std::printf("  \"%s\"", shown(text).c_str());
        if (attrs && attrs[0] != 0) {
            std::printf("  [");
            // Ids and colours in hex, small numbers (pixel sizes) in decimal.
            for (const std::uint32_t* a = attrs; *a; ++a) {
                std::printf(*a < 0x10000 ? "%s%u" : "%s0x%X", a == attrs ? "" : " ", *a);
            }
            std::printf("]");
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: textdump en|ru [BASE]\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    const int n = argc - optind;
    const char* language = n >= 1 ? argv[optind] : "";
    if (n < 1 || n > 2 || (std::strcmp(language, "en") != 0 && std::strcmp(language, "ru") != 0))
        return tooloptions::usage(kUsage, false);
    setLanguage(std::strcmp(language, "en") == 0);
    registerProtocols();
    std::size_t count = 0;
    const TextGroupEntry* groups = programTextGroups(&count);
    if (n == 2) {
        char* end = nullptr;
        const unsigned long base = std::strtoul(argv[optind + 1], &end, 16);
        if (end == argv[optind + 1] || *end != '\0' || base > 0xFFFFFFFFul) {
            std::fprintf(stderr, "textdump: not a hexadecimal id: %s\n", argv[optind + 1]);
            return 2;
        }
        const TextId b = groupBase(static_cast<TextId>(base));
        const char* name = b == textid::kProtocolTextsGroup ? kProtocolTextsName : "";
        for (std::size_t i = 0; i < count; ++i) {
            if (groups[i].base == b) name = groups[i].name;
        }
        dumpGroup(b, name);
        return tr(b) ? 0 : 1;
    }
    for (std::size_t i = 0; i < count; ++i) dumpGroup(groups[i].base, groups[i].name);
    dumpGroup(textid::kProtocolTextsGroup, kProtocolTextsName);
    return 0;
}
