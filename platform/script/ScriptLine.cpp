#include "ScriptLine.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The commands of every script: waiting, files, and acting on the active window's controls.
const ScriptCommands& windowCommands() {
    static const ScriptCommands table = {
        {QStringLiteral("write"), {2, 2}},     {QStringLiteral("idle"), {0, 0}},
        {QStringLiteral("window"), {1, 1}},    {QStringLiteral("select"), {2, -1}},
        {QStringLiteral("deselect"), {2, -1}}, {QStringLiteral("dblclick"), {2, 2}},
        {QStringLiteral("click"), {1, 1}},     {QStringLiteral("type"), {2, 2}},
        {QStringLiteral("clear"), {1, 1}},     {QStringLiteral("choose"), {2, 2}},
        {QStringLiteral("check"), {2, 2}},     {QStringLiteral("expand"), {2, 2}},
        {QStringLiteral("pick"), {2, 2}},      {QStringLiteral("key"), {2, 2}},
        {QStringLiteral("answer"), {1, 1}},    {QStringLiteral("closebox"), {0, 0}},
        {QStringLiteral("dump"), {0, 0}},      {QStringLiteral("shot"), {1, 1}},
        {QStringLiteral("expect"), {3, 3}},    {QStringLiteral("print"), {1, 1}},
    };
    return table;
}

QChar unescape(QChar c, int number) {
    switch (c.unicode()) {
    case 'n':
        return u'\n';
    case 'r':
        return u'\r';
    case 't':
        return u'\t';
    case '"':
    case '\\':
        return c;
    default:
        throw ScriptError("line " + std::to_string(number) + ": unknown escape \\" +
                          QString(c).toStdString());
    }
}

} // namespace

ScriptLine ScriptLine::parse(const QString& text, int number) {
    ScriptLine line;
    line.number = number;
    line.source = text.trimmed();
    if (line.source.isEmpty() || line.source.startsWith(u'#'))
        return line;
    QStringList words;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (text[i] == u'"') {
            ++i;
            while (true) {
                if (i >= text.size())
                    throw ScriptError("line " + std::to_string(number) + ": unterminated quote");
                if (text[i] == u'"') {
                    ++i;
                    break;
                }
                if (text[i] == u'\\' && i + 1 < text.size()) {
                    word += unescape(text[i + 1], number);
                    i += 2;
                    continue;
                }
                word += text[i++];
            }
        } else {
            while (i < text.size() && !text[i].isSpace())
                word += text[i++];
        }
        words.append(word);
    }
    line.command = words.takeFirst();
    line.args = words;
    return line;
}

QList<ScriptLine> ScriptLine::parseScript(const QString& text, const ScriptCommands& own) {
    QList<ScriptLine> lines;
    const QStringList rows = text.split(u'\n');
    for (int i = 0; i < rows.size(); ++i) {
        ScriptLine line = parse(rows[i], i + 1);
        if (line.command.isEmpty())
            continue;
        line.validate(own);
        lines.append(line);
    }
    return lines;
}

void ScriptLine::validate(const ScriptCommands& own) const {
    const std::string where = "line " + std::to_string(number) + ": ";
    auto found = windowCommands().constFind(command);
    if (found == windowCommands().constEnd()) {
        found = own.constFind(command);
        if (found == own.constEnd())
            throw ScriptError(where + "unknown command \"" + command.toStdString() + "\"");
    }
    const int count = static_cast<int>(args.size());
    if (count < found->min || (found->max >= 0 && count > found->max))
        throw ScriptError(where + "wrong number of arguments for " + command.toStdString());
}

QString absoluteScriptPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
