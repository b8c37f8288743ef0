// A version 2.1 ICC profile put together from its tags: the header, the tag table and the tag types
// our profiles need, all big-endian with every tag on a 4-byte boundary.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::imaging::icc {

struct Xyz {
    double x = 0, y = 0, z = 0;
};

struct Tag {
    std::array<char, 4> signature{};
    std::vector<std::uint8_t> data;
};

// A tag from its signature written as text ("rXYZ").
Tag MakeTag(const char (&signature)[5], std::vector<std::uint8_t> data);

// Tag types of ICC.1 version 2.
std::vector<std::uint8_t> XyzTag(Xyz value);
std::vector<std::uint8_t> CurveTag(const std::vector<std::uint16_t>& entries);
std::vector<std::uint8_t> TextTag(const std::string& ascii);
std::vector<std::uint8_t> DescriptionTag(const std::string& ascii);

// A display-class ('mntr') profile of colour space `space` ("RGB " or "GRAY") with the XYZ PCS.
std::vector<std::uint8_t> DisplayProfile(const char (&space)[5], const std::vector<Tag>& tags);

}  // namespace vantrel::imaging::icc
