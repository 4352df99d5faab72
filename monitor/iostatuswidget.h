#pragma once
// A transparent band over the lower camera area. Each repaint passes the
// IO board's input and output states (and whether the board answers) to the
// title bar's icons and draws the alarm output's lamp; a press on it logs the
// operator out.
#include <QWidget>

class MainWindow;

class IOStatusWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 180;

    explicit IOStatusWidget(MainWindow* window);

    // What a repaint passes on to the title bar.
    void pushStates();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    MainWindow* window_;
};

// The board answers the link's polls (a board that never answered, or whose
// port did not open, counts as silent).
bool ioBoardAnswering();
