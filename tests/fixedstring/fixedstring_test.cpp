#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "fixedstring/NCFixedString.h"

namespace {

constexpr uint32_t npos = 0xFFFFFFFFu;

template <uint32_t N>
NCFixedString<N> Text(const char* text) {
    NCFixedString<N> s;
    s = text;
    return s;
}

TEST(NCFixedString, StopsSilentlyAtTheCapacity) {
    NCFixedString<4> s;
    s << "hello";
    EXPECT_STREQ(s.c_str(), "hell");
    EXPECT_EQ(s.length(), 4u);
    s << 'x' << 12 << "more";
    EXPECT_STREQ(s.c_str(), "hell");
    s.append('y', 9);
    EXPECT_EQ(s.size(), 4u);
    EXPECT_EQ(s.peek()[4], '\0');
    EXPECT_EQ(s.resize(10), 4u);
    EXPECT_EQ(s.resize(2), 2u);
    EXPECT_STREQ(s.c_str(), "he");
    EXPECT_EQ(s.capacity(), 4u);
    EXPECT_EQ(s.max_size(), 4u);
}

TEST(NCFixedString, NumbersAsDigits) {
    struct Case {
        const char* name;
        void (*append)(NCFixedStringBase&);
        const char* expected;
    };
    const Case kCases[] = {
        {"uint 12345 base 10", [](NCFixedStringBase& s) { s.append_uint(12345, 10); }, "12345"},
        {"uint 255 base 16", [](NCFixedStringBase& s) { s.append_uint(255, 16); }, "FF"},
        {"uint 0 base 2", [](NCFixedStringBase& s) { s.append_uint(0, 2); }, "0"},
        {"uint 35 base 36", [](NCFixedStringBase& s) { s.append_uint(35, 36); }, "Z"},
        {"base 0 and 1 append nothing",
         [](NCFixedStringBase& s) {
             s.append_uint(7, 0);
             s.append_uint(7, 1);
         },
         ""},
        {"int min", [](NCFixedStringBase& s) { s << INT_MIN; }, "-2147483648"},
        {"short min", [](NCFixedStringBase& s) { s << static_cast<short>(-32768); }, "-32768"},
        {"long long min", [](NCFixedStringBase& s) { s << LLONG_MIN; }, "-9223372036854775808"},
        {"unsigned long long max", [](NCFixedStringBase& s) { s << ULLONG_MAX; }, "18446744073709551615"},
        {"long and unsigned long", [](NCFixedStringBase& s) { s << -7L << ' ' << 7UL << ' ' << 0u; }, "-7 7 0"},
        {"bools", [](NCFixedStringBase& s) { s << true << false; }, "truefalse"},
        {"float", [](NCFixedStringBase& s) { s << 1.5f; }, "1.50000"},
        {"double", [](NCFixedStringBase& s) { s << 1.5; }, "1.5000000000"},
        {"precision", [](NCFixedStringBase& s) { s.append_double_with_precision(-3.14159, 2); }, "-3.14"},
        {"scratch holds 31 characters", [](NCFixedStringBase& s) { s << 1e30; }, "1000000000000000019884624838656"},
    };
    for (const Case& c : kCases) {
        NCFixedString<64> s;
        c.append(s);
        EXPECT_STREQ(s.c_str(), c.expected) << c.name;
    }
}

TEST(NCFixedString, CutDigitsKeepTheLeastSignificant) {
    NCFixedString<3> s;
    s.append_uint(12345, 10);
    EXPECT_STREQ(s.c_str(), "345");
}

TEST(NCFixedString, HexBinaryReadsBytesAsALittleEndianNumber) {
    const unsigned char bytes[] = {0x01, 0xAB};
    NCFixedString<8> s;
    s.append_hex_binary(bytes, 2);
    EXPECT_STREQ(s.c_str(), "AB01");
    EXPECT_STREQ(NCFixedStringBase::hexdigits, "0123456789ABCDEF");
}

TEST(NCFixedString, Searches) {
    auto s = Text<16>("a,b,c");
    EXPECT_EQ(s.find_last_of(",", 0), 3u);
    EXPECT_EQ(s.find_last_of(",", 2), 3u);
    EXPECT_EQ(s.find_last_of(",", 4), npos);
    EXPECT_EQ(s.find_first_of(",", 2), 3u);
    EXPECT_EQ(s.find_first_of(",", 5), npos);
    EXPECT_EQ(s.find_first_not_of("abc,", 0), npos);
    EXPECT_EQ(s.find_first_not_of("a,", 0), 2u);
    EXPECT_EQ(s.find_last_not_of(",", 0), 4u);
    EXPECT_EQ(s.find('c'), 4u);
    EXPECT_EQ(s.find('z'), npos);
    EXPECT_EQ(s.find("b,c"), 2u);
    EXPECT_EQ(s.find("c,"), npos);
    EXPECT_EQ(s.find(""), npos);
    EXPECT_EQ(NCFixedStringBase::npos, npos);
}

TEST(NCFixedString, Edits) {
    auto s = Text<16>("a,b,,c");
    s.erase_all_of(",");
    EXPECT_STREQ(s.c_str(), "abc");
    s = "a1b22c";
    s.erase_all_not_of("0123456789");
    EXPECT_STREQ(s.c_str(), "122");
    s = "abcdef";
    s.erase(1, 2);
    EXPECT_STREQ(s.c_str(), "adef");
    s.erase(2, 100);
    EXPECT_STREQ(s.c_str(), "ad");
    s.erase(2, 1);
    s.erase(0, 0);
    EXPECT_STREQ(s.c_str(), "ad");
    s = "Hello, World";
    s.reverse();
    EXPECT_STREQ(s.c_str(), "dlroW ,olleH");
    s.to_upper();
    EXPECT_STREQ(s.c_str(), "DLROW ,OLLEH");
    s.to_lower();
    EXPECT_STREQ(s.c_str(), "dlrow ,olleh");
    char range[] = "abcd";
    NCFixedStringBase::reverse(range + 1, range + 4);
    EXPECT_STREQ(range, "adcb");
}

TEST(NCFixedString, Comparisons) {
    EXPECT_EQ(Text<8>("abd").compare("abc"), 1);
    EXPECT_EQ(Text<8>("ab").compare("abc"), -1);
    EXPECT_EQ(Text<8>("abc").compare("abc"), 0);
    EXPECT_EQ(Text<8>("\xE9").compare("z"), 1);
    EXPECT_EQ(Text<8>("abc").compare(nullptr), 1);
    auto other = Text<8>("abc");
    EXPECT_EQ(Text<8>("abc").compare(other), 0);
    EXPECT_EQ(Text<8>("Hello").case_insensitive_compare("hELLO"), 0);
    EXPECT_EQ(Text<8>("abc").case_insensitive_compare("ABD"), 'c' - 'd');
    EXPECT_EQ(Text<8>("z").case_insensitive_compare("A"), 'z' - 'a');
    EXPECT_EQ(Text<8>("a").case_insensitive_compare(nullptr), 1);
    EXPECT_EQ(Text<8>("HeLLo").case_insensitive_compare(Text<8>("hello")), 0);
}

TEST(NCFixedString, NullSourcesAndRawBytes) {
    NCFixedString<8> s;
    s = "abc";
    s.peek()[3] = 'X';  // the terminator overwritten
    s.append(static_cast<const char*>(nullptr));
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.peek()[3], 'X') << "a null text leaves even the terminator alone";
    s.assign(static_cast<const char*>(nullptr));
    EXPECT_TRUE(s.empty());
    s.assign("a\0b", 3);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.compare("a"), 0) << "comparisons stop at the first zero";
    EXPECT_EQ(s.find('b'), 2u);
    s.append("xy", 1);
    s.append(nullptr, 5);
    EXPECT_EQ(s.size(), 4u);
    const char range[] = "pqrs";
    s.append(range + 1, range + 3);
    EXPECT_EQ(std::string(s.peek(), s.size()), std::string("a\0bxqr", 6));
    s = 'z';
    EXPECT_STREQ(s.c_str(), "z");
}

