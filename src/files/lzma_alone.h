#pragma once
// The LZMA "alone" format (".lzma"): 5 property bytes, the unpacked size as a
// 64-bit little-endian number, then the LZMA data.  Written with the encoder's
// default properties and no end mark (the size is always known).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Appends bytes to the output; returns how many were taken (less = failure).
using LzmaWriter = std::function<std::size_t(const void* data, std::size_t size)>;
// Fills up to *size bytes of input, sets *size to the count given (0 = end);
// false on a read error.
using LzmaSource = std::function<bool(void* buffer, std::size_t* size)>;
// Told how many input bytes were encoded so far; false stops the encoding.
using LzmaProgress = std::function<bool(std::uint64_t inBytes)>;

// Encodes exactly `unpackedSize` bytes of `source` (the size goes into the
// header) through `writer`.  True when the header and all data were written.
bool lzmaAloneEncode(const LzmaWriter& writer, const LzmaSource& source, std::uint64_t unpackedSize,
                     const LzmaProgress& progress = {});

// Convenience for small buffers (tests, tools).
bool lzmaAloneEncode(const std::string& input, std::string& output);

// Decodes a whole ".lzma" image held in memory.  Refused (false, with a short
// reason): a header shorter than 13 bytes or without data, a size with a
// non-zero high word (also the "unknown size" mark), a size of 0 or above
// maxUnpacked, bad properties, corrupt or truncated data, and a stream whose
// decoded length differs from the declared size.
bool lzmaAloneDecode(const unsigned char* data, std::size_t size, std::uint64_t maxUnpacked,
                     std::vector<unsigned char>& out, std::string* reason = nullptr);
