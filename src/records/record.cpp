#include "records/record.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/bounded_read.h"
#include "platform/file_replace.h"
#include "records/field_table.h"

namespace Tris {

std::unordered_set<std::uint32_t> excludedTags;

void clearExcludedTags() {
    excludedTags.clear();
}

// ---- sink ----------------------------------------------------------------

void Sink::word(std::uint32_t w) {
    const char b[4] = {static_cast<char>(w & 0xFF), static_cast<char>((w >> 8) & 0xFF),
                       static_cast<char>((w >> 16) & 0xFF), static_cast<char>((w >> 24) & 0xFF)};
    bytes_.append(b, 4);
}

void Sink::words(const std::uint32_t* w, std::size_t count) {
    bytes_.reserve(bytes_.size() + count * 4);
    for (std::size_t i = 0; i < count; ++i) word(w[i]);
}

void Sink::stringBytes(const char* data, std::size_t size) {
    bytes_.append(data, size);
    const std::size_t total = size + 1;
    const std::size_t padded = (total + 3) / 4 * 4;
    bytes_.append(padded - size, '\0');
}

// ---- item writers ----------------------------------------------------------

namespace {

void putHeader(Sink* out, std::size_t& words, std::uint32_t tag, bool flag, std::size_t payloadWords,
               std::uint64_t byteLength) {
    if (payloadWords < kEscapeLength) {
        if (out) out->word(makeHeader(tag, flag, static_cast<std::uint32_t>(payloadWords)));
        words += 1;
    } else {
        if (out) {
            out->word(makeHeader(tag, flag, kEscapeLength));
            out->word(static_cast<std::uint32_t>(byteLength));
        }
        words += 2;
    }
}

}  // namespace

void writeU32Item(Sink* out, std::size_t& words, std::uint32_t tag, std::uint32_t value, std::uint32_t def) {
    if (value == def || isExcluded(tag)) return;
    if (out) {
        out->word(makeHeader(tag, false, 1));
        out->word(value);
    }
    words += 2;
}

void writeI64Item(Sink* out, std::size_t& words, std::uint32_t tag, std::int64_t value, std::int64_t def) {
    if (value == def || isExcluded(tag)) return;
    if (out) {
        const auto u = static_cast<std::uint64_t>(value);
        out->word(makeHeader(tag, false, 2));
        out->word(static_cast<std::uint32_t>(u));
        out->word(static_cast<std::uint32_t>(u >> 32));
    }
    words += 3;
}

void writeDoubleItem(Sink* out, std::size_t& words, std::uint32_t tag, double value, double def) {
    if (value == def || isExcluded(tag)) return;  // NaN never equals: always written
    if (out) {
        std::uint64_t u;
        std::memcpy(&u, &value, sizeof u);
        out->word(makeHeader(tag, false, 2));
        out->word(static_cast<std::uint32_t>(u));
        out->word(static_cast<std::uint32_t>(u >> 32));
    }
    words += 3;
}

void writeBoolItem(Sink* out, std::size_t& words, std::uint32_t tag, bool value, bool def) {
    if (value == def || isExcluded(tag)) return;
    if (out) out->word(makeHeader(tag, value, 0));
    words += 1;
}

void writeStringItem(Sink* out, std::size_t& words, std::uint32_t tag, const std::string& value,
                     const std::string& def) {
    if (value == def || isExcluded(tag)) return;
    const std::uint64_t byteLength = static_cast<std::uint64_t>(value.size()) + 1;  // the NUL counts
    const std::size_t payload = static_cast<std::size_t>((byteLength + 3) / 4);
    putHeader(out, words, tag, false, payload, byteLength);
    if (out) out->stringBytes(value.data(), value.size());
    words += payload;
}

void writeRecordItem(Sink* out, std::size_t& words, std::uint32_t tag, const Base& record,
                     const Base& defaults, bool force) {
    if (isExcluded(tag)) return;
    std::size_t c = 0;
    record.writeItems(nullptr, c, defaults);
    if (c == 0 && !force) return;
    putHeader(out, words, tag, false, c, static_cast<std::uint64_t>(c) * 4);
    if (out) {
        record.writeItems(out, words, defaults);
    } else {
        words += c;
    }
}

// ---- reading ------------------------------------------------------------------

ItemReader::Status ItemReader::next(Item& item) {
    if (pos_ >= n_) return kEnd;
    std::size_t p = pos_;
    const std::uint32_t header = w_[p++];
    Item it;
    it.header = header;
    it.tag = itemTag(header);
    it.flag = itemFlag(header);
    it.offset = pos_;
    std::uint64_t payload = itemLength(header);
    if (payload == kEscapeLength) {
        if (p >= n_) return kBroken;
        it.hasLengthWord = true;
        it.lengthWord = w_[p++];
        payload = (static_cast<std::uint64_t>(it.lengthWord) + 3) / 4;
    }
    if (payload > n_ - p) return kBroken;  // checked before anything is touched
    it.payload = w_ + p;
    it.payloadWords = static_cast<std::size_t>(payload);
    pos_ = p + it.payloadWords;
    item = it;
    return kItem;
}

std::vector<std::uint32_t> bytesToWords(std::string_view bytes) {
    std::vector<std::uint32_t> w(bytes.size() / 4);
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < w.size(); ++i) {
        w[i] = static_cast<std::uint32_t>(b[4 * i]) | (static_cast<std::uint32_t>(b[4 * i + 1]) << 8) |
               (static_cast<std::uint32_t>(b[4 * i + 2]) << 16) |
               (static_cast<std::uint32_t>(b[4 * i + 3]) << 24);
    }
    return w;
}

