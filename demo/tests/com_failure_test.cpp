// The text of the box that ends the program after a failing COM call.
#include "demo/com_failure.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(ComFailure, NamesTheCallAndTheStatusInHex) {
    struct Case {
        HRESULT status;
        const wchar_t* call;
        const wchar_t* text;
    } const cases[] = {
        {E_FAIL, L"_TWAIN.Acquire", L"_TWAIN.Acquire failed with HRESULT 0x80004005."},
        {static_cast<HRESULT>(0x80040154), L"CoCreateInstance(Vantrel.TWAIN)",
         L"CoCreateInstance(Vantrel.TWAIN) failed with HRESULT 0x80040154."},
        {E_INVALIDARG, L"_TWAIN.Destroy", L"_TWAIN.Destroy failed with HRESULT 0x80070057."},
    };
    for (const Case& c : cases) EXPECT_EQ(ComFailureText(c.status, c.call), c.text);
}

}  // namespace
}  // namespace demo
