// PDF reals, integers and dates as text.
#include "imaging/pdf/pdf_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vantrel::imaging {
namespace {

struct Real {
    double value;
    std::optional<std::string> text;
};

const std::vector<Real>& Reals() {
    static const std::vector<Real> cases = {
        {595.2, "595.2"},          {841.92, "841.92"},       {72, "72"},
        {0, "0"},                  {1.0 / 3, "0.3333"},      {2.0 / 3, "0.6667"},
        {0.00004, "0"},            {0.00005, "0.0001"},      {999.99995, "1000"},
        {14400.0625, "14400.0625"}, {2147483647.0, "2147483647"}, {12.05, "12.05"},
        {-1, std::nullopt},        {2147483648.0, std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
    };
    return cases;
}

TEST(PdfText, RealsRoundToFourDecimalsWithoutTrailingZeros) {
    for (const Real& c : Reals()) EXPECT_EQ(PdfReal(c.value), c.text) << c.value;
}

TEST(PdfText, IntegersUpToTheLargest) {
    EXPECT_EQ(PdfInteger(0), "0");
    EXPECT_EQ(PdfInteger(9'999'999'999), "9999999999");
    EXPECT_EQ(PdfInteger(UINT64_MAX), "18446744073709551615");
}

struct Date {
    PdfDate date;
    std::optional<std::string> text;
};

TEST(PdfText, Dates) {
    const std::vector<Date> cases = {
        {{2024, 3, 9, 14, 5, 7, 60}, "D:20240309140507+01'00'"},
        {{2024, 2, 29, 0, 0, 0, -330}, "D:20240229000000-05'30'"},
        {{1999, 12, 31, 23, 59, 59, 0}, "D:19991231235959+00'00'"},
        {{2000, 2, 29, 1, 2, 3, 23 * 60 + 59}, "D:20000229010203+23'59'"},
        {{2023, 2, 29, 0, 0, 0, 0}, std::nullopt},
        {{1900, 2, 29, 0, 0, 0, 0}, std::nullopt},
        {{2024, 4, 31, 0, 0, 0, 0}, std::nullopt},
        {{2024, 13, 1, 0, 0, 0, 0}, std::nullopt},
        {{2024, 0, 1, 0, 0, 0, 0}, std::nullopt},
        {{10000, 1, 1, 0, 0, 0, 0}, std::nullopt},
        {{2024, 1, 1, 24, 0, 0, 0}, std::nullopt},
        {{2024, 1, 1, 0, 60, 0, 0}, std::nullopt},
        {{2024, 1, 1, 0, 0, 60, 0}, std::nullopt},
        {{2024, 1, 1, 0, 0, 0, 24 * 60}, std::nullopt},
        {{2024, 1, 1, 0, 0, -1, 0}, std::nullopt},
    };
    for (const Date& c : cases) {
        EXPECT_EQ(PdfDateText(c.date), c.text) << c.date.year << "-" << c.date.month << "-" << c.date.day;
    }
}

}  // namespace
}  // namespace vantrel::imaging
