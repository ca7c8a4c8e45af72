#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiFromWide, MapsToWindows1252) {
    EXPECT_EQ(platform::AnsiFromWide(u"Norde Velvane m/s"), "Norde Velvane m/s");
    EXPECT_EQ(platform::AnsiFromWide(u"caf\u00E9 \u20AC\u2122 \u0081"), "caf\xE9 \x80\x99 \x81");
    EXPECT_EQ(platform::AnsiFromWide(u"\u0100\u0080 \U0001F600"), "?? ?") << "one '?' per character";
}

}  // namespace
