#include "platform/removable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::shared_ptr<const std::vector<std::string>> g_roots;  // accessed through std::atomic_load/store

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> splitBlanks(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::size_t b = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > b) out.push_back(line.substr(b, i - b));
    }
    return out;
}

bool parseDevice(std::string_view s, unsigned& major, unsigned& minor) {
    std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 >= s.size()) return false;
    auto num = [](std::string_view t, unsigned& v) {
        unsigned long long acc = 0;
        for (char c : t) {
            if (c < '0' || c > '9') return false;
            acc = acc * 10 + static_cast<unsigned>(c - '0');
            if (acc > 0xFFFFFFFFull) return false;
        }
        v = static_cast<unsigned>(acc);
        return true;
    };
    return num(s.substr(0, colon), major) && num(s.substr(colon + 1), minor);
}

bool droppedType(const std::string& type) {
    static const char* const kDropped[] = {
        // pseudo and RAM
        "proc", "sysfs", "tmpfs", "ramfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "mqueue", "debugfs",
        "tracefs", "securityfs", "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "binfmt_misc",
        "efivarfs", "nsfs", "rpc_pipefs", "autofs", "overlay", "squashfs", "fuse.gvfsd-fuse", "fuse.portal",
        // optical
        "iso9660", "udf",
        // network
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "glusterfs", "fuse.sshfs", "sshfs", "afs",
        "fuse.rclone", "davfs", "fuse.davfs2"};
    for (const char* t : kDropped)
        if (type == t) return true;
    return false;
}

bool underRoot(const std::string& mountPoint, const std::string& root) {
    if (root.empty()) return false;
    std::string r = root;
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    if (mountPoint.size() <= r.size()) return false;  // the root folder itself is no drive
    return mountPoint.compare(0, r.size(), r) == 0 && mountPoint[r.size()] == '/';
}

std::string readSmall(const std::string& path) {
    std::ifstream in(path);
    std::string s;
    std::getline(in, s);
    return s;
}

// The block device's disk is removable, or hangs on a USB bus.
bool sysfsRemovable(unsigned major, unsigned minor) {
    char link[64];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major, minor);
    char* real = ::realpath(link, nullptr);
    if (!real) return false;
    std::string dev(real);
    std::free(real);
    if (dev.find("/usb") != std::string::npos) return true;
    if (readSmall(dev + "/removable") == "1") return true;
    std::string parent = dev.substr(0, dev.rfind('/'));  // the disk of a partition
    return readSmall(parent + "/removable") == "1";
}

std::vector<std::string> scanMounts() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return {};
    std::stringstream ss;
    ss << in.rdbuf();
    MountContext ctx;
    struct stat st {};
    if (::stat("/", &st) == 0) ctx.excludedDevices.push_back({major(st.st_dev), minor(st.st_dev)});
    if (::stat(".", &st) == 0) ctx.excludedDevices.push_back({major(st.st_dev), minor(st.st_dev)});
    ctx.isRemovableDevice = &sysfsRemovable;
    return chooseRemovableMounts(parseMountInfo(ss.str()), ctx);
}

}  // namespace

std::string unescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            int v = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (v < 256) {
                out.push_back(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        auto f = splitBlanks(line);
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        if (f.size() < 7) continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 2 >= f.size()) continue;
        MountEntry e;
        if (!parseDevice(f[2], e.major, e.minor)) continue;
        e.mountPoint = unescapeMountField(f[4]);
        e.fsType = unescapeMountField(f[dash + 1]);
        e.source = unescapeMountField(f[dash + 2]);
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<std::string> chooseRemovableMounts(const std::vector<MountEntry>& mounts,
                                               const MountContext& context) {
    std::vector<std::string> out;
    for (const MountEntry& m : mounts) {
        if (m.mountPoint.empty() || m.mountPoint == "/") continue;
        if (droppedType(m.fsType)) continue;
        if (std::find(context.excludedDevices.begin(), context.excludedDevices.end(),
                      std::make_pair(m.major, m.minor)) != context.excludedDevices.end())
            continue;
        bool keep = false;
        for (const std::string& r : context.rootFolders)
            if (underRoot(m.mountPoint, r)) keep = true;
        if (!keep && m.source.rfind("/dev/", 0) == 0 && context.isRemovableDevice)
            keep = context.isRemovableDevice(m.major, m.minor);
        if (!keep) continue;
        if (std::find(out.begin(), out.end(), m.mountPoint) == out.end()) out.push_back(m.mountPoint);
    }
    return out;
}

std::vector<std::string> removableRoots() {
    auto injected = std::atomic_load(&g_roots);
    if (injected) return *injected;
    return scanMounts();
}

void setRemovableRoots(std::vector<std::string> roots) {
    std::atomic_store(&g_roots, std::shared_ptr<const std::vector<std::string>>(
                                    std::make_shared<std::vector<std::string>>(std::move(roots))));
}

void clearRemovableRoots() {
    std::atomic_store(&g_roots, std::shared_ptr<const std::vector<std::string>>());
}

void syncVolume(const std::filesystem::path& path) {
    // O_NONBLOCK: a named pipe at the path must not hold the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) (void)::fsync(fd);
    (void)::syncfs(fd);
    ::close(fd);
}

}  // namespace platform
