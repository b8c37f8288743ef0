// Writes the profiles we ship into a folder, for check_profiles.py to read with LittleCMS.
#include <fstream>
#include <string>

#include "imaging/icc/standard_profiles.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = argv[1];
    for (const auto& [name, bytes] : {std::pair{"srgb.icc", &vantrel::imaging::icc::SrgbProfile()},
                                      std::pair{"grey.icc", &vantrel::imaging::icc::GreyProfile()}}) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        if (!out) return 1;
    }
    return 0;
}
