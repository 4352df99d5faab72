#include "editor/regionpanel.h"

#include "camera/viewhost.h"
#include "editor/roioperation.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/slider.h"

#include <QLabel>
#include <QSignalBlocker>

namespace {

// Texts of the output numbers and the nudge buttons.
constexpr int kOutputRow = 700;      // "N%1"
constexpr int kRadiusNudgeRow = 701; // "+10", "+1", "-1", "-10"
constexpr int kPointNudgeRow = 705;  // "Y -1", "X -1", "Y +1", "X +1"

QFont panelFont(int pixels)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(pixels);
    return f;
}

QRect span(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }

// Action of the next press of the move-mode button.
int moveModeRow(int mode)
{
    switch (mode) {
    case 1:
        return 32; // "All Move"
    case 2:
        return 34; // "Sing-Disp"
    default:
        return 12; // "Hide Set"
    }
}

} // namespace

void MakeViewParts(CammerWidget* view)
{
    auto* bar = new roiOperation(view);
    bar->move(950, 850);
    bar->hide();
    view->drawingBar = bar;
    view->panel = new RegionPanel(view);
}

RegionPanel::RegionPanel(CammerWidget* view) : QObject(view), view_(view)
{
    minSizeSlider = new Slider(0, 10, 1, 25, view, QString());
    sensibilitySlider = new Slider(0, 255, 1, 25, view, QString());
    maxAreaSlider = new Slider(0, 1000, 1, 50, view, QString());
    connect(minSizeSlider, &Slider::valueChanged, this, &RegionPanel::SlotMinWH);
    connect(sensibilitySlider, &Slider::valueChanged, this, &RegionPanel::SlotSensitivity);
    connect(maxAreaSlider, &Slider::valueChanged, this, &RegionPanel::SlotArea);

    funcLabel = new QLabel(LanStr(2), view);
    funcLabel->setFont(panelFont(40));
    QPalette green = funcLabel->palette();
    green.setColor(QPalette::WindowText, Qt::green);
    funcLabel->setPalette(green);

    funcButton = new ColorButton(QString(), view, 3);
    connect(funcButton, &QPushButton::clicked, this, &RegionPanel::SlotChangeFunc);
    graySwitchButton = new ColorButton(LanStr(3), view, 3);
    connect(graySwitchButton, &QPushButton::clicked, this, &RegionPanel::SlotChangeParaSow);

    outputCombo = new ComboBox(view);
    for (int i = 0; i < 4; ++i)
        outputCombo->addItem(LanStr(kOutputRow).arg(i + 1), i);
    outputCombo->setFont(panelFont(20));
    outputCombo->setItemHeight(50);
    connect(outputCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegionPanel::SlotOutN);

    roiSwitchButton = new ColorButton(LanStr(4), view, 3);
    connect(roiSwitchButton, &QPushButton::clicked, view, &CammerWidget::SlotNextROI);
    objectButton = new ColorButton(QString(), view, 3);
    connect(objectButton, &QPushButton::clicked, this, &RegionPanel::SlotChangeObject);
    for (int k = 0; k < 4; ++k) {
        nudgeButtons[k] = new ColorButton(QString(), view, 3);
        nudgeButtons[k]->setAutoRepeat(true);
        connect(nudgeButtons[k], &QPushButton::clicked, this, [this, k] { SlotSize(k); });
    }
    // Up, down, left, right.
    static const QPoint moves[4] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        moveButtons[k] = new ColorButton(LanStr(5 + k), view, 5);
        moveButtons[k]->setAutoRepeat(true);
        moveButtons[k]->setFixedSize(120, 60);
        moveButtons[k]->move(300 + 130 * k, 930);
        const QPoint d = moves[k];
        connect(moveButtons[k], &QPushButton::clicked, this, [this, d] { SlotMove(d.x(), d.y()); });
    }
    moveAllButton = new ColorButton(QString(), view, 5);
    moveAllButton->setFixedSize(120, 60);
    moveAllButton->move(820, 930);
    connect(moveAllButton, &QPushButton::clicked, this, &RegionPanel::SlotMoveAll);
    for (int k = 0; k < 8; ++k) {
        cavityBoxes[k] = new CheckBox(view, LanStr(460 + k));
        cavityBoxes[k]->setGeometry(450 + 155 * k, 35, 145, 75);
        connect(cavityBoxes[k], &QCheckBox::clicked, this, [this, k] { SlotClickCheckBox(k); });
        cavityBoxes[k]->hide();
    }
    hidePanel();
}

