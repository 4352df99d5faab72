#pragma once
// A cover over a screen while its work runs in the background: it says the
// screen is busy and takes every touch, so a second command cannot start
// beside the first. The monitoring cycle keeps running underneath.
#include <QLabel>

class BusyCover : public QLabel {
public:
    // One more piece of work on `screen`: the cover shown (made at the first use).
    static void hold(QWidget* screen, const QString& text = QString());
    // One piece of work of `screen` done: the cover hidden once none is left.
    static void release(QWidget* screen);
    // The cover of `screen` is shown.
    static bool shown(const QWidget* screen);
    // The text the cover of `screen` shows (empty without a cover).
    static QString textOf(const QWidget* screen);

protected:
    explicit BusyCover(QWidget* screen);
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    static BusyCover* of(const QWidget* screen);
    int holds_ = 0;
};
