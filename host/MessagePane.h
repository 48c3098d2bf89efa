// The message pane: every error and message box the add-in showed, with the time it came up,
// so that a user can read them again after the box is gone.
#pragma once

#include <QTreeWidget>

class QDateTime;

class MessagePane : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { TimeColumn, CaptionColumn, TextColumn };

    explicit MessagePane(QWidget* parent = nullptr);

    // Appends a line and scrolls to it. An error is marked as one.
    void addMessage(const QDateTime& when, const QString& caption, const QString& text, bool error);
};
