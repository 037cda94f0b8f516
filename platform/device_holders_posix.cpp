#include "platform/device_holders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace platform {

namespace {

bool is_process_id(const char *name) {
    if (*name == '\0') return false;
    for (const char *c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return false;
    }
    return true;
}

std::string process_name(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Processes holding a lock (flock, POSIX or open-file lock) on the inode, from
// /proc/locks; waiters for a lock ("->") hold nothing yet.
std::set<long> lock_holders(const struct stat &device) {
    std::set<long> pids;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        if (line.find("->") != std::string::npos) continue;
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> where) || pid <= 0) continue;
        unsigned major_number = 0, minor_number = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major_number, &minor_number, &inode) != 3) {
            continue;
        }
        if (major_number == major(device.st_dev) && minor_number == minor(device.st_dev) &&
            inode == device.st_ino) {
            pids.insert(pid);
        }
    }
    return pids;
}

// Processes with a descriptor open on the device, among those whose descriptors
// this process may read. The links are read, not followed: following one to a
// file on a hung network mount would hang here too.
std::set<long> descriptor_holders(const std::string &device_path) {
    std::set<long> pids;
    DIR *processes = opendir("/proc");
    if (processes == nullptr) return pids;
    while (const dirent *process = readdir(processes)) {
        if (!is_process_id(process->d_name)) continue;
        const std::string fd_dir = std::string("/proc/") + process->d_name + "/fd";
        DIR *fds = opendir(fd_dir.c_str());
        if (fds == nullptr) continue;
        while (const dirent *fd = readdir(fds)) {
            if (fd->d_name[0] == '.') continue;
            char target[PATH_MAX];
            const ssize_t length =
                readlink((fd_dir + "/" + fd->d_name).c_str(), target, sizeof target);
            if (length > 0 && device_path.compare(0, std::string::npos, target,
                                                  static_cast<std::size_t>(length)) == 0) {
                pids.insert(std::strtol(process->d_name, nullptr, 10));
                break;
            }
        }
        closedir(fds);
    }
    closedir(processes);
    return pids;
}

}  // namespace

std::vector<DeviceHolder> device_holders(const std::string &device) {
    struct stat info {};
    char resolved[PATH_MAX];
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) ||
        realpath(device.c_str(), resolved) == nullptr) {
        return {};
    }
    // A lock names the holder; when this process holds it, nobody else does.
    std::set<long> pids = lock_holders(info);
    if (pids.empty()) pids = descriptor_holders(resolved);
    pids.erase(static_cast<long>(getpid()));
    std::vector<DeviceHolder> holders;
    for (const long pid : pids) {
        std::string name = process_name(pid);
        // Gone meanwhile, or hidden from this process.
        if (!name.empty()) holders.push_back({pid, std::move(name)});
    }
    return holders;
}

}  // namespace platform
