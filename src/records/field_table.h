#pragma once
// Records as tables of fields.
//
// A record type lists its fields once, in writing order, as constant
// descriptors (tag, kind, member, choice group); one generic implementation
// does the reading (takeItem), writing (writeItems), field access by tag path
// (accessField), saving and deep comparison.  Copying is the type's own
// member-wise copy: members are plain values, member records are held by value
// and lists are std::vectors of records, so a copy is deep, unknown words
// included.
//
// Where each field's default comes from: writeItems compares every field with
// the same member of the `defaults` record it is given, which is a default
// record of the type, or, for a member record, that member of the default
// parent (so a member may start with other values than its type built alone).
// List elements are compared with a default-constructed element.
//
// Example:
//
//   #include "records/field_table.h"
//
//   struct Limit : Tris::Record<Limit> {
//       double minimum = 0.0;
//       double maximum = 0.0;
//       Limit() = default;
//       Limit(double lo, double hi) : minimum(lo), maximum(hi) {}
//       static const Tris::RecordTable& fields();
//   };
//
//   struct Holder : Tris::Record<Holder> {
//       std::uint32_t count = 5;               // int u
//       std::int32_t offset = 0;               // int s
//       std::int64_t stamp = 0;                // 64-bit integer
//       bool active = true;                    // flag
//       std::string name;                      // text
//       TextId mode = 0x1D9C401;               // choice of group 0x1D9C400
//       Limit speed{400.0, 2000.0};            // member record with its own defaults
//       std::vector<Limit> ranges;             // list
//       static const Tris::RecordTable& fields();
//   };
//
//   // in the .cpp, fields in writing order:
//   const Tris::RecordTable& Limit::fields() {
//       static const Tris::FieldDesc f[] = {
//           Tris::real<&Limit::minimum>(0x14BCC01),
//           Tris::real<&Limit::maximum>(0x14BCC02),
//       };
//       static const Tris::RecordTable t{0x14BCC00, "Limit", f};
//       return t;
//   }
//   const Tris::RecordTable& Holder::fields() {
//       static const Tris::FieldDesc f[] = {
//           Tris::u32<&Holder::count>(0x...01),   Tris::i32<&Holder::offset>(0x...02),
//           Tris::i64<&Holder::stamp>(0x...03),   Tris::flag<&Holder::active>(0x...04),
//           Tris::text<&Holder::name>(0x...05),   Tris::choice<&Holder::mode>(0x...06, 0x1D9C400),
//           Tris::record<&Holder::speed>(0x...07), Tris::list<&Holder::ranges>(0x...08),
//       };
//       static const Tris::RecordTable t{0x..., "Holder", f};
//       return t;
//   }
//
// Every maker takes an optional last argument, a short field name that the
// inspection tools show for fields without a label: Tris::u32<&Holder::count>(tag, "count").
//
// Then `Holder h; h.save("x.rec"); h.load("x.rec");`, `h.accessField(path, 3,
// report, nullptr)` with path {0x...08, 0, 0x14BCC01}, `Holder copy = h;` and
// `Tris::equalRecords(h, copy)` all work without further code.  A record type
// needs a default constructor and must be copyable.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "records/record.h"

namespace Tris {

enum class FieldKind : std::uint8_t {
    U32,     // unsigned 32-bit, one word
    I32,     // signed 32-bit, one word
    I64,     // signed 64-bit, two words, low first
    Double,  // IEEE binary64, two words, low first
    Bool,    // the header's flag, no payload
    String,  // UTF-8 text, NUL-terminated and padded
    Choice,  // a TextId of a fixed group, stored as item number - 1
    Record,  // one nested record
    List,    // a vector of records, one item per element
};

// Operations on a std::vector<T> of records, T derived from Base.
struct ListOps {
    std::size_t (*size)(const void* vec);
    Base* (*element)(void* vec, std::size_t index);
    void (*clear)(void* vec);
    void (*erase)(void* vec, std::size_t index);
    void (*resize)(void* vec, std::size_t count);
    // Parses a new default element from a payload and appends it on success.
    bool (*parseAppend)(void* vec, const std::uint32_t* payload, std::size_t words);
    // The default element that elements are compared with.
    const Base& (*defaultElement)();
};

struct FieldDesc {
    TextId tag;
    FieldKind kind;
    TextId choiceBase;                  // Choice: the group base (first item is base + 1)
    void* (*addr)(const Base& record);  // the member inside a record of the table's type;
                                        // for Record fields, already converted to Base*
    const ListOps* list;                // List: element operations
    // Record: parses a payload onto a copy of the member (given by addr) and
    // keeps the copy only when the whole payload was read.
    bool (*parseRecord)(void* member, const std::uint32_t* payload, std::size_t words);
    // A short name for the inspection tools (optional; fields with a label
    // are shown by their label).
    const char* name;

