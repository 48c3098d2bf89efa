// Pairs of names and whether they are one name once case is folded: the registry and the
// SourceSafe store must agree on every pair. And the change that turns a store back into the
// shape an earlier server made, whose name index folded ASCII letters only.
#pragma once

namespace testsupport {

struct NamePair {
    const char* first;
    const char* second;
    bool sameName;
};

inline constexpr NamePair kCaseFoldedNames[] = {
    {"Readme.TXT", "readme.txt", true},
    {"\u00C9.txt", "\u00E9.txt", true},                                     // É, é
    {"\u039F\u0394\u039F\u03A3.txt", "\u03BF\u03B4\u03BF\u03C2.txt", true}, // ΟΔΟΣ, οδος (final ς)
    {"\u041A\u0438\u0440\u0438\u043B\u043B.pas", "\u043A\u0418\u0420\u0418\u041B\u041B.pas", true},
    {"\u1E9E.txt", "\u00DF.txt", true},         // capital sharp s and ß
    {"\u212A.txt", "k.txt", true},              // Kelvin sign
    {"\u212B.txt", "\u00C5.txt", true},         // Angstrom sign and Å
    {"\u01C5.txt", "\u01C4.txt", true},         // title case Dž and upper case DŽ
    {"\U00010400.txt", "\U00010428.txt", true}, // Deseret, four bytes in UTF-8
    {"\u00DF.txt", "ss.txt", false},            // only full folding makes ß "ss"
    {"\uFB01.txt", "fi.txt", false},            // nor the ligature "fi"
    {"\u0130.txt", "i.txt", false},             // dotted capital I folds only in Turkish
    {"\u0131.txt", "I.txt", false},             // dotless i likewise
    {"e\u0301.txt", "\u00E9.txt", false},       // composed and decomposed differ: no normalising
};

// SQL for the store file: the name index folds ASCII letters only (NOCASE), and no folded names
// are kept.
inline constexpr const char* kEarlierStoreShape =
    "DROP INDEX links_by_name;"
    "ALTER TABLE links DROP COLUMN folded;"
    "CREATE UNIQUE INDEX links_by_name ON links(parent_id, name COLLATE NOCASE);"
    "UPDATE config SET value = '1' WHERE key = 'schema';"
    "DELETE FROM config WHERE key = 'folding';";

} // namespace testsupport
