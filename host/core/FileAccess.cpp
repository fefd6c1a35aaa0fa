#include "host/core/FileAccess.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string SizeText(std::size_t bytes) {
    if (bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

std::string Parent(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

// What a name given for writing turns out to be, after its symbolic links.
struct Target {
    enum Kind { Regular, Special, Refused } kind = Regular;
    bool exists = false;
    std::string path;     // Regular: the file to replace or create
    std::string problem;  // Refused
    int descriptor = -1;  // Special: one of this process's own descriptors (/dev/stdout)
    mode_t mode = 0;      // Regular and existing: its permissions
};

// Whether the folder of `path` is the process file table under /proc, whose
// entries are links that only look like paths (/dev/stdout, /dev/fd/1).
bool InProcess(const std::string& path, int& descriptor) {
    char real[PATH_MAX];
    if (realpath(Parent(path).c_str(), real) == nullptr) return false;
    const std::string folder = real;
    if (folder.rfind("/proc/", 0) != 0) return false;
    descriptor = -1;
    if (folder == "/proc/" + std::to_string(getpid()) + "/fd") {
        const std::string leaf = std::filesystem::path(path).filename().string();
        char* end = nullptr;
        const long n = std::strtol(leaf.c_str(), &end, 10);
        if (!leaf.empty() && *end == '\0' && n >= 0 && n < INT_MAX) descriptor = static_cast<int>(n);
    }
    return true;
}

Target Resolve(const std::string& given) {
    Target t;
    std::string at = given;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(at.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                t.kind = Target::Refused;
                t.problem = Reason(errno);
            }
            t.path = at;  // a new file (or the missing file a link points to)
            return t;
        }
        if (S_ISLNK(st.st_mode)) {
            if (InProcess(at, t.descriptor)) {
                t.kind = Target::Special;
                t.exists = true;
                return t;
            }
            std::vector<char> link(PATH_MAX + 1);
            const ssize_t n = readlink(at.c_str(), link.data(), PATH_MAX);
            if (n < 0) {
                t.kind = Target::Refused;
                t.problem = Reason(errno);
                return t;
            }
            const std::filesystem::path next(std::string(link.data(), static_cast<std::size_t>(n)));
            at = next.is_absolute() ? next.string() : (std::filesystem::path(Parent(at)) / next).string();
            continue;
        }
        t.exists = true;
        t.path = at;
        t.mode = st.st_mode & 07777;
        if (S_ISREG(st.st_mode)) return t;
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            t.kind = Target::Special;
            return t;
        }
        t.kind = Target::Refused;
        t.problem = S_ISDIR(st.st_mode)   ? "it is a folder"
                    : S_ISBLK(st.st_mode) ? "it is a block device, which is not written into"
                                          : "it is not a file that can be written";
        return t;
    }
    t.kind = Target::Refused;
    t.problem = Reason(ELOOP);
    return t;
}

bool ReadAll(int fd, std::string& text, std::string& why, std::size_t limit) {
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            why = "it is a folder";
            return false;
        }
        if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > limit) {
            why = "it is larger than " + SizeText(limit);
            return false;
        }
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = Reason(errno);
            return false;
        }
        if (n == 0) return true;
        if (text.size() + static_cast<std::size_t>(n) > limit) {
            why = "it is larger than " + SizeText(limit);
            text.clear();
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool ReadInputFile(const std::string& path, std::string& text, std::string& why, std::size_t limit) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = Reason(errno);
        return false;
    }
    const bool ok = ReadAll(fd, text, why, limit);
    close(fd);
    return ok;
}

bool ReadInputDescriptor(int fd, std::string& text, std::string& why, std::size_t limit) {
    return ReadAll(fd, text, why, limit);
}

std::string WriteProblem(const std::string& path) {
    const Target t = Resolve(path);
    switch (t.kind) {
        case Target::Refused: return path + ": " + t.problem;
        case Target::Special:
            if (t.descriptor < 0 && access(path.c_str(), W_OK) != 0) return path + ": " + Reason(errno);
            return {};
        case Target::Regular: break;
    }
    const std::string folder = Parent(t.path);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return "the folder " + folder + " does not exist";
    if (access(folder.c_str(), W_OK | X_OK) != 0) return "the folder " + folder + " cannot be written to";
    return {};
}

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Failed(int error, std::string& why) {
    why = failure_.empty() ? "cannot write " + path_ + ": " + Reason(error) : failure_;
    failure_ = why;
    Abandon();
    return false;
}

bool OutputFile::Open(const std::string& path, std::string& why) {
    Abandon();
    path_ = path;
    failure_.clear();
    const Target t = Resolve(path);
    if (t.kind == Target::Refused) {
        why = "cannot write " + path + ": " + t.problem;
        return false;
    }
    if (t.kind == Target::Special) {
        if (t.descriptor >= 0) {
            // Output already written through the same descriptor comes first.
            std::cout.flush();
            std::cerr.flush();
            std::fflush(nullptr);
            fd_ = fcntl(t.descriptor, F_DUPFD_CLOEXEC, 0);
        } else {
            fd_ = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        }
        return fd_ >= 0 || Failed(errno, why);
    }
    target_ = t.path;
    // A hidden name that no other writer picks: the file's own name, the
    // process and an attempt number.
    const std::filesystem::path target(target_);
    const std::string stem =
        std::string(".").append(target.filename().string()).append(".").append(std::to_string(getpid())).append(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            (std::filesystem::path(Parent(target_)) / (stem + std::to_string(attempt) + ".tmp")).string();
        fd_ = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = name;
            // A replaced file keeps its permissions.
            if (t.exists) fchmod(fd_, t.mode);
            return true;
        }
        if (errno != EEXIST) return Failed(errno, why);
    }
    return Failed(EEXIST, why);
}

bool OutputFile::Write(const void* bytes, std::size_t size, std::string& why) {
    if (fd_ < 0) return Failed(EBADF, why);
    const char* data = static_cast<const char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(n < 0 ? errno : EIO, why);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::Commit(std::string& why) {
    if (fd_ < 0) return Failed(EBADF, why);
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) return Failed(errno, why);
    if (temporary_.empty()) return true;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) return Failed(errno, why);
    temporary_.clear();
    return true;
}

void OutputFile::Abandon() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

bool WriteOutputFile(const std::string& path, std::string_view bytes, std::string& why) {
    OutputFile file;
    return file.Open(path, why) && file.Write(bytes.data(), bytes.size(), why) && file.Commit(why);
}
