#pragma once
// The modal keyboard dialogs (digits and a point; or digits, letters and the
// underscore) and BLineEdit, the text field that opens one when pressed.
// Keys act when touched (pressed), not when released.
#include <QDialog>
#include <QLineEdit>
#include <QString>

class QLabel;
class QPushButton;

enum KeyboardType { KeyboardDigital = 0, KeyboardFull = 1 };

// What both keyboards share: title, line edit, close, hint and the keys that
// edit or end the run.
class KeyboardDialog : public QDialog {
    Q_OBJECT
public:
    // The line edit's text, untrimmed.
    QString getText() const;
    QLineEdit* lineEdit() const { return edit_; }
    QPushButton* closeButton() const { return close_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* backspaceButton() const { return backspace_; }
    // The character key with this text, or null.
    QPushButton* key(const QString& text) const;

protected:
    KeyboardDialog(const QString& selector, QString title, QString hint, QString text, QWidget* parent,
                   Qt::WindowFlags flags);
    QPushButton* makeKey(const QString& text);
    QPushButton* makeFunctionKey(const QString& text);
    // Keys only one keyboard has; true when handled.
    virtual bool ownKey(QPushButton* key);

    QLabel* title_;
    QLabel* hint_;
    QLineEdit* edit_;
    QPushButton* close_;
    QPushButton* cancel_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* backspace_ = nullptr;

private slots:
    void btnPressed();
};

class DigitalKeyboard : public KeyboardDialog {
    Q_OBJECT
public:
    DigitalKeyboard(QString title, QString hint, QString text, QWidget* parent = nullptr);
};

class FullKeyboard : public KeyboardDialog {
    Q_OBJECT
public:
    FullKeyboard(QString title, QString hint, QString text, QWidget* parent = nullptr);
    QPushButton* caseButton() const { return case_; }
    QPushButton* symbolButton() const { return symbol_; }

protected:
    bool ownKey(QPushButton* key) override;

private:
    QPushButton* case_;
    QPushButton* symbol_;
};

// Builds the keyboard dialog of the given type (no parent).
KeyboardDialog* makeKeyboard(KeyboardType type, const QString& title, const QString& hint, const QString& text);

// A line edit that, on a left press, lets the operator retype its text on a
// keyboard dialog; cancelling keeps the previous text.
class BLineEdit : public QLineEdit {
    Q_OBJECT
public:
    BLineEdit(QWidget* parent = nullptr, QString title = QString(), QString hint = QString(),
              KeyboardType type = KeyboardDigital);
    QString savedText() const { return savedText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString title_;
    QString hint_;
    KeyboardType type_;
    QString savedText_;
};
