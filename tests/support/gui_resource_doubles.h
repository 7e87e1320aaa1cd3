#pragma once
// Doubles for the interface's resources.
//
// RecordingUploader keeps every texture upload (size and pixels) and hands
// out ids 1, 2, ...; `failAt` makes one upload fail.
//
// TestResourceStore indexes a resource store of the test's own in place of
// the embedded one, and indexes the embedded one again when it goes:
//   TestResourceStore store;
//   store.copyEmbeddedExcept({0x179E40A});   // every embedded item but one
//   store.add(0x179E404, "not a png");
//   store.index();

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gui/texture.h"
#include "texts/texts.h"

class RecordingUploader final : public TextureUploader {
public:
    struct Upload {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgba;
    };
    std::vector<Upload> uploads;
    std::vector<void*> released;
    int failAt = -1;  // this upload (counted from 0) answers null

    void* upload(const unsigned char* rgba, int width, int height) override;
    void release(void* id) override { released.push_back(id); }
    // The upload that made an id.
    const Upload& of(void* id) const { return uploads.at(reinterpret_cast<std::uintptr_t>(id) - 1); }
};

class TestResourceStore {
public:
    TestResourceStore() = default;
    ~TestResourceStore();
    TestResourceStore(const TestResourceStore&) = delete;
    TestResourceStore& operator=(const TestResourceStore&) = delete;

    // Copies of the embedded store's images and faces, but not these keys.
    void copyEmbeddedExcept(std::initializer_list<TextId> skipped);
    void add(TextId key, const std::string& bytes);
    // Indexes the items added so far instead of the embedded store.
    void index();

private:
    std::vector<std::uint32_t> block_;
};
