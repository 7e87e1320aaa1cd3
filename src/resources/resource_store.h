#pragma once
// The embedded resource store: the program's images and fonts, packed into the
// executable as one block of record-stream items keyed by TextId.  Indexed once
// at start-up; lookups hand out pointers into the block without copying.

#include <cstddef>
#include <cstdint>

#include "texts/texts.h"

struct ResourceEntry {
    const void* data = nullptr;
    std::uint32_t size = 0;  // 0: no such resource
};

// Indexes a block of items (header (key << 7) | n with n payload words, or
// n = 63 followed by a byte length L and (L + 3) / 4 payload words).  A later
// item with the same key replaces an earlier one.  Stops at a damaged item,
// keeping the entries before it, and returns false then.  bytes is rounded
// down to a multiple of 4.
bool indexResourceStore(const void* block, std::size_t bytes);

// The entry of a key; {null, 0} when the store holds none.  Safe from any
// thread once the index is built.
ResourceEntry findResource(TextId key);

// Number of entries in the index.
std::size_t resourceCount();

// The block linked into the executable (see assets/resources.txt).
const void* embeddedResourceBlock();
std::size_t embeddedResourceBlockSize();

// Indexes the embedded block; what the operator interface calls at start-up.
bool indexEmbeddedResources();

namespace resources_testing {
void clearIndex();
}
