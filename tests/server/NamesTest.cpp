// Which names an item may have: every byte of a name is judged, and a refusal names its reason.
#include "Names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vss::server::Names;

TEST(NamesTest, EveryByteIsAllowedOrRefusedForItsReason) {
    const std::string reserved = "/\\:*?\"<>|";
    for (int c = 1; c < 256; ++c) {
        const std::string name = std::string("a") + static_cast<char>(c) + "b";
        const std::string why = Names::problem(name);
        if (c < 0x20 || c == 0x7f)
            EXPECT_EQ(why, "a name cannot hold control characters") << c;
        else if (reserved.find(static_cast<char>(c)) != std::string::npos)
            EXPECT_EQ(why, std::string("a name cannot hold \"") + static_cast<char>(c) + "\"") << c;
        else
            EXPECT_EQ(why, "") << c; // bytes of UTF-8 sequences included
    }
}

TEST(NamesTest, WholeNamesThatAreRefused) {
    for (const char* name : {"", ".", "..", "$x", " x", "x "})
        EXPECT_NE(Names::problem(name), "") << '"' << name << '"';
    EXPECT_EQ(Names::problem("Grüße.txt"), "");
    EXPECT_EQ(Names::problem(".hidden"), "");
}

} // namespace
