#include "MessagePane.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QStyle>

MessagePane::MessagePane(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("MessagePane"));
    setColumnCount(3);
    setHeaderLabels({tr("Time"), tr("Caption"), tr("Message")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(TimeColumn, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(CaptionColumn, QHeaderView::ResizeToContents);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* clearAll = new QAction(tr("C&lear"), this);
    connect(clearAll, &QAction::triggered, this, &QTreeWidget::clear);
    addAction(clearAll);
}

void MessagePane::addMessage(const QDateTime& when, const QString& caption, const QString& text,
                             bool error) {
    // A multi-line text is shown on one line; the tooltip keeps its lines.
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
    auto* item = new QTreeWidgetItem(
        this, {when.toString(QStringLiteral("HH:mm:ss")), caption, oneLine.simplified()});
    item->setToolTip(TextColumn, text);
    item->setToolTip(TimeColumn, when.toString(Qt::ISODate));
    if (error)
        item->setIcon(TimeColumn, style()->standardIcon(QStyle::SP_MessageBoxCritical));
    scrollToItem(item);
}
