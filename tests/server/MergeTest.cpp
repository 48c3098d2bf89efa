// The three-way merge: chosen cases, then generated triples checked against GNU diff3.
#include "Merge3.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using vss::server::Merge3;

struct Triple {
    std::string base, mine, theirs;
};

TEST(Merge3Test, CleanMerges) {
    const struct {
        Triple in;
        std::string merged;
    } cases[] = {
        {{"a\nb\nc\nd\ne\n", "A\nb\nc\nd\ne\n", "a\nb\nc\nd\nE\nf\n"}, "A\nb\nc\nd\nE\nf\n"},
        {{"1\n2\n3\n4\n5\n6\n", "1\n3\n4\n5\n6\n", "1\n2\n3\n4\n5\n5.5\n6\n"},
         "1\n3\n4\n5\n5.5\n6\n"},
        {{"a\nx\nb", "A\nx\nb", "a\nx\nb\nc"}, "A\nx\nb\nc"},
        // The same insertion on both sides is taken once.
        {{"a\n\n\n", "M\n\n\nx\n\n", "a\n\n\nx\n\n"}, "M\n\n\nx\n\n"},
        {{"a\nb\n", "a\n", "a\n"}, "a\n"},
        // One side equal to the base: the other side as it stands.
        {{"a\nb\n", "a\nb\n", "x\n"}, "x\n"},
        {{"a\nb\n", "y\n", "a\nb\n"}, "y\n"},
        {{"", "", "new\n"}, "new\n"},
        {{"a\r\nb", "a\r\nb", "a\nb\r\n"}, "a\nb\r\n"},
    };
    for (const auto& c : cases) {
        const Merge3::Result r = Merge3::merge(c.in.base, c.in.mine, c.in.theirs);
        EXPECT_FALSE(r.conflict) << c.in.mine << "|" << c.in.theirs;
        EXPECT_EQ(r.text, c.merged);
    }
}

TEST(Merge3Test, OverlappingDifferentChangesConflict) {
    EXPECT_TRUE(Merge3::merge("a\nb\nc\n", "a\nX\nc\n", "a\nY\nc\n").conflict);
    EXPECT_TRUE(Merge3::merge("a\n", "a\nmine\n", "a\ntheirs\n").conflict);
    EXPECT_TRUE(Merge3::merge("a\nb\n", "", "a\nB\n").conflict);
}

TEST(Merge3Test, NoLimitOnTheNumberOfChanges) {
    std::string base, changed, local;
    for (int i = 1; i <= 5000; ++i) {
        base += std::to_string(i) + "\n";
        changed += "changed " + std::to_string(i) + "\n";
        local += (i % 2 == 0 && i < 5000 ? "local " : "") + std::to_string(i) + "\n";
    }
    EXPECT_EQ(Merge3::merge(base, base, changed).text, changed);
    // Every other line changed locally, every line changed in the other version.
    EXPECT_TRUE(Merge3::merge(base, local, changed).conflict);
    std::string appended = base + "tail\n";
    const Merge3::Result r = Merge3::merge(base, local, "head\n" + appended);
    EXPECT_FALSE(r.conflict);
    EXPECT_EQ(r.text, "head\n" + local + "tail\n");
}

// ---- Generated triples against `diff3 -m -E MINE BASE THEIRS` ----

using Lines = std::vector<std::string>;

