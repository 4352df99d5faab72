#pragma once
// The device's identity (logo, category, model, serial label, version) and the
// full-screen start-up splash screen that shows it.
#include <QSplashScreen>
#include <QWidget>

class QLabel;

class SplashWidget : public QWidget {
    Q_OBJECT
public:
    // w: the logo width.
    explicit SplashWidget(int w, QWidget* parent = nullptr);
    QLabel* logoLabel() const { return logo_; }

private:
    QLabel* logo_;
};

class BSplashScreen : public QSplashScreen {
    Q_OBJECT
public:
    explicit BSplashScreen(QWidget* parent = nullptr);
    SplashWidget* identity() const { return identity_; }

private:
    SplashWidget* identity_;
};
