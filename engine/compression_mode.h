// Who compresses the pages a memory transfer brings: the scanner or we. Pure, for every surface's arguments.
#pragma once

namespace vantrel::engine {

enum class Compression {
    Source,  // the scanner's JPEG (grey, colour) or Group 4 (1-bit), when it offers it and the files keep it as it is
    Ours,    // raw pixels from the scanner, coded by the files
};

}  // namespace vantrel::engine
