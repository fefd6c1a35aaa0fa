// A test run as a JUnit report, the XML that CI tools read: one suite, one
// test case per script, with its outcome, its time and its output.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

struct JUnitCase {
    enum class Result { Passed, Failed, Error, Skipped };
    std::string name;
    double seconds = 0;
    Result result = Result::Passed;
    std::string message;  // what failed, or why the case was skipped
    std::string file;     // where the first failure or error is; empty: the name
    int line = 0;         // its line; 0: none
    std::string out;      // standard output
    std::string err;      // standard error; also the failure's or error's text
};

struct JUnitSuite {
    std::string name;  // also every case's class name
    double seconds = 0;
    std::time_t began = 0;
    std::vector<JUnitCase> cases;
};

// Writes the report whole or not at all; on failure says why in `why`.
bool WriteJUnit(const std::string& path, const JUnitSuite& suite, std::string& why);

// Any bytes as text that XML 1.0 accepts: malformed UTF-8 and the characters
// that XML forbids become U+FFFD.
std::string XmlSafe(std::string_view text);
