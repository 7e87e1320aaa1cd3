#include "files/lzma_alone.h"

#include <lzma/LzmaDec.h>
#include <lzma/LzmaEnc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

void* sdkAlloc(void*, size_t size) {
    return size ? std::malloc(size) : nullptr;
}
void sdkFree(void*, void* address) {
    std::free(address);
}
ISzAlloc g_alloc = {&sdkAlloc, &sdkFree};

constexpr std::size_t kHeaderSize = LZMA_PROPS_SIZE + 8;

struct InAdapter {
    ISeqInStream vt;  // first member: the SDK passes its address back
    const LzmaSource* source;
};
struct OutAdapter {
    ISeqOutStream vt;
    const LzmaWriter* writer;
};
struct ProgressAdapter {
    ICompressProgress vt;
    const LzmaProgress* progress;
};

SRes readIn(void* p, void* buf, size_t* size) {
    auto* a = static_cast<InAdapter*>(p);
    std::size_t n = *size;
    if (!(*a->source)(buf, &n) || n > *size) {
        *size = 0;
        return SZ_ERROR_READ;
    }
    *size = n;
    return SZ_OK;
}

size_t writeOut(void* p, const void* buf, size_t size) {
    auto* a = static_cast<OutAdapter*>(p);
    return (*a->writer)(buf, size);
}

SRes reportProgress(void* p, UInt64 inSize, UInt64) {
    auto* a = static_cast<ProgressAdapter*>(p);
    return (*a->progress)(inSize) ? SZ_OK : SZ_ERROR_PROGRESS;
}

void putLe64(unsigned char* at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool refuse(std::string* reason, const char* text) {
    if (reason) *reason = text;
    return false;
}

}  // namespace

bool lzmaAloneEncode(const LzmaWriter& writer, const LzmaSource& source, std::uint64_t unpackedSize,
                     const LzmaProgress& progress) {
    CLzmaEncHandle enc = LzmaEnc_Create(&g_alloc);
    if (!enc) return false;
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    // Default properties; the size hint only keeps the dictionary no larger
    // than the data needs.
    props.reduceSize = unpackedSize > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<UInt32>(unpackedSize);
    bool ok = LzmaEnc_SetProps(enc, &props) == SZ_OK;

    unsigned char header[kHeaderSize];
    SizeT propsSize = LZMA_PROPS_SIZE;
    if (ok) ok = LzmaEnc_WriteProperties(enc, header, &propsSize) == SZ_OK && propsSize == LZMA_PROPS_SIZE;
    if (ok) {
        putLe64(header + LZMA_PROPS_SIZE, unpackedSize);
        ok = writer(header, kHeaderSize) == kHeaderSize;
    }
    if (ok) {
        InAdapter in{{&readIn}, &source};
        OutAdapter out{{&writeOut}, &writer};
        ProgressAdapter prog{{&reportProgress}, &progress};
        SRes res = LzmaEnc_Encode(enc, &out.vt, &in.vt, progress ? &prog.vt : nullptr, &g_alloc, &g_alloc);
        ok = res == SZ_OK;
    }
    LzmaEnc_Destroy(enc, &g_alloc, &g_alloc);
    return ok;
}

bool lzmaAloneEncode(const std::string& input, std::string& output) {
    output.clear();
    std::size_t pos = 0;
    LzmaSource source = [&](void* buf, std::size_t* size) {
        std::size_t n = std::min(*size, input.size() - pos);
        std::memcpy(buf, input.data() + pos, n);
        pos += n;
        *size = n;
        return true;
    };
    LzmaWriter writer = [&](const void* data, std::size_t size) {
        output.append(static_cast<const char*>(data), size);
        return size;
    };
    return lzmaAloneEncode(writer, source, input.size());
}

bool lzmaAloneDecode(const unsigned char* data, std::size_t size, std::uint64_t maxUnpacked,
                     std::vector<unsigned char>& out, std::string* reason) {
    out.clear();
    // The header, and the least data an LZMA stream has (its first 5 range-coder bytes).
    if (!data || size < kHeaderSize + 5) return refuse(reason, "file too short");
    std::uint64_t declared = 0;
    for (int i = 7; i >= 0; --i) declared = (declared << 8) | data[LZMA_PROPS_SIZE + i];
    if (declared >> 32) return refuse(reason, "unpacked size unknown or too large");
    if (declared == 0) return refuse(reason, "unpacked size is zero");
    if (declared > maxUnpacked) return refuse(reason, "unpacked size too large");

    CLzmaProps check;
    if (LzmaProps_Decode(&check, data, LZMA_PROPS_SIZE) != SZ_OK) return refuse(reason, "bad properties");

    try {
        out.resize(static_cast<std::size_t>(declared));
    } catch (const std::bad_alloc&) {
        out.clear();
        return refuse(reason, "out of memory");
    }
    SizeT destLen = out.size();
    SizeT srcLen = size - kHeaderSize;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    SRes res = LzmaDecode(out.data(), &destLen, data + kHeaderSize, &srcLen, data, LZMA_PROPS_SIZE,
                          LZMA_FINISH_END, &status, &g_alloc);
    const char* why = nullptr;
    if (res == SZ_ERROR_INPUT_EOF || status == LZMA_STATUS_NEEDS_MORE_INPUT)
        why = "data truncated";
    else if (res == SZ_ERROR_MEM)
        why = "out of memory";
    else if (res == SZ_ERROR_UNSUPPORTED)
        why = "bad properties";
    else if (res != SZ_OK)
        why = "data corrupt";
    else if (destLen != out.size())
        why = "data shorter than the declared size";
    else if (status != LZMA_STATUS_FINISHED_WITH_MARK && status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK)
        why = "data longer than the declared size";
    else if (srcLen != size - kHeaderSize)
        why = "data after the end of the stream";
    if (why) {
        out.clear();
        out.shrink_to_fit();
        return refuse(reason, why);
    }
    return true;
}
