#include "platform/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/test_module.h"

// The test program carries tests/platform/resources.rc: windres on Windows, the generated table on
// Linux. Both must give the same bytes.
namespace {

std::vector<uint8_t> FileBytes(const char* name) {
    const std::string bytes = ReadWholeFile(std::string(VELVANE_TEST_DATA) + "/" + name);
    return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Bytes(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

TEST(Resources, NamedAndNumberedTypesGiveTheFileBytes) {
    const auto blob = FileBytes("blob.txt");
    ASSERT_FALSE(blob.empty());
    EXPECT_EQ(Bytes(platform::FindResourceBytes(TestModule(), "BLOB", 7)), blob);
    EXPECT_EQ(Bytes(platform::FindResourceBytes(TestModule(), "blob", 7)), blob) << "type names ignore case";
    EXPECT_EQ(Bytes(platform::FindResourceBytes(TestModule(), platform::kResourceData, 8)), blob);
    EXPECT_EQ(Bytes(platform::FindResourceBytes(TestModule(), uint16_t{77}, 300)), blob);
}

TEST(Resources, BitmapLosesItsFileHeader) {
    const auto file = FileBytes("dot.bmp");
    ASSERT_GT(file.size(), 14u);
    EXPECT_EQ(Bytes(platform::FindResourceBytes(TestModule(), platform::kResourceBitmap, 9)),
              std::vector<uint8_t>(file.begin() + 14, file.end()));
}

TEST(Resources, MissingResourcesGiveNothing) {
    EXPECT_TRUE(platform::FindResourceBytes(TestModule(), "BLOB", 8).empty());
    EXPECT_TRUE(platform::FindResourceBytes(TestModule(), "NONE", 7).empty());
    EXPECT_TRUE(platform::FindResourceBytes(TestModule(), nullptr, 7).empty());
    EXPECT_TRUE(platform::FindResourceBytes(TestModule(), platform::kResourceBitmap, 7).empty());
    EXPECT_TRUE(platform::FindResourceBytes(nullptr, "BLOB", 7).empty());
}

TEST(Resources, StringTableEntriesAcrossBlocks) {
    struct Case {
        uint16_t id;
        std::u16string text;
    };
    const Case cases[] = {{15, u"end of block 1"},
                          {16, u"start of block 2"},
                          {18, u"quote \" and \ttab"},
                          {50000, u"Tahoma, 9"},
                          {17, u""},
                          {14, u""},
                          {0, u""},
                          {50001, u""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(platform::LoadResourceString(TestModule(), c.id), c.text);
    }
}

}  // namespace
