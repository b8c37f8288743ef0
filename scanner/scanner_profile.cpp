// Adobe RGB (1998)'s published colorants in the D50 connection space, written by the ICC tag writer.
#include "scanner/scanner_profile.h"

#include "imaging/icc/icc_writer.h"

namespace vantrel::scanner {
namespace {

std::vector<std::uint8_t> Build() {
    using namespace imaging::icc;
    const std::vector<std::uint8_t> gamma = CurveTag({563});  // 2.2 as u8Fixed8 (2.199)
    return DisplayProfile("RGB ", {MakeTag("desc", DescriptionTag("Vantrel sample scanner")),
                                   MakeTag("rXYZ", XyzTag({0.60974, 0.31111, 0.01947})),
                                   MakeTag("gXYZ", XyzTag({0.20528, 0.62567, 0.06087})),
                                   MakeTag("bXYZ", XyzTag({0.14919, 0.06322, 0.74457})),
                                   MakeTag("rTRC", gamma), MakeTag("gTRC", gamma), MakeTag("bTRC", gamma),
                                   MakeTag("wtpt", XyzTag({0.9642, 1.0, 0.8249})),
                                   MakeTag("cprt", TextTag("Vantrel sample scanner, for tests; no copyright"))});
}

}  // namespace

const std::vector<std::uint8_t>& ScannerProfile() {
    static const std::vector<std::uint8_t> profile = Build();
    return profile;
}

}  // namespace vantrel::scanner
