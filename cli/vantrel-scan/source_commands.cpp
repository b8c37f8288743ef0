// Listing sources, opening one, and listing every capability it supports with its values.
#include "cli/vantrel-scan/source_commands.h"

#include "win32/ansi_text.h"
#include "engine/capability_client.h"
#include "engine/condition_text.h"
#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/exit_status.h"
#include "cli/vantrel-scan/item_json.h"
#include "cli/vantrel-scan/json_writer.h"
#include "engine/settings.h"
#include "twain/capability/twain_names.h"

#include <algorithm>
#include <vector>

namespace vantrel::scan {

using namespace vantrel::twain;
using capability::Container;
using capability::Item;

namespace {

// The capabilities to show: CAP_SUPPORTEDCAPS when the source answers it, else every capability
// TWAIN names that the source answers MSG_GET for.
std::vector<std::uint16_t> SupportedCapabilities(const engine::SourceRef& source) {
    std::vector<std::uint16_t> numbers;
    const auto supported = engine::QueryCapability(source, CAP_SUPPORTEDCAPS, MSG_GET);
    const std::vector<Item>* items = nullptr;
    if (supported.ok() && supported.container) {
        if (const auto* array = std::get_if<capability::Array>(&*supported.container)) items = &array->items;
        if (const auto* list = std::get_if<capability::Enumeration>(&*supported.container)) items = &list->items;
    }
    if (items) {
        for (const Item& item : *items) {
            if (const auto* number = std::get_if<std::int64_t>(&item); number && *number >= 0 && *number <= 0xFFFF)
                numbers.push_back(static_cast<std::uint16_t>(*number));
        }
    } else {
        for (const auto& info : capability::Capabilities()) numbers.push_back(info.number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

struct CapabilityValues {
    std::uint16_t number = 0;
    std::optional<Container> allowed;  // MSG_GET
    std::optional<Item> current;
    std::optional<Item> defaultValue;
    std::uint16_t condition = TWCC_SUCCESS;  // when MSG_GET failed
};

std::optional<Item> ItemOf(const engine::SourceRef& source, std::uint16_t number, TW_UINT16 msg) {
    const auto reply = engine::QueryCapability(source, number, msg);
    if (!reply.ok() || !reply.container) return std::nullopt;
    return engine::CurrentItem(*reply.container);
}

CapabilityValues ReadCapability(const engine::SourceRef& source, std::uint16_t number) {
    CapabilityValues values;
    values.number = number;
    const auto all = engine::QueryCapability(source, number, MSG_GET);
    if (!all.ok() || !all.container) {
        values.condition = all.problem.empty() ? all.condition : TWCC_BADVALUE;
        return values;
    }
    values.allowed = all.container;
    values.current = ItemOf(source, number, MSG_GETCURRENT);
    if (!values.current) values.current = engine::CurrentItem(*all.container);
    values.defaultValue = ItemOf(source, number, MSG_GETDEFAULT);
    return values;
}

std::wstring ListOf(std::uint16_t number, const std::vector<Item>& items) {
    std::wstring text;
    for (const Item& item : items) text += (text.empty() ? L"" : L", ") + engine::DescribeItem(number, item);
    return text;
}

std::wstring Line(const CapabilityValues& v) {
    std::wstring line = engine::CapabilityLabel(v.number) + L": ";
    if (!v.allowed) return line + L"cannot be read, " + engine::DescribeCondition(v.condition);
    if (const auto* array = std::get_if<capability::Array>(&*v.allowed)) return line + L"[" + ListOf(v.number, array->items) + L"]";
    line += v.current ? engine::DescribeItem(v.number, *v.current) : L"(no current value)";
    if (v.defaultValue) line += L" (default " + engine::DescribeItem(v.number, *v.defaultValue) + L")";
    if (const auto* list = std::get_if<capability::Enumeration>(&*v.allowed)) line += L"; one of " + ListOf(v.number, list->items);
    if (const auto* range = std::get_if<capability::Range>(&*v.allowed))
        line += L"; range " + engine::DescribeItem(v.number, range->min) + L" to " + engine::DescribeItem(v.number, range->max) +
                L", step " + engine::DescribeItem(v.number, range->step);
    return line;
}

void WriteJson(JsonWriter& json, const CapabilityValues& v) {
    json.BeginObject().Key("name").String(std::wstring_view(engine::CapabilityLabel(v.number))).Key("number").Integer(v.number);
    if (!v.allowed) {
        json.Key("error").String(std::wstring_view(engine::DescribeCondition(v.condition))).EndObject();
        return;
    }
    const auto item = [&](const char* key, const std::optional<Item>& value) {
        json.Key(key);
        if (value) WriteItem(json, v.number, *value);
        else json.Null();
    };
    if (const auto* array = std::get_if<capability::Array>(&*v.allowed)) {
        json.Key("container").String(std::string_view("array")).Key("items").BeginArray();
        for (const Item& entry : array->items) WriteItem(json, v.number, entry);
        json.EndArray().EndObject();
        return;
    }
    item("current", v.current);
    item("default", v.defaultValue);
    if (const auto* list = std::get_if<capability::Enumeration>(&*v.allowed)) {
        json.Key("container").String(std::string_view("enumeration")).Key("allowed").BeginArray();
        for (const Item& entry : list->items) WriteItem(json, v.number, entry);
        json.EndArray();
    } else if (const auto* range = std::get_if<capability::Range>(&*v.allowed)) {
        json.Key("container").String(std::string_view("range")).Key("range").BeginObject();
        json.Key("min");
        WriteItem(json, v.number, range->min);
        json.Key("max");
        WriteItem(json, v.number, range->max);
        json.Key("step");
        WriteItem(json, v.number, range->step);
        json.EndObject();
    } else {
        json.Key("container").String(std::string_view("one value"));
    }
    json.EndObject();
}

}  // namespace

int ListSources(engine::Session& session, const ScanArguments& arguments) {
    const auto sources = session.Sources();
    const auto fallback = session.DefaultSource();
    const std::wstring defaultName = fallback ? fallback->productName : L"";
    if (arguments.json) {
        JsonWriter json;
        json.BeginObject().Key("sources").BeginArray();
        for (const auto& source : sources) {
            json.BeginObject().Key("name").String(std::wstring_view(source.productName));
            json.Key("manufacturer").String(std::wstring_view(source.manufacturer));
            json.Key("family").String(std::wstring_view(source.productFamily));
            json.Key("twain2").Bool(source.twain2).Key("default").Bool(source.productName == defaultName).EndObject();
        }
        json.EndArray().EndObject();
        WriteBytes(Stream::Output, json.Text());
    } else {
        for (const auto& source : sources) Write(Stream::Output, (source.productName == defaultName ? L"* " : L"  ") + source.productName + L"\n");
    }
    if (sources.empty()) return Report(false, L"There is no TWAIN source on this system.", kNothing);
    return kStored;
}

int OpenChosenSource(engine::Session& session, const ScanArguments& arguments, std::wstring& sourceName) {
    sourceName = arguments.source;
    if (arguments.select) {
        engine::SourceInfo chosen;
        const engine::Selection selection = session.SelectSource(chosen);
        if (selection == engine::Selection::Cancelled) return Report(arguments.json, L"No source was chosen.", kNothing);
        if (selection == engine::Selection::Failed) return Report(arguments.json, L"The source dialog could not be shown.", kFailed);
        sourceName = chosen.productName;
    }
    if (auto failure = session.OpenSource(sourceName)) return Report(arguments.json, failure->message, kFailed);
    sourceName = FromAnsi(session.sourceIdentity().ProductName);
    return -1;
}

int ShowAllOptions(engine::Session& session, const ScanArguments& arguments, const std::wstring& sourceName) {
    const engine::SourceRef source = session.Source();
    std::vector<CapabilityValues> values;
    for (const std::uint16_t number : SupportedCapabilities(source)) {
        CapabilityValues read = ReadCapability(source, number);
        // Without CAP_SUPPORTEDCAPS every name was tried: keep only the ones the source answers.
        if (read.allowed || read.condition != TWCC_CAPUNSUPPORTED) values.push_back(std::move(read));
    }
    if (!arguments.json) {
        Write(Stream::Output, L"Options of " + sourceName + L":\n");
        for (const auto& v : values) Write(Stream::Output, L"  " + Line(v) + L"\n");
        return kStored;
    }
    JsonWriter json;
    json.BeginObject().Key("source").String(std::wstring_view(sourceName)).Key("capabilities").BeginArray();
    for (const auto& v : values) WriteJson(json, v);
    json.EndArray().EndObject();
    WriteBytes(Stream::Output, json.Text());
    return kStored;
}

}  // namespace vantrel::scan
