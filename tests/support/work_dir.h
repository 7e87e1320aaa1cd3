#pragma once
// Temporary folders for tests: a scratch folder removed with its object, and
// a working directory that a test runs in (entered for the object's life,
// optionally with the "logs" folder that the program's loggers write into).
// Plus the few file helpers the tests share.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testwd {

// A fresh folder below the system's temporary folder, named from `prefix`.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix = "ks_test") {
        std::error_code ec;
        std::string tmpl = (std::filesystem::temp_directory_path(ec) / (prefix + "_XXXXXX")).string();
        if (::mkdtemp(tmpl.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << tmpl;
        dir_ = tmpl;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

enum class Logs { none, folder };

// A scratch folder that is the working directory while the object lives.
class WorkDir {
public:
    explicit WorkDir(const std::string& prefix = "ks_test", Logs logs = Logs::none) : dir_(prefix) {
        std::error_code ec;
        old_ = std::filesystem::current_path(ec);
        std::filesystem::current_path(dir_.path(), ec);
        if (ec) ADD_FAILURE() << "cannot enter " << dir_.path();
        if (logs == Logs::folder) std::filesystem::create_directory(dir_.path() / "logs", ec);
    }
    ~WorkDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }

private:
    ScratchDir dir_;  // removed after the working directory is left
    std::filesystem::path old_;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& p, const std::string& content) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// Names of the files in a folder, sorted.
inline std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A file of `size` bytes without using the disk (sparse).
inline void makeSparse(const std::filesystem::path& p, unsigned long long size) {
    std::ofstream(p, std::ios::binary | std::ios::trunc).close();
    if (::truncate(p.c_str(), static_cast<off_t>(size)) != 0) ADD_FAILURE() << "truncate " << p;
}

// Sets the last-write time to `seconds` since 1970 (may be negative).
inline void setMtime(const std::filesystem::path& p, long long seconds) {
    struct timeval tv[2];
    tv[0].tv_sec = static_cast<time_t>(seconds);
    tv[0].tv_usec = 0;
    tv[1] = tv[0];
    if (::utimes(p.c_str(), tv) != 0) ADD_FAILURE() << "utimes " << p;
}

}  // namespace testwd
