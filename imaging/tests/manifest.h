// The manifest check_samples.py reads: one JSON line per page saying what an independent reader must see, with the
// page's samples beside the file (8 bits per sample, black 0).
#pragma once

#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "imaging/document_metadata.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging::testing {

// How the checker reads the page: `encoding` TIFF "auto", "none", "predictor" or "jpeg", PDF "flate", "flate-plain",
// "jpeg" or "ccitt"; `level` the zlib level or JPEG quality; `reference` the JPEG of the page stored in the file, beside
// it; `checks` JPEG "flat" (all of it within two levels of the page); `icc` the profile the file must carry for the
// page, beside it, or empty for none.
struct Expected {
    std::string encoding = "auto";
    int level = 6;
    std::string reference = "";
    std::string checks = "";
    std::string icc = "";
};

// The texts of the files whose checks name metadata, as check_samples.py expects them back.
inline const DocumentMetadata kMetadata{"Αρχείο 文書 (1) <&>", "Μαρία 山田 📄", "Συμβόλαιο 契約", "σάρωση, スキャン"};

inline bool WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// Page `index` (from 0) of `file` in `dir`: its samples beside it and its line in manifest.jsonl.
inline bool Record(const std::filesystem::path& dir, const std::string& file, std::size_t index, const PageImage& page,
                   const Expected& e) {
    const std::string raw = file + ".p" + std::to_string(index) + ".raw";
    if (!WriteBytes(dir / raw, ReaderSamples(page))) return false;
    const char* mode = page.format == PixelFormat::Rgb24 ? "RGB" : page.format == PixelFormat::Gray8 ? "L" : "1";
    std::ofstream out(dir / "manifest.jsonl", std::ios::app);
    out << "{\"file\": \"" << file << "\", \"page\": " << index << ", \"mode\": \"" << mode << "\", \"width\": "
        << page.width << ", \"height\": " << page.height << ", \"xdpi\": " << page.xDpi << ", \"ydpi\": " << page.yDpi
        << ", \"encoding\": \"" << e.encoding << "\", \"level\": " << e.level << ", \"raw\": \"" << raw
        << "\", \"reference\": \"" << e.reference << "\", \"checks\": \"" << e.checks << "\", \"icc\": \"" << e.icc << "\"}\n";
    return static_cast<bool>(out);
}

}  // namespace vantrel::imaging::testing
