// A Delphi project file (.dpr): its units are the `Name in 'File.pas'` entries of the program's
// `uses` clause. Adding and removing a unit edits that clause in place and leaves the rest of
// the text as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

class ProjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DelphiProject {
public:
    // One entry of the uses clause; positions are offsets into the text.
    struct UsesEntry {
        QString unitName;
        QString fileName; // as written between the quotes; empty for a unit without `in`
        qsizetype start = 0;
        qsizetype end = 0; // up to the following "," or ";", trailing comments included
    };
    struct UsesClause {
        qsizetype start = -1;     // the keyword `uses`; -1 when there is none
        qsizetype semicolon = -1; // the closing ";"
        qsizetype headerEnd = -1; // just after the `program Name;` header
        QList<UsesEntry> entries;
    };

    // Raises ProjectError when the file cannot be read or is not a program.
    static DelphiProject load(const QString& path);
    // Writes a new program file named after the file and returns it; refuses an existing file.
    static DelphiProject create(const QString& path);
    // Parses program text; raises ProjectError for an unterminated clause or a missing header.
    static UsesClause parse(const QString& text);

    const QString& path() const { return path_; }
    const QString& text() const { return text_; }
    QString directory() const;
    // Full paths of the units that name a file, in clause order.
    QStringList files() const;
    bool contains(const QString& fullPath) const;

    // Edit the clause and write the file atomically; raise ProjectError when refused.
    void addFile(const QString& fullPath);
    void removeFile(const QString& fullPath);

private:
    DelphiProject(QString path, QString text, bool latin1);

    QString resolve(const QString& written) const;
    void setText(QString text);
    // Saves the edited text; the project changes only when the file was written.
    void replaceText(QString text);
    void save() const;

    QString path_;
    QString text_;
    bool latin1_ = false; // the file was not valid UTF-8: keep its bytes as they were
    UsesClause clause_;
};
