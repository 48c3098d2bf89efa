#include "DelphiProject.h"

#include <system/ReadOnly.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

struct Token {
    enum Kind { End, Identifier, String, Symbol } kind = End;
    qsizetype start = 0;
    qsizetype end = 0;
    QString value; // identifier text, unquoted string, or the symbol
};

// Just enough of a Pascal scanner to find the uses clause: comments of all three kinds and
// quoted strings are skipped as wholes, so a "uses" or ";" inside them does not count.
class Scanner {
public:
    explicit Scanner(const QString& text) : text_(text) {}

    Token next() {
        skipBlanksAndComments();
        Token token;
        token.start = pos_;
        if (pos_ >= text_.size()) {
            token.end = pos_;
            return token;
        }
        const QChar c = text_[pos_];
        if (c.isLetter() || c == u'_') {
            token.kind = Token::Identifier;
            while (pos_ < text_.size() &&
                   (text_[pos_].isLetterOrNumber() || text_[pos_] == u'_' || text_[pos_] == u'.'))
                ++pos_;
            token.value = text_.mid(token.start, pos_ - token.start);
        } else if (c == u'\'') {
            token.kind = Token::String;
            token.value = readString();
        } else {
            token.kind = Token::Symbol;
            token.value = c;
            ++pos_;
        }
        token.end = pos_;
        return token;
    }

private:
    void skipBlanksAndComments() {
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_];
            if (c.isSpace()) {
                ++pos_;
            } else if (c == u'{') {
                skipPast(u"}", pos_ + 1);
            } else if (text_.mid(pos_, 2) == u"(*") {
                skipPast(u"*)", pos_ + 2);
            } else if (text_.mid(pos_, 2) == u"//") {
                const qsizetype eol = text_.indexOf(u'\n', pos_);
                pos_ = eol < 0 ? text_.size() : eol + 1;
            } else {
                return;
            }
        }
    }

    void skipPast(QStringView closing, qsizetype from) {
        const qsizetype at = text_.indexOf(closing, from);
        if (at < 0)
            throw ProjectError("The project file has an unterminated comment.");
        pos_ = at + closing.size();
    }

    QString readString() {
        QString value;
        ++pos_; // opening quote
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == u'\n')
                throw ProjectError("The project file has an unterminated string.");
            if (text_[pos_] == u'\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\'') {
                    value += u'\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return value;
            }
            value += text_[pos_++];
        }
    }

    const QString& text_;
    qsizetype pos_ = 0;
};

bool isKeyword(const Token& token, QStringView word) {
    return token.kind == Token::Identifier && token.value.compare(word, Qt::CaseInsensitive) == 0;
}

bool isSymbol(const Token& token, QChar symbol) {
    return token.kind == Token::Symbol && token.value == symbol;
}

[[noreturn]] void malformed(const char* what) {
    throw ProjectError(std::string("The project's uses clause is malformed: ") + what + ".");
}

// Parses the entries after `uses` up to the closing ";".
void parseEntries(Scanner& scanner, DelphiProject::UsesClause& clause) {
    while (true) {
        Token name = scanner.next();
        if (name.kind != Token::Identifier)
            malformed("a unit name is missing");
        DelphiProject::UsesEntry entry;
        entry.unitName = name.value;
        entry.start = name.start;
        Token token = scanner.next();
        if (isKeyword(token, u"in")) {
            Token file = scanner.next();
            if (file.kind != Token::String)
                malformed("a file name is missing after \"in\"");
            entry.fileName = file.value;
            token = scanner.next();
        }
        entry.end = token.start;
        clause.entries.append(entry);
        if (isSymbol(token, u';')) {
            clause.semicolon = token.start;
            return;
        }
        if (!isSymbol(token, u','))
            malformed("\",\" or \";\" expected");
    }
}

QString pascalQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u"'"_qs, u"''"_qs);
    return u'\'' + quoted + u'\'';
}

} // namespace

DelphiProject::DelphiProject(QString path, QString text, bool latin1)
    : path_(std::move(path)), latin1_(latin1) {
    setText(std::move(text));
}

DelphiProject::UsesClause DelphiProject::parse(const QString& text) {
    UsesClause clause;
    Scanner scanner(text);
    // program Name;
    if (!isKeyword(scanner.next(), u"program"))
        throw ProjectError("The file is not a Delphi program: it does not start with \"program\".");
    if (scanner.next().kind != Token::Identifier)
        throw ProjectError("The program has no name.");
    const Token semicolon = scanner.next();
    if (!isSymbol(semicolon, u';'))
        throw ProjectError("The program header does not end with \";\".");
    clause.headerEnd = semicolon.end;
    const Token token = scanner.next();
    if (isKeyword(token, u"uses")) {
        clause.start = token.start;
        parseEntries(scanner, clause);
    }
    return clause;
}

