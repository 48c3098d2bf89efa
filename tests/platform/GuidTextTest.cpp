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
