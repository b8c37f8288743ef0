// Reading back a PDF the writer made, written apart from it: trailer, cross-reference table, objects.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace vantrel::imaging::testing {

struct PdfObject {
    std::uint64_t offset = 0;
    std::string dictionary;  // the text between the object's first "<<" and its matching ">>"
    std::string stream;      // the bytes between "stream\n" and "\nendstream", when it has one
};

struct PdfStructure {
    std::uint64_t startxref = 0;
    std::uint64_t size = 0;  // the trailer's /Size
    std::string trailer;
    std::vector<std::string> xrefLines;     // every 20-byte entry, the free one first
    std::map<std::uint64_t, PdfObject> objects;  // by number, read at the offset the table gives
    std::string problem;                    // empty when every check passed
};

inline std::string Dictionary(const std::string& text, std::size_t from) {
    const std::size_t open = text.find("<<", from);
    if (open == std::string::npos) return {};
    int depth = 0;
    for (std::size_t i = open; i + 1 < text.size(); ++i) {
        if (text.compare(i, 2, "<<") == 0) {
            ++depth;
            ++i;
        } else if (text.compare(i, 2, ">>") == 0) {
            ++i;
            if (--depth == 0) return text.substr(open + 2, i - 1 - open - 2);
        }
    }
    return {};
}

// An integer entry such as "/Length 42" in a dictionary; nullopt when missing.
inline std::optional<std::uint64_t> IntegerEntry(const std::string& dictionary, const std::string& key) {
    std::smatch m;
    if (!std::regex_search(dictionary, m, std::regex(key + " (\\d+)"))) return std::nullopt;
    return std::stoull(m[1]);
}

inline PdfStructure ReadStructure(const std::string& file) {
    PdfStructure s;
    std::smatch m;
    const std::size_t startAt = file.rfind("startxref\n");
    const std::string tail = startAt == std::string::npos ? std::string() : file.substr(startAt);
    if (!std::regex_match(tail, m, std::regex("startxref\n(\\d+)\n%%EOF\n"))) {
        s.problem = "no startxref at the end";
        return s;
    }
    s.startxref = std::stoull(m[1]);
    const std::size_t trailerAt = file.rfind("trailer\n");
    if (trailerAt == std::string::npos) {
        s.problem = "no trailer";
        return s;
    }
    s.trailer = Dictionary(file, trailerAt);
    s.size = IntegerEntry(s.trailer, "/Size").value_or(0);
    const std::string head = "xref\n0 " + std::to_string(s.size) + "\n";
    if (file.compare(s.startxref, head.size(), head) != 0) {
        s.problem = "startxref does not point at the table";
        return s;
    }
    const std::size_t entries = s.startxref + head.size();
    if (trailerAt != entries + 20 * s.size) {
        s.problem = "the table is not Size entries of 20 bytes";
        return s;
    }
    const std::regex entry("(\\d{10}) (\\d{5}) ([nf])\r\n");
    for (std::uint64_t n = 0; n < s.size; ++n) {
        const std::string line = file.substr(entries + 20 * n, 20);
        s.xrefLines.push_back(line);
        if (!std::regex_match(line, m, entry)) {
            s.problem = "entry " + std::to_string(n) + " malformed";
            return s;
        }
        if (n == 0 || m[3] == "f") continue;
        PdfObject object;
        object.offset = std::stoull(m[1]);
        const std::string start = std::to_string(n) + " 0 obj\n";
        if (file.compare(object.offset, start.size(), start) != 0) {
            s.problem = "entry " + std::to_string(n) + " does not point at its object";
            return s;
        }
        object.dictionary = Dictionary(file, object.offset);
        const std::size_t end = file.find("endobj", object.offset);
        const std::size_t stream = file.find(">>\nstream\n", object.offset);
        if (stream != std::string::npos && stream < end) {
            const std::size_t data = stream + 10;
            const std::size_t length = IntegerEntry(object.dictionary, "/Length").value_or(0);
            if (file.compare(data + length, 11, "\nendstream\n") != 0) {
                s.problem = "object " + std::to_string(n) + " /Length is not its stream's";
                return s;
            }
            object.stream = file.substr(data, length);
        }
        s.objects[n] = std::move(object);
    }
    return s;
}

}  // namespace vantrel::imaging::testing
