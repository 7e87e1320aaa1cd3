#include "resources/resource_store.h"

#include <cstring>
#include <unordered_map>

extern "C" {
extern const unsigned char ks_resource_block_begin[];
extern const unsigned char ks_resource_block_end[];
}

namespace {

std::unordered_map<std::uint32_t, ResourceEntry>& index() {
    static std::unordered_map<std::uint32_t, ResourceEntry> map;
    return map;
}

std::uint32_t wordAt(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool indexResourceStore(const void* block, std::size_t bytes) {
    const auto* base = static_cast<const unsigned char*>(block);
    const std::uint64_t words = bytes / 4;
    std::uint64_t pos = 0;
    auto& map = index();
    while (pos < words) {
        const std::uint32_t header = wordAt(base + pos * 4);
        ++pos;
        std::uint64_t payloadWords;
        std::uint32_t size;
        if ((header & 63) == 63) {
            if (pos >= words) return false;
            size = wordAt(base + pos * 4);
            ++pos;
            payloadWords = (static_cast<std::uint64_t>(size) + 3) / 4;
        } else {
            payloadWords = header & 63;
            size = static_cast<std::uint32_t>(payloadWords * 4);
        }
        if (payloadWords > words - pos) return false;
        map[header >> 7] = ResourceEntry{base + pos * 4, size};
        pos += payloadWords;
    }
    return true;
}

ResourceEntry findResource(TextId key) {
    const auto& map = index();
    const auto it = map.find(key);
    return it == map.end() ? ResourceEntry{} : it->second;
}

std::size_t resourceCount() { return index().size(); }

const void* embeddedResourceBlock() { return ks_resource_block_begin; }

std::size_t embeddedResourceBlockSize() {
    return static_cast<std::size_t>(ks_resource_block_end - ks_resource_block_begin);
}

bool indexEmbeddedResources() { return indexResourceStore(embeddedResourceBlock(), embeddedResourceBlockSize()); }

namespace resources_testing {
void clearIndex() { index().clear(); }
}  // namespace resources_testing
