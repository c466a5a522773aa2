#include "Output.h"

#include <cstdio>

Node Node::Bool(bool b) {
    Node n;
    n.m_kind = Kind::Bool;
    n.m_bool = b;
    return n;
}

Node Node::Number(long long v) {
    Node n;
    n.m_kind = Kind::Number;
    n.m_number = v;
    return n;
}

Node Node::Text(std::string s) {
    Node n;
    n.m_kind = Kind::Text;
    n.m_text = std::move(s);
    return n;
}

Node Node::List() {
    Node n;
    n.m_kind = Kind::List;
    return n;
}

Node Node::Object() {
    Node n;
    n.m_kind = Kind::Object;
    return n;
}

Node& Node::Set(const std::string& key, Node value) {
    m_kind = Kind::Object;
    for (auto& m : m_members) {
        if (m.first == key) {
            m.second = std::move(value);
            return *this;
        }
    }
    m_members.emplace_back(key, std::move(value));
    return *this;
}

Node& Node::Push(Node value) {
    m_kind = Kind::List;
    m_items.push_back(std::move(value));
    return *this;
}

std::string JsonQuote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c >= 0x80) {
                    // Texts are ANSI (code page 1252); JSON wants UTF-8.
                    // The Latin-1 range maps directly; the rest is escaped
                    // by its 1252 code point.
                    static const unsigned short k1252[32] = {
                        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
                    const unsigned cp = c < 0xA0 ? k1252[c - 0x80] : c;
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", cp);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Node::ToJson() const {
    switch (m_kind) {
        case Kind::Null: return "null";
        case Kind::Bool: return m_bool ? "true" : "false";
        case Kind::Number: return std::to_string(m_number);
        case Kind::Text: return JsonQuote(m_text);
        case Kind::List: {
            std::string out = "[";
            for (size_t i = 0; i < m_items.size(); ++i) out += (i ? "," : "") + m_items[i].ToJson();
            return out + "]";
        }
        case Kind::Object: {
            std::string out = "{";
            for (size_t i = 0; i < m_members.size(); ++i)
                out += (i ? "," : "") + JsonQuote(m_members[i].first) + ":" + m_members[i].second.ToJson();
            return out + "}";
        }
    }
    return "null";
}

std::string Node::ScalarText() const {
    switch (m_kind) {
        case Kind::Bool: return m_bool ? "yes" : "no";
        case Kind::Number: return std::to_string(m_number);
        case Kind::Text: return m_text;
        default: return "";
    }
}

std::string Node::ToText(int indent) const {
    const std::string pad(size_t(indent), ' ');
    std::string out;
    if (m_kind == Kind::List) {
        for (auto& item : m_items) {
            if (item.m_kind == Kind::Object) {
                out += item.ToText(indent);
            } else {
                out += pad + item.ScalarText() + "\n";
            }
        }
        return out;
    }
    if (m_kind != Kind::Object) return pad + ScalarText() + "\n";
    for (auto& m : m_members) {
        const Node& v = m.second;
        if (v.m_kind == Kind::Object) {
            out += pad + m.first + ":\n" + v.ToText(indent + 2);
        } else if (v.m_kind == Kind::List) {
            // Short scalar lists stay on one line; anything else is one
            // item per line, objects in "- key: value" blocks.
            bool inlineList = true;
            for (auto& item : v.m_items) {
                inlineList = inlineList && item.m_kind != Kind::Object && item.m_kind != Kind::List &&
                             item.ScalarText().find(' ') == std::string::npos;
            }
            if (inlineList) {
                std::string joined;
                for (size_t i = 0; i < v.m_items.size(); ++i) joined += (i ? ", " : "") + v.m_items[i].ScalarText();
                out += pad + m.first + ":" + (joined.empty() ? "" : " " + joined) + "\n";
            } else {
                out += pad + m.first + ":\n";
                for (auto& item : v.m_items) {
                    if (item.m_kind == Kind::Object) {
                        std::string block = item.ToText(indent + 4);
                        block.replace(0, size_t(indent) + 4, pad + "  - ");
                        out += block;
                    } else {
                        out += pad + "  " + item.ScalarText() + "\n";
                    }
                }
            }
        } else {
            const std::string s = v.ScalarText();
            out += pad + m.first + ":" + (s.empty() ? "" : " " + s) + "\n";
        }
    }
    return out;
}
