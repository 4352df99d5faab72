#pragma once
// The band across the top of the main screen: four camera status rows, the
// state icons of inputs 0-3 and outputs 0-3, a value label with the clock,
// and the image point under the pointer. It computes nothing: the camera
// views push their status into it and the IO status panel the IO states.
#include "widgets/basewidgets.h"

#include <QString>

class QLabel;
class QTimer;

// Which icon a status message gets.
enum MessageType : int { MessageWarning = 1, MessageInfo = 2 };

class CameraInfo : public QWidget {
    Q_OBJECT
public:
    // What setCameraInfo writes; any other value writes the bar's value label.
    enum DATA_TYPE : int { Message = 1, LayerNum = 2, NGNum = 3 };

    CameraInfo(int index, QWidget* parent = nullptr);
    void setMessage(const QString& text, MessageType icon);
    void setNGNum(const QString& text);
    void setLayerNum(const QString& text);

    QLabel* iconLabel;
    QLabel* messageLabel;
    QLabel* ngLabel;
    QLabel* layerLabel;
    int rowIndex;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // A long status (the clamp warning, English, the temperature alarm) is
    // wrapped onto a second line, and only then smaller, rather than cut off:
    // the label takes the room the row leaves it.
    void fitMessage();
};

class TitleBar : public BWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 4;

    explicit TitleBar(QWidget* parent = nullptr);

    // Camera 0..3 only: the views of cameras 4..7 have no row, and what they
    // send reaches no label.
    void setCameraInfo(int camera, CameraInfo::DATA_TYPE type, const QString& text, MessageType icon);
    void setLocation(const QString& text);
    // kind 0 an input, 1 an output; index 0..3; state nonzero: active.
    void promptSwitching_State(int kind, int index, int state);
    // While the board is silent its icons are dimmed and a note says so.
    void setBoardAnswering(bool answering);
    bool boardAnswering() const { return boardAnswering_; }
    // The picture the icon entry shows now (":/img/icons/%1.png").
    QString ioIconShown(int entry) const;

    CameraInfo* cameraRows[kRows];
    QLabel* valueLabel;
    QLabel* ioIcons[8];
    QLabel* locationLabel;
    QLabel* dateLabel;
    QLabel* timeLabel;
    QLabel* boardNote;
    QTimer* clockTimer;

public slots:
    // The clock: date and time now (the timer calls it every second).
    void tick();

private:
    void showIcon(int entry);
    QString iconPath_[8];
    bool active_[8] = {}; // what each icon shows now
    bool boardAnswering_ = true;
};
