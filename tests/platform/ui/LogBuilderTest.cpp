// A run's log lines, laid out on a thread of their own for a long run: the log must end exactly
// as one plain append of all the lines leaves it.
#include <ui/LogBuilder.h>

#include "QStringPrinter.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

struct Log {
    explicit Log(const QString& earlier = {}) {
        edit.setReadOnly(true);
        edit.setUndoRedoEnabled(false);
        edit.setLineWrapMode(QPlainTextEdit::NoWrap);
        QFont font = edit.font();
        font.setPointSize(font.pointSize() + 3);
        edit.setFont(font);
        edit.resize(240, 90);
        edit.show();
        if (!earlier.isEmpty())
            edit.appendPlainText(earlier);
    }
    QPlainTextEdit edit;
};

QStringList lines(qsizetype count, const QString& stem) {
    QStringList result;
    for (qsizetype i = 0; i < count; ++i)
        result.append(stem + QString::number(i));
    return result;
}

void expectSame(const QPlainTextEdit& built, const QPlainTextEdit& appended) {
    EXPECT_EQ(built.toPlainText(), appended.toPlainText());
    EXPECT_EQ(built.document()->blockCount(), appended.document()->blockCount());
    EXPECT_EQ(built.textCursor().position(), appended.textCursor().position());
    EXPECT_EQ(built.verticalScrollBar()->value(), appended.verticalScrollBar()->value());
    EXPECT_EQ(built.verticalScrollBar()->maximum(), appended.verticalScrollBar()->maximum());
    EXPECT_EQ(built.document()->defaultFont(), appended.document()->defaultFont());
    EXPECT_FALSE(built.document()->isUndoRedoEnabled());
    EXPECT_TRUE(built.isReadOnly());
}

TEST(LogBuilderTest, LinesShowAsOneAppendOfThemAllWouldShowThem) {
    const qsizetype batch = ui::LogBuilder::kBatch;
    const qsizetype counts[] = {0, 1, batch - 1, batch, 3 * batch + 7};
    for (const QString& earlier : {QString(), QStringLiteral("an earlier line")}) {
        for (const qsizetype count : counts) {
            SCOPED_TRACE(earlier.toStdString() + " " + std::to_string(count));
            Log built(earlier), appended(earlier);
            const QStringList run = lines(count, QStringLiteral("Getting /work/f"));
            {
                ui::LogBuilder builder(&built.edit);
                for (const QString& line : run)
                    builder.append(line);
                builder.finish();
            }
            if (!run.isEmpty())
                appended.edit.appendPlainText(run.join(QChar('\n')));
            expectSame(built.edit, appended.edit);
        }
    }
}

TEST(LogBuilderTest, ASecondFinishAddsOnlyTheLinesSinceTheFirst) {
    const qsizetype batch = ui::LogBuilder::kBatch;
    Log built, appended;
    ui::LogBuilder builder(&built.edit);
    for (const QStringList& run :
         {lines(2 * batch, QStringLiteral("a")), lines(5, QStringLiteral("b")),
          lines(batch + 1, QStringLiteral("c"))}) {
        for (const QString& line : run)
            builder.append(line);
        builder.finish();
        appended.edit.appendPlainText(run.join(QChar('\n')));
        expectSame(built.edit, appended.edit);
    }
}

TEST(LogBuilderTest, ARunNotFinishedShowsNothingOfIt) {
    Log log(QStringLiteral("kept"));
    {
        ui::LogBuilder builder(&log.edit);
        for (const QString& line : lines(3 * ui::LogBuilder::kBatch, QStringLiteral("lost")))
            builder.append(line);
    }
    EXPECT_EQ(log.edit.toPlainText(), QStringLiteral("kept"));
}

} // namespace
