#pragma once
// Readable views of record files, for the inspection tools (recdump, cfgdump)
// and for test failure messages.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/record.h"

namespace Tris {

// Raw items of a record file: one line per item with its word offset, tag in
// hex, flag, payload length and payload words.  Payloads that read as a text
// are shown as text, payloads that read as items of one group are shown as a
// nested record, list commands by name; one- and two-word payloads also as the
// numbers they may hold.  The end marker stops the listing as it stops the
// reader.  Never fails: broken items are reported and the listing ends.
std::string dumpRawFile(std::string_view bytes);
std::string dumpRawItems(const std::uint32_t* words, std::size_t count, int depth = 0);

struct DumpOptions {
    bool labels = true;        // the fields' labels and units from the text groups
    bool changedOnly = false;  // only fields that differ from a default record
};

// The record as a tree of its fields (tag, label, kind, value, unit), member
// records and list elements indented below their field, unknown items listed
// raw.  Numbers use the language's decimal separator.
std::string dumpRecordTree(const Base& record, const DumpOptions& options = {});

}  // namespace Tris
