#pragma once
// A small INI library for the welding driver's parameter file.
//
// IniDocument keeps named sections of key/value pairs in the order in which
// they were read or added; nothing is ever removed or reordered.  IniFileReader
// parses a file into a document (optionally recording the lines it accepted),
// IniFileWriter writes a document as a new file or merges it into an existing
// file line by line, so comments, blank lines, order and the spelling of
// untouched lines survive.  All text is bytes; comparisons are exact and
// case-sensitive.  Every write replaces the file whole through
// platform::replaceFile: a failed write leaves the old file as it was.  Reads
// take only regular files of at most kMaxIniFileBytes and never block.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace TamskWelder {

// Removes " \t\n\r\f\v" at both ends.
std::string_view iniTrim(std::string_view text);

class IniSection {
public:
    explicit IniSection(std::string name) : _name(std::move(name)) {}

    const std::string& name() const { return _name; }

    // Trims the key; returns the existing value or appends the key with an
    // empty value (a lookup of a missing key therefore creates it).
    std::string& operator[](std::string_view key);

    // Trims; true when the key exists.
    bool hasKey(std::string_view key) const;

    // The value of an existing key, or null; creates nothing.
    const std::string* find(std::string_view key) const;

    const std::vector<std::pair<std::string, std::string>>& entries() const { return _entries; }

private:
    std::string _name;
    std::vector<std::pair<std::string, std::string>> _entries;
    std::unordered_map<std::string, std::size_t> _index;
};

class IniDocument {
public:
    // Trims the name; returns the existing section or appends an empty one.
    IniSection& operator[](std::string_view name);

    // Trims; true when the section exists.
    bool hasSection(std::string_view name) const;

    // The existing section, or null; creates nothing.
    const IniSection* find(std::string_view name) const;

    // Sections in their order.  A deque keeps a reference returned by
    // operator[] valid while more sections are appended.
    std::size_t size() const { return _sections.size(); }
    const IniSection& section(std::size_t i) const { return _sections[i]; }

private:
    std::deque<IniSection> _sections;
    std::unordered_map<std::string, std::size_t> _index;
};

// Kinds of line found by parseIniLine.
enum IniLineKind : int {
    IniEmpty = 0,
    IniComment = 1,
    IniHeader = 2,
    IniPair = 3,
    IniInvalid = 4,
};

struct IniLine {
    int kind = IniEmpty;
    std::string name;   // section name (header) or key (pair, "\\=" already unescaped)
    std::string value;  // value of a pair, trimmed, escapes kept as written
};

// The line parser: one line in, its kind and parts out.
IniLine parseIniLine(std::string_view line);

// Splits file content into lines: a line feed ends a line, carriage returns
// and NUL bytes are dropped, the text after the last line feed is a last line
// (possibly empty).  Empty content has no lines.
std::vector<std::string> splitIniLines(std::string_view content);

// A key as written to a file: every "=" becomes "\\=".
std::string escapeIniKey(std::string_view key);

// The largest INI file read: the welding parameters take some 300 bytes;
// 64 KiB leaves room for comments and sections of other programs.
constexpr std::uint64_t kMaxIniFileBytes = 64u << 10;

class IniFileReader {
public:
    // Reads the file whole when it is a regular file of at most
    // kMaxIniFileBytes bytes (never waiting on a pipe or device).  With
    // recordedLines set, read() appends every accepted line to it (not
    // invalid lines, not key lines before the first header).
    IniFileReader(const std::string& path, std::vector<std::string>* recordedLines = nullptr);
    IniFileReader(const IniFileReader&) = delete;
    IniFileReader& operator=(const IniFileReader&) = delete;

    bool isOpen() const { return _readable; }
    // Why the file could not be read ("" when it could).
    const std::string& refusal() const { return _refusal; }

    // False when the file could not be read whole (nothing is parsed then);
    // otherwise parses every line into the document.
    bool read(IniDocument& document);

private:
    bool _readable = false;
    std::string _content;
    std::string _refusal;
    std::vector<std::string>* _lines = nullptr;
};

// Reads a whole file; false when it cannot be opened or read whole (a folder,
// a pipe, a file over kMaxIniFileBytes, a read error).  Used by IniFileReader;
// exposed for tools and tests.
bool readIniFileContent(const std::string& path, std::string& content, std::string* refusal = nullptr);

class IniFileWriter {
public:
    explicit IniFileWriter(std::string path, bool spaced = false)
        : _path(std::move(path)), _spaced(spaced) {}

    // Spaced: " = " between key and value and a blank line between sections.
    void setSpaced(bool spaced) { _spaced = spaced; }
    bool spaced() const { return _spaced; }

    // Writes the document as a new file (replacing any old one).
    bool write(const IniDocument& document);

    // Merges the document into the existing file, or writes a new file when
    // there is none.  A file that cannot be read is left as it was: false.
    bool writeMerged(const IniDocument& document);

    // The bytes of a new file for the document.
    static std::string render(const IniDocument& document, bool spaced);

    // The merge of recorded lines and an old document with a new document.
    static std::vector<std::string> merge(const std::vector<std::string>& recordedLines,
                                          const IniDocument& oldDocument,
                                          const IniDocument& newDocument, bool spaced);

    // The last error text of a failed write (for the caller's diagnostics).
    const std::string& lastError() const { return _error; }

private:
    std::string _path;
    bool _spaced = false;
    std::string _error;
};

}  // namespace TamskWelder
