#include "texts/text_table.h"

#include <algorithm>

namespace texts_detail {

const char* findText(const TextItem* items, std::size_t count, TextId id) {
    const TextItem* end = items + count;
    const TextItem* it =
        std::lower_bound(items, end, id, [](const TextItem& item, TextId key) { return item.id < key; });
    if (it == end || it->id != id) return nullptr;
    return isEnglish() ? it->en : it->ru;
}

const std::uint32_t* findAttrs(const AttrItem* items, std::size_t count, TextId id) {
    const AttrItem* end = items + count;
    const AttrItem* it =
        std::lower_bound(items, end, id, [](const AttrItem& item, TextId key) { return item.id < key; });
    if (it == end || it->id != id) return kNoAttrs;
    return it->list;
}

}  // namespace texts_detail
