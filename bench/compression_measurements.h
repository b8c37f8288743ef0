// What the benchmark measures of the scanner's own compression against raw pixels that we code.
#pragma once

#include "bench/measurements.h"

#include <string>

namespace bench {

// Per page, by memory transfer from the sample scanner into a file: the time and the bytes transferred with the
// scanner's JPEG (colour into PDF) or Group 4 (black and white into TIFF) kept, against raw pixels coded by us.
std::vector<Row> MeasureScannerCompression(const Plan& plan);

// The child's side: one duplex feeder batch; prints its pages, the bytes transferred and the milliseconds it took.
int CompressionChild(const std::wstring& coding, const std::wstring& who, int dpi);

}  // namespace bench
