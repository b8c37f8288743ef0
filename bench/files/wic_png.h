// The platform's PNG encoder (WIC, through windowscodecs), only to compare ours against.
#pragma once

#include <string>

#include "imaging/page_image.h"

namespace bench {

// Writes the page as a PNG file with WIC's encoder: 24bppBGR for colour, 8bppGray for grey, BlackWhite for
// 1-bit. False when any step fails. COM must be initialised on the calling thread.
bool WriteWicPng(const vantrel::imaging::PageImage& page, const std::wstring& path);

}  // namespace bench