std::string wordsToBytes(const std::uint32_t* words, std::size_t count) {
    Sink s;
    s.words(words, count);
    return s.take();
}

std::string payloadText(const std::uint32_t* payload, std::size_t words) {
    std::string s;
    for (std::size_t i = 0; i < words; ++i) {
        for (int k = 0; k < 4; ++k) {
            const char c = static_cast<char>((payload[i] >> (8 * k)) & 0xFF);
            if (c == '\0') return s;
            s.push_back(c);
        }
    }
    return s;
}

// ---- numbers from text -----------------------------------------------------------

namespace {
locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}
}  // namespace

double parseNumber(const char* text) {
    if (!text) return 0.0;
    const locale_t loc = cLocale();
    if (loc == static_cast<locale_t>(0)) return std::strtod(text, nullptr);
    return strtod_l(text, nullptr, loc);
}

std::uint32_t parseU32(const char* text) {
    const double t = std::trunc(parseNumber(text));
    if (std::isnan(t) || t <= 0.0) return 0;
    if (t >= 4294967295.0) return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(t);
}

std::int32_t parseI32(const char* text) {
    const double t = std::trunc(parseNumber(text));
    if (std::isnan(t)) return 0;
    if (t <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    if (t >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
}

std::int64_t parseI64(const char* text) {
    const double t = std::trunc(parseNumber(text));
    if (std::isnan(t)) return 0;
    if (t <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    if (t >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(t);
}

// ---- Base ----------------------------------------------------------------

Base::~Base() = default;

unsigned Base::accessField(const std::uint32_t*, int, FieldReport, const char*) {
    return 0;
}

bool Base::takeItem(std::uint32_t, const std::uint32_t*, std::size_t, bool) {
    return false;
}

void Base::writeItems(Sink*, std::size_t&, const Base&) const {}

bool Base::save(const std::string&, std::string* error) const {
    if (error) *error = "record without fields";
    return false;
}

const RecordTable* Base::table() const {
    return nullptr;
}

std::unique_ptr<Base> Base::makeDefault() const {
    return std::make_unique<Base>();
}

std::unique_ptr<Base> Base::clone() const {
    return std::make_unique<Base>(*this);
}

void Base::keepUnknown(const Item& item) {
    unknownWords.push_back(item.header);
    if (item.hasLengthWord) unknownWords.push_back(item.lengthWord);
    unknownWords.insert(unknownWords.end(), item.payload, item.payload + item.payloadWords);
}

bool Base::parse(const std::uint32_t* words, std::size_t count) {
    ItemReader reader(words, count);
    Item item;
    for (;;) {
        switch (reader.next(item)) {
            case ItemReader::kEnd:
                return true;
            case ItemReader::kBroken:
                return false;
            case ItemReader::kItem:
                if (!takeItem(item.tag, item.payload, item.payloadWords, item.flag)) keepUnknown(item);
                break;
        }
    }
}

bool Base::loadBytes(std::string_view bytes) {
    // A trailing piece of less than a word is the end of the file.
    return loadWords(bytesToWords(bytes));
}

bool Base::loadWords(const std::vector<std::uint32_t>& words) {
    ItemReader reader(words.data(), words.size());
    Item item;
    for (;;) {
        switch (reader.next(item)) {
            case ItemReader::kEnd:
                return true;
            case ItemReader::kBroken:
                return false;
            case ItemReader::kItem:
                if (!takeItem(item.tag, item.payload, item.payloadWords, item.flag)) {
                    if (item.header == kEndMarker) return true;
                    keepUnknown(item);
                }
                break;
        }
    }
}

bool Base::load(const std::string& path, std::uint64_t maxBytes, std::string* error) {
    try {
        std::string bytes;
        if (!platform::readBoundedFile(path, maxBytes, bytes, error)) return false;
        // The words are the one copy kept while the items are taken.
        const std::vector<std::uint32_t> words = bytesToWords(bytes);
        std::string().swap(bytes);
        if (loadWords(words)) return true;
        if (error) *error = "an item is cut short";
        return false;
    } catch (...) {  // out of memory: the file is refused, the program goes on
        if (error) *error = "out of memory";
        return false;
    }
}

std::string Base::serialize() const {
    const std::unique_ptr<Base> defaults = makeDefault();
    Sink sink;
    std::size_t written = 0;
    writeItems(&sink, written, *defaults);
    return sink.take();
}

bool saveRecord(const Base& record, const std::string& path, std::string* error) {
    const std::unique_ptr<Base> defaults = record.makeDefault();
    std::size_t counted = 0;
    record.writeItems(nullptr, counted, *defaults);
    Sink sink;
    std::size_t written = 0;
    record.writeItems(&sink, written, *defaults);
    if (counted != written || sink.wordCount() != written) {
        if (error) *error = "record size changed between count and write";
        return false;
    }
    return platform::replaceFile(path, sink.bytes(), error);
}

bool equalRecords(const Base& a, const Base& b) {
    if (a.table() != b.table()) return false;
    if (a.unknownWords != b.unknownWords) return false;
    if (!a.table()) return true;
    return generic::equalFields(*a.table(), a, b);
}

}  // namespace Tris
