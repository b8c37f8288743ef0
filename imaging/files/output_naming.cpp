// File names: the format from the extension, and page numbers put into single-page names.
#include "imaging/files/output_naming.h"

#include <array>
#include <cwctype>
#include <utility>

namespace vantrel::imaging {
namespace {

constexpr std::wstring_view kPlaceholder = L"{page}";
constexpr std::wstring_view kAccepted = L".bmp, .png, .jpg, .jpeg, .tif, .tiff or .pdf";

// Where the file name starts: after the last separator of either kind, or a drive's colon.
std::size_t NameStart(std::wstring_view path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}

// Where the extension's dot is, within the file name only (a folder "a.b" has no say); npos without one.
std::size_t ExtensionDot(std::wstring_view path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.find_last_of(L'.');
    return dot == std::wstring_view::npos || dot < start ? std::wstring_view::npos : dot;
}

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return lower;
}

}  // namespace

std::wstring CannotWrite(std::wstring_view path, std::wstring_view cause) {
    std::wstring text = L"Cannot write \"";
    text += path;
    text += L"\": ";
    text += cause;
    text += L".";
    return text;
}

std::optional<FileFormat> FormatFromName(std::wstring_view path, std::wstring& error) {
    static constexpr std::array<std::pair<std::wstring_view, FileFormat>, 7> kExtensions{{
        {L".bmp", FileFormat::Bmp},
        {L".png", FileFormat::Png},
        {L".jpg", FileFormat::Jpeg},
        {L".jpeg", FileFormat::Jpeg},
        {L".tif", FileFormat::Tiff},
        {L".tiff", FileFormat::Tiff},
        {L".pdf", FileFormat::Pdf},
    }};
    const std::size_t dot = ExtensionDot(path);
    if (dot == std::wstring_view::npos) {
        error = CannotWrite(path, std::wstring(L"the name has no extension; end it in ") + std::wstring(kAccepted));
        return std::nullopt;
    }
    const std::wstring extension = Lower(path.substr(dot));
    for (const auto& [known, format] : kExtensions) {
        if (extension == known) return format;
    }
    error = CannotWrite(path, L"the extension \"" + std::wstring(path.substr(dot)) + L"\" is not one of " + std::wstring(kAccepted));
    return std::nullopt;
}

std::wstring PageFileName(std::wstring_view pattern, std::uint32_t page) {
    const std::wstring number = std::to_wstring(page);
    const std::size_t start = NameStart(pattern);
    std::wstring name(pattern);
    if (pattern.find(kPlaceholder, start) != std::wstring_view::npos) {
        for (std::size_t at = name.find(kPlaceholder, start); at != std::wstring::npos;
             at = name.find(kPlaceholder, at + number.size()))
            name.replace(at, kPlaceholder.size(), number);
        return name;
    }
    if (page == 1) return name;
    const std::size_t dot = ExtensionDot(pattern);
    return name.insert(dot == std::wstring_view::npos ? name.size() : dot, L"-" + number);
}

}  // namespace vantrel::imaging
