#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiFromWide, MapsToWindows1252) {
    EXPECT_EQ(platform::AnsiFromWide(u"Norde Velvane m/s"), "Norde Velvane m/s");
    EXPECT_EQ(platform::AnsiFromWide(u"caf\u00E9 \u20AC\u2122 \u0081"), "caf\xE9 \x80\x99 \x81");
    EXPECT_EQ(platform::AnsiFromWide(u"\u0100\u0080 \U0001F600"), "?? ?") << "one '?' per character";
}

TEST(WideFromAnsi, EveryByteIsOneCharacterAndRoundTrips) {
    EXPECT_EQ(platform::WideFromAnsi("caf\xE9 \x80\x99 \x81"), u"caf\u00E9 \u20AC\u2122 \u0081");
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    const auto wide = platform::WideFromAnsi(all);
    EXPECT_EQ(wide.size(), all.size());
    EXPECT_EQ(platform::AnsiFromWide(wide), all);
}

}  // namespace