TEST(NCFixedString, IndexIsClampedToTheCapacity) {
    auto s = Text<4>("ab");
    EXPECT_EQ(s[1], 'b');
    s[100] = 'Q';
    EXPECT_EQ(s[4], 'Q');
    EXPECT_EQ(static_cast<const NCFixedString<4>&>(s)[1000], 'Q');
    EXPECT_EQ(s.peek()[4], 'Q');
}

TEST(NCFixedString, CopiesKeepTheirOwnBuffers) {
    NCFixedString<4> a;
    a = "wxyz";
    NCFixedString<4> b(a);
    a = "q";
    EXPECT_STREQ(b.c_str(), "wxyz");
    b = a;
    EXPECT_STREQ(b.c_str(), "q");
    EXPECT_NE(a.peek(), b.peek());
    auto wide = Text<16>("0123456789");
    a = wide;
    EXPECT_STREQ(a.c_str(), "0123");
    a = a;
    EXPECT_STREQ(a.c_str(), "0123");
}

// Appending a string to itself copies the text as it was, not until the capacity runs out.
TEST(NCFixedString, AppendingItselfDoublesTheText) {
    auto s = Text<16>("ab");
    s << s;
    EXPECT_STREQ(s.c_str(), "abab");
    s = s.c_str() + 1;
    EXPECT_STREQ(s.c_str(), "bab");
}

}  // namespace