    const Base* member(const Base& r) const { return static_cast<const Base*>(addr(r)); }
    Base* member(Base& r) const { return static_cast<Base*>(addr(r)); }
    template <class T>
    T& value(Base& r) const {
        return *static_cast<T*>(addr(r));
    }
    template <class T>
    const T& value(const Base& r) const {
        return *static_cast<const T*>(addr(r));
    }
};

struct RecordTable {
    TextId typeTag;
    const char* name;
    const FieldDesc* fields;
    std::size_t count;

    template <std::size_t N>
    RecordTable(TextId type, const char* recordName, const FieldDesc (&f)[N])
        : typeTag(type), name(recordName), fields(f), count(N) {}
    RecordTable(TextId type, const char* recordName)
        : typeTag(type), name(recordName), fields(nullptr), count(0) {}

    const FieldDesc* begin() const { return fields; }
    const FieldDesc* end() const { return fields + count; }
    const FieldDesc* find(std::uint32_t tag) const;
};

// The generic operations over a table (used by Record<T>; exposed for tools).
namespace generic {
bool takeItem(const RecordTable& t, Base& self, std::uint32_t tag, const std::uint32_t* payload,
              std::size_t words, bool flag);
void writeItems(const RecordTable& t, const Base& self, Sink* out, std::size_t& words, const Base& defaults);
unsigned accessField(const RecordTable& t, Base& self, const std::uint32_t* path, int depth,
                     const FieldReport& report, const char* newText);
bool equalFields(const RecordTable& t, const Base& a, const Base& b);
}  // namespace generic

// The base of records declared by a field table.  T provides
// `static const Tris::RecordTable& fields();`.
template <class T>
class Record : public Base {
public:
    unsigned accessField(const std::uint32_t* path, int depth, FieldReport report,
                         const char* newText) override {
        return generic::accessField(T::fields(), *this, path, depth, report, newText);
    }
    bool takeItem(std::uint32_t tag, const std::uint32_t* payload, std::size_t words, bool flag) override {
        return generic::takeItem(T::fields(), *this, tag, payload, words, flag);
    }
    void writeItems(Sink* out, std::size_t& words, const Base& defaults) const override {
        if (defaults.table() == &T::fields()) {
            generic::writeItems(T::fields(), *this, out, words, defaults);
        } else {
            const T fresh;
            generic::writeItems(T::fields(), *this, out, words, fresh);
        }
    }
    bool save(const std::string& path, std::string* error = nullptr) const override;
    const RecordTable* table() const override { return &T::fields(); }
    std::unique_ptr<Base> makeDefault() const override { return std::make_unique<T>(); }
    std::unique_ptr<Base> clone() const override { return std::make_unique<T>(static_cast<const T&>(*this)); }

