// File names: the format from the extension, and page numbers put into single-page names.
#include "imaging/files/output_naming.h"

#include <array>
#include <cwctype>
#include <utility>

namespace vantrel::imaging {
namespace {

constexpr std::wstring_view kPlaceholder = L"{page}";
constexpr std::wstring_view kTemporaryMark = L".~vantrel-";
constexpr std::wstring_view kTemporaryEnd = L".tmp";
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

std::wstring TemporaryPath(std::wstring_view target, unsigned long processId, unsigned number) {
    const std::size_t nameAt = NameStart(target);
    std::wstring path(target.substr(0, nameAt));
    path += L".";
    path += target.substr(nameAt);
    path += kTemporaryMark;
    path += std::to_wstring(processId) + L"-" + std::to_wstring(number);
    path += kTemporaryEnd;
    return path;
}

std::optional<TemporaryName> ParseTemporaryName(std::wstring_view fileName) {
    const std::size_t mark = fileName.rfind(kTemporaryMark);
    if (fileName.size() < 2 || fileName[0] != L'.' || mark == std::wstring_view::npos || mark < 2 ||
        !fileName.ends_with(kTemporaryEnd))
        return std::nullopt;
    const std::wstring_view numbers = fileName.substr(mark + kTemporaryMark.size(),
                                                      fileName.size() - mark - kTemporaryMark.size() - kTemporaryEnd.size());
    const std::size_t dash = numbers.find(L'-');
    const auto digits = [](std::wstring_view text) {
        return !text.empty() && text.size() <= 10 && text.find_first_not_of(L"0123456789") == std::wstring_view::npos;
    };
    if (dash == std::wstring_view::npos || !digits(numbers.substr(0, dash)) || !digits(numbers.substr(dash + 1)))
        return std::nullopt;
    const unsigned long long id = std::stoull(std::wstring(numbers.substr(0, dash)));
    if (id > 0xFFFFFFFFull) return std::nullopt;
    return TemporaryName{std::wstring(fileName.substr(1, mark - 1)), static_cast<unsigned long>(id)};
}

std::wstring RecoveredPath(std::wstring_view target, std::uint32_t attempt) {
    std::wstring path(target);
    const std::size_t dot = ExtensionDot(target);
    path.insert(dot == std::wstring_view::npos ? path.size() : dot, L".recovered");
    if (attempt < 2) return path;
    const std::size_t at = ExtensionDot(path);
    return path.insert(at == std::wstring::npos ? path.size() : at, L"-" + std::to_wstring(attempt));
}

std::wstring FolderOf(std::wstring_view path) { return std::wstring(path.substr(0, NameStart(path))); }

}  // namespace vantrel::imaging
