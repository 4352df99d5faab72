#pragma once
// A column of command buttons laid over the right edge of the main window,
// under the title bar and the camera views: the logo, the manual-snapshot
// buttons whose visibility follows the parameters, and the step combo of a
// multi-detection snapshot. The other command buttons stay hidden.
#include <QWidget>

class ColorButton;
class ComboBox;
class MainWindow;
class QLabel;
class QPixmap;
class QTimer;

class IndexButton : public QWidget {
    Q_OBJECT
public:
    explicit IndexButton(MainWindow* window);
    ~IndexButton() override;

    // The snapshot buttons by the live parameters (the argument says who asks).
    void ShowHide(int);
    // One combo item per multi-detection step.
    void ResetComboChooseManualTrig();
    void Reset();
    int CurChooseTrig() const;
    bool GetShowFlag() const { return showFlag; }
    void SetShowFlag(bool on) { showFlag = on; }

    ColorButton* startStopCmd;
    QTimer* showHideTimer;
    bool showFlag = false;
    bool hasLogo = false;
    QPixmap* logoPixmap = nullptr;
    QLabel* logoLabel = nullptr;
    ColorButton* resampleCmd;
    ColorButton* areaCmd;
    ColorButton* helpCmd;
    ColorButton* systemParamCmd;
    ColorButton* multiScreenCmd;
    ColorButton* accountCmd;
    ComboBox* stepCombo;
    ColorButton* multiSnapCmd;
    ColorButton* productSnapCmd;
    ColorButton* moldSnapCmd;
    int toggleZoneHeight = 110; // the logo band, where a press flips showFlag

public slots:
    void SlotShowHideTimeout();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
