// The marker segments before a baseline scan: SOI, JFIF APP0, DQT, SOF0, DHT and SOS.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/jpeg/jpeg_tables.h"

namespace vantrel::imaging::jpeg {

// JFIF's density fields. Units 1 is dots per inch; units 0 gives only the aspect ratio.
struct JfifDensity {
    std::uint8_t units = 0;
    std::uint16_t x = 1;
    std::uint16_t y = 1;
};

// Dots per inch rounded to whole numbers. A resolution that is unknown (0), not a number or not
// representable in 16 bits in either direction says nothing reliable, so it becomes units 0, 1:1.
JfifDensity DensityFromDpi(double xDpi, double yDpi);

// One component of the frame and the scan, with the tables it uses.
struct FrameComponent {
    std::uint8_t id;
    std::uint8_t horizontalSampling;
    std::uint8_t verticalSampling;
    std::uint8_t table;  // quantisation and Huffman tables share the index: 0 luminance, 1 chrominance
};

struct FrameHeader {
    std::uint16_t width;
    std::uint16_t height;
    JfifDensity density;
    std::span<const FrameComponent> components;  // 1 (grey) or 3 (Y, Cb, Cr)
    std::span<const QuantTable> quantTables;    // by table index, natural order
    std::span<const std::uint8_t> iccProfile = {};   // written after APP0 when not empty
};

// Appends every segment from SOI (the profile's APP2 segments after JFIF's APP0) to the SOS that opens the one scan holding all components.
void AppendHeaders(std::vector<std::uint8_t>& out, const FrameHeader& frame);

constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;

}  // namespace vantrel::imaging::jpeg
