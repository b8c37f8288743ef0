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

// The temporary file a target is written as until it is complete: ".<name>.~vantrel-<pid>-<n>.tmp" in its folder,
// with the writing process's id, so a later scan can tell whose it is.
std::wstring TemporaryPath(std::wstring_view target, unsigned long processId, unsigned number);

// What a temporary file's name (without its folder) says: the target's name and the writer's process id. Nullopt for
// any other name.
struct TemporaryName {
    std::wstring target;
    unsigned long processId = 0;
};
std::optional<TemporaryName> ParseTemporaryName(std::wstring_view fileName);

// Where the pages recovered for `target` go: "doc.recovered.pdf" for `attempt` 1, then "doc.recovered-2.pdf", ...
std::wstring RecoveredPath(std::wstring_view target, std::uint32_t attempt);

// The folder part of a path, separator included ("C:\scans\"); empty for a bare name (the current folder).
std::wstring FolderOf(std::wstring_view path);

// `Cannot write "<path>": <cause>.` The one form every file error takes.
std::wstring CannotWrite(std::wstring_view path, std::wstring_view cause);

}  // namespace vantrel::imaging
