#include "Compare.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "sim/control.h"

namespace {

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The name of a value line: "name"=... or @=...
std::string ValueName(const std::string& line) {
    if (line.empty() || line[0] != '"') return "";
    std::string name;
    for (size_t i = 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        name += line[i];
    }
    return name;
}

std::vector<std::string> KeyPath(const std::string& header) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : Lower(header.substr(1, header.size() - 2))) {
        if (c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

std::string Normalised(std::vector<std::string> lines) {
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
    return Join(lines);
}

}  // namespace

std::string RegistryText(const std::string& key) {
    if (!sim::KeyExists(key)) return "";
    std::string text = sim::ExportRegKey(sim::RegFormat::Regedit4, key);
    const size_t body = text.find("\r\n\r\n");
    return body == std::string::npos ? "" : Join(SplitLines(text.substr(body + 4)));
}

std::string SortedRegistryText(const std::string& text) {
    struct Value {
        std::string name;
        std::string lines;
    };
    struct Key {
        std::vector<std::string> path;
        std::string header;
        std::vector<Value> values;
    };
    std::vector<Key> keys;
    bool continued = false;
    for (const std::string& line : SplitLines(text)) {
        if (Trim(line).empty()) {
            continued = false;
            continue;
        }
        if (!continued && line[0] == '[') {
            keys.push_back({KeyPath(line), line, {}});
        } else if (!keys.empty()) {
            if (continued) {
                keys.back().values.back().lines += line + "\n";
            } else {
                keys.back().values.push_back({Lower(ValueName(line)), line + "\n"});
            }
            continued = line.back() == '\\';
        }
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.path < b.path; });
    std::string out;
    for (Key& k : keys) {
        std::stable_sort(k.values.begin(), k.values.end(),
                         [](const Value& a, const Value& b) { return a.name < b.name; });
        out += k.header + "\n";
        for (auto& v : k.values) out += v.lines;
        out += "\n";
    }
    return WithoutTrailingBlankLines(out);
}

void Compare(const Scenario& s, const std::string& dir, const Backend& backend, const RunResult& r, Verdict& v) {
    const bool wine = backend.UsesWineExpectations();
    const Section* exitSection = s.Expected("exit", "", wine);
    const int expectedExit = exitSection && !exitSection->lines.empty() ? std::atoi(exitSection->lines[0].c_str()) : 0;
    if (r.exitCode != expectedExit)
        v.failures.push_back("exit status " + std::to_string(r.exitCode) + ", expected " + std::to_string(expectedExit));
    if (const Section* out = s.Expected("output", "", wine)) {
        const std::string expected = Normalised(out->lines);
        const std::string actual = WithoutTrailingBlankLines(r.output);
        if (expected != actual) v.Differ("[output]", expected, actual);
    }
    for (const Section& sec : s.sections) {
        if (sec.name == "registry") {
            std::string expected = Normalised(s.Expected("registry", sec.argument, wine)->lines);
            std::string actual = WithoutTrailingBlankLines(RegistryText(sec.argument));
            if (backend.SortsRegistry()) {
                expected = SortedRegistryText(expected);
                actual = SortedRegistryText(actual);
            }
            if (expected != actual) v.Differ("[registry " + sec.argument + "]", expected, actual);
        } else if (sec.name == "file") {
            bool ok = false;
            const std::string actual = ReadFile(dir + "/" + sec.argument, &ok);
            std::string expected;
            for (auto& l : sec.lines) expected += l + "\r\n";
            if (!ok && !sec.lines.empty()) {
                v.failures.push_back("[file " + sec.argument + "]: the file was not written");
            } else if (ok && expected != actual) {
                v.Differ("[file " + sec.argument + "]", expected, actual);
            }
        }
    }
    const std::vector<std::string> record = SplitLines(ReadFile(dir + "/.record"));
    auto recorded = [&](const std::string& prefix) {
        std::vector<std::string> lines;
        for (auto& l : record)
            if (l.rfind(prefix + " ", 0) == 0) lines.push_back(l.substr(prefix.size() + 1));
        return Join(lines);
    };
    struct Events {
        const char* section;
        const char* prefix;
        // Recorded natively only: the user interface, and the calls of
        // Wine's own advapi32 (the netapi32 double logs its calls as the
        // simulated platform records them).
        bool nativeOnly;
    };
    const Events kEvents[] = {{"dhcp", "dhcp", false},          {"messages", "message", true},
                              {"commands-run", "command", true}, {"netapi32", "netapi32", false},
                              {"advapi32", "advapi32", true},    {"svrapi", "svrapi", false}};
    for (const Events& e : kEvents) {
        const Section* sec = s.Find(e.section);
        if (!sec || (e.nativeOnly && !backend.SeesUserInterface())) continue;
        const std::string expected = Normalised(sec->lines);
        const std::string actual = recorded(e.prefix);
        if (expected != actual) v.Differ(std::string("[") + e.section + "]", expected, actual);
    }
}

void Bless(const Scenario& s, const RunResult& r, const std::string& dir) {
    RunProducts products;
    products.output = r.output;
    products.registry = [](const std::string& key) { return RegistryText(key); };
    products.file = [&](const std::string& name) { return ReadFile(dir + "/" + name); };
    WriteFile(s.path, BlessedText(s, ReadFile(s.path), products));
}
