#pragma once
// Which physical camera is shown in which camera view: the open cameras are
// listed by the view they are shown in, each gets a new number, and the
// serial numbers are stored under the new numbers in "SN.db". The new order
// takes effect at the next start, so the dialog ends in the power-off
// question of the settings window. The choices stay the dialog's own until
// "SN.db" has them: a save that fails (shown and journaled by SaveSN) leaves
// gCamNO and the bindings as they were and asks nothing further.
#include <QWidget>
#include <functional>

class ColorButton;
class ComboBox;

class WidgetChangeCamera : public QWidget {
    Q_OBJECT
public:
    // The dialog is a window of its own; `owner` only keeps it alive.
    explicit WidgetChangeCamera(QWidget* owner = nullptr);

    // The first number (0-based) given to two views, comparing each view with
    // every later one in view order; -1 when the numbers differ.
    static int firstRepeated(const int* numbers, int count);

    ComboBox* combos[8] = {};
    ColorButton* okButton;
    // The settings window's power-off command, run after a valid OK whose
    // numbers were saved.
    std::function<void()> shutDown;
    // The numbers chosen, kept by slot like gCamNO.
    int chosen[8] = {};

public slots:
    void SetCameraNO0(int n) { SetCameraNO(0, n); }
    void SetCameraNO1(int n) { SetCameraNO(1, n); }
    void SetCameraNO2(int n) { SetCameraNO(2, n); }
    void SetCameraNO3(int n) { SetCameraNO(3, n); }
    void SetCameraNO4(int n) { SetCameraNO(4, n); }
    void SetCameraNO5(int n) { SetCameraNO(5, n); }
    void SetCameraNO6(int n) { SetCameraNO(6, n); }
    void SetCameraNO7(int n) { SetCameraNO(7, n); }
    // The number of the camera shown in view `view` (camera `view` in use):
    // its camera is to be bound to the slot of camera `number` in use.
    void SetCameraNO(int view, int number);
    void SlotOK();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
};
