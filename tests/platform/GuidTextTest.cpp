#include <com/Com.h>

#include <gtest/gtest.h>

namespace {

using namespace com;

TEST(GuidText, FormatsUpperCaseWithBracesAndParsesBack) {
    constexpr GUID g = guid("783cd4e4-9d54-11cf-b8ee-00608cc9a71f");
    EXPECT_EQ(g.data1, 0x783CD4E4u);
    EXPECT_EQ(g.data4[0], 0xB8);
    EXPECT_EQ(g.data4[7], 0x1F);
    EXPECT_EQ(formatGuid(g), "{783CD4E4-9D54-11CF-B8EE-00608CC9A71F}");
    EXPECT_EQ(parseGuid(formatGuid(g)), g);
    EXPECT_EQ(parseGuid("783cd4e4-9d54-11cf-b8ee-00608cc9a71f"), g);
}

TEST(GuidText, RejectsMalformedText) {
    for (const char* text :
         {"", "{783CD4E4-9D54-11CF-B8EE-00608CC9A71F", "783CD4E4-9D54-11CF-B8EE",
          "{783CD4E4-9D54-11CF-B8EE-00608CC9A71G}", "783CD4E4+9D54-11CF-B8EE-00608CC9A71F",
          "(783CD4E4-9D54-11CF-B8EE-00608CC9A71F)"})
        EXPECT_FALSE(parseGuid(text)) << text;
}

TEST(WideText, RoundTripsNonAscii) {
    const std::string text = "Grüße, Ελληνικά, 日本, 🎉";
    const std::u16string wide = widen(text);
    EXPECT_EQ(wide, u"Grüße, Ελληνικά, 日本, 🎉");
    EXPECT_EQ(narrow(wide), text);
    EXPECT_EQ(widen(""), u"");
}

TEST(WideText, NonAsciiAnywhereInALongAsciiRunRoundTrips) {
    // ASCII is taken a word at a time: the first other character may fall anywhere in one.
    for (std::size_t at : {0, 1, 7, 8, 9, 15, 16, 17, 30}) {
        std::string text(31, 'a');
        text.replace(at, 1, "\xC4\x80"); // U+0100, whose low byte alone would pass for ASCII
        std::u16string wide(31, u'a');
        wide[at] = u'\u0100';
        EXPECT_EQ(widen(text), wide) << at;
        EXPECT_EQ(narrow(wide), text) << at;
        // A lone surrogate there becomes U+FFFD.
        wide[at] = char16_t(0xD800);
        EXPECT_EQ(narrow(wide), std::string(text).replace(at, 2, "\xEF\xBF\xBD")) << at;
    }
}

TEST(WideText, ReplacesIllFormedInput) {
    EXPECT_EQ(widen("a\xFF"
                    "b"),
              u"a\uFFFDb");
    EXPECT_EQ(widen("a\xC3"), u"a\uFFFD"); // truncated sequence
    EXPECT_EQ(widen("\xE2\x82"
                    "x"),
              u"\uFFFDx");                                   // maximal subpart, then the next byte
    EXPECT_EQ(widen("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(widen("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
    EXPECT_EQ(narrow(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(narrow(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

} // namespace
