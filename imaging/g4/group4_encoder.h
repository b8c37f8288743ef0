// CCITT Group 4 (T.6) coding of a 1-bit page, as TIFF Compression 4 and PDF's CCITTFaxDecode with K -1 read it.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/page_image.h"

namespace vantrel::imaging {

// Codes every row two-dimensionally against the row above (an imaginary white row above the first), with no EOL
// codes between rows and no uncompressed mode, and ends the data with the end-of-facsimile-block (two EOL codes)
// followed by zero bits up to a byte boundary. Readers that stop after the page's rows ignore the block end, and
// those that expect one (PDF's default EndOfBlock true) find it, so the same bytes serve a TIFF strip with
// Compression 4 and T6Options 0 under PhotometricInterpretation 0 (a 1 bit is black, as in the page), and a PDF
// image with /CCITTFaxDecode and /DecodeParms << /K -1 /Columns width /Rows height >>: the default /BlackIs1
// false is right, since the filter then yields 0 for the black runs coded here, which DeviceGray shows as black.
// Returns empty for a page that is not well-formed, is not BlackWhite1, or runs out of memory. Padding bits and
// bytes are ignored. The work is linear in the page's bytes plus its colour changes, with no per-pixel calls.
std::vector<std::uint8_t> EncodeGroup4(const PageImage& page);

}  // namespace vantrel::imaging
