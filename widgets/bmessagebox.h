#pragma once
// Two message dialogs whose buttons are chosen by bit flags: BMessageBox in
// the look of the warning and question boxes with an optional icon, and
// MessageDialog, a grey 500 x 400 dialog with a dark header.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// 1 to 4 show the warning icon; any other value shows none.
enum BMessageBoxIcon { NoIcon = 0, Information = 1, Warning = 2, Question = 3, Critical = 4 };

class BMessageBox : public QDialog {
    Q_OBJECT
public:
    // Flags, placed left to right: 0x2 Cancel, 0x1 Confirm (accepts),
    // 0x8 NO, 0x4 YES (accepts), 0x10 close; the others reject.
    enum Button { Confirm = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8, Close = 0x10 };

    BMessageBox(QString title, QString message, int flags, BMessageBoxIcon icon = NoIcon, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QLabel* iconLabel() const { return icon_; }
    QLabel* messageLabel() const { return message_; }
    // The buttons in their places, left to right.
    QList<QPushButton*> buttons() const { return buttons_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* title_;
    QLabel* icon_;
    QLabel* message_;
    QList<QPushButton*> buttons_;
};

class MessageDialog : public QDialog {
    Q_OBJECT
public:
    // Flags, placed left to right: 0x1 OK and 0x1000 Cancel close the dialog,
    // 0x100 No rejects, 0x10 Yes accepts.
    enum Button { Ok = 0x1, Yes = 0x10, No = 0x100, Cancel = 0x1000 };

    MessageDialog(QString title, QString message, int flags, QWidget* parent = nullptr);

    // Replaces the text of the child label named "message" and repaints.
    void resetMessage(const QString& text);

    QWidget* header() const { return header_; }
    QLabel* titleLabel() const { return title_; }
    QList<QPushButton*> buttons() const { return buttons_; }

private:
    QWidget* header_;
    QLabel* title_;
    QList<QPushButton*> buttons_;
};

// A modal MessageDialog without parent with an OK button only; the user-account
// store's notice (setUserNoticeHook, params/usermanager.h) is this.
void showMessageDialog(const QString& title, const QString& text);