    // Every field, member record, list element and unknown word the same.
    bool sameAs(const T& other) const { return equalRecords(*this, other); }
};

bool saveRecord(const Base& record, const std::string& path, std::string* error);

template <class T>
bool Record<T>::save(const std::string& path, std::string* error) const {
    return saveRecord(*this, path, error);
}

// ---- descriptor makers -------------------------------------------------

namespace detail {
template <class M>
struct MemberPtr;
template <class C, class V>
struct MemberPtr<V C::*> {
    using Class = C;
    using Value = V;
};

template <auto M>
void* valueAddr(const Base& r) {
    using C = typename MemberPtr<decltype(M)>::Class;
    return const_cast<void*>(static_cast<const void*>(&(static_cast<const C&>(r).*M)));
}

template <auto M>
void* recordAddr(const Base& r) {
    using C = typename MemberPtr<decltype(M)>::Class;
    const Base* b = &(static_cast<const C&>(r).*M);
    return const_cast<void*>(static_cast<const void*>(b));
}

template <class R>
bool parseMember(void* member, const std::uint32_t* p, std::size_t n) {
    R& m = *static_cast<R*>(static_cast<Base*>(member));
    R copy = m;
    if (!copy.parse(p, n)) return false;
    m = std::move(copy);
    return true;
}

template <class E>
struct VectorOps {
    using V = std::vector<E>;
    static std::size_t size(const void* v) { return static_cast<const V*>(v)->size(); }
    static Base* element(void* v, std::size_t i) { return &(*static_cast<V*>(v))[i]; }
    static void clear(void* v) { static_cast<V*>(v)->clear(); }
    static void erase(void* v, std::size_t i) {
        V& vec = *static_cast<V*>(v);
        vec.erase(vec.begin() + static_cast<std::ptrdiff_t>(i));
    }
    static void resize(void* v, std::size_t n) { static_cast<V*>(v)->resize(n); }
    static bool parseAppend(void* v, const std::uint32_t* p, std::size_t n) {
        E e;
        if (!e.parse(p, n)) return false;
        static_cast<V*>(v)->push_back(std::move(e));
        return true;
    }
    static const Base& defaultElement() {
        static const E e;
        return e;
    }
    static const ListOps ops;
};
template <class E>
const ListOps VectorOps<E>::ops = {&size, &element, &clear, &erase, &resize, &parseAppend, &defaultElement};

template <auto M, FieldKind K, class Expected>
constexpr FieldDesc plain(TextId tag, TextId choiceBase, const char* name) {
    static_assert(std::is_same_v<typename MemberPtr<decltype(M)>::Value, Expected>,
                  "field type does not match its kind");
    return FieldDesc{tag, K, choiceBase, &valueAddr<M>, nullptr, nullptr, name};
}
}  // namespace detail

template <auto M>
constexpr FieldDesc u32(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::U32, std::uint32_t>(tag, 0, name);
}
template <auto M>
constexpr FieldDesc i32(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::I32, std::int32_t>(tag, 0, name);
}
template <auto M>
constexpr FieldDesc i64(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::I64, std::int64_t>(tag, 0, name);
}
template <auto M>
constexpr FieldDesc real(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::Double, double>(tag, 0, name);
}
template <auto M>
constexpr FieldDesc flag(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::Bool, bool>(tag, 0, name);
}
template <auto M>
constexpr FieldDesc text(TextId tag, const char* name = nullptr) {
    return detail::plain<M, FieldKind::String, std::string>(tag, 0, name);
}
// groupBase: the choice group's base; the first choice is groupBase + 1.
template <auto M>
constexpr FieldDesc choice(TextId tag, TextId groupBase, const char* name = nullptr) {
    return detail::plain<M, FieldKind::Choice, std::uint32_t>(tag, groupBase, name);
}
template <auto M>
constexpr FieldDesc record(TextId tag, const char* name = nullptr) {
    using V = typename detail::MemberPtr<decltype(M)>::Value;
    static_assert(std::is_base_of_v<Base, V>, "a record field holds a record");
    return FieldDesc{tag,     FieldKind::Record,       0,   &detail::recordAddr<M>,
                     nullptr, &detail::parseMember<V>, name};
}
template <auto M>
FieldDesc list(TextId tag, const char* name = nullptr) {
    using V = typename detail::MemberPtr<decltype(M)>::Value;
    using E = typename V::value_type;
    static_assert(std::is_same_v<V, std::vector<E>> && std::is_base_of_v<Base, E>,
                  "a list field is a vector of records");
    return FieldDesc{tag, FieldKind::List, 0, &detail::valueAddr<M>, &detail::VectorOps<E>::ops, nullptr,
                     name};
}

}  // namespace Tris
