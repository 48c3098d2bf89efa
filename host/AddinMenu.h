// The add-in's menu: built once from the client's menu name and verb table; the entries'
// states are asked again each time the menu opens; an entry runs its verb.
#pragma once

#include "ToolIntf.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QWidget;

class AddinMenu : public QObject {
    Q_OBJECT
public:
    struct Entry {
        int index = 0;
        QString text; // empty for a separator
        std::uint16_t state = 0;
    };
    using ErrorHandler = std::function<void(const QString&)>;

    // The menu is owned by parent; errors from the add-in go to onError.
    AddinMenu(TIVCSClient& client, QWidget* parent, ErrorHandler onError);
    // Takes the menu away with it: its entries call the client, which may be gone next.
    ~AddinMenu() override;

    QMenu* menu() const { return menu_; }
    // Asks the client for every entry's state (what opening the menu does).
    void refreshStates();
    QList<Entry> entries() const;
    int verbCount() const { return actions_.size(); }
    // Runs a verb as choosing its entry does; false when the entry is a separator or disabled.
    bool trigger(int index);

signals:
    // A verb returned, whether or not it raised an error.
    void verbFinished(int index);

private:
    void execute(int index);

    TIVCSClient& client_;
    QMenu* menu_ = nullptr;
    QList<QAction*> actions_; // nullptr for separators
    QList<std::uint16_t> states_;
    ErrorHandler onError_;
};
