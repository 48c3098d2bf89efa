// The layouts the dialogs are known by: captions, object names, client areas, positions, tab
// order, default and cancel buttons.
#include "DialogFixture.h"

#include "UnitAddFile.h"
#include "UnitAdvancedCheckOut.h"
#include "UnitAdvancedGet.h"
#include "UnitAdvancedUndoCheckout.h"
#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitRemoveFromControl.h"
#include "UnitUndoCheckOut.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

using Layout = DialogFixture;

QRect at(const QWidget* form, const char* name) {
    const auto* widget = form->findChild<QWidget*>(name);
    return widget ? widget->geometry() : QRect();
}

// Names of the form's tab stops in focus-chain order, from the first one.
QStringList tabStops(QWidget* form, const QString& first) {
    QStringList names;
    QWidget* start = form->findChild<QWidget*>(first);
    QWidget* w = start;
    do {
        if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty() && w->parent() == form)
            names << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    return names;
}

TEST_F(Layout, CommentDialogs) {
    TFormCheckOut dialog(database, "$/Proj", "");
    EXPECT_EQ(dialog.windowTitle(), "Check Out");
    EXPECT_EQ(dialog.size(), QSize(378, 322));
    EXPECT_EQ(dialog.font().family(), "MS Sans Serif");
    EXPECT_EQ(dialog.font().pointSize(), 8);
    EXPECT_EQ(dialog.LabelFiles->text(), "Select Files To Checkout:");
    EXPECT_EQ(dialog.LabelFiles->pos(), QPoint(8, 1));
    EXPECT_EQ(at(&dialog, "ListBoxFileList"), QRect(4, 17, 281, 116));
    EXPECT_EQ(at(&dialog, "ButtonOk"), QRect(298, 16, 75, 25));
    EXPECT_EQ(at(&dialog, "ButtonAdvanced"), QRect(298, 108, 75, 25));
    EXPECT_EQ(at(&dialog, "MemoComment"), QRect(4, 149, 369, 74));
    EXPECT_EQ(at(&dialog, "MemoLog"), QRect(4, 242, 369, 73));
    EXPECT_EQ(dialog.findChild<QLabel*>("LabelComment")->pos(), QPoint(8, 134));
    EXPECT_EQ(tabStops(&dialog, "ListBoxFileList"),
              QStringList({"ListBoxFileList", "MemoComment", "ButtonOk", "ButtonCancel",
                           "ButtonHelp", "ButtonAdvanced"}));
    EXPECT_EQ(dialog.defaultButton(), dialog.ButtonOk);
    EXPECT_EQ(dialog.cancelButton(), dialog.ButtonCancel);
    EXPECT_EQ(ui::Form::buttonModalResult(dialog.ButtonCancel), ui::mrCancel);
    EXPECT_EQ(dialog.ListBoxFileList->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(dialog.MemoLog->isReadOnly());
    EXPECT_EQ(dialog.MemoLog->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(dialog.MemoComment->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(dialog.ButtonHelp->text(), "&Help");
    EXPECT_EQ(dialog.ButtonAdvanced->text(), "&Advanced...");

    TFormCheckIn checkIn(database, "$/Proj", "");
    EXPECT_EQ(checkIn.windowTitle(), "Check In Files");
    EXPECT_EQ(checkIn.LabelFiles->text(), "Files");
    EXPECT_FALSE(checkIn.ButtonAdvanced->isEnabled());
}

// A label as large as its text and clear of the control below it, which would otherwise cover
// part of the caption.
TEST_F(Layout, LabelsFitTheirTextAboveTheirControls) {
    struct Case {
        const char* label;
        const char* below;
    };
    const TFormCheckOut checkOut(database, "$/Proj", "");
    const TFormCheckIn checkIn(database, "$/Proj", "");
    const TFormAddFile addFile(database, "$/Proj", "");
    const TFormGetLatest getLatest(database, "$/Proj", "");
    const std::vector<std::pair<const QWidget*, std::vector<Case>>> dialogs = {
        {&checkOut,
         {{"LabelFiles", "ListBoxFileList"},
          {"LabelComment", "MemoComment"},
          {"LabelLog", "MemoLog"}}},
        {&checkIn, {{"LabelComment", "MemoComment"}}},
        {&addFile, {{"LabelComment", "MemoComment"}}},
        {&getLatest, {{"LabelFiles", "ListBoxFileList"}, {"LabelLog", "MemoLog"}}},
    };
    for (const auto& [dialog, labels] : dialogs)
        for (const Case& c : labels) {
            const auto* label = dialog->findChild<QLabel*>(c.label);
            ASSERT_NE(label, nullptr) << c.label;
            const std::string where = dialog->windowTitle().toStdString() + " " + c.label;
            EXPECT_EQ(label->size(), label->sizeHint()) << where;
            EXPECT_LT(label->geometry().bottom(), at(dialog, c.below).top()) << where;
        }
}

TEST_F(Layout, NoCommentDialogs) {
    TFormUndoCheckOut dialog(database, "$/Proj", "");
    EXPECT_EQ(dialog.windowTitle(), "Undo Check Out");
    EXPECT_EQ(dialog.size(), QSize(356, 245));
    EXPECT_EQ(dialog.LabelFiles->text(), "Select Files To Undo Check Out:");
    EXPECT_EQ(dialog.LabelFiles->pos(), QPoint(3, 1));
    EXPECT_EQ(at(&dialog, "ListBoxFileList"), QRect(1, 18, 270, 117));
    EXPECT_EQ(at(&dialog, "ButtonCancel"), QRect(279, 48, 75, 25));
    EXPECT_EQ(at(&dialog, "ButtonHelp"), QRect(279, 78, 75, 25));
    EXPECT_EQ(at(&dialog, "MemoLog"), QRect(1, 156, 353, 84));
    EXPECT_EQ(dialog.LabelLog->pos(), QPoint(3, 140));
    EXPECT_EQ(tabStops(&dialog, "ListBoxFileList"),
              QStringList(
                  {"ListBoxFileList", "ButtonOk", "ButtonCancel", "ButtonHelp", "ButtonAdvanced"}));
    EXPECT_FALSE(dialog.ButtonOk->isEnabled());

    EXPECT_EQ(TFormGetLatest(database, "$/Proj", "").LabelFiles->text(), "Select Files To Get");
    TFormRemoveFromControl remove(database, "$/Proj", "");
    EXPECT_EQ(remove.windowTitle(), "FormRemoveFromControl");
    EXPECT_EQ(remove.LabelFiles->text(), "Files");
}

TEST_F(Layout, AdvancedDialogs) {
    TFormAdvancedCheckOut checkOut;
    EXPECT_EQ(checkOut.windowTitle(), "Advanced Check Out Options");
    EXPECT_EQ(checkOut.size(), QSize(371, 101));
    EXPECT_EQ(at(&checkOut, "ButtonOk"), QRect(284, 6, 75, 25));
    EXPECT_EQ(at(&checkOut, "ButtonHelp"), QRect(284, 66, 75, 25));
    EXPECT_EQ(at(&checkOut, "CBoxDontGet"), QRect(132, 72, 121, 17));
    EXPECT_EQ(at(&checkOut, "ComBoxSetTimestamp").topLeft(), QPoint(8, 72));
    EXPECT_EQ(at(&checkOut, "ComBoxSetTimestamp").width(), 113);
    EXPECT_FALSE(checkOut.ComBoxReplaceWriteable->isEditable());
    EXPECT_EQ(tabStops(&checkOut, "ButtonOk"),
              QStringList({"ButtonOk", "ButtonCancel", "ButtonHelp", "ComBoxReplaceWriteable",
                           "ComBoxSetTimestamp", "CBoxDontGet"}));
    EXPECT_EQ(ui::Form::buttonModalResult(checkOut.ButtonOk), ui::mrOk);

    TFormAdvancedGet get;
    EXPECT_EQ(get.windowTitle(), "Advanced Get Options");
    EXPECT_EQ(get.size(), QSize(345, 101));
    EXPECT_EQ(at(&get, "ButtonCancel"), QRect(260, 36, 75, 25));
    EXPECT_EQ(at(&get, "CBoxMakeWriteable"), QRect(140, 74, 97, 17));
    EXPECT_EQ(get.ComBoxSetTimestamp->count(), 3);
    EXPECT_EQ(get.ComBoxSetTimestamp->itemText(2), "CheckIn");

    TFormAdvancedUndoCheckout undo;
    EXPECT_EQ(undo.windowTitle(), "Undo Check Out Advanced Options");
    EXPECT_EQ(undo.size(), QSize(263, 99));
    EXPECT_EQ(at(&undo, "ButtonOk"), QRect(184, 6, 75, 25));
    EXPECT_EQ(at(&undo, "ComBoxLocalCopy").topLeft(), QPoint(32, 44));
    EXPECT_EQ(undo.LabelLocalCopy->text(), "LocalCopy:");
}

} // namespace