Lines splitLines(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

// diff3's merged output: text outside conflicts, and for each conflict the two sides.
struct Diff3Result {
    bool conflict = false;
    std::string text;
    std::vector<Lines> stable; // one more than conflicts
    std::vector<std::pair<Lines, Lines>> conflicts;
};

Diff3Result diff3(const QTemporaryDir& dir, const Triple& t) {
    const auto put = [&](const char* name, const std::string& text) {
        const std::string path = dir.filePath(name).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return QString::fromStdString(path);
    };
    QProcess process;
    process.start("diff3",
                  {"-m", "-E", put("mine", t.mine), put("base", t.base), put("theirs", t.theirs)});
    process.waitForFinished(30000);
    Diff3Result r;
    r.text = process.readAllStandardOutput().toStdString();
    r.conflict = process.exitCode() == 1;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_LE(process.exitCode(), 1) << process.readAllStandardError().toStdString();
    r.stable.emplace_back();
    int side = 0; // 0 outside, 1 mine, 2 theirs
    for (const std::string& line : splitLines(r.text)) {
        if (line.starts_with("<<<<<<< ")) {
            r.conflicts.emplace_back();
            side = 1;
        } else if (side == 1 && line == "=======\n") {
            side = 2;
        } else if (side == 2 && line.starts_with(">>>>>>> ")) {
            r.stable.emplace_back();
            side = 0;
        } else if (side == 0) {
            r.stable.back().push_back(line);
        } else {
            (side == 1 ? r.conflicts.back().first : r.conflicts.back().second).push_back(line);
        }
    }
    return r;
}

// A resolution of a conflict that takes no change twice: every line of it comes from one of
// the sides, no more often than one side has it.
bool plausibleResolution(const Lines& x, const std::pair<Lines, Lines>& sides) {
    std::map<std::string, int> mine, theirs, got;
    for (const auto& l : sides.first)
        ++mine[l];
    for (const auto& l : sides.second)
        ++theirs[l];
    for (const auto& l : x)
        ++got[l];
    for (const auto& [line, count] : got)
        if (count > std::max(mine[line], theirs[line]))
            return false;
    return true;
}

// Whether `merged` is diff3's stable text with each conflict resolved plausibly.
bool agreesOutsideConflicts(const Lines& merged, std::size_t at, const Diff3Result& d,
                            std::size_t part) {
    const Lines& stable = d.stable[part];
    if (merged.size() - at < stable.size() ||
        !std::equal(stable.begin(), stable.end(), merged.begin() + static_cast<long>(at)))
        return false;
    at += stable.size();
    if (part == d.conflicts.size())
        return at == merged.size();
    for (std::size_t end = at; end <= merged.size(); ++end) {
        const Lines x(merged.begin() + static_cast<long>(at),
                      merged.begin() + static_cast<long>(end));
        if (plausibleResolution(x, d.conflicts[part]) &&
            agreesOutsideConflicts(merged, end, d, part + 1))
            return true;
    }
    return false;
}

// Texts of a few distinct lines, as code has (blank lines, braces, repeated statements), but
// not so few that every alignment is as good as another.
class TripleGenerator {
public:
    explicit TripleGenerator(unsigned seed) : random_(seed) {}

    Triple next() {
        Lines base;
        for (int n = pick(13); n > 0; --n)
            base.push_back(line());
        return {join(base), join(edit(base)), join(edit(base))};
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    std::string line() {
        static const char* const lines[] = {"\n",  "{\n",      "}\n",       "a\n",
                                            "b\n", "x = 1;\n", "return;\n", "// note\n"};
        return lines[pick(static_cast<int>(std::size(lines)))];
    }
    Lines edit(Lines lines) {
        for (int n = 1 + pick(3); n > 0; --n) {
            const int op = lines.empty() ? 0 : pick(3);
            if (op == 0)
                lines.insert(lines.begin() + pick(static_cast<int>(lines.size()) + 1), line());
            else if (op == 1)
                lines.erase(lines.begin() + pick(static_cast<int>(lines.size())));
            else
                lines[static_cast<std::size_t>(pick(static_cast<int>(lines.size())))] = line();
        }
        return lines;
    }
    static std::string join(const Lines& lines) {
        std::string text;
        for (const auto& l : lines)
            text += l;
        return text;
    }

    std::mt19937 random_;
};

TEST(Merge3Test, GeneratedTriplesAgreeWithDiff3) {
    constexpr int kTriples = 600;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TripleGenerator generate(20261208);
    int sameText = 0, refusedWhereDiff3Merges = 0, mergedWhereDiff3Conflicts = 0;
    for (int i = 0; i < kTriples; ++i) {
        const Triple t = generate.next();
        const Merge3::Result ours = Merge3::merge(t.base, t.mine, t.theirs);
        const Diff3Result d = diff3(dir, t);
        const std::string shown = "base [" + t.base + "] mine [" + t.mine + "] theirs [" +
                                  t.theirs + "] merged [" + ours.text + "] diff3 [" + d.text + "]";
        if (ours.conflict) {
            EXPECT_TRUE(ours.text.empty());
            refusedWhereDiff3Merges += d.conflict ? 0 : 1;
        } else if (!d.conflict) {
            // Any difference is a change taken twice or lost.
            ASSERT_EQ(ours.text, d.text) << shown;
            ++sameText;
        } else {
            ++mergedWhereDiff3Conflicts;
            EXPECT_TRUE(agreesOutsideConflicts(splitLines(ours.text), 0, d, 0)) << shown;
        }
    }
    RecordProperty("same_text", sameText);
    RecordProperty("refused_where_diff3_merges", refusedWhereDiff3Merges);
    RecordProperty("merged_where_diff3_conflicts", mergedWhereDiff3Conflicts);
    EXPECT_GT(sameText, kTriples / 4) << "too few clean merges to compare";
    EXPECT_LT(refusedWhereDiff3Merges, kTriples / 50);
}

} // namespace
