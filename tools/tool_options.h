#pragma once
// What the tools share in reading their command lines: options through
// getopt_long, --help (-h) on every tool, and the "--roots A:B" folder list.

#include <getopt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tooloptions {

// The usage text: on stdout after --help (exit code 0), on stderr after a
// wrong command line (exit code 2).
inline int usage(const char* text, bool asked) {
    std::fputs(text, asked ? stdout : stderr);
    return asked ? 0 : 2;
}

// For a tool that has no options of its own: reads --help and refuses every
// other option.  Returns -1 to go on (the arguments start at optind), or the
// exit code.
inline int helpOnly(int argc, char** argv, const char* usageText) {
    static const option kOptions[] = {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    int c;
    while ((c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1) return usage(usageText, c == 'h');
    return -1;
}

// The folders of a list "A:B:...", in order; empty parts are skipped.
inline std::vector<std::string> splitRoots(const std::string& list) {
    std::vector<std::string> roots;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t colon = list.find(':', pos);
        if (colon == std::string::npos) colon = list.size();
        if (colon > pos) roots.push_back(list.substr(pos, colon - pos));
        pos = colon + 1;
    }
    return roots;
}

}  // namespace tooloptions
