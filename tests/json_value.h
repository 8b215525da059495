// A small JSON reader for the tests, strict as the grammar is: objects, arrays, strings
// with every escape, numbers, true, false and null, and nothing after the value but
// white space. What the companions print is read with it, never matched as text.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct json_value {
    enum class kind { null, boolean, number, string, array, object } type = kind::null;
    bool boolean = false;
    double number = 0;
    std::string text; // a string's characters in UTF-8, or a number as written
    std::vector<json_value> items;
    std::map<std::string, json_value> members;
    std::vector<std::string> keys; // in the order written

    const json_value &operator[](const std::string &key) const
    {
        static const json_value missing;
        const auto found = members.find(key);
        return found == members.end() ? missing : found->second;
    }
};

struct json_reader {
    const std::string &in;
    std::size_t at = 0;
    bool failed = false;

    void blanks()
    {
        while (at < in.size() && std::isspace(static_cast<unsigned char>(in[at])))
            ++at;
    }
    bool take(char c)
    {
        blanks();
        if (at < in.size() && in[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool word(const char *w)
    {
        const std::string s(w);
        if (in.compare(at, s.size(), s) != 0)
            return false;
        at += s.size();
        return true;
    }
    void put_utf8(std::string &out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    std::string string()
    {
        std::string out;
        if (!take('"'))
            failed = true;
        while (!failed && at < in.size() && in[at] != '"') {
            const unsigned char c = static_cast<unsigned char>(in[at++]);
            if (c < 0x20)
                failed = true;
            else if (c != '\\')
                out += static_cast<char>(c);
            else if (at < in.size() && in[at] == 'u' && at + 5 <= in.size())
                put_utf8(out, static_cast<unsigned>(std::stoul(in.substr(at + 1, 4), nullptr, 16))),
                    at += 5;
            else if (at < in.size() && std::string("\"\\/bfnrt").find(in[at]) != std::string::npos)
                out += std::string("\"\\/\b\f\n\r\t")[std::string("\"\\/bfnrt").find(in[at++])];
            else
                failed = true;
        }
        failed = failed || !take('"');
        return out;
    }
    json_value value()
    {
        json_value v;
        blanks();
        if (at >= in.size()) {
            failed = true;
        } else if (in[at] == '{') {
            v.type = json_value::kind::object;
            ++at;
            for (bool first = true; !failed && !take('}'); first = false) {
                if (!first && !take(','))
                    failed = true;
                const std::string key = string();
                failed = failed || !take(':') || v.members.count(key);
                v.keys.push_back(key);
                v.members[key] = value();
            }
        } else if (in[at] == '[') {
            v.type = json_value::kind::array;
            ++at;
            for (bool first = true; !failed && !take(']'); first = false) {
                if (!first && !take(','))
                    failed = true;
                v.items.push_back(value());
            }
        } else if (in[at] == '"') {
            v.type = json_value::kind::string;
            v.text = string();
        } else if (word("true") || word("false")) {
            v.type = json_value::kind::boolean;
            v.boolean = in[at - 1] == 'e' && in[at - 2] == 'u';
        } else if (word("null")) {
        } else {
            const std::size_t start = at;
            at += in[at] == '-';
            while (at < in.size() &&
                   (std::isdigit(static_cast<unsigned char>(in[at])) || in[at] == '.' ||
                    in[at] == 'e' || in[at] == 'E' || in[at] == '+' || in[at] == '-'))
                ++at;
            v.type = json_value::kind::number;
            v.text = in.substr(start, at - start);
            char *end = nullptr;
            v.number = std::strtod(v.text.c_str(), &end);
            const std::size_t digits = !v.text.empty() && v.text[0] == '-' ? 1 : 0;
            const bool leading_zero = v.text.size() > digits + 1 && v.text[digits] == '0' &&
                                      std::isdigit(static_cast<unsigned char>(v.text[digits + 1]));
            failed = failed || v.text.size() == digits || *end != '\0' || leading_zero;
        }
        return v;
    }
};

// The value that text holds, and whether it is a JSON text and nothing else.
inline json_value parsed(const std::string &text, bool &sound)
{
    json_reader r{text};
    json_value v = r.value();
    r.blanks();
    sound = !r.failed && r.at == text.size();
    return v;
}
