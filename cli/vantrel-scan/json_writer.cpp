// Writing JSON text.
#include "cli/vantrel-scan/json_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantrel::scan {

namespace {

void AppendEscaped(std::string& out, std::string_view utf8) {
    out.push_back('"');
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out.push_back(ch);
                }
        }
    }
    out.push_back('"');
}

}  // namespace

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (open_.empty()) return;
    if (open_.back()) text_.push_back(',');
    open_.back() = true;
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_.push_back('{');
    open_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_.push_back('}');
    open_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_.push_back('[');
    open_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_.push_back(']');
    open_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendEscaped(text_, name);
    text_.push_back(':');
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::wstring_view text) { return String(std::string_view(ToUtf8(text))); }

JsonWriter& JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendEscaped(text_, utf8);
    return *this;
}

JsonWriter& JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Number(double value) {
    if (!std::isfinite(value)) return Null();
    // Whole numbers as integers: %g would give 300 as 3e+02.
    if (value == std::trunc(value) && std::abs(value) < 1e15) return Integer(static_cast<std::int64_t>(value));
    BeforeValue();
    char number[32];
    std::snprintf(number, sizeof number, "%.17g", value);
    // The shortest form that reads back the same, so 300 stays 300 and 0.1 stays 0.1.
    for (int precision = 1; precision <= 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, value);
        if (std::strtod(shorter, nullptr) == value) {
            text_ += shorter;
            return *this;
        }
    }
    text_ += number;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

}  // namespace vantrel::scan
