#include "LogBuilder.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace ui {

// Builds a document from the batches it is given, on its own thread. The document belongs to that
// thread until the last batch is in, and then to the log's.
class LogBuilder::Builder {
public:
    explicit Builder(QThread* home) : home_(home), thread_([this] { run(); }) {}
    ~Builder() {
        close();
        if (thread_.joinable())
            thread_.join();
        delete document_;
    }

    void give(QString batch) {
        {
            const std::lock_guard lock(mutex_);
            batches_.push_back(std::move(batch));
        }
        ready_.notify_one();
    }

    // Waits for the last batch to be laid in; the caller owns the document.
    QTextDocument* take() {
        close();
        if (thread_.joinable())
            thread_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        return std::exchange(document_, nullptr);
    }

private:
    void close() {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_one();
    }

    std::optional<QString> next() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closed_ || !batches_.empty(); });
        if (batches_.empty())
            return std::nullopt;
        QString batch = std::move(batches_.front());
        batches_.pop_front();
        return batch;
    }

    void run() {
        try {
            auto document = std::make_unique<QTextDocument>();
            document->setUndoRedoEnabled(false);
            {
                QTextCursor cursor(document.get());
                for (bool first = true; auto batch = next(); first = false) {
                    if (!first)
                        cursor.insertBlock();
                    cursor.insertText(*batch);
                }
            }
            document->moveToThread(home_);
            document_ = document.release();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    QThread* home_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QString> batches_;
    bool closed_ = false;
    // Written by the thread, read after it is joined.
    QTextDocument* document_ = nullptr;
    std::exception_ptr failure_;
    std::thread thread_; // last: it starts once the rest is in place
};

LogBuilder::LogBuilder(QPlainTextEdit* log) : log_(log) {}

LogBuilder::~LogBuilder() = default;

void LogBuilder::append(QString line) {
    pending_.append(std::move(line));
    if (pending_.size() < kBatch)
        return;
    // A log that already holds text keeps the plain way: its document stays the one it has.
    if (!builder_ && !log_->document()->isEmpty())
        return;
    if (!builder_)
        builder_ = std::make_unique<Builder>(log_->thread());
    builder_->give(pending_.join(QChar('\n')));
    pending_.clear();
}

namespace {

// The log takes a document built elsewhere, with its own document's settings, and ends as an
// append leaves it: the cursor at the end, scrolled into view.
void install(QPlainTextEdit* log, QTextDocument* document) {
    const QTextDocument* old = log->document();
    document->setDefaultFont(old->defaultFont());
    document->setDocumentMargin(old->documentMargin());
    document->setDefaultTextOption(old->defaultTextOption());
    document->setUndoRedoEnabled(old->isUndoRedoEnabled());
    document->setMaximumBlockCount(old->maximumBlockCount());
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setParent(log); // the log owns it, and drops its own
    log->setDocument(document);
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    log->setTextCursor(end);
}

} // namespace

void LogBuilder::finish() {
    if (!builder_) {
        if (!pending_.isEmpty())
            log_->appendPlainText(pending_.join(QChar('\n')));
        pending_.clear();
        return;
    }
    if (!pending_.isEmpty())
        builder_->give(pending_.join(QChar('\n')));
    pending_.clear();
    std::unique_ptr<QTextDocument> document(builder_->take());
    builder_.reset();
    install(log_, document.release());
}

} // namespace ui