int RegionPanel::step() const
{
    const int s = viewHost().state(view_->cameraIndex).editStep;
    return s < 0 || s >= kStepCount ? 0 : s;
}

void RegionPanel::hidePanel()
{
    for (QWidget* w : std::initializer_list<QWidget*>{minSizeSlider, sensibilitySlider, maxAreaSlider, funcLabel,
                                                      funcButton, graySwitchButton, outputCombo, roiSwitchButton,
                                                      objectButton, moveAllButton})
        w->hide();
    for (QWidget* w : nudgeButtons)
        w->hide();
    for (QWidget* w : moveButtons)
        w->hide();
}

void RegionPanel::resetQuietly(Slider* s, const SliderSetup& setup, int value)
{
    if (!setup.set)
        return;
    const QSignalBlocker quiet(s);
    s->Reset(setup.min, setup.max, 1, value, LanStr(setup.titleRow));
    s->update();
}

void RegionPanel::ShowHideROIPara()
{
    RegionEditor& e = view_->edit;
    const int d = step();
    if (!view_->editRegions || !e.hasSelection(d)) {
        hidePanel();
        e.moveMode = 0;
        e.nudgeTarget = 0;
        moveAllButton->setText(LanStr(12));
        view_->update();
        return;
    }
    const CammerSingleton& s = *view_->editRegions;
    const int r = view_->selectedRegion;
    const WizardPara* wp = gpWPara;
    const bool detail = wp && wp->enable_display_detail;

    // Beside the region: below it when there is room, else above.
    const int kind = s.shapeType[d][r];
    const QRect box = kind == ShapeRect || kind == ShapePolygon || kind == ShapeRing ? s.ImageRect(d, r) : QRect();
    const int iy1 = box.isNull() ? 0 : box.top(), iy2 = box.isNull() ? 0 : box.bottom();
    const int top = int(gShowAH * iy1), bottom = int(gShowAH * (iy2 + 1));
    const int h = detail ? 204 : 102;
    const int J = PanelTop(top, bottom, h);
    const int R = gShowW / 2 + 424;
    sensibilitySlider->setGeometry(span(400, J, R, J + 44));
    int row = J + 50;
    if (detail) {
        maxAreaSlider->setGeometry(span(400, J + 50, R, J + 94));
        minSizeSlider->setGeometry(span(400, J + 100, R, J + 144));
        row = J + 150;
    }
    const int rowEnd = row + 44;
    funcLabel->setGeometry(span(400, row, 479, rowEnd));
    funcLabel->setStyleSheet(QStringLiteral("font-size : 26px"));
    funcButton->setGeometry(span(483, row, 602, rowEnd));
    graySwitchButton->setGeometry(span(606, row, 725, rowEnd));
    outputCombo->setGeometry(span(729, row, 783, rowEnd));
    roiSwitchButton->setGeometry(span(787, row, 906, rowEnd));
    objectButton->setGeometry(span(910, row, 1002, rowEnd));
    for (int k = 0; k < 4; ++k)
        nudgeButtons[k]->setGeometry(span(1006 + 96 * k, row, 1098 + 96 * k, rowEnd));

    e.editMaxGray = false;
    const int method = s.algorithm[d][r];
    const MethodPanel setup = PanelFor(method);
    resetQuietly(minSizeSlider, setup.minSize, e.MinSizeShown(d));
    resetQuietly(sensibilitySlider, setup.sensibility, s.sensibility[d][r]);
    resetQuietly(maxAreaSlider, setup.maxArea, s.max_area[d][r]);
    funcButton->setText(LanStr(setup.funcRow));

    for (QWidget* w : moveButtons)
        w->show();
    moveAllButton->show();
    graySwitchButton->setVisible(method == MethodSpot);

    if (e.moveMode != 0) {
        for (QWidget* w : std::initializer_list<QWidget*>{minSizeSlider, sensibilitySlider, maxAreaSlider, funcLabel,
                                                          funcButton, graySwitchButton, objectButton,
                                                          roiSwitchButton, outputCombo})
            w->hide();
        for (QWidget* w : nudgeButtons)
            w->hide();
    } else {
        minSizeSlider->setVisible(detail && method != MethodBlackArea && method != MethodWhiteArea &&
                                  method != MethodSimilarity);
        maxAreaSlider->setVisible(detail && method != MethodSimilarity);
        const bool choice = wp && EnabledMethodCount(*wp) >= 2;
        funcLabel->setVisible(choice);
        funcButton->setVisible(choice);
        sensibilitySlider->show();
        objectButton->show();
        for (QWidget* w : nudgeButtons)
            w->show();
        roiSwitchButton->show();
        if (d == 0 && wp && wp->enable_stop_not_alarm) {
            const QSignalBlocker quiet(outputCombo);
            outputCombo->setCurrentIndex(qBound(0, s.output_point[r], 3));
            outputCombo->show();
        } else {
            outputCombo->hide();
        }
    }

    const bool radius = kind == ShapeRing && (e.nudgeTarget == 0 || e.nudgeTarget == 1);
    for (int k = 0; k < 4; ++k)
        nudgeButtons[k]->setText(LanStr((radius ? kRadiusNudgeRow : kPointNudgeRow) + k));
    switch (kind) {
    case ShapeRect:
        objectButton->setText(LanStr(e.nudgeTarget == 1 ? 29 : 30));
        break;
    case ShapeRing:
        objectButton->setText(LanStr(e.nudgeTarget == 1 ? 26 : e.nudgeTarget == 2 ? 27 : 28));
        break;
    case ShapePolygon:
        objectButton->setText(LanStr(31).arg(e.nudgeTarget + 1));
        break;
    default:
        break;
    }
    view_->update();
}

