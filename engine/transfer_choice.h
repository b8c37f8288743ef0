// How the pages travel from the source: the transfer mechanism, and who compresses them. Pure, for every
// surface's arguments.
#pragma once

namespace vantrel::engine {

// File: the source writes each page to a temporary file of ours (a BMP, or its own JPEG or Group 4 TIFF), which
// is read back and deleted.
enum class TransferMode { Native, Memory, File };

enum class Compression {
    Source,  // the scanner's JPEG (grey, colour) or Group 4 (1-bit), when it offers it and the files keep it as it is
    Ours,    // raw pixels from the scanner, coded by the files
};

}  // namespace vantrel::engine
