// Where the file tests leave what the checker run afterwards decodes, with one manifest line per page.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/files/tests/test_pages.h"

namespace files_testing {

// The folder named by VANTREL_FILES_CHECK_DIR, emptied on first use; the temporary folder when unset.
inline const std::filesystem::path& CheckDirectory() {
    static const std::filesystem::path directory = [] {
        const char* named = std::getenv("VANTREL_FILES_CHECK_DIR");
        std::filesystem::path path = named ? std::filesystem::path(named) : std::filesystem::temp_directory_path() / "vantrel-files-check";
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        std::filesystem::create_directories(path);
        return path;
    }();
    return directory;
}

// Records page `page` of `pages` in `file` (inside CheckDirectory) and writes its raw pixels beside it.
// `encoding`: how the checker compares it ("exact", or "jpeg" for PSNR) and, for PDFs, the image filter.
inline void Expect(const std::wstring& file, int page, int pages, const char* encoding, const PageImage& image) {
    const std::filesystem::path raw = CheckDirectory() / (file + L"." + std::to_wstring(page) + L".raw");
    WriteRaw(image, raw);
    std::ofstream manifest(CheckDirectory() / "manifest.txt", std::ios::app);
    manifest << std::filesystem::path(file).string() << ' ' << page << ' ' << pages << ' ' << encoding << ' '
             << ModeName(image.format) << ' ' << image.width << ' ' << image.height << ' ' << image.xDpi << ' '
             << image.yDpi << ' ' << raw.filename().string() << '\n';
}

}  // namespace files_testing