void RegionPanel::ShowHideCheckBox(bool shown)
{
    for (QWidget* w : cavityBoxes)
        w->setVisible(shown);
}

void RegionPanel::SetCheckBoxState(int row)
{
    if (!view_->editRegions || row < 0 || row >= kStepCount)
        return;
    for (int k = 0; k < 8; ++k)
        cavityBoxes[k]->setChecked(view_->editRegions->checkFlags[row][k] != 0);
}

void RegionPanel::SlotClickCheckBox(int k)
{
    if (view_->editRegions && k >= 0 && k < 8)
        view_->editRegions->checkFlags[1][k] = int(cavityBoxes[k]->checkState());
}

void RegionPanel::SlotMinWH(int v) { view_->edit.SetMinSize(step(), v); }

void RegionPanel::SlotSensitivity(int v) { view_->edit.SetSensitivity(step(), v); }

void RegionPanel::SlotArea(int v) { view_->edit.SetArea(step(), v); }

void RegionPanel::SlotOutN(int v) { view_->edit.SetOutput(step(), v); }

void RegionPanel::SlotChangeParaSow()
{
    RegionEditor& e = view_->edit;
    const int d = step();
    e.ToggleGreyBound();
    if (e.hasSelection(d) && view_->editRegions->algorithm[d][view_->selectedRegion] == MethodSpot) {
        const QSignalBlocker quiet(minSizeSlider);
        minSizeSlider->Reset(0, 255, 1, e.MinSizeShown(d), LanStr(e.editMaxGray ? 11 : 10));
        minSizeSlider->update();
    }
    view_->update();
}

void RegionPanel::SlotChangeFunc()
{
    if (gpWPara && view_->edit.ChangeFunc(step(), *gpWPara)) {
        view_->ShowHideROIPara();
        view_->edit.editMaxGray = false;
    }
}

void RegionPanel::SlotChangeObject()
{
    view_->edit.ChangeObject(step());
    view_->ShowHideROIPara();
}

void RegionPanel::SlotSize(int k)
{
    if (view_->edit.Nudge(k, step()))
        view_->update();
}

void RegionPanel::SlotMove(int dx, int dy)
{
    if (view_->edit.MoveRegions(dx, dy, step(), view_->size()))
        view_->ShowHideROIPara();
    view_->update();
}

void RegionPanel::SlotMoveAll()
{
    RegionEditor& e = view_->edit;
    if (e.hasSelection(step())) {
        e.CycleMoveMode(step());
        moveAllButton->setText(LanStr(moveModeRow(e.moveMode)));
    }
    view_->ShowHideROIPara();
}
