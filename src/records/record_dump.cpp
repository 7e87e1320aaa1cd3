#include "records/record_dump.h"

#include <cstring>
#include <memory>
#include <vector>

#include "records/field_table.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace Tris {

namespace {

std::string pad(int depth) {
    return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string hex(std::uint32_t v) {
    return ks::format("0x{:X}", v);
}

std::string hexWord(std::uint32_t v) {
    return ks::format("{:08X}", v);
}

// A printable UTF-8 text with no control bytes but tab and line breaks.
bool printable(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20) {
            if (c != '\t' && c != '\n' && c != '\r') return false;
            ++i;
            continue;
        }
        if (c == 0x7F) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t extra = (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 0;
        if (extra == 0 || i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

// The payload holds exactly one NUL-terminated text padded with zero bytes to
// the word, as the writer makes it.
bool looksLikeText(const std::uint32_t* p, std::size_t n, std::string& out) {
    if (n == 0) return false;
    std::string bytes;
    bytes.reserve(n * 4);
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((p[i] >> (8 * k)) & 0xFF));
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string::npos) return false;
    if ((nul + 1 + 3) / 4 != n) return false;  // the text must end in the last word
    for (std::size_t i = nul; i < bytes.size(); ++i)
        if (bytes[i] != '\0') return false;
    out = bytes.substr(0, nul);
    return printable(out);
}

// The payload parses whole as items of one group.
bool looksLikeRecord(const std::uint32_t* p, std::size_t n) {
    if (n == 0) return false;
    ItemReader r(p, n);
    Item it;
    std::uint32_t base = 0;
    for (;;) {
        const auto st = r.next(it);
        if (st == ItemReader::kEnd) return true;
        if (st == ItemReader::kBroken) return false;
        if (it.tag == 0 || it.tag < 0x400 || (it.tag & kItemMask) == 0) return false;
        if (base == 0) base = groupBase(it.tag);
        if (groupBase(it.tag) != base) return false;
    }
}

std::string numberHints(const std::uint32_t* p, std::size_t n) {
    if (n == 1) {
        const auto s = static_cast<std::int32_t>(p[0]);
        if (s < 0) return ks::format("  (u32 {}, i32 {})", p[0], s);
        return ks::format("  (u32 {})", p[0]);
    }
    if (n == 2) {
        const std::uint64_t u = static_cast<std::uint64_t>(p[0]) | (static_cast<std::uint64_t>(p[1]) << 32);
        double d;
        std::memcpy(&d, &u, sizeof d);
        return ks::format("  (double {}, i64 {})", d, static_cast<std::int64_t>(u));
    }
    return {};
}

std::string wordsLine(const std::uint32_t* p, std::size_t n) {
    std::string s;
    const std::size_t shown = n > 16 ? 16 : n;
    for (std::size_t i = 0; i < shown; ++i) {
        s += ' ';
        s += hexWord(p[i]);
    }
    if (shown < n) s += ks::format(" ... ({} words)", n);
    return s;
}

void rawItems(std::string& out, const std::uint32_t* w, std::size_t count, int depth, bool fileLevel,
              std::size_t baseOffset) {
    ItemReader r(w, count);
    Item it;
    for (;;) {
        const std::size_t at = r.position();
        const auto st = r.next(it);
        if (st == ItemReader::kEnd) return;
        if (st == ItemReader::kBroken) {
            out += pad(depth) +
                   ks::format("@{} BROKEN item header {}: its length runs past the end ({} words left)\n",
                              baseOffset + at, hexWord(w[at]), count - at);
            return;
        }
        if (fileLevel && it.header == kEndMarker) {
            out += pad(depth) + ks::format("@{} end marker", baseOffset + at);
            const std::size_t rest = count - r.position();
            if (rest) out += ks::format(" ({} words after it are ignored)", rest);
            out += '\n';
            return;
        }
        out += pad(depth) + ks::format("@{} tag {} flag {} len {}", baseOffset + at, hex(it.tag),
                                       it.flag ? 1 : 0, it.payloadWords);
        if (it.hasLengthWord) out += ks::format(" (escape, L={} bytes)", it.lengthWord);
        const std::uint32_t* p = it.payload;
        const std::size_t n = it.payloadWords;
        std::string text;
        if (n == 1 && p[0] == kListClear) {
            out += ":" + wordsLine(p, n) + "  (list command: clear)\n";
        } else if (n == 2 && p[0] == kListErase) {
            out += ":" + wordsLine(p, n) + ks::format("  (list command: erase element {})\n", p[1]);
        } else if (looksLikeText(p, n, text)) {
            out += ks::format(": \"{}\"\n", text);
        } else if (looksLikeRecord(p, n)) {
            out += ": record\n";
            rawItems(out, p, n, depth + 1, false, baseOffset + static_cast<std::size_t>(p - w));
        } else {
            if (n) out += ":" + wordsLine(p, n);
            out += numberHints(p, n) + "\n";
        }
    }
}

// ---- tree ------------------------------------------------------------------

std::string label(TextId tag, const DumpOptions& o) {
    if (!o.labels) return {};
    const char* t = textOf(tag);
    return t && *t ? ks::format(" \"{}\"", t) : std::string();
}

std::string unit(TextId tag, const char* holderUnit, const DumpOptions& o) {
    if (!o.labels) return {};
    const char* u = unitTextOf(tag);
    if (!u || !*u) u = holderUnit;
    return u && *u ? ks::format(" {}", u) : std::string();
}

bool fieldDiffers(const FieldDesc& f, const Base& r, const Base& d) {
    switch (f.kind) {
        case FieldKind::U32:
        case FieldKind::I32:
        case FieldKind::Choice:
            return f.value<std::uint32_t>(r) != f.value<std::uint32_t>(d);
        case FieldKind::I64:
            return f.value<std::int64_t>(r) != f.value<std::int64_t>(d);
        case FieldKind::Double:
            return !(f.value<double>(r) == f.value<double>(d));
        case FieldKind::Bool:
            return f.value<bool>(r) != f.value<bool>(d);
        case FieldKind::String:
            return f.value<std::string>(r) != f.value<std::string>(d);
        case FieldKind::Record: {
            std::size_t w = 0;
            f.member(r)->writeItems(nullptr, w, *f.member(d));
            return w != 0;
        }
        case FieldKind::List:
            return f.list->size(f.addr(r)) != 0;
    }
    return true;
}

void tree(std::string& out, const Base& rec, const Base& defaults, int depth, const DumpOptions& o,
          const char* holderUnit) {
    const RecordTable* t = rec.table();
    if (!rec.unknownWords.empty()) {
        out += pad(depth) + ks::format("unknown items ({} words), written first:\n", rec.unknownWords.size());
        rawItems(out, rec.unknownWords.data(), rec.unknownWords.size(), depth + 1, false, 0);
    }
    if (!t) return;
    for (const FieldDesc& f : *t) {
        if (o.changedOnly && !fieldDiffers(f, rec, defaults)) continue;
        std::string head = pad(depth) + hex(f.tag) + label(f.tag, o);
        if (f.name && (!o.labels || !textOf(f.tag) || !*textOf(f.tag))) head += ks::format(" ({})", f.name);
        const std::string u = unit(f.tag, holderUnit, o);
        switch (f.kind) {
            case FieldKind::U32:
                out += head + ks::format(" = {}{}\n", f.value<std::uint32_t>(rec), u);
                break;
            case FieldKind::I32:
                out += head + ks::format(" = {}{}\n", f.value<std::int32_t>(rec), u);
                break;
            case FieldKind::I64:
                out += head + ks::format(" = {}{}\n", f.value<std::int64_t>(rec), u);
                break;
            case FieldKind::Double:
                out += head + ks::format(" = {}{}\n", f.value<double>(rec), u);
                break;
            case FieldKind::Bool:
                if (o.labels && !isEnglish())
                    out += head + (f.value<bool>(rec) ? " = да\n" : " = нет\n");
                else
                    out += head + (f.value<bool>(rec) ? " = yes\n" : " = no\n");
                break;
            case FieldKind::String:
                out += head + ks::format(" = \"{}\"\n", f.value<std::string>(rec));
                break;
            case FieldKind::Choice: {
                const TextId v = f.value<std::uint32_t>(rec);
                const char* txt = o.labels ? textOf(v) : nullptr;
                out += head + ks::format(" = {} (choice {})", hex(v),
                                         static_cast<std::uint32_t>(v - f.choiceBase - 1));
                if (txt && *txt) out += ks::format(" \"{}\"", txt);
                out += '\n';
                break;
            }
            case FieldKind::Record: {
                const Base* m = f.member(rec);
                const RecordTable* mt = m->table();
                out += head + ks::format(" = {}\n", mt ? mt->name : "record");
                const char* mu = o.labels ? unitTextOf(f.tag) : nullptr;
                tree(out, *m, *f.member(defaults), depth + 1, o, mu);
                break;
            }
            case FieldKind::List: {
                void* vec = f.addr(rec);
                const std::size_t n = f.list->size(vec);
                const Base& def = f.list->defaultElement();
                const RecordTable* et = def.table();
                out += head + ks::format(" = list of {}, {} element{}\n", et ? et->name : "records", n,
                                         n == 1 ? "" : "s");
                for (std::size_t i = 0; i < n; ++i) {
                    out += pad(depth + 1) + ks::format("[{}]\n", i);
                    tree(out, *f.list->element(vec, i), def, depth + 2, o, nullptr);
                }
                break;
            }
        }
    }
}

}  // namespace

std::string dumpRawItems(const std::uint32_t* words, std::size_t count, int depth) {
    std::string out;
    rawItems(out, words, count, depth, false, 0);
    return out;
}

std::string dumpRawFile(std::string_view bytes) {
    const std::vector<std::uint32_t> w = bytesToWords(bytes);
    std::string out;
    rawItems(out, w.data(), w.size(), 0, true, 0);
    if (bytes.size() % 4)
        out += ks::format("({} trailing bytes, less than a word, are ignored)\n", bytes.size() % 4);
    return out;
}

std::string dumpRecordTree(const Base& record, const DumpOptions& options) {
    std::string out;
    const RecordTable* t = record.table();
    out += ks::format("{} {}\n", t ? t->name : "record", t ? hex(t->typeTag) : std::string());
    const std::unique_ptr<Base> defaults = record.makeDefault();
    tree(out, record, *defaults, 1, options, nullptr);
    return out;
}

}  // namespace Tris
