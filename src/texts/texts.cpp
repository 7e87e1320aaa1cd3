#include "texts/texts.h"

#include <unordered_map>
#include <vector>

#include "texts/format.h"

std::atomic<std::uint32_t> uiEnglish{0};
std::atomic<std::uint32_t> decimalPoint{'.'};

const std::uint32_t kNoAttrs[1] = {0};

// The program's own groups, in registration order (text_groups.cpp).
void registerProgramGroups();

namespace {

TextGroup* g_head = nullptr;
bool g_programGroupsRegistered = false;
bool g_mapBuilt = false;
int g_mapBuilds = 0;

std::unordered_map<std::uint32_t, TextGroup*>& groupMap() {
    static std::unordered_map<std::uint32_t, TextGroup*> map;
    return map;
}

void ensureProgramGroups() {
    if (!g_programGroupsRegistered) {
        g_programGroupsRegistered = true;
        registerProgramGroups();
    }
}

void buildMap() {
    // The list runs from the group registered last to the first one.  Walk it
    // into a vector and insert oldest first, assigning, so that of two groups
    // with one base the later registration wins, also when it comes after an
    // earlier build.  Nodes belong to their registrants (static storage): a
    // losing node is only dropped from the list.
    std::vector<TextGroup*> nodes;
    while (g_head) {
        TextGroup* node = g_head;
        g_head = node->next;
        node->next = nullptr;
        nodes.push_back(node);
    }
    auto& map = groupMap();
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) map[(*it)->base] = *it;
    g_mapBuilt = true;
    ++g_mapBuilds;
}

}  // namespace

void setLanguage(bool english) {
    uiEnglish.store(english ? 1u : 0u, std::memory_order_relaxed);
    decimalPoint.store(english ? '.' : ',', std::memory_order_relaxed);
}

void registerGroup(TextGroup* group) {
    if (!group) return;
    // The program's own groups come first, so that a group registered from
    // outside (the protocol texts) follows them in registration order.
    ensureProgramGroups();
    // A node already waiting in the list is not pushed twice (that would make
    // the list a cycle).
    for (TextGroup* n = g_head; n; n = n->next) {
        if (n == group) return;
    }
    group->next = g_head;
    g_head = group;
}

const TextGroup* tr(TextId id) {
    if (!g_mapBuilt || g_head) {
        ensureProgramGroups();
        buildMap();
    }
    auto& map = groupMap();
    const auto it = map.find(id & kGroupMask);
    return it == map.end() ? nullptr : it->second;
}

const char* textOf(TextId id) {
    const TextGroup* g = tr(id);
    return g ? g->text(id) : "";
}

const char* textOrEmpty(TextId id) {
    const char* t = textOf(id);
    return t ? t : "";
}

const std::uint32_t* attrsOf(TextId id) {
    const TextGroup* g = tr(id);
    if (!g) return kNoAttrs;
    const std::uint32_t* a = g->attrs(id);
    return a ? a : kNoAttrs;
}

const char* unitTextOf(TextId id) {
    for (const std::uint32_t* a = attrsOf(id); *a != 0; ++a) {
        if (groupBase(*a) == kUnitsGroup) return textOf(*a);
    }
    return nullptr;
}

std::string formatValueUnit(double value, const char* unit) {
    return ks::format("{} {}", value, unit ? unit : "");
}

namespace texts_testing {
void resetRegistry(bool withProgramGroups) {
    groupMap().clear();
    g_head = nullptr;
    g_mapBuilt = false;
    g_programGroupsRegistered = !withProgramGroups;
    g_mapBuilds = 0;
}
int mapBuildCount() {
    return g_mapBuilds;
}
}  // namespace texts_testing
