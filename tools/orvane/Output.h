// What a command reports, as a small tree that prints either as readable
// "key: value" lines or as one JSON object per command.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Node {
public:
    enum class Kind { Null, Bool, Number, Text, List, Object };

    Node() = default;
    static Node Bool(bool b);
    static Node Number(long long n);
    static Node Text(std::string s);
    static Node List();
    static Node Object();

    // Object members keep their insertion order.
    Node& Set(const std::string& key, Node value);
    Node& Set(const std::string& key, const std::string& text) { return Set(key, Text(text)); }
    Node& Set(const std::string& key, const char* text) { return Set(key, Text(text ? text : "")); }
    Node& Set(const std::string& key, long long n) { return Set(key, Number(n)); }
    Node& Set(const std::string& key, int n) { return Set(key, Number(n)); }
    Node& Set(const std::string& key, unsigned n) { return Set(key, Number(n)); }
    Node& SetFlag(const std::string& key, bool b) { return Set(key, Bool(b)); }
    Node& Push(Node value);

    Kind kind() const { return m_kind; }
    std::string ToJson() const;
    // Readable form: one "key: value" line per member, nested objects
    // indented, lists of scalars joined with ", ".
    std::string ToText(int indent = 0) const;

private:
    std::string ScalarText() const;
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    long long m_number = 0;
    std::string m_text;
    std::vector<Node> m_items;
    std::vector<std::pair<std::string, Node>> m_members;
};

std::string JsonQuote(const std::string& s);
