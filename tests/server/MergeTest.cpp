// The line-based three-way merge.
#include "Merge3.h"

#include <gtest/gtest.h>

namespace {

using vss::server::Merge3;

TEST(Merge3Test, CombinesChangesInDifferentPlaces) {
    const std::string base = "a\nb\nc\nd\ne\n";
    const auto r = Merge3::merge(base, "A\nb\nc\nd\ne\n", "a\nb\nc\nd\nE\nf\n");
    EXPECT_FALSE(r.conflict);
    EXPECT_EQ(r.text, "A\nb\nc\nd\nE\nf\n");
}

TEST(Merge3Test, OneSideUnchangedTakesTheOther) {
    const std::string base = "a\nb\n";
    EXPECT_EQ(Merge3::merge(base, base, "x\n").text, "x\n");
    EXPECT_EQ(Merge3::merge(base, "y\n", base).text, "y\n");
    EXPECT_EQ(Merge3::merge("", "", "new\n").text, "new\n");
    EXPECT_EQ(Merge3::merge(base, "a\n", "a\n").text, "a\n"); // the same change on both sides
}

TEST(Merge3Test, InsertionsAndDeletions) {
    const std::string base = "1\n2\n3\n4\n5\n6\n";
    const auto r = Merge3::merge(base, "1\n3\n4\n5\n6\n", "1\n2\n3\n4\n5\n5.5\n6\n");
    EXPECT_FALSE(r.conflict);
    EXPECT_EQ(r.text, "1\n3\n4\n5\n5.5\n6\n");
}

TEST(Merge3Test, OverlappingDifferentChangesConflict) {
    EXPECT_TRUE(Merge3::merge("a\nb\nc\n", "a\nX\nc\n", "a\nY\nc\n").conflict);
    EXPECT_TRUE(Merge3::merge("a\n", "a\nmine\n", "a\ntheirs\n").conflict);
}

TEST(Merge3Test, LastLineWithoutNewline) {
    const auto r = Merge3::merge("a\nx\nb", "A\nx\nb", "a\nx\nb\nc");
    EXPECT_FALSE(r.conflict);
    EXPECT_EQ(r.text, "A\nx\nb\nc");
}

} // namespace
