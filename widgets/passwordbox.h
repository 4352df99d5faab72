#pragma once
// The login dialog and the access levels it sets in uiHost().userLevel:
// 0 not logged in, 1 operator (the record's password), 2 service.
#include <QDialog>
#include <QString>

class BLineEdit;
class QLabel;
class QPushButton;

class PasswordBox : public QDialog {
    Q_OBJECT
public:
    PasswordBox(QString title, QWidget* parent = nullptr);
    BLineEdit* passwordField() const { return field_; }
    QPushButton* acceptButton() const { return accept_; }
    QPushButton* cancelButton() const { return cancel_; }
    int failureFlag() const { return failure_; }

public slots:
    // Checks the typed code; closes the box only when it is accepted.
    void accept() override;
    void SlotTextChanged(const QString& text);

private slots:
    void keypadConfirmed();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    BLineEdit* field_;
    QLabel* titleLabel_;
    QLabel* iconLabel_;
    QPushButton* accept_;
    QPushButton* cancel_;
    int failure_ = 0;
};

// The service code accepted now: the access code alone while password
// protection is off, else followed by the local hour, month and day.
QString serviceCode();

// 2 at once while protection is off; the current level when someone is
// logged in; otherwise asks with a password box. 0 means refused.
int CheckPassword();
// True when the service level is reached, asking with gpPasswordBox if needed.
bool CheckRoot();

extern PasswordBox* gpPasswordBox;
