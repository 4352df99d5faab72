#pragma once
// A dark, frameless confirmation dialog: a title bar with a settable title
// and Cancel and OK buttons (acting on press) above an empty area.
#include <QDialog>

class QLabel;
class QPushButton;

class lightsettingdialog : public QDialog {
public:
    explicit lightsettingdialog(QWidget* parent = nullptr);
    void setText(const QString& text);

    QLabel* titleLabel;
    QPushButton* okButton;
    QPushButton* cancelButton;
};
