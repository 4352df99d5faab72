#pragma once
// The warning box (message and confirm) and the question box (YES / NO) that
// every subsystem uses through showWarnBox and showChooseBox.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class ComboBox;

class QVBoxLayout;

// What both boxes share: the title column and the icon beside the message.
class TextBox : public QDialog {
public:
    void setText(const QString& text);
    QString text() const;

protected:
    TextBox(const QString& title, int titleWidth, QWidget* parent);
    void hideEvent(QHideEvent* event) override;

    QVBoxLayout* body_; // the subclass adds its buttons below
    QLabel* titleLabel_;
    QLabel* messageLabel_;
    QLabel* iconLabel_;
};

class WarnBox : public TextBox {
public:
    WarnBox(QString title, QWidget* parent = nullptr);
    QPushButton* confirmButton() const { return confirm_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* confirm_;
};

class ChooseBox : public TextBox {
public:
    ChooseBox(QString title, QWidget* parent = nullptr);
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* yes_;
    QPushButton* no_;
};

// A question box with a choice of touch-calibration point counts.
class ChooseCaliNumWidget : public ChooseBox {
public:
    explicit ChooseCaliNumWidget(QWidget* parent = nullptr);
    ComboBox* pointCount() const { return combo_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ComboBox* combo_;
};

// Modal warning titled "Warning!" in the current language.
void showWarnBox(QString text);
// Modal question titled "Confirmation prompt"; true only for YES.
bool showChooseBox(QString text);

// The start-up's shared instances.
extern WarnBox* gpWarnBox;
extern ChooseBox* gpChooseBox;
