// Splitting script lines: quotes, escapes, comments, and the commands' argument counts.
#include "ScriptRunner.h"

#include <script/ScriptLine.h>

#include <gtest/gtest.h>

namespace {

TEST(ScriptLineTest, SplitsWordsAndQuotedArgumentsWithEscapes) {
    const ScriptLine line =
        ScriptLine::parse(R"(  write "/tmp/a b.pas" "one\ntwo \"q\" \\ end" )", 7);
    EXPECT_EQ(line.number, 7);
    EXPECT_EQ(line.command, "write");
    EXPECT_EQ(line.args, QStringList({"/tmp/a b.pas", "one\ntwo \"q\" \\ end"}));
    EXPECT_EQ(ScriptLine::parse(R"(select L "" x)", 1).args, QStringList({"L", "", "x"}));
}

TEST(ScriptLineTest, BlankLinesAndCommentsAreSkipped) {
    const auto lines =
        ScriptLine::parseScript("# a comment\n\n   \nidle\r\nmenu\n", ScriptRunner::hostCommands());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].command, "idle");
    EXPECT_EQ(lines[0].number, 4);
    EXPECT_EQ(lines[1].number, 5);
}

TEST(ScriptLineTest, BadLinesNameTheirLineNumber) {
    const auto errorOf = [](const char* script) {
        try {
            ScriptLine::parseScript(script, ScriptRunner::hostCommands());
        } catch (const ScriptError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_EQ(errorOf("idle\ntype X \"open"), "line 2: unterminated quote");
    EXPECT_EQ(errorOf("frobnicate"), "line 1: unknown command \"frobnicate\"");
    EXPECT_EQ(errorOf("idle\n\nverb"), "line 3: wrong number of arguments for verb");
    EXPECT_EQ(errorOf("expect A text"), "line 1: wrong number of arguments for expect");
    EXPECT_EQ(errorOf(R"(type A "\q")"), "line 1: unknown escape \\q");
}

} // namespace
