#pragma once
// The two-language text registry.
//
// Every text shown to the operator, every record type and field tag and every
// embedded resource key is a TextId.  Its bits 10-24 name the group that owns
// it (the group base, a multiple of 1024), bits 0-9 the item number from 1.
// A group gives the item's UTF-8 text in the current language and a
// zero-terminated list of attributes (a field's unit, a font face and size, an
// inverter make's fault-text group, the tint colours of an image).

#include <atomic>
#include <cstdint>
#include <string>

using TextId = std::uint32_t;

constexpr TextId kGroupMask = 0x1FFFC00;
constexpr TextId kItemMask = 0x3FF;
constexpr TextId kUnitsGroup = 0xB95C00;

constexpr TextId groupBase(TextId id) {
    return id & kGroupMask;
}
constexpr unsigned itemNumber(TextId id) {
    return id & kItemMask;
}

struct TextGroup {
    std::uint32_t base;
    // UTF-8 text of an item in the current language, or null for an id the group does not know.
    const char* (*text)(TextId id);
    // Zero-terminated attribute list of an item; never null.
    const std::uint32_t* (*attrs)(TextId id);
    TextGroup* next;
};

// Language flag: non-zero English, zero Russian (the default).  Written only
// together with decimalPoint, through setLanguage; read from any thread.
extern std::atomic<std::uint32_t> uiEnglish;
// Decimal separator of every number shown or printed: '.' English, ',' Russian.
extern std::atomic<std::uint32_t> decimalPoint;

// Sets uiEnglish and decimalPoint together.
void setLanguage(bool english);
inline bool isEnglish() {
    return uiEnglish.load(std::memory_order_relaxed) != 0;
}

// Puts a group at the head of the registration list.  The program's own groups
// (the table of text_groups.cpp) are registered first, so a group owned
// elsewhere (the protocol texts) follows them.  Call it on the main thread
// before the first lookup; of two groups with one base the one registered
// later wins.  The group object must outlive the program's lookups.
void registerGroup(TextGroup* group);

// The group that owns id, or null.  The first call moves the registration list
// into the group map.
const TextGroup* tr(TextId id);

// The item's text, "" when no group owns it, null when its group does not know it.
const char* textOf(TextId id);
// The item's text, "" when missing for any reason.
const char* textOrEmpty(TextId id);
// The item's attribute list; the empty list when no group owns it.
const std::uint32_t* attrsOf(TextId id);
// The unit text of a field tag: the first attribute of the units group; null when none.
const char* unitTextOf(TextId id);
// "{} {}": value, one space, unit (decimal separator per language).
std::string formatValueUnit(double value, const char* unit);

// The empty attribute list that groups return for ids without attributes.
extern const std::uint32_t kNoAttrs[1];

namespace texts_testing {
// Forgets the group map and the registration list, so a test can register its
// own groups.  The program's table is registered again on the next lookup
// unless withProgramGroups is false.
void resetRegistry(bool withProgramGroups);
// How many times the group map has been built from the registration list.
int mapBuildCount();
}  // namespace texts_testing
