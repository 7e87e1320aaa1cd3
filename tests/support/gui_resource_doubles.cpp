#include "support/gui_resource_doubles.h"

#include <algorithm>
#include <cstring>

#include "resources/resource_store.h"
#include "texts/text_ids.h"

void* RecordingUploader::upload(const unsigned char* rgba, int width, int height) {
    const int n = static_cast<int>(uploads.size());
    uploads.push_back({width, height, std::vector<unsigned char>(rgba, rgba + std::size_t(width) * height * 4)});
    if (n == failAt) return nullptr;
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(n + 1));
}

TestResourceStore::~TestResourceStore() {
    resources_testing::clearIndex();
    indexEmbeddedResources();
}

void TestResourceStore::copyEmbeddedExcept(std::initializer_list<TextId> skipped) {
    std::vector<TextId> keys = {textid::kFontFace1, textid::kFontFace2, textid::kFontFace3};
    for (TextId key = textid::kInterfaceImageFirst; key <= textid::kInterfaceImageLast; ++key) keys.push_back(key);
    for (TextId key : keys) {
        if (std::find(skipped.begin(), skipped.end(), key) != skipped.end()) continue;
        const ResourceEntry entry = findResource(key);
        if (entry.size) add(key, std::string(static_cast<const char*>(entry.data), entry.size));
    }
}

void TestResourceStore::add(TextId key, const std::string& bytes) {
    // The escape form: header with length 63, the byte length, padded payload.
    block_.push_back((key << 7) | 63);
    block_.push_back(static_cast<std::uint32_t>(bytes.size()));
    std::vector<std::uint32_t> payload((bytes.size() + 3) / 4, 0);
    std::memcpy(payload.data(), bytes.data(), bytes.size());
    block_.insert(block_.end(), payload.begin(), payload.end());
}

void TestResourceStore::index() {
    resources_testing::clearIndex();
    indexResourceStore(block_.data(), block_.size() * 4);
}
