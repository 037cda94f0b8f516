#include "whole_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tool_error.h"

namespace rfcard {

namespace {

[[noreturn]] void cannot_write(const std::string &path, const std::string &why) {
    throw ToolError(kExitBadInput, "cannot write " + path + ": " + why);
}

std::string folder_of(const std::string &path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

// The error of writing all of `content` to `descriptor`; 0 when it went.
int write_all(int descriptor, std::string_view content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t count =
            ::write(descriptor, content.data() + written, content.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return count < 0 ? errno : EIO;
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

mode_t umask_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void check_writable(const std::string &path) {
    if (path.empty() || path == "-") return;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) cannot_write(path, std::strerror(EISDIR));
        if (::access(path.c_str(), W_OK) != 0) cannot_write(path, std::strerror(errno));
        if (!S_ISREG(status.st_mode)) return;
    }
    const std::string folder = folder_of(path);
    if (::stat(folder.c_str(), &status) != 0) {
        cannot_write(path, "its folder " + folder + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode)) cannot_write(path, folder + " is no folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        cannot_write(path, "its folder " + folder + ": " + std::strerror(errno));
    }
}

void write_whole_file(const std::string &path, std::string_view content, Secrecy secrecy) {
    std::string target = path;
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) cannot_write(path, std::strerror(EISDIR));
    if (exists && !S_ISREG(status.st_mode)) {
        // A terminal, a pipe, /dev/stdout: nothing to replace, written as it is.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (descriptor < 0) cannot_write(path, std::strerror(errno));
        const int error = write_all(descriptor, content);
        ::close(descriptor);
        if (error != 0) cannot_write(path, std::strerror(error));
        return;
    }
    struct stat link {};
    if (exists && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // The file the link names is replaced, not the link.
        std::error_code ignored;
        const auto resolved = std::filesystem::canonical(path, ignored);
        if (!resolved.empty()) target = resolved.string();
    }
    const mode_t mode = exists                     ? status.st_mode & 07777
                        : secrecy == Secrecy::Keys ? mode_t{0600}
                                                   : umask_mode();

    const std::filesystem::path name = std::filesystem::path(target).filename();
    std::string temporary = folder_of(target) + "/." + name.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());  // 0600 from the start
    if (descriptor < 0) cannot_write(path, std::strerror(errno));
    int error = write_all(descriptor, content);
    if (error == 0 && ::fchmod(descriptor, mode) != 0) error = errno;
    if (error == 0 && ::fsync(descriptor) != 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        cannot_write(path, std::strerror(error));
    }
}

}  // namespace rfcard
