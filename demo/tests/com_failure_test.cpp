// The text of the box that ends the program after a failing COM call.
#include "demo/com_failure.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(ComFailure, NamesTheCallAndTheStatusInHex) {
    EXPECT_EQ(ComFailureText(E_FAIL, L"_TWAIN.Acquire"), L"_TWAIN.Acquire failed with HRESULT 0x80004005.");
    EXPECT_EQ(ComFailureText(static_cast<HRESULT>(0x80040154), L"CoCreateInstance(Vantrel.TWAIN)"),
              L"CoCreateInstance(Vantrel.TWAIN) failed with HRESULT 0x80040154.");
}

}  // namespace
}  // namespace demo
