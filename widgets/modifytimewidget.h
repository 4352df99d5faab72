#pragma once
// The date and time dialog of the settings window: a date editor and a time
// editor with large arrow buttons, and the write of the edited moment to the
// system clock and the hardware clock.
#include <QDateTime>
#include <QDialog>
#include <QWidget>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

class EditDateTime : public QWidget {
    Q_OBJECT
public:
    explicit EditDateTime(const QString& caption, QWidget* parent = nullptr);

    // The clock's current date and time into the editors.
    void ShowDateTime();
    // What a clock change did, step by step: the system clock may take the
    // time and the hardware clock still refuse it.
    struct Steps {
        bool date = false;     // "date -s" succeeded
        bool hardware = false; // "hwclock --systohc" succeeded after it
        bool ok() const { return date && hardware; }
    };
    // The edited moment to the system clock ("date -s") and then the
    // hardware clock ("hwclock --systohc"); the second only after the first.
    Steps setSysDateTime();
    // The same for a given moment, without the editors (any thread).
    static Steps setClock(const QDateTime& moment);
    // The moment in the editors.
    QDateTime editedMoment() const;
    // The text given to "date -s": "yyyy-MM-dd hh:mm:ss", 24-hour.
    static QString dateArgument(const QDateTime& moment);

    QDateEdit* dateEdit() const { return date_; }
    QTimeEdit* timeEdit() const { return time_; }
    QDateTime dateTimeToSet() const { return toSet_; }

private:
    QDateEdit* date_;
    QTimeEdit* time_;
    QLabel* caption_;
    QDateTime toSet_;
};

class ModifyTimeWidget : public QDialog {
public:
    ModifyTimeWidget(QString title, QWidget* parent = nullptr);

    EditDateTime* editor() const { return editor_; }
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QLabel* title_;
    EditDateTime* editor_;
    QPushButton* confirm_;
    QPushButton* cancel_;
};