DelphiProject DelphiProject::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ProjectError("Cannot open the project " + path.toStdString() + ": " +
                           file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    const bool latin1 = utf8.hasError();
    if (latin1)
        text = QString::fromLatin1(bytes);
    return DelphiProject(QFileInfo(path).absoluteFilePath(), std::move(text), latin1);
}

DelphiProject DelphiProject::create(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        throw ProjectError(path.toStdString() + " already exists.");
    static const QRegularExpression identifier(u"^[A-Za-z_][A-Za-z0-9_]*$"_qs);
    if (!identifier.match(info.completeBaseName()).hasMatch())
        throw ProjectError("\"" + info.completeBaseName().toStdString() +
                           "\" is not a valid program name.");
    QString text = u"program "_qs + info.completeBaseName() + u";\n\nbegin\nend.\n"_qs;
    DelphiProject project(info.absoluteFilePath(), std::move(text), false);
    project.save();
    return project;
}

QString DelphiProject::directory() const {
    return QFileInfo(path_).absolutePath();
}

QString DelphiProject::resolve(const QString& written) const {
    QString native = written;
    native.replace(u'\\', u'/');
    return QDir::cleanPath(QDir(directory()).absoluteFilePath(native));
}

QStringList DelphiProject::files() const {
    QStringList result;
    for (const UsesEntry& entry : clause_.entries)
        if (!entry.fileName.isEmpty())
            result.append(resolve(entry.fileName));
    return result;
}

bool DelphiProject::contains(const QString& fullPath) const {
    return files().contains(QDir::cleanPath(QFileInfo(fullPath).absoluteFilePath()));
}

void DelphiProject::addFile(const QString& fullPath) {
    const QFileInfo info(fullPath);
    const QString unitName = info.completeBaseName();
    static const QRegularExpression identifier(u"^[A-Za-z_][A-Za-z0-9_.]*$"_qs);
    if (!identifier.match(unitName).hasMatch())
        throw ProjectError("\"" + unitName.toStdString() + "\" is not a valid unit name.");
    for (const UsesEntry& entry : clause_.entries)
        if (entry.unitName.compare(unitName, Qt::CaseInsensitive) == 0)
            throw ProjectError("The project already uses a unit named " + unitName.toStdString() +
                               ".");
    const QString relative = QDir(directory()).relativeFilePath(info.absoluteFilePath());
    const QString entry = unitName + u" in "_qs + pascalQuoted(relative);
    QString text = text_;
    if (clause_.start < 0)
        text.insert(clause_.headerEnd, u"\n\nuses\n  "_qs + entry + u';');
    else
        text.insert(clause_.semicolon, u",\n  "_qs + entry);
    replaceText(std::move(text));
}

void DelphiProject::removeFile(const QString& fullPath) {
    const QString wanted = QDir::cleanPath(QFileInfo(fullPath).absoluteFilePath());
    const QList<UsesEntry>& entries = clause_.entries;
    qsizetype index = 0;
    while (index < entries.size() &&
           (entries[index].fileName.isEmpty() || resolve(entries[index].fileName) != wanted))
        ++index;
    if (index == entries.size())
        throw ProjectError(wanted.toStdString() + " is not part of the project.");

    QString text = text_;
    if (entries.size() == 1) {
        // The clause goes away with its last unit, blank lines before it included.
        qsizetype from = clause_.start;
        while (from > clause_.headerEnd && text[from - 1].isSpace())
            --from;
        text.remove(from, clause_.semicolon + 1 - from);
    } else if (index == 0) {
        text.remove(entries[0].start, entries[1].start - entries[0].start);
    } else {
        // From the comma that ends the previous entry to the end of this one.
        const qsizetype from = entries[index - 1].end;
        text.remove(from, entries[index].end - from);
    }
    replaceText(std::move(text));
}

void DelphiProject::replaceText(QString text) {
    DelphiProject edited(path_, std::move(text), latin1_);
    edited.save();
    *this = std::move(edited);
}

void DelphiProject::setText(QString text) {
    UsesClause clause = parse(text);
    text_ = std::move(text);
    clause_ = std::move(clause);
}

void DelphiProject::save() const {
    // A read-only project file is one not checked out: replacing it would bypass that.
    if (isReadOnlyFile(path_))
        throw ProjectError("The project " + path_.toStdString() +
                           " is read-only; check it out first.");
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        throw ProjectError("Cannot write the project " + path_.toStdString() + ": " +
                           file.errorString().toStdString());
    file.write(latin1_ ? text_.toLatin1() : text_.toUtf8());
    if (!file.commit())
        throw ProjectError("Cannot write the project " + path_.toStdString() + ": " +
                           file.errorString().toStdString());
}
