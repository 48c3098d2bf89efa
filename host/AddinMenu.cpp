#include "AddinMenu.h"

#include "AddinCall.h"

#include <QAction>
#include <QMenu>

AddinMenu::AddinMenu(TIVCSClient& client, QWidget* parent, ErrorHandler onError)
    : QObject(parent), client_(client), onError_(std::move(onError)) {
    QString title;
    int count = 0;
    QStringList texts;
    const auto error = callAddin([&] {
        title = QString::fromStdString(client_.GetMenuName());
        count = client_.GetVerbCount();
        for (int i = 0; i < count; ++i)
            texts.append(QString::fromStdString(client_.GetVerb(i)));
    });
    menu_ = new QMenu(title, parent);
    if (error) {
        onError_(*error);
        return;
    }
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].isEmpty()) {
            menu_->addSeparator();
            actions_.append(nullptr);
        } else {
            QAction* action = menu_->addAction(texts[i]);
            connect(action, &QAction::triggered, this, [this, i] { execute(i); });
            actions_.append(action);
        }
        states_.append(0);
    }
    connect(menu_, &QMenu::aboutToShow, this, &AddinMenu::refreshStates);
}

AddinMenu::~AddinMenu() {
    delete menu_;
}

void AddinMenu::refreshStates() {
    for (int i = 0; i < actions_.size(); ++i) {
        std::uint16_t state = 0;
        if (const auto error = callAddin([&] { state = client_.GetVerbState(i); })) {
            onError_(*error);
            state = 0;
        }
        states_[i] = state;
        if (QAction* action = actions_[i]) {
            action->setEnabled((state & vsEnabled) != 0);
            action->setCheckable((state & vsChecked) != 0);
            action->setChecked((state & vsChecked) != 0);
        }
    }
}

QList<AddinMenu::Entry> AddinMenu::entries() const {
    QList<Entry> result;
    for (int i = 0; i < actions_.size(); ++i)
        result.append({i, actions_[i] ? actions_[i]->text() : QString(), states_[i]});
    return result;
}

bool AddinMenu::trigger(int index) {
    if (index < 0 || index >= actions_.size() || actions_[index] == nullptr)
        return false;
    refreshStates();
    if (!actions_[index]->isEnabled())
        return false;
    actions_[index]->trigger();
    return true;
}

void AddinMenu::execute(int index) {
    if (const auto error = callAddin([&] { client_.ExecuteVerb(index); }))
        onError_(*error);
    emit verbFinished(index);
}
