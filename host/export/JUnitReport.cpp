#include "host/export/JUnitReport.h"

#include <unistd.h>

#include <cstdio>

#include "host/core/FileAccess.h"

#include <tinyxml2.h>

namespace {

std::string Seconds3(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string LocalTimestamp(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

void SetCounts(tinyxml2::XMLElement* element, const JUnitSuite& suite) {
    int failures = 0;
    int errors = 0;
    int skipped = 0;
    for (const JUnitCase& c : suite.cases) {
        failures += c.result == JUnitCase::Result::Failed;
        errors += c.result == JUnitCase::Result::Error;
        skipped += c.result == JUnitCase::Result::Skipped;
    }
    element->SetAttribute("tests", static_cast<int>(suite.cases.size()));
    element->SetAttribute("failures", failures);
    element->SetAttribute("errors", errors);
    element->SetAttribute("skipped", skipped);
    element->SetAttribute("time", Seconds3(suite.seconds).c_str());
}

void AddCase(tinyxml2::XMLElement* suite, const std::string& className, const JUnitCase& c) {
    tinyxml2::XMLElement* test = suite->InsertNewChildElement("testcase");
    test->SetAttribute("name", XmlSafe(c.name).c_str());
    test->SetAttribute("classname", className.c_str());
    test->SetAttribute("time", Seconds3(c.seconds).c_str());
    test->SetAttribute("file", XmlSafe(c.file.empty() ? c.name : c.file).c_str());
    if (c.line > 0) test->SetAttribute("line", c.line);
    const std::string err = XmlSafe(c.err);
    const std::string message = XmlSafe(c.message);
    switch (c.result) {
        case JUnitCase::Result::Passed: break;
        case JUnitCase::Result::Skipped:
            test->InsertNewChildElement("skipped")->SetAttribute("message", message.c_str());
            break;
        case JUnitCase::Result::Failed:
        case JUnitCase::Result::Error: {
            const bool failed = c.result == JUnitCase::Result::Failed;
            tinyxml2::XMLElement* outcome = test->InsertNewChildElement(failed ? "failure" : "error");
            outcome->SetAttribute("message", message.c_str());
            outcome->SetAttribute("type", failed ? "check" : "error");
            outcome->SetText(err.c_str());
            break;
        }
    }
    const std::string out = XmlSafe(c.out);
    if (!out.empty()) test->InsertNewChildElement("system-out")->SetText(out.c_str());
    if (!err.empty()) test->InsertNewChildElement("system-err")->SetText(err.c_str());
}

}  // namespace

bool WriteJUnit(const std::string& path, const JUnitSuite& suite, std::string& why) {
    tinyxml2::XMLDocument xml;
    xml.InsertEndChild(xml.NewDeclaration());
    tinyxml2::XMLElement* suites = xml.NewElement("testsuites");
    xml.InsertEndChild(suites);
    tinyxml2::XMLElement* one = suites->InsertNewChildElement("testsuite");
    const std::string name = XmlSafe(suite.name);
    suites->SetAttribute("name", name.c_str());
    one->SetAttribute("name", name.c_str());
    SetCounts(suites, suite);
    SetCounts(one, suite);
    one->SetAttribute("timestamp", LocalTimestamp(suite.began).c_str());
    one->SetAttribute("hostname", XmlSafe(HostName()).c_str());
    for (const JUnitCase& c : suite.cases) AddCase(one, name, c);
    tinyxml2::XMLPrinter printer;
    xml.Print(&printer);
    return WriteOutputFile(path, std::string_view(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1)),
                           why);
}

std::string XmlSafe(std::string_view text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = b < 0x80             ? 1
                             : (b & 0xE0) == 0xC0 ? 2
                             : (b & 0xF0) == 0xE0 ? 3
                             : (b & 0xF8) == 0xF0 ? 4
                                                  : 0;
        char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        // Shortest form only, no surrogates, and only what XML 1.0 allows.
        static const char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && c >= kSmallest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        ok = ok && (c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF));
        if (ok) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}
