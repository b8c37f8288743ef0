// Which format a file name asks for, and the name each page of a single-page format goes to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::imaging {

enum class FileFormat : std::uint8_t { Bmp, Png, Jpeg, Tiff, Pdf };

// TIFF and PDF hold every page of a batch in one file; the others one page a file.
constexpr bool HoldsManyPages(FileFormat format) { return format == FileFormat::Tiff || format == FileFormat::Pdf; }

// The format from the name's extension, ignoring case: .bmp, .png, .jpg, .jpeg, .tif, .tiff, .pdf. Otherwise
// nullopt, with `error` naming the path and saying what was wrong and which extensions are taken.
std::optional<FileFormat> FormatFromName(std::wstring_view path, std::wstring& error);

// The file page `page` (from 1) of a single-page format goes to: every "{page}" in the file name (not in
// its folders) replaced by the number; without one, page 1 is the name itself and page n gets "-n" before
// the extension (scan.png, scan-2.png, ...).
std::wstring PageFileName(std::wstring_view pattern, std::uint32_t page);

// `Cannot write "<path>": <cause>.` The one form every file error takes.
std::wstring CannotWrite(std::wstring_view path, std::wstring_view cause);

}  // namespace vantrel::imaging
