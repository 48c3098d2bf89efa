// What the database knows of one file or project, read when the dialog opens.
#pragma once

#include "VssAutomation.h"

#include <ui/Form.h>

class QLabel;
class QPushButton;

class PropertiesDialog : public ui::Form {
public:
    // status: the item's line of its project's listing (nothing for the root). Raises when the
    // item cannot be read.
    PropertiesDialog(const VssItem& item, const VssChildStatus* status);

    QLabel* LabelName;
    QLabel* LabelSpec;
    QLabel* LabelType;
    QLabel* LabelVersion;
    QLabel* LabelLocal;
    QLabel* LabelCheckedOut;
    QPushButton* ButtonClose;
};
