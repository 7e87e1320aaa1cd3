#include "records/field_table.h"

#include <cstring>

namespace Tris {

const FieldDesc* RecordTable::find(std::uint32_t tag) const {
    if (tag == 0) return nullptr;
    for (const FieldDesc& f : *this) {
        if (f.tag == tag) return &f;
    }
    return nullptr;
}

namespace generic {

namespace {

std::uint64_t twoWords(const std::uint32_t* p) {
    return static_cast<std::uint64_t>(p[0]) | (static_cast<std::uint64_t>(p[1]) << 32);
}

unsigned report(const FieldReport& r, unsigned kind, const char* text, double number, std::uint64_t integer) {
    if (!r) return kind;
    return r(kind, text, number, integer);
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

bool takeItem(const RecordTable& t, Base& self, std::uint32_t tag, const std::uint32_t* payload,
              std::size_t words, bool flag) {
    const FieldDesc* f = t.find(tag);
    if (!f) return false;
    switch (f->kind) {
        case FieldKind::U32:
            if (words != 1) return false;
            f->value<std::uint32_t>(self) = payload[0];
            return true;
        case FieldKind::I32:
            if (words != 1) return false;
            f->value<std::int32_t>(self) = static_cast<std::int32_t>(payload[0]);
            return true;
        case FieldKind::Choice:
            if (words < 1) return false;
            f->value<std::uint32_t>(self) = f->choiceBase + 1 + payload[0];
            return true;
        case FieldKind::I64:
            if (words != 2) return false;
            f->value<std::int64_t>(self) = static_cast<std::int64_t>(twoWords(payload));
            return true;
        case FieldKind::Double: {
            if (words != 2) return false;
            const std::uint64_t u = twoWords(payload);
            double d;
            std::memcpy(&d, &u, sizeof d);
            f->value<double>(self) = d;
            return true;
        }
        case FieldKind::Bool:
            // The flag is taken even when a payload makes the item refused.
            f->value<bool>(self) = flag;
            return words == 0;
        case FieldKind::String:
            f->value<std::string>(self) = payloadText(payload, words);
            return true;
        case FieldKind::Record: {
            // Read onto a copy of the member and keep it only when the whole
            // payload was understood; a damaged item is kept once, among the
            // unknown words, and the member stays as it was.
            return f->parseRecord(f->addr(self), payload, words);
        }
        case FieldKind::List: {
            void* vec = f->addr(self);
            if (words == 1 && payload[0] == kListClear) {
                f->list->clear(vec);
                return true;
            }
            if (words == 2 && payload[0] == kListErase) {
                const std::uint32_t index = payload[1];
                if (index >= f->list->size(vec)) return false;
                f->list->erase(vec, index);
                return true;
            }
            // A damaged element is not appended: the item is refused and kept
            // once among the unknown words, so it cannot multiply at each save.
            return f->list->parseAppend(vec, payload, words);
        }
    }
    return false;
}

void writeItems(const RecordTable& t, const Base& self, Sink* out, std::size_t& words, const Base& defaults) {
    if (isExcluded(t.typeTag)) return;
    if (!self.unknownWords.empty()) {
        if (out) out->words(self.unknownWords.data(), self.unknownWords.size());
        words += self.unknownWords.size();
    }
    for (const FieldDesc& f : t) {
        switch (f.kind) {
            case FieldKind::U32:
            case FieldKind::I32:
                writeU32Item(out, words, f.tag, f.value<std::uint32_t>(self),
                             f.value<std::uint32_t>(defaults));
                break;
            case FieldKind::Choice: {
                const std::uint32_t first = f.choiceBase + 1;
                writeU32Item(out, words, f.tag, f.value<std::uint32_t>(self) - first,
                             f.value<std::uint32_t>(defaults) - first);
                break;
            }
            case FieldKind::I64:
                writeI64Item(out, words, f.tag, f.value<std::int64_t>(self), f.value<std::int64_t>(defaults));
                break;
            case FieldKind::Double:
                writeDoubleItem(out, words, f.tag, f.value<double>(self), f.value<double>(defaults));
                break;
            case FieldKind::Bool:
                writeBoolItem(out, words, f.tag, f.value<bool>(self), f.value<bool>(defaults));
                break;
            case FieldKind::String:
                writeStringItem(out, words, f.tag, f.value<std::string>(self),
                                f.value<std::string>(defaults));
                break;
            case FieldKind::Record:
                writeRecordItem(out, words, f.tag, *f.member(self), *f.member(defaults), false);
                break;
            case FieldKind::List: {
                void* vec = f.addr(self);
                const std::size_t n = f.list->size(vec);
                if (n == 0 || isExcluded(f.tag)) break;
                const Base& def = f.list->defaultElement();
                for (std::size_t i = 0; i < n; ++i)
                    writeRecordItem(out, words, f.tag, *f.list->element(vec, i), def, true);
                break;
            }
        }
    }
}

unsigned accessField(const RecordTable& t, Base& self, const std::uint32_t* path, int depth,
                     const FieldReport& r, const char* newText) {
    if (depth < 1 || !path || path[0] == 0) return kAccessUnknown;
    const FieldDesc* f = t.find(path[0]);
    if (!f) return kAccessUnknown;
    const bool setting = newText != nullptr;
    switch (f->kind) {
        case FieldKind::String:
            if (setting) {
                f->value<std::string>(self) = newText;
                return 1;
            }
            return report(r, kAccessText, f->value<std::string>(self).c_str(), 0.0, 0);
        case FieldKind::Double:
            if (setting) {
                f->value<double>(self) = parseNumber(newText);
                return 1;
            }
            return report(r, kAccessDouble, nullptr, f->value<double>(self), 0);
        case FieldKind::U32:
            if (setting) {
                f->value<std::uint32_t>(self) = parseU32(newText);
                return 1;
            }
            return report(r, kAccessInteger, nullptr, 0.0, f->value<std::uint32_t>(self));
        case FieldKind::I32:
            if (setting) {
                f->value<std::int32_t>(self) = parseI32(newText);
                return 1;
            }
            return report(
                r, kAccessInteger, nullptr, 0.0,
                static_cast<std::uint64_t>(static_cast<std::int64_t>(f->value<std::int32_t>(self))));
        case FieldKind::I64:
            if (setting) {
                f->value<std::int64_t>(self) = parseI64(newText);
                return 1;
            }
            return report(r, kAccessInteger, nullptr, 0.0,
                          static_cast<std::uint64_t>(f->value<std::int64_t>(self)));
        case FieldKind::Bool:
            if (setting) {
                if (depth < 2) return 0;
                f->value<bool>(self) = path[1] != 0;
                return 1;
            }
            return f->value<bool>(self) ? kAccessFlagSet : kAccessFlagClear;
        case FieldKind::Choice:
            if (setting) {
                if (depth < 2) return 0;
                f->value<std::uint32_t>(self) = path[1];
                return 1;
            }
            return f->value<std::uint32_t>(self);
        case FieldKind::Record: {
            Base* member = f->member(self);
            if (setting) return member->accessField(path + 1, depth - 1, FieldReport(), newText) != 0 ? 1 : 0;
            return member->accessField(path + 1, depth - 1, r, nullptr);
        }
        case FieldKind::List: {
            if (depth < 2) return 0;
            void* vec = f->addr(self);
            if (path[1] >= f->list->size(vec)) return 0;
            Base* element = f->list->element(vec, path[1]);
            if (setting)
                return element->accessField(path + 2, depth - 2, FieldReport(), newText) != 0 ? 1 : 0;
            return element->accessField(path + 2, depth - 2, r, nullptr);
        }
    }
    return 0;
}

bool equalFields(const RecordTable& t, const Base& a, const Base& b) {
    for (const FieldDesc& f : t) {
        switch (f.kind) {
            case FieldKind::U32:
            case FieldKind::I32:
            case FieldKind::Choice:
                if (f.value<std::uint32_t>(a) != f.value<std::uint32_t>(b)) return false;
                break;
            case FieldKind::I64:
                if (f.value<std::int64_t>(a) != f.value<std::int64_t>(b)) return false;
                break;
            case FieldKind::Double:
                if (!sameBits(f.value<double>(a), f.value<double>(b))) return false;
                break;
            case FieldKind::Bool:
                if (f.value<bool>(a) != f.value<bool>(b)) return false;
                break;
            case FieldKind::String:
                if (f.value<std::string>(a) != f.value<std::string>(b)) return false;
                break;
            case FieldKind::Record:
                if (!equalRecords(*f.member(a), *f.member(b))) return false;
                break;
            case FieldKind::List: {
                void* va = f.addr(a);
                void* vb = f.addr(b);
                const std::size_t n = f.list->size(va);
                if (n != f.list->size(vb)) return false;
                for (std::size_t i = 0; i < n; ++i) {
                    if (!equalRecords(*f.list->element(va, i), *f.list->element(vb, i))) return false;
                }
                break;
            }
        }
    }
    return true;
}

}  // namespace generic
}  // namespace Tris
