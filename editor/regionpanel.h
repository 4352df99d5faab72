#pragma once
// The region parameter panel of a camera view: three labelled sliders for
// the selected region's parameters, the method button, the grey-bound switch
// of spot regions, the output number, "ROI Switch", the part chooser with its
// four nudge buttons, four move buttons and the move mode, and the eight
// cavity boxes. It lives on the view next to the selected region and changes
// only the view's edit store, and only on the operator's input: showing a
// region whose value lies outside a slider's range leaves the value alone.
#include "camera/cammerwidget.h"

#include <QObject>

class CheckBox;
class ColorButton;
class ComboBox;
class QLabel;
class Slider;

class RegionPanel : public QObject, public RegionPanelBase {
    Q_OBJECT
public:
    explicit RegionPanel(CammerWidget* view);

    void ShowHideROIPara() override;
    void ShowHideCheckBox(bool shown) override;
    void SetCheckBoxState(int row) override;

    Slider* minSizeSlider = nullptr;
    Slider* sensibilitySlider = nullptr;
    Slider* maxAreaSlider = nullptr;
    QLabel* funcLabel = nullptr;
    ColorButton* funcButton = nullptr;
    ColorButton* graySwitchButton = nullptr;
    ComboBox* outputCombo = nullptr;
    ColorButton* roiSwitchButton = nullptr;
    ColorButton* objectButton = nullptr;
    ColorButton* nudgeButtons[4] = {};
    ColorButton* moveButtons[4] = {};
    ColorButton* moveAllButton = nullptr;
    CheckBox* cavityBoxes[8] = {};

public slots:
    void SlotMinWH(int v);
    void SlotSensitivity(int v);
    void SlotArea(int v);
    void SlotOutN(int v);
    void SlotChangeParaSow();
    void SlotChangeFunc();
    void SlotChangeObject();
    // Nudge k of the chosen part: 0 "+10" / "Y -1", 1 "+1" / "X -1", 2 "-1" / "Y +1", 3 "-10" / "X +1".
    void SlotSize(int k);
    void SlotMove(int dx, int dy);
    void SlotMoveAll();
    void SlotClickCheckBox(int k);

private:
    int step() const;
    void hidePanel();
    // A slider set to a range and the region's value without telling the region.
    static void resetQuietly(Slider* s, const SliderSetup& setup, int value);

    CammerWidget* view_;
};

// Gives a view its drawing toolbar (at (950, 850)) and its region panel; the
// main window installs it as the views' parts maker.
void MakeViewParts(CammerWidget* view);
