// The lines a run adds to a log, shown together when the run ends. A long run's lines are laid
// into a text document on a thread of their own while the run goes on; the log then takes that
// document whole. Laying out thousands of lines is otherwise a large part of a run in which each
// file takes little time.
#pragma once

#include <QStringList>

#include <memory>

class QPlainTextEdit;

namespace ui {

class LogBuilder {
public:
    explicit LogBuilder(QPlainTextEdit* log);
    // A run left without finish() shows nothing of it.
    ~LogBuilder();
    LogBuilder(const LogBuilder&) = delete;
    LogBuilder& operator=(const LogBuilder&) = delete;

    void append(QString line);
    // The log shows every line appended, after its earlier text, as one append of them all would
    // show it; lines appended afterwards wait for the next finish().
    void finish();

    // From this many lines on, the lines go to the thread.
    static constexpr qsizetype kBatch = 256;

private:
    class Builder;

    QPlainTextEdit* log_;
    QStringList pending_;
    std::unique_ptr<Builder> builder_;
};

} // namespace ui
