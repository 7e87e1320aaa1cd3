#pragma once
// A fresh temporary working directory for one test: created and entered in
// the constructor, left and removed in the destructor.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testwd {

class WorkDir {
public:
    WorkDir() {
        std::error_code ec;
        old_ = std::filesystem::current_path(ec);
        std::string tmpl = (std::filesystem::temp_directory_path(ec) / "ks_test_XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        if (!made) ADD_FAILURE() << "mkdtemp failed";
        dir_ = tmpl;
        std::filesystem::current_path(dir_, ec);
        if (ec) ADD_FAILURE() << "cannot enter " << dir_;
    }
    ~WorkDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& p, const std::string& content) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
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
