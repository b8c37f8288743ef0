// Capabilities as scripts see them: names or numbers in, Variants for items and containers both ways.
#include "servers/vantrel_scan/capability_variant.h"

#include "win32/ansi_text.h"
#include "win32/win32_owners.h"

#include <oleauto.h>

#include <cmath>
#include <cwchar>
#include <vector>

namespace vantrel::scan {

using capability::Item;
using capability::ItemType;

namespace {

// A script's Variant may arrive by reference (a VBScript variable passed to a parameterised property).
const VARIANT& Dereferenced(const VARIANT& value) {
    if (V_VT(&value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&value)) return *V_VARIANTREF(&value);
    return value;
}

// VariantChangeType only reads its source; MinGW declares it without const.
HRESULT ChangeType(UniqueVariant& out, const VARIANT& in, VARTYPE type) {
    return ::VariantChangeType(out.put(), const_cast<VARIANT*>(&in), 0, type);
}

std::optional<std::uint16_t> NumberFromText(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    const unsigned long number = std::wcstoul(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (*end != L'\0' || number > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(number);
}

HRESULT PutItem(const Item& item, VARIANT* out) {
    ::VariantInit(out);
    if (const auto* number = std::get_if<std::int64_t>(&item)) {
        if (*number >= INT32_MIN && *number <= INT32_MAX) {
            V_VT(out) = VT_I4;
            V_I4(out) = static_cast<LONG>(*number);
        } else {
            V_VT(out) = VT_R8;
            V_R8(out) = static_cast<double>(*number);
        }
        return S_OK;
    }
    if (const auto* flag = std::get_if<bool>(&item)) {
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = *flag ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    if (const auto* real = std::get_if<double>(&item)) {
        V_VT(out) = VT_R8;
        V_R8(out) = *real;
        return S_OK;
    }
    if (const auto* text = std::get_if<std::string>(&item)) {
        UniqueBstr bstr = MakeBstr(FromAnsi(*text));
        if (!bstr) return E_OUTOFMEMORY;
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = bstr.release();
        return S_OK;
    }
    // A frame as left, top, right, bottom.
    const auto& frame = std::get<capability::Frame>(item);
    const double sides[] = {frame.left, frame.top, frame.right, frame.bottom};
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 4);
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < 4; ++i) {
        VARIANT side;
        V_VT(&side) = VT_R8;
        V_R8(&side) = sides[i];
        ::SafeArrayPutElement(array, &i, &side);
    }
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array;
    return S_OK;
}

HRESULT PutItems(const std::vector<Item>& items, VARIANT* out) {
    ::VariantInit(out);
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        UniqueVariant element;
        HRESULT hr = PutItem(items[static_cast<std::size_t>(i)], element.put());
        if (SUCCEEDED(hr)) hr = ::SafeArrayPutElement(array, &i, element.get());
        if (FAILED(hr)) {
            ::SafeArrayDestroy(array);
            return hr;
        }
    }
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array;
    return S_OK;
}

std::optional<Item> ItemFromVariant(ItemType type, const VARIANT& given, std::wstring& error) {
    const VARIANT& value = Dereferenced(given);
    if (capability::IsString(type)) {
        UniqueVariant text;
        if (FAILED(ChangeType(text, value, VT_BSTR))) {
            error = L"The value must be a string.";
            return std::nullopt;
        }
        const BSTR bstr = V_BSTR(text.get());
        return Item{ToAnsi(std::wstring_view(bstr, ::SysStringLen(bstr)))};
    }
    if (type == ItemType::Frame) {
        error = L"Frames cannot be set through Capability; use PaperSize.";
        return std::nullopt;
    }
    // A constant's name stands for its number: Capability("ICAP_PIXELTYPE") = "TWPT_GRAY".
    if (V_VT(&value) == VT_BSTR && type != ItemType::Bool) {
        const std::string name = ToAnsi(std::wstring_view(V_BSTR(&value), ::SysStringLen(V_BSTR(&value))));
        if (const auto constant = capability::FindConstant(name)) return Item{std::int64_t{constant->value}};
    }
    if (type == ItemType::Bool) {
        UniqueVariant flag;
        if (FAILED(ChangeType(flag, value, VT_BOOL))) {
            error = L"The value must be True or False.";
            return std::nullopt;
        }
        return Item{V_BOOL(flag.get()) != VARIANT_FALSE};
    }
    UniqueVariant number;
    if (FAILED(ChangeType(number, value, VT_R8))) {
        error = L"The value must be a number or the name of a TWAIN constant.";
        return std::nullopt;
    }
    const double real = V_R8(number.get());
    if (type == ItemType::Fix32) {
        if (!capability::DoubleToFix32(real)) {
            error = L"The value is outside what a TWAIN FIX32 can hold.";
            return std::nullopt;
        }
        return Item{real};
    }
    const Item whole{static_cast<std::int64_t>(real)};
    if (std::trunc(real) != real || !capability::ItemFits(type, whole)) {
        const auto bounds = capability::BoundsOf(type);
        error = L"The value must be a whole number from " + std::to_wstring(bounds.min) + L" to " +
                std::to_wstring(bounds.max) + L".";
        return std::nullopt;
    }
    return whole;
}

}  // namespace

std::optional<NamedCapability> ReadCapabilityName(const VARIANT& given, std::wstring& error) {
    const VARIANT& name = Dereferenced(given);
    NamedCapability named;
    if (V_VT(&name) == VT_BSTR) {
        const std::wstring text(V_BSTR(&name), ::SysStringLen(V_BSTR(&name)));
        if (const auto info = capability::FindCapability(ToAnsi(text))) {
            named.number = info->number;
            named.info = info;
            return named;
        }
        const auto number = NumberFromText(text);
        if (!number) {
            error = L"\"" + text + L"\" is not the name of a TWAIN capability (for example \"ICAP_BRIGHTNESS\") nor a number.";
            return std::nullopt;
        }
        named.number = *number;
    } else {
        UniqueVariant number;
        if (FAILED(ChangeType(number, name, VT_I4)) || V_I4(number.get()) < 0 ||
            V_I4(number.get()) > 0xFFFF) {
            error = L"A capability is named by its TWAIN name or by a number from 0 to 65535.";
            return std::nullopt;
        }
        named.number = static_cast<std::uint16_t>(V_I4(number.get()));
    }
    named.info = capability::FindCapability(named.number);
    return named;
}

HRESULT CurrentValueToVariant(const capability::Container& container, VARIANT* out) {
    if (const auto* array = std::get_if<capability::Array>(&container)) return PutItems(array->items, out);
    if (const auto* one = std::get_if<capability::OneValue>(&container)) return PutItem(one->item, out);
    if (const auto* range = std::get_if<capability::Range>(&container)) return PutItem(range->current, out);
    const auto& enumeration = std::get<capability::Enumeration>(container);
    if (!enumeration.currentIndex || *enumeration.currentIndex >= enumeration.items.size()) {
        ::VariantInit(out);  // the source named no current item: Empty
        return S_OK;
    }
    return PutItem(enumeration.items[*enumeration.currentIndex], out);
}

HRESULT AllowedValuesToVariant(const capability::Container& container, VARIANT* out) {
    if (const auto* array = std::get_if<capability::Array>(&container)) return PutItems(array->items, out);
    if (const auto* one = std::get_if<capability::OneValue>(&container)) return PutItems({one->item}, out);
    if (const auto* range = std::get_if<capability::Range>(&container))
        return PutItems({range->min, range->max, range->step}, out);
    return PutItems(std::get<capability::Enumeration>(container).items, out);
}

std::wstring ContainerKind(const capability::Container& container) {
    if (std::holds_alternative<capability::Enumeration>(container)) return L"enumeration";
    if (std::holds_alternative<capability::Range>(container)) return L"range";
    if (std::holds_alternative<capability::Array>(container)) return L"array";
    return L"one value";
}

std::optional<capability::Container> ContainerFromVariant(ItemType type, const VARIANT& given, std::wstring& error) {
    const VARIANT& value = Dereferenced(given);
    if (!(V_VT(&value) & VT_ARRAY)) {
        auto item = ItemFromVariant(type, value, error);
        if (!item) return std::nullopt;
        return capability::Container{capability::OneValue{type, std::move(*item)}};
    }
    // A Variant array (VBScript's Array(...), or a typed array from VBA) becomes a TW_ARRAY.
    SAFEARRAY* array = V_ISBYREF(&value) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
    LONG low = 0;
    LONG high = -1;
    if (!array || ::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &high))) {
        error = L"The value must be a one-dimensional array.";
        return std::nullopt;
    }
    VARTYPE elementType = VT_EMPTY;
    ::SafeArrayGetVartype(array, &elementType);
    capability::Array result{type, {}};
    for (LONG i = low; i <= high; ++i) {
        UniqueVariant element;
        const HRESULT read = elementType == VT_VARIANT ? ::SafeArrayGetElement(array, &i, element.get())
                                                       : E_NOTIMPL;
        if (FAILED(read)) {
            error = L"The array's elements must be Variants (as Array(...) makes them).";
            return std::nullopt;
        }
        auto item = ItemFromVariant(type, *element.get(), error);
        if (!item) return std::nullopt;
        result.items.push_back(std::move(*item));
    }
    return capability::Container{std::move(result)};
}

}  // namespace vantrel::scan
