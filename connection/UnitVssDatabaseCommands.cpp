// The verb commands of the history, differences, options and about windows. Like the other
// commands they catch nothing: an error raised while a window is built leaves the command.
#include "UnitVssInterface.h"

#include "UnitAbout.h"
#include "UnitShowDifferences.h"
#include "UnitShowHistory.h"
#include "UnitVSSProperties.h"

#include <QLabel>

void TVssInterface::ShowHistory(const std::string& fileName) {
    TFormShowHistory(Database, ProjectBinding, fileName).showModal();
}

// The local copy is the host's current file; it is compared with the latest version.
void TVssInterface::ShowDifferences(const std::string& fileName) {
    const VssItem item = Database.item(ProjectBinding + "/" + FileNamePart(fileName), false);
    TFormShowDifferences(item, 0, fileName).showModal();
}

// The dialog stores the settings itself; the copy here is reloaded only after OK.
void TVssInterface::ShowOptions() {
    TFormVSSProperties dialog;
    if (dialog.showModal() == ui::mrOk)
        TVssRegistry().ReadProperties(Properties);
}

void TVssInterface::ShowAbout(int hostVersion) {
    TFormAbout dialog;
    dialog.LabelDelphiVersion->setText(QString::number(hostVersion));
    dialog.showModal();
}
