#pragma once
// Text groups as data: a sorted table of {id, English, Russian} per group and
// one generic lookup, so that a group's text function is a one-liner.
//
// A table lists only the items that have a text, in ascending id order, all
// of one group.  The group base (item 0) names the group and has no text,
// except in the few groups that give it a record's title or a pattern.  An item with one text for both
// languages carries that text on both sides.  Attributes are a second sorted
// table of {id, zero-terminated list}.

#include <cstddef>
#include <cstdint>

#include "texts/texts.h"

namespace texts_detail {

struct TextItem {
    TextId id;
    const char* en;
    const char* ru;
};

struct AttrItem {
    TextId id;
    const std::uint32_t* list;
};

// The item's text in the current language, or null when the table has no such id.
const char* findText(const TextItem* items, std::size_t count, TextId id);
// The item's attribute list, or the empty list when the table has no such id.
const std::uint32_t* findAttrs(const AttrItem* items, std::size_t count, TextId id);

template <std::size_t N>
const char* findText(const TextItem (&items)[N], TextId id) {
    return findText(items, N, id);
}
template <std::size_t N>
const std::uint32_t* findAttrs(const AttrItem (&items)[N], TextId id) {
    return findAttrs(items, N, id);
}

// Compile-time check of a table: every id in the group, strictly ascending,
// both texts present.
template <std::size_t N>
constexpr bool validTable(const TextItem (&items)[N], TextId base) {
    for (std::size_t i = 0; i < N; ++i) {
        if ((items[i].id & kGroupMask) != base) return false;
        if (i > 0 && items[i].id <= items[i - 1].id) return false;
        if (items[i].en == nullptr || items[i].ru == nullptr) return false;
    }
    return true;
}

template <std::size_t N>
constexpr bool validTable(const AttrItem (&items)[N], TextId base) {
    for (std::size_t i = 0; i < N; ++i) {
        if ((items[i].id & kGroupMask) != base || (items[i].id & kItemMask) == 0) return false;
        if (i > 0 && items[i].id <= items[i - 1].id) return false;
        if (items[i].list == nullptr) return false;
    }
    return true;
}

}  // namespace texts_detail
