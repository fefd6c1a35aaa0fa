// What the build's generators (textgen, plantgen) share when they write C++
// from the translators' files.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// A UTF-8 text as a C++ string literal.
inline std::string Literal(const std::string& utf8) {
    std::string s = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') s += '\\';
        if (c == '\n') {
            s += "\\n";
            continue;
        }
        s += c;
    }
    return s + "\"";
}

// `path` relative to `root` (as messages and generated comments name files),
// or as given when there is no root or no relative path.
inline std::string Relative(const std::string& path, const std::string& root) {
    if (root.empty()) return path;
    std::error_code ec;
    const std::filesystem::path rel = std::filesystem::relative(path, root, ec);
    return ec ? path : rel.generic_string();
}
