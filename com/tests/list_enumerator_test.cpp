// The IEnumXXX protocol of ListEnumerator over a list of numbers: counts, positions, copies, and
// what a copy that fails part-way gives back.
#include "com/list_enumerator.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::com {
namespace {

// A stand-in enumerator interface whose elements are numbers; its id is unique to this test.
struct IEnumNumbers : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG wanted, int* elements, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumNumbers** copy) = 0;
};
constexpr IID kIidEnumNumbers = {0x5b0c1d2e, 0x8f4a, 0x4c6e, {0x9a, 0x31, 0x7d, 0x20, 0x4e, 0x11, 0xc3, 0x58}};

// Items below zero cannot be handed out; every element given back is recorded.
thread_local std::vector<int> g_cleared;
HRESULT CopyNumber(const int& item, int* element) {
    if (item < 0) return E_OUTOFMEMORY;
    *element = item * 10;
    return S_OK;
}
void ClearNumber(int* element) { g_cleared.push_back(*element); }

using Numbers = ListEnumerator<IEnumNumbers, &kIidEnumNumbers, int, int, &CopyNumber, &ClearNumber>;

ComPtr<IEnumNumbers> Enumerate(std::vector<int> items) {
    ComPtr<IEnumNumbers> numbers;
    EXPECT_EQ(Numbers::Create(std::make_shared<const std::vector<int>>(std::move(items)), {}, numbers.put()), S_OK);
    return numbers;
}

struct NextCase {
    const char* name;
    ULONG skipped;
    ULONG wanted;
    HRESULT status;
    std::vector<int> handedOut;
};

TEST(ListEnumeratorTest, NextHandsOutWhatIsLeftAndSaysWhenItRanShort) {
    const NextCase cases[] = {
        {"all at once", 0, 3, S_OK, {10, 20, 30}},
        {"fewer than there are", 0, 2, S_OK, {10, 20}},
        {"more than there are", 0, 5, S_FALSE, {10, 20, 30}},
        {"after a skip", 1, 2, S_OK, {20, 30}},
        {"at the end", 3, 1, S_FALSE, {}},
        {"none wanted", 0, 0, S_OK, {}},
    };
    for (const NextCase& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IEnumNumbers> numbers = Enumerate({1, 2, 3});
        ASSERT_EQ(numbers->Skip(c.skipped), S_OK);
        std::vector<int> elements(c.wanted + 1, -1);
        ULONG fetched = 99;
        EXPECT_EQ(numbers->Next(c.wanted, elements.data(), &fetched), c.status);
        ASSERT_EQ(fetched, c.handedOut.size());
        EXPECT_EQ(std::vector<int>(elements.begin(), elements.begin() + fetched), c.handedOut);
    }
}

TEST(ListEnumeratorTest, SkipStopsAtTheEndAndResetAndCloneKeepTheirPlace) {
    ComPtr<IEnumNumbers> numbers = Enumerate({1, 2, 3});
    EXPECT_EQ(numbers->Skip(2), S_OK);
    ComPtr<IEnumNumbers> copy;
    ASSERT_EQ(numbers->Clone(copy.put()), S_OK);
    EXPECT_EQ(numbers->Skip(5), S_FALSE) << "past the end";
    int element = 0;
    EXPECT_EQ(copy->Next(1, &element, nullptr), S_OK) << "the copy starts where the original was";
    EXPECT_EQ(element, 30);
    EXPECT_EQ(numbers->Reset(), S_OK);
    EXPECT_EQ(numbers->Next(1, &element, nullptr), S_OK);
    EXPECT_EQ(element, 10);
}

TEST(ListEnumeratorTest, ACopyThatFailsGivesBackWhatWasHandedOutAndKeepsThePlace) {
    ComPtr<IEnumNumbers> numbers = Enumerate({1, 2, -3, 4});
    g_cleared.clear();
    int elements[3] = {};
    ULONG fetched = 99;
    EXPECT_EQ(numbers->Next(3, elements, &fetched), E_OUTOFMEMORY);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(g_cleared, (std::vector<int>{10, 20}));
    EXPECT_EQ(numbers->Next(2, elements, &fetched), S_OK);
    EXPECT_EQ(elements[0], 10) << "the failed call took nothing";
    g_cleared.clear();
}

TEST(ListEnumeratorTest, RefusesMissingOutPointers) {
    ComPtr<IEnumNumbers> numbers = Enumerate({1, 2});
    int elements[2] = {};
    EXPECT_EQ(numbers->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(numbers->Next(2, elements, nullptr), E_POINTER) << "more than one needs the count";
    EXPECT_EQ(numbers->Clone(nullptr), E_POINTER);
    EXPECT_EQ(Numbers::Create(std::make_shared<const std::vector<int>>(), {}, nullptr), E_POINTER);
}

TEST(ListEnumeratorTest, EachEnumeratorKeepsTheModuleLoaded) {
    ASSERT_FALSE(InUse());
    {
        ComPtr<IEnumNumbers> numbers = Enumerate({1});
        ComPtr<IEnumNumbers> copy;
        ASSERT_EQ(numbers->Clone(copy.put()), S_OK);
        numbers.reset();
        EXPECT_TRUE(InUse()) << "the copy still holds a lock";
    }
    EXPECT_FALSE(InUse());
}

}  // namespace
}  // namespace vantrel::com
