#include "drivers/welding/ini_file.h"

#include <cerrno>
#include <sys/stat.h>

#include "platform/bounded_read.h"
#include "platform/file_replace.h"

namespace TamskWelder {
namespace {

constexpr std::string_view kBlanks = " \t\n\r\f\v";

// Replaces every "\\=" (backslash, equals sign) by `with`, left to right.
std::string replaceEscapedEquals(std::string_view text, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '=') {
            out += with;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Position of the first "=" that is not part of an escape, or npos.
std::size_t firstUnescapedEquals(std::string_view line) {
    const std::string copy = replaceEscapedEquals(line, "  ");
    return copy.find('=');
}

std::string keyLine(std::string_view key, std::string_view value, bool spaced) {
    std::string line = escapeIniKey(key);
    line += spaced ? " = " : "=";
    line += iniTrim(value);
    return line;
}

}  // namespace

std::string_view iniTrim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string escapeIniKey(std::string_view key) {
    std::string out;
    out.reserve(key.size() + 2);
    for (char c : key) {
        if (c == '=') out += '\\';
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------- document

std::string& IniSection::operator[](std::string_view key) {
    const std::string k(iniTrim(key));
    const auto it = _index.find(k);
    if (it != _index.end()) return _entries[it->second].second;
    _index.emplace(k, _entries.size());
    _entries.emplace_back(k, std::string());
    return _entries.back().second;
}

bool IniSection::hasKey(std::string_view key) const {
    return _index.count(std::string(iniTrim(key))) == 1;
}

const std::string* IniSection::find(std::string_view key) const {
    const auto it = _index.find(std::string(iniTrim(key)));
    return it == _index.end() ? nullptr : &_entries[it->second].second;
}

IniSection& IniDocument::operator[](std::string_view name) {
    std::string n(iniTrim(name));
    const auto it = _index.find(n);
    if (it != _index.end()) return _sections[it->second];
    _index.emplace(n, _sections.size());
    _sections.emplace_back(std::move(n));
    return _sections.back();
}

bool IniDocument::hasSection(std::string_view name) const {
    return _index.count(std::string(iniTrim(name))) == 1;
}

const IniSection* IniDocument::find(std::string_view name) const {
    const auto it = _index.find(std::string(iniTrim(name)));
    return it == _index.end() ? nullptr : &_sections[it->second];
}

// ---------------------------------------------------------------- lines

IniLine parseIniLine(std::string_view raw) {
    IniLine result;
    const std::string_view line = iniTrim(raw);
    if (line.empty()) {
        result.kind = IniEmpty;
        return result;
    }
    if (line.front() == ';') {
        result.kind = IniComment;
        return result;
    }
    if (line.front() == '[') {
        const std::string_view cut = line.substr(0, line.find(';'));
        const auto close = cut.rfind(']');
        if (close != std::string_view::npos) {
            result.kind = IniHeader;
            result.name = std::string(iniTrim(cut.substr(1, close - 1)));
            return result;
        }
        // No "]": the line is read as a key/value pair below.
    }
    const std::size_t eq = firstUnescapedEquals(line);
    if (eq == std::string::npos) {
        result.kind = IniInvalid;
        return result;
    }
    result.kind = IniPair;
    result.name = replaceEscapedEquals(iniTrim(line.substr(0, eq)), "=");
    result.value = std::string(iniTrim(line.substr(eq + 1)));
    return result;
}

std::vector<std::string> splitIniLines(std::string_view content) {
    std::vector<std::string> lines;
    if (content.empty()) return lines;
    std::string current;
    for (char c : content) {
        if (c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
        } else if (c != '\r' && c != '\0') {
            current += c;
        }
    }
    lines.push_back(std::move(current));
    return lines;
}

// ---------------------------------------------------------------- reader

bool readIniFileContent(const std::string& path, std::string& content, std::string* refusal) {
    return platform::readBoundedFile(path, kMaxIniFileBytes, content, refusal);
}

IniFileReader::IniFileReader(const std::string& path, std::vector<std::string>* recordedLines)
    : _lines(recordedLines) {
    _readable = readIniFileContent(path, _content, &_refusal);
}

bool IniFileReader::read(IniDocument& document) {
    if (!_readable) return false;
    IniSection* current = nullptr;
    for (std::string& line : splitIniLines(_content)) {
        IniLine parsed = parseIniLine(line);
        bool record = true;
        switch (parsed.kind) {
            case IniHeader:
                current = &document[parsed.name];
                break;
            case IniPair:
                if (current)
                    (*current)[parsed.name] = std::move(parsed.value);
                else
                    record = false;
                break;
            case IniInvalid:
                record = false;
                break;
            default:
                break;
        }
        if (record && _lines) _lines->push_back(std::move(line));
    }
    return true;
}

// ---------------------------------------------------------------- writer

std::string IniFileWriter::render(const IniDocument& document, bool spaced) {
    std::string out;
    for (std::size_t s = 0; s < document.size(); ++s) {
        const IniSection& section = document.section(s);
        if (s > 0) out += spaced ? "\r\n\r\n" : "\r\n";
        out += '[';
        out += section.name();
        out += ']';
        for (const auto& [key, value] : section.entries()) {
            out += "\r\n";
            out += keyLine(key, value, spaced);
        }
    }
    return out;
}

std::vector<std::string> IniFileWriter::merge(const std::vector<std::string>& recordedLines,
                                              const IniDocument& oldDocument,
                                              const IniDocument& newDocument, bool spaced) {
    std::vector<std::string> out;

    enum class Mode { None, Kept, Dropped };
    Mode mode = Mode::None;
    const IniSection* newSection = nullptr;  // the kept section's counterpart in the new document
    const IniSection* oldSection = nullptr;
    std::string currentName;
    std::size_t insertAt = 0;        // just after the last header or key line of the kept section
    bool dropFirstEmpty = false;     // the dropped section's first empty line is still to come
    std::unordered_map<std::string, bool> completed;  // kept sections that got their missing keys

    auto insertMissingKeys = [&]() {
        if (mode != Mode::Kept || !newSection) return;
        // A repeated header reopens its section: the missing keys go in once,
        // after the first occurrence.
        if (completed[currentName]) return;
        completed[currentName] = true;
        std::vector<std::string> missing;
        for (const auto& [key, value] : newSection->entries())
            if (!oldSection || !oldSection->hasKey(key)) missing.push_back(keyLine(key, value, spaced));
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), missing.begin(), missing.end());
    };

    for (const std::string& line : recordedLines) {
        const IniLine parsed = parseIniLine(line);
        switch (parsed.kind) {
            case IniHeader:
                insertMissingKeys();
                currentName = parsed.name;
                if (newDocument.hasSection(parsed.name)) {
                    out.push_back(line);
                    mode = Mode::Kept;
                    newSection = newDocument.find(parsed.name);
                    oldSection = oldDocument.find(parsed.name);
                    insertAt = out.size();
                    dropFirstEmpty = false;
                } else {
                    mode = Mode::Dropped;
                    newSection = oldSection = nullptr;
                    dropFirstEmpty = true;
                }
                break;
            case IniPair: {
                if (mode != Mode::Kept) break;
                const std::string* newValue = newSection->find(parsed.name);
                if (!newValue) break;
                const std::string_view wanted = iniTrim(*newValue);
                if (wanted == parsed.value) {
                    out.push_back(line);
                } else {
                    const std::size_t eq = firstUnescapedEquals(line);
                    std::size_t valueStart = line.find_first_not_of(kBlanks, eq + 1);
                    if (valueStart == std::string::npos) valueStart = line.size();
                    std::string rebuilt = line.substr(0, valueStart);
                    const bool directlyFollowed =
                        eq + 1 < line.size() && kBlanks.find(line[eq + 1]) == std::string_view::npos;
                    if (spaced && directlyFollowed) rebuilt += ' ';
                    rebuilt += wanted;
                    out.push_back(std::move(rebuilt));
                }
                insertAt = out.size();
                break;
            }
            case IniInvalid:
                break;
            default:  // comments and empty lines
                if (mode == Mode::Dropped && dropFirstEmpty && line.empty()) {
                    dropFirstEmpty = false;
                    break;
                }
                out.push_back(line);
                break;
        }
    }
    insertMissingKeys();

    for (std::size_t s = 0; s < newDocument.size(); ++s) {
        const IniSection& section = newDocument.section(s);
        if (oldDocument.hasSection(section.name())) continue;
        if (spaced && !out.empty() && !out.back().empty()) out.emplace_back();
        out.push_back("[" + section.name() + "]");
        for (const auto& [key, value] : section.entries()) out.push_back(keyLine(key, value, spaced));
    }
    return out;
}

bool IniFileWriter::write(const IniDocument& document) {
    _error.clear();
    return platform::replaceFile(_path, render(document, _spaced), &_error);
}

bool IniFileWriter::writeMerged(const IniDocument& document) {
    _error.clear();
    struct stat st {};
    if (::stat(_path.c_str(), &st) != 0 && errno == ENOENT) return write(document);

    std::vector<std::string> recorded;
    IniDocument oldDocument;
    IniFileReader reader(_path, &recorded);
    if (!reader.read(oldDocument)) {
        _error = "cannot read " + _path;
        return false;
    }
    const std::vector<std::string> lines = merge(recorded, oldDocument, document, _spaced);
    std::string content;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) content += "\r\n";
        content += lines[i];
    }
    return platform::replaceFile(_path, content, &_error);
}

}  // namespace TamskWelder
