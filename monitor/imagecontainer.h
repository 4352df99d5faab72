#pragma once
// The camera display area of the main screen: it makes the eight camera
// views (each opens its camera or stays an empty shell) and holds them; the
// main window lays them out (MainWindow::ChangeCammer).
#include <QWidget>

class MainWindow;

class ImageContainer : public QWidget {
    Q_OBJECT
public:
    explicit ImageContainer(MainWindow* window);

    MainWindow* ownerWindow;
    bool splitFlag = true;

public slots:
    void showSplit(bool);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
