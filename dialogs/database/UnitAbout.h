// The about box: the add-in's name and version, and the host and SourceSafe versions it works
// with.
#pragma once

#include <ui/Application.h>
#include <ui/Form.h>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

class TFormAbout : public ui::Form {
public:
    explicit TFormAbout(QWidget* owner = nullptr);
    ~TFormAbout() override;

    QLabel* ImageDelphi;
    QLabel* ImageVss;
    QLabel* LabelName;
    QLabel* LabelVersion;
    QFrame* Bevel2;
    QFrame* Bevel1;
    QLabel* LabelDelphi;
    QLabel* LabelDelphiVersion;
    QLabel* LabelVss;
    QLabel* LabelVssVersion;
    QPushButton* ButtonOk;
};
