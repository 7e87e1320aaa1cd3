#include "support/protocols_pdf_inspect.h"

#include <fcntl.h>
#include <spawn.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

extern char** environ;

namespace pdfinspect {

ToolRun runTool(const std::vector<std::string>& argv, bool withErrors) {
    ToolRun result;
    int pipeFds[2];
    if (argv.empty() || ::pipe2(pipeFds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    withErrors ? posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO)
               : posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned == 0) {
        char buf[65536];
        for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) != 0;) {
            if (n < 0) {
                if (errno == EINTR) continue;
                break;
            }
            result.out.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

bool toolsPresent() {
    static const bool present = runTool({"pdfinfo", "-v"}).status == 0;
    return present;
}

std::map<std::string, std::string> info(const std::string& pdf) {
    std::map<std::string, std::string> out;
    const ToolRun r = runTool({"pdfinfo", pdf});
    if (r.status != 0) return out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const auto value = line.find_first_not_of(' ', colon + 1);
        out[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return out;
}

namespace {

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string unescapeXml(std::string s) {
    static const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, std::strlen(from), to);
    return s;
}

}  // namespace

std::vector<FontRow> fonts(const std::string& pdf) {
    std::vector<FontRow> out;
    const auto rows = lines(runTool({"pdffonts", pdf}).out);
    if (rows.size() < 2) return out;
    // Columns are as wide as the dashes under the header.
    std::vector<std::pair<std::size_t, std::size_t>> cols;
    const std::string& dashes = rows[1];
    for (std::size_t i = 0; i < dashes.size();) {
        const auto end = dashes.find(' ', i);
        cols.emplace_back(i, (end == std::string::npos ? dashes.size() : end) - i);
        i = end == std::string::npos ? dashes.size() : end + 1;
    }
    if (cols.size() < 6) return out;
    for (std::size_t r = 2; r < rows.size(); ++r) {
        auto field = [&](std::size_t c) {
            return cols[c].first < rows[r].size() ? trimmed(rows[r].substr(cols[c].first, cols[c].second)) : "";
        };
        out.push_back({field(0), field(1), field(2), field(3) == "yes", field(4) == "yes", field(5) == "yes"});
    }
    return out;
}

namespace {
// pdftotext's arguments before the file: the one page, or all when page is 0.
std::vector<std::string> pdftotext(int page, std::vector<std::string> options) {
    std::vector<std::string> argv{"pdftotext"};
    if (page > 0) argv.insert(argv.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}
}  // namespace

std::string text(const std::string& pdf, int page) {
    std::vector<std::string> argv = pdftotext(page, {});
    argv.insert(argv.end(), {pdf, "-"});
    return runTool(argv).out;
}

std::vector<Word> words(const std::string& pdf, int page) {
    std::vector<Word> out;
    std::vector<std::string> argv = pdftotext(page, {"-bbox"});
    argv.insert(argv.end(), {pdf, "-"});
    const std::string html = runTool(argv).out;
    static const std::regex word(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
    for (std::sregex_iterator it(html.begin(), html.end(), word), end; it != end; ++it) {
        const std::smatch& m = *it;
        out.push_back({unescapeXml(m[5]), std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
    }
    return out;
}

std::vector<ImageRow> images(const std::string& pdf) {
    std::vector<ImageRow> out;
    const auto rows = lines(runTool({"pdfimages", "-list", pdf}).out);
    for (std::size_t r = 2; r < rows.size(); ++r) {
        std::istringstream in(rows[r]);
        std::vector<std::string> f((std::istream_iterator<std::string>(in)), std::istream_iterator<std::string>());
        if (f.size() < 16) continue;
        ImageRow row;
        row.page = std::atoi(f[0].c_str());
        row.type = f[2];
        row.width = std::atoi(f[3].c_str());
        row.height = std::atoi(f[4].c_str());
        row.colour = f[5];
        row.encoding = f[8];
        row.object = std::atoi(f[10].c_str());
        row.ratioPercent = std::atoi(f[15].c_str());
        out.push_back(row);
    }
    return out;
}

bool render(const std::string& pdf, Pgm& out, int page) {
    const std::string prefix = pdf + ".render";
    const std::string p = std::to_string(page);
    if (runTool({"pdftoppm", "-r", "72", "-gray", "-singlefile", "-f", p, "-l", p, pdf, prefix}).status != 0)
        return false;
    const bool ok = readPgm(prefix + ".pgm", out);
    std::remove((prefix + ".pgm").c_str());
    return ok;
}

std::string pageContent(const std::string& pdf, int page) {
    const std::string file = readFile(pdf);
    static const std::regex contents(R"(/Contents (\d+) 0 R)");
    std::sregex_iterator it(file.begin(), file.end(), contents), end;
    for (int p = 1; it != end && p < page; ++p) ++it;
    if (it == end) return "";
    const std::string header = "\n" + (*it)[1].str() + " 0 obj";
    const auto obj = file.find(header);
    if (obj == std::string::npos) return "";
    auto start = file.find("stream", obj);
    const auto stop = file.find("endstream", obj);
    if (start == std::string::npos || stop == std::string::npos || start > stop) return "";
    const std::string dictionary = file.substr(obj, start - obj);
    start += 6;
    while (start < stop && (file[start] == '\r' || file[start] == '\n')) ++start;
    if (dictionary.find("/FlateDecode") == std::string::npos) return file.substr(start, stop - start);
    // A deflated stream is exactly /Length bytes long; libharu writes the
    // length as a reference to an object that follows the stream.
    static const std::regex length(R"(/Length (\d+)( 0 R)?)");
    std::smatch m;
    if (!std::regex_search(dictionary, m, length)) return "";
    std::size_t size = std::stoul(m[1]);
    if (m[2].matched) {
        const auto lengthObj = file.find("\n" + m[1].str() + " 0 obj", stop);
        if (lengthObj == std::string::npos) return "";
        size = std::stoul(file.substr(file.find("obj", lengthObj) + 3, 20));
    }
    if (start + size > file.size()) return "";
    int inflatedSize = 0;
    char* inflated = stbi_zlib_decode_malloc(&file[start], static_cast<int>(size), &inflatedSize);
    if (!inflated) return "";
    std::string out(inflated, static_cast<std::size_t>(inflatedSize));
    std::free(inflated);
    return out;
}

std::vector<ContentOp> contentOps(const std::string& content) {
    std::vector<ContentOp> ops;
    ContentOp current;
    std::size_t i = 0;
    const auto n = content.size();
    auto isDelimiter = [](char c) { return std::isspace(static_cast<unsigned char>(c)) || std::strchr("()<>[]/%", c); };
    while (i < n) {
        const char c = content[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == '[' || c == ']') {
            ++i;
        } else if (c == '(') {  // literal string, with nesting and escapes
            const std::size_t from = i;
            int depth = 0;
            for (; i < n; ++i) {
                if (content[i] == '\\') ++i;
                else if (content[i] == '(') ++depth;
                else if (content[i] == ')' && --depth == 0) break;
            }
            current.others.push_back(content.substr(from, ++i - from));
        } else if (c == '<') {  // hex string
            const auto close = content.find('>', i);
            const std::size_t to = close == std::string::npos ? n : close + 1;
            current.others.push_back(content.substr(i, to - i));
            i = to;
        } else {
            std::size_t j = i + 1;
            while (j < n && !isDelimiter(content[j])) ++j;
            const std::string token = content.substr(i, j - i);
            i = j;
            char* endp = nullptr;
            const double v = std::strtod(token.c_str(), &endp);
            if (c == '/') {
                current.others.push_back(token);
            } else if (endp && *endp == '\0') {
                current.numbers.push_back(v);
            } else {
                current.op = token;
                ops.push_back(std::move(current));
                current = {};
            }
        }
    }
    return ops;
}

}  // namespace pdfinspect
