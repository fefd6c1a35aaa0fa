// Whole files as strings, for tests that write inputs and read outputs, and
// the lines in them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Line number (1-based) of the first line that starts with `start`, counted
// below it by `below`; 0 when there is none.
inline int LineOf(const std::string& text, const std::string& start, int below = 0) {
    int n = 1;
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1, ++n) {
        if (text.compare(at, start.size(), start) == 0) return n + below;
        if (text.find('\n', at) == std::string::npos) break;
    }
    return 0;
}
