#include <system/Paths.h>

#include <gtest/gtest.h>

namespace {

using namespace sys;

TEST(Paths, FileNameIsTheTextAfterTheLastDelimiter) {
    EXPECT_EQ(extractFileName("C:\\Work\\Demo.dpr"), "Demo.dpr");
    EXPECT_EQ(extractFileName("/home/ann/Demo.dpr"), "Demo.dpr");
    EXPECT_EQ(extractFileName("C:Demo.dpr"), "Demo.dpr");
    EXPECT_EQ(extractFileName("mixed/dir\\Unit1.pas"), "Unit1.pas");
    EXPECT_EQ(extractFileName("Demo.dpr"), "Demo.dpr");
    EXPECT_EQ(extractFileName("C:\\Work\\"), "");
}

TEST(Paths, FolderKeepsTheSeparatorOfARoot) {
    EXPECT_EQ(extractFileDir("C:\\Work\\Demo.dpr"), "C:\\Work");
    EXPECT_EQ(extractFileDir("C:\\Demo.dpr"), "C:\\");
    EXPECT_EQ(extractFileDir("C:Demo.dpr"), "C:");
    EXPECT_EQ(extractFileDir("/home/ann/Demo.dpr"), "/home/ann");
    EXPECT_EQ(extractFileDir("/Demo.dpr"), "/");
    EXPECT_EQ(extractFileDir("\\\\server\\share"), "\\\\server");
    EXPECT_EQ(extractFileDir("Demo.dpr"), "");
}

TEST(Paths, JoinUsesThePlatformSeparator) {
    EXPECT_EQ(joinPath("/home/ann", "Demo.dpr"), "/home/ann/Demo.dpr");
    EXPECT_EQ(extractFileDir(joinPath("/tmp/x", "y.pas")), "/tmp/x");
}

} // namespace
