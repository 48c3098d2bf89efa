// A small add-in for testing the host on its own: a client with a few verbs, a notifier that
// reports file notifications, and real message boxes and a dialog built the way the add-in's
// platform builds them. Compiled three ways: a working add-in, one without INITVCS0013, and
// one whose INITVCS0013 throws.
#include "ToolIntf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

int messageBox(const QString& text, const QString& caption, int style) {
    QMessageBox box;
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(caption);
    box.setText(text);
    box.setProperty("qmStyle", style);
    if ((style & 0x0F) == 4) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        yes->setProperty("qmResult", 6);
        QPushButton* no = box.addButton(QMessageBox::No);
        no->setProperty("qmResult", 7);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? 6 : 7;
    }
    box.addButton(QMessageBox::Ok)->setProperty("qmResult", 1);
    box.exec();
    return 1;
}

// A dialog with one control of each kind the script language drives.
class FakeDialog : public QDialog {
public:
    FakeDialog() {
        setWindowTitle(QStringLiteral("Fake Dialog"));
        setObjectName(QStringLiteral("FormFake"));
        list_->setObjectName(QStringLiteral("ListBoxFileList"));
        list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list_->addItems(
            {QStringLiteral("a.pas"), QStringLiteral("b.pas"), QStringLiteral("c.pas")});
        log_->setObjectName(QStringLiteral("MemoLog"));
        log_->setReadOnly(true);
        edit_->setObjectName(QStringLiteral("EditName"));
        combo_->setObjectName(QStringLiteral("ComBoxChoice"));
        combo_->addItems(
            {QStringLiteral("Replace"), QStringLiteral("Skip"), QStringLiteral("Merge")});
        box_->setObjectName(QStringLiteral("CBoxFlag"));
        box_->setText(QStringLiteral("Flag"));
        tree_->setObjectName(QStringLiteral("TreeVProjects"));
        tree_->setHeaderHidden(true);
        auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("$")});
        root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        ok_->setObjectName(QStringLiteral("ButtonOk"));
        auto* cancel = new QPushButton(QStringLiteral("Cancel"));
        cancel->setObjectName(QStringLiteral("ButtonCancel"));

        auto* buttons = new QVBoxLayout;
        buttons->addWidget(ok_);
        buttons->addWidget(cancel);
        auto* top = new QHBoxLayout;
        top->addWidget(list_);
        top->addLayout(buttons);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addWidget(edit_);
        layout->addWidget(combo_);
        layout->addWidget(box_);
        layout->addWidget(tree_);
        layout->addWidget(log_);

        // User events only, as the add-in's dialogs wire them.
        connect(ok_, &QPushButton::clicked, this, [this] { okClicked(); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(list_, &QListWidget::itemDoubleClicked, this,
                [this](QListWidgetItem* item) { log(QStringLiteral("Double ") + item->text()); });
        connect(combo_, &QComboBox::activated, this,
                [this](int index) { log(QStringLiteral("Chose ") + combo_->itemText(index)); });
        connect(box_, &QCheckBox::clicked, this, [this](bool on) {
            log(on ? QStringLiteral("Flag on") : QStringLiteral("Flag off"));
        });
        // Children are made when a node is first opened, as the project trees do.
        connect(tree_, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
            if (item->childCount() > 0 || item->text(0) == u"B")
                return;
            auto* child = new QTreeWidgetItem(
                item, {item->text(0) == u"$" ? QStringLiteral("A") : QStringLiteral("B")});
            child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        });
    }

private:
    void log(const QString& line) { log_->appendPlainText(line); }

    void okClicked() {
        if (ok_->text() == u"Close") {
            accept();
            return;
        }
        QStringList chosen;
        for (QListWidgetItem* item : list_->selectedItems())
            chosen.append(item->text());
        log(QStringLiteral("Run ") + chosen.join(u',') + QStringLiteral(" name=") + edit_->text());
        if (messageBox(QStringLiteral("Really?"), QStringLiteral("Fake"), 36) == 6)
            log(QStringLiteral("Done"));
        ok_->setText(QStringLiteral("Close"));
    }

    QListWidget* list_ = new QListWidget;
    QPlainTextEdit* log_ = new QPlainTextEdit;
    QLineEdit* edit_ = new QLineEdit;
    QComboBox* combo_ = new QComboBox;
    QCheckBox* box_ = new QCheckBox;
    QTreeWidget* tree_ = new QTreeWidget;
    QPushButton* ok_ = new QPushButton(QStringLiteral("OK"));
};

class FakeNotifier : public TIAddInNotifier {
public:
    void FileNotification(TFileNotification code, const std::string& fileName, bool&) override {
        if (code == TFileNotification::AddedToProject)
            messageBox(QStringLiteral("Added ") + QString::fromStdString(fileName),
                       QStringLiteral("Fake"), 64);
        else if (code == TFileNotification::RemovedFromProject)
            throw std::runtime_error("cannot remove " + fileName);
    }
    void EventNotification(TEventNotification, bool&) override {}
};

class FakeClient : public TIVCSClient {
public:
    explicit FakeClient(TIToolServices* services) : services_(services) {
        services_->AddNotifier(notifier_);
    }

    std::string GetIDString() override { return "Fake.VCS"; }
    std::string GetMenuName() override { return "&Fake"; }
    int GetVerbCount() override { return 6; }
    std::string GetVerb(int index) override {
        static const char* const verbs[] = {"&Ask...",       "",      "&Dialog...", "&Throw",
                                            "&Project only", "&Where"};
        return index >= 0 && index < 6 ? verbs[index] : "";
    }
    std::uint16_t GetVerbState(int index) override {
        if (index == 4)
            return services_->GetProjectName().empty() ? 0 : vsEnabled;
        return index >= 0 && index < 6 ? vsEnabled : 0;
    }
    void ExecuteVerb(int index) override {
        switch (index) {
        case 0: {
            const int answer = messageBox(QStringLiteral("Go on?"), QStringLiteral("Fake"), 36);
            messageBox(QStringLiteral("Answer %1").arg(answer), QStringLiteral("Fake"), 64);
            break;
        }
        case 2: {
            FakeDialog dialog;
            dialog.exec();
            break;
        }
        case 3:
            throw std::runtime_error("The fake verb failed.");
        case 5:
            messageBox(QStringLiteral("Project=%1 Current=%2 Version=%3")
                           .arg(QString::fromStdString(services_->GetProjectName()),
                                QString::fromStdString(services_->GetCurrentFile()))
                           .arg(services_->GetVersion()),
                       QStringLiteral("Fake"), 64);
            break;
        default:
            break;
        }
    }
    void ProjectChange() override {}

protected:
    ~FakeClient() override {
        services_->RemoveNotifier(notifier_);
        notifier_->Release();
    }

private:
    TIToolServices* services_;
    FakeNotifier* notifier_ = new FakeNotifier;
};

} // namespace

#ifndef FAKE_WITHOUT_INIT
extern "C" __attribute__((visibility("default"))) TIVCSClient*
INITVCS0013(TIToolServices* toolServices) {
#ifdef FAKE_INIT_THROWS
    (void)toolServices;
    throw std::runtime_error("The fake add-in refuses to start.");
#else
    return new FakeClient(toolServices);
#endif
}
#endif
