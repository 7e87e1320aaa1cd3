#pragma once
// Keyed records and their binary item stream.
//
// Every stored structure of the program (rotor files, settings file) is a
// record derived from Tris::Base.  Its fields are named by TextIds: the type
// tag of a record is its text group's base, each field's tag an item of that
// group.  Records are stored as a stream of little-endian 32-bit words made of
// items:
//
//   header word H: bits 7-31 tag, bit 6 flag (a bool field's value),
//                  bits 0-5 n = payload length in words (0..62); n = 63 means
//                  the next word is the payload length L in bytes and the
//                  payload is (L + 3) / 4 words.
//   payload:       n words.
//
// A record is written as its difference from a default-constructed record of
// its type and read onto a default-constructed record.  Items of tags a record
// does not know (or that it refuses) are kept word for word and written back in
// front of the known fields.  The header 0xFFFFFFC0 ends a file early.
//
// Records are normally declared through the field-descriptor layer in
// records/field_table.h; this header holds the base, the item writers and the
// stream reader that the layer (and the tools) build on.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "texts/texts.h"

namespace Tris {

class Base;
struct RecordTable;

// The end marker that stops the reading of a file.
constexpr std::uint32_t kEndMarker = 0xFFFFFFC0u;
// The largest record file that load takes unless its reader sets its own
// limit: far beyond any record the program writes, small enough that the
// records read from it fit in memory.
constexpr std::uint64_t kMaxRecordFileBytes = 16u << 20;
// List command payloads (first word).
constexpr std::uint32_t kListClear = 0x1900u;
constexpr std::uint32_t kListErase = 0x1981u;
// Payload length value that announces a byte-length word.
constexpr std::uint32_t kEscapeLength = 63u;

constexpr std::uint32_t itemTag(std::uint32_t header) {
    return header >> 7;
}
constexpr bool itemFlag(std::uint32_t header) {
    return (header & 0x40u) != 0;
}
constexpr std::uint32_t itemLength(std::uint32_t header) {
    return header & 0x3Fu;
}
constexpr std::uint32_t makeHeader(std::uint32_t tag, bool flag, std::uint32_t n) {
    return (tag << 7) | (flag ? 0x40u : 0u) | (n & 0x3Fu);
}

// Receives the value of a field read through Base::accessField.
// kind 1: text (number 0, integer 0); kind 2: double (text null, integer 0);
// kind 3: integer widened to 64 bits (text null, number 0; signed values are
// sign-extended).  May be empty.
using FieldReport =
    std::function<unsigned(unsigned kind, const char* text, double number, std::uint64_t integer)>;

// Results of Base::accessField without a new text and an empty report.
enum AccessResult : unsigned {
    kAccessUnknown = 0,
    kAccessText = 1,
    kAccessDouble = 2,
    kAccessInteger = 3,
    kAccessFlagSet = 5,
    kAccessFlagClear = 6,
};

// Tags that record writing skips: a field whose tag is in the set is never
// written; a record whose type tag is in the set writes nothing at all.  The
// settings load adds the type tag of LocalConfig.  Main thread only.
extern std::unordered_set<std::uint32_t> excludedTags;
inline bool isExcluded(std::uint32_t tag) {
    return !excludedTags.empty() && excludedTags.count(tag) != 0;
}
inline void excludeTag(std::uint32_t tag) {
    excludedTags.insert(tag);
}
// Tests start from an empty set with this.
void clearExcludedTags();

// Where items are written: the little-endian bytes of the words, ready for a
// file.  Writers given a null sink only count.
class Sink {
public:
    void word(std::uint32_t w);
    // Bytes, then a NUL, then zero bytes up to the next whole word.
    void stringBytes(const char* data, std::size_t size);
    void words(const std::uint32_t* w, std::size_t count);

