// Reading and writing the files that users and CI hand to the programs:
// scripts, state files, golden images, screenshots, animations and reports.
//
// Reading is bounded, so that /dev/zero or a runaway file is refused at once
// instead of filling the memory. Writing never leaves half a file behind and
// never replaces what is not a regular file: a regular file (or a name that
// does not exist yet) is written to a temporary file beside it and renamed
// over it, through a symbolic link into the file it points to; a device, a
// pipe or /dev/stdout is written into as it is; a folder, a socket or a block
// device is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The largest script, include, state file or golden image that is read.
inline constexpr std::size_t kMaxInputBytes = std::size_t{16} << 20;

// Reads the whole file; false, with the reason ("is a folder", the system's
// text, "is larger than 16 MiB"), when it cannot.
bool ReadInputFile(const std::string& path, std::string& text, std::string& why, std::size_t limit = kMaxInputBytes);

// The same for an open descriptor (standard input).
bool ReadInputDescriptor(int fd, std::string& text, std::string& why, std::size_t limit = kMaxInputBytes);

// Why `path` cannot be written, or empty when it can be tried: the folder of
// a new or regular file must exist and be writable, a special file must be
// writable itself.
std::string WriteProblem(const std::string& path);

// A file being written: see the header comment for what happens to `path`.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False, with "cannot write PATH: reason", when it cannot be opened.
    bool Open(const std::string& path, std::string& why);
    bool Write(const void* bytes, std::size_t size, std::string& why);
    // Puts the file in place (or closes the special file written into).
    bool Commit(std::string& why);
    // Drops what was written to a temporary file.
    void Abandon();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    bool Failed(int error, std::string& why);

    int fd_ = -1;
    std::string path_;       // as given
    std::string target_;     // the regular file that is replaced
    std::string temporary_;  // empty when writing into a special file
    std::string failure_;    // the first failure, which later calls repeat
};

// Writes `bytes` to `path` whole, as OutputFile does; false with
// "cannot write PATH: reason".
bool WriteOutputFile(const std::string& path, std::string_view bytes, std::string& why);
