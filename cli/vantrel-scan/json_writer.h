// JSON text (RFC 8259) written as it goes: objects, arrays, strings from UTF-16, numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "win32/utf8_text.h"

namespace vantrel::scan {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of the object being written.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::wstring_view text);
    JsonWriter& String(std::string_view utf8);
    JsonWriter& Integer(std::int64_t value);
    // Non-finite numbers have no JSON form and are written as null.
    JsonWriter& Number(double value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The text so far, with a line break after it once everything opened is closed.
    std::string Text() const { return open_.empty() ? text_ + "\n" : text_; }

private:
    void BeforeValue();
    std::string text_;
    std::vector<bool> open_;  // per open container: whether it has a member yet
    bool afterKey_ = false;
};

}  // namespace vantrel::scan