    const std::string& bytes() const { return bytes_; }
    std::string take() { return std::move(bytes_); }
    std::size_t wordCount() const { return bytes_.size() / 4; }

private:
    std::string bytes_;
};

// The item writers shared by all records.  Each writes nothing when the value
// equals the default or the tag is excluded; otherwise it writes the item into
// the sink (when not null) and adds the item's word count to `words`.
void writeU32Item(Sink* out, std::size_t& words, std::uint32_t tag, std::uint32_t value, std::uint32_t def);
void writeI64Item(Sink* out, std::size_t& words, std::uint32_t tag, std::int64_t value, std::int64_t def);
// 0.0 equals -0.0; a NaN is always written.
void writeDoubleItem(Sink* out, std::size_t& words, std::uint32_t tag, double value, double def);
void writeBoolItem(Sink* out, std::size_t& words, std::uint32_t tag, bool value, bool def);
void writeStringItem(Sink* out, std::size_t& words, std::uint32_t tag, const std::string& value,
                     const std::string& def);
// A nested record (or, with force, a list element): written when its items
// against `defaults` take any word, or always with `force` (then possibly as an
// item with an empty payload).
void writeRecordItem(Sink* out, std::size_t& words, std::uint32_t tag, const Base& record,
                     const Base& defaults, bool force);
// A record file grows by appended items: to add one list element to a file,
//   Tris::Sink s; std::size_t n = 0;
//   Tris::writeRecordItem(&s, n, listTag, element, ElementType(), true);
// and append s.bytes() to the file; reading the file appends the element.

// One item as the reader meets it.
struct Item {
    std::uint32_t header = 0;
    std::uint32_t tag = 0;
    bool flag = false;
    bool hasLengthWord = false;    // escape form: a byte-length word followed the header
    std::uint32_t lengthWord = 0;  // L, when hasLengthWord
    const std::uint32_t* payload = nullptr;
    std::size_t payloadWords = 0;
    std::size_t offset = 0;  // word index of the header in the scanned words
};

// Steps through items of a word array.  Every length is checked against what
// is left before anything is touched.
class ItemReader {
public:
    ItemReader(const std::uint32_t* words, std::size_t count) : w_(words), n_(count) {}
    enum Status { kItem, kEnd, kBroken };
    // kItem: `item` filled; kEnd: no word left; kBroken: a length word is
    // missing or the payload runs past the end (the position stays put).
    Status next(Item& item);
    std::size_t position() const { return pos_; }

private:
    const std::uint32_t* w_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

// Little-endian bytes to words and back (a trailing piece of less than a word
// is dropped by bytesToWords).
std::vector<std::uint32_t> bytesToWords(std::string_view bytes);
std::string wordsToBytes(const std::uint32_t* words, std::size_t count);
// The bytes held in payload words, up to the first NUL (all of them when none).
std::string payloadText(const std::uint32_t* payload, std::size_t words);

// The number a text gives as the C library's atof reads it, independent of the
// process locale: leading blanks skipped, the longest leading number taken,
// 0 when there is none.
double parseNumber(const char* text);
// The same, truncated toward zero and clamped into the type's range (NaN and
// a text without a number give 0).
std::uint32_t parseU32(const char* text);
std::int32_t parseI32(const char* text);
std::int64_t parseI64(const char* text);

// The base of every record.
class Base {
public:
    Base() = default;
    Base(const Base&) = default;
    Base(Base&&) noexcept = default;
    Base& operator=(const Base&) = default;
    Base& operator=(Base&&) noexcept = default;

    // Virtual operations, in this slot order.
    virtual ~Base();
    // Reads a field named by a path of `depth` tags through `report`, or sets it
    // from `newText` (UTF-8, or null to read).  The base knows no field: 0.
    virtual unsigned accessField(const std::uint32_t* path, int depth, FieldReport report,
                                 const char* newText);
    // Stores one item read from a stream; false refuses it (the reader then
    // keeps it among the unknown words).  The base refuses everything.
    virtual bool takeItem(std::uint32_t tag, const std::uint32_t* payload, std::size_t words, bool flag);
    // Writes (out not null) or counts (out null) the record's items against
    // `defaults`, a default record of the same type; adds the words to `words`.
    // The base writes nothing.
    virtual void writeItems(Sink* out, std::size_t& words, const Base& defaults) const;
    // Writes the record alone as a file, through the safe whole-file
    // replacement (the old file stays on failure).  The base returns false.
    virtual bool save(const std::string& path, std::string* error = nullptr) const;

    // Beyond the five: the record's field table (null for the base) and a
    // default-constructed record of the same type.
    virtual const RecordTable* table() const;
    virtual std::unique_ptr<Base> makeDefault() const;
    virtual std::unique_ptr<Base> clone() const;

    // Reads a record file onto this record.  Items taken before a failure stay.
    // False (with a short reason in `error` when given) when the file cannot
    // be opened, is not a regular file, is larger than maxBytes, cannot be read
    // or held in memory, or a length word or payload is cut short; true at the
    // end of the file (a trailing piece under 4 bytes counts as the end) or at
    // the end marker.  Never blocks on a pipe or device; never throws.
    bool load(const std::string& path, std::uint64_t maxBytes = kMaxRecordFileBytes, std::string* error = nullptr);
    // The same over bytes already in memory.
    bool loadBytes(std::string_view bytes);
    // Reads items from words (nested records, list elements, resources).  The
    // end marker is not special here.
    bool parse(const std::uint32_t* words, std::size_t count);
    bool parse(const std::vector<std::uint32_t>& words) { return parse(words.data(), words.size()); }

    // The bytes save would write: the items against a default record.
    std::string serialize() const;

    // Items this record refused while reading, in reading order, word for word.
    std::vector<std::uint32_t> unknownWords;

private:
    void keepUnknown(const Item& item);
    bool loadWords(const std::vector<std::uint32_t>& words);
};

// Deep equality of two records of the same type: every field bit for bit
// (doubles by their bytes), member records, lists element by element and the
// unknown words at every level.  Records without a table compare their
// unknown words only.
bool equalRecords(const Base& a, const Base& b);

}  // namespace Tris
