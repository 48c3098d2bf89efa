// The .dpr reader and editor: which entries count as the project's files, and edits that
// change the uses clause and nothing else.
#include "DelphiProject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char kDemo[] = "program Demo;\n"
                     "\n"
                     "uses\n"
                     "  Forms,\n"
                     "  Unit1 in 'Unit1.pas' {Form1},\n"
                     "  { a comment; with uses, in it }\n"
                     "  Unit2 in 'Sub\\Unit2.pas',\n"
                     "  Unit3 in 'It''s.pas';\n"
                     "\n"
                     "{$R *.RES}\n"
                     "\n"
                     "begin\n"
                     "  Application.Run; // uses x;\n"
                     "end.\n";

class DelphiProjectTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    QByteArray read(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QString in(const QString& relative) { return QDir::cleanPath(dir.filePath(relative)); }

    QTemporaryDir dir;
};

TEST_F(DelphiProjectTest, FilesAreTheInEntriesResolvedBesideTheProject) {
    const DelphiProject project = DelphiProject::load(write("Demo.dpr", kDemo));
    EXPECT_EQ(project.files(), QStringList({in("Unit1.pas"), in("Sub/Unit2.pas"), in("It's.pas")}));
    EXPECT_TRUE(project.contains(in("Sub/Unit2.pas")));
    EXPECT_FALSE(project.contains(in("Forms.pas")));
}

TEST_F(DelphiProjectTest, RejectsWhatIsNotAProgram) {
    EXPECT_THROW(DelphiProject::load(write("U.dpr", "unit U;\ninterface\nend.\n")), ProjectError);
    EXPECT_THROW(DelphiProject::load(write("A.dpr", "program A;\nuses X in 'X.pas'\nbegin end.")),
                 ProjectError);
    EXPECT_THROW(DelphiProject::load(write("B.dpr", "program B;\nuses X in 'X.pas;\n")),
                 ProjectError);
    EXPECT_THROW(DelphiProject::load(write("C.dpr", "program C; { open\n")), ProjectError);
    EXPECT_THROW(DelphiProject::load(dir.filePath("missing.dpr")), ProjectError);
}

TEST_F(DelphiProjectTest, AddingAppendsToTheClauseAndKeepsTheRest) {
    const QString path = write("Demo.dpr", kDemo);
    DelphiProject project = DelphiProject::load(path);
    project.addFile(in("Sub/New.pas"));
    QByteArray expected(kDemo);
    expected.replace("'It''s.pas';", "'It''s.pas',\n  New in 'Sub/New.pas';");
    EXPECT_EQ(read(path), expected);
    EXPECT_EQ(DelphiProject::load(path).files().last(), in("Sub/New.pas"));
}

TEST_F(DelphiProjectTest, AddingToAProgramWithoutUsesCreatesTheClause) {
    const QString path = write("P.dpr", "program P;\n\nbegin\nend.\n");
    DelphiProject project = DelphiProject::load(path);
    project.addFile(in("A.pas"));
    EXPECT_EQ(read(path), QByteArray("program P;\n\nuses\n  A in 'A.pas';\n\nbegin\nend.\n"));
}

TEST_F(DelphiProjectTest, AddingRefusesDuplicatesAndInvalidNamesWithoutWriting) {
    const QString path = write("Demo.dpr", kDemo);
    DelphiProject project = DelphiProject::load(path);
    EXPECT_THROW(project.addFile(in("other/UNIT1.pas")), ProjectError); // names ignore case
    EXPECT_THROW(project.addFile(in("my unit.pas")), ProjectError);
    EXPECT_EQ(read(path), QByteArray(kDemo));
}

TEST_F(DelphiProjectTest, RemovingTakesTheEntryAndItsComma) {
    const QString path = write("Demo.dpr", kDemo);
    DelphiProject project = DelphiProject::load(path);
    project.removeFile(in("Unit1.pas"));
    QByteArray expected(kDemo);
    expected.replace(",\n  Unit1 in 'Unit1.pas' {Form1}", "");
    EXPECT_EQ(read(path), expected);

    project.removeFile(in("It's.pas")); // the last entry: the comma before it goes
    EXPECT_EQ(project.files(), QStringList({in("Sub/Unit2.pas")}));
    EXPECT_TRUE(read(path).contains("Unit2 in 'Sub\\Unit2.pas';\n"));
}

TEST_F(DelphiProjectTest, RemovingTheFirstAndTheOnlyEntries) {
    const QString path = write("P.dpr", "program P;\n\nuses\n  A in 'A.pas',\n  B in 'B.pas';\n"
                                        "\nbegin\nend.\n");
    DelphiProject project = DelphiProject::load(path);
    project.removeFile(in("A.pas"));
    EXPECT_EQ(read(path), QByteArray("program P;\n\nuses\n  B in 'B.pas';\n\nbegin\nend.\n"));
    project.removeFile(in("B.pas"));
    EXPECT_EQ(read(path), QByteArray("program P;\n\nbegin\nend.\n"));
    EXPECT_THROW(project.removeFile(in("B.pas")), ProjectError);
}

TEST_F(DelphiProjectTest, AReadOnlyProjectIsNotReplaced) {
    const QString path = write("Demo.dpr", kDemo);
    DelphiProject project = DelphiProject::load(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_THROW(project.addFile(in("New.pas")), ProjectError);
    EXPECT_THROW(project.removeFile(in("Unit1.pas")), ProjectError);
    EXPECT_EQ(read(path), QByteArray(kDemo));
    EXPECT_EQ(project.files().size(), 3); // the refused edits left the project as it was
}

TEST_F(DelphiProjectTest, CreateWritesAProgramAndRefusesToOverwrite) {
    const QString path = dir.filePath("Fresh.dpr");
    DelphiProject project = DelphiProject::create(path);
    EXPECT_TRUE(project.files().isEmpty());
    EXPECT_EQ(read(path), QByteArray("program Fresh;\n\nbegin\nend.\n"));
    EXPECT_THROW(DelphiProject::create(path), ProjectError);
}

TEST_F(DelphiProjectTest, BytesThatAreNotUtf8SurviveAnEdit) {
    QByteArray text("program P; { caf\xe9 }\n\nuses\n  A in 'A.pas';\n\nbegin\nend.\n");
    const QString path = write("P.dpr", text);
    DelphiProject project = DelphiProject::load(path);
    project.addFile(in("B.pas"));
    text.replace("'A.pas';", "'A.pas',\n  B in 'B.pas';");
    EXPECT_EQ(read(path), text);
}

} // namespace
