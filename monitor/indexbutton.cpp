#include "monitor/indexbutton.h"

#include "params/geometry.h"
#include "monitor/mainscreenrules.h"
#include "monitor/mainwindow.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"

#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>


namespace {
constexpr int kFirstStepRow = 477; // "1st" .. "8th"
}

IndexButton::IndexButton(MainWindow* window) : QWidget(window)
{
    for (const char* file : {"./images/logo2.bmp", "./images/logo2.png"}) {
        if (QFile::exists(QLatin1String(file))) {
            logoPixmap = new QPixmap(QLatin1String(file));
            logoLabel = new QLabel(this);
            logoLabel->setGeometry(0, 0, 230, 110);
            logoLabel->setScaledContents(true);
            logoLabel->setPixmap(*logoPixmap);
            hasLogo = true;
            break;
        }
    }
    const QFont comboFont = kitFont(QStringLiteral("wqy-microhei"), 33);

    auto command = [this, window](int row, void (MainWindow::*slot)()) {
        auto* b = new ColorButton(LanStr(row), this, 4);
        if (window && slot)
            connect(b, &QPushButton::clicked, window, slot);
        b->hide();
        return b;
    };
    multiScreenCmd = command(126, &MainWindow::SlotReturn);
    startStopCmd = command(127, &MainWindow::SlotStartStop);
    systemParamCmd = command(215, nullptr);
    resampleCmd = command(129, &MainWindow::SlotReTrain);
    areaCmd = command(130, &MainWindow::SlotAdjustArea);
    accountCmd = command(562, &MainWindow::SlotAccount);
    helpCmd = command(111, &MainWindow::SlotHelp);
    multiSnapCmd = command(516, &MainWindow::SlotMuliManualTrig);
    stepCombo = new ComboBox(this);
    stepCombo->hide();
    stepCombo->setGeometry(140, 698, 100, 83);
    stepCombo->setFont(comboFont);
    stepCombo->setItemHeight(73);
    moldSnapCmd = command(132, &MainWindow::SlotManualTrig1);
    productSnapCmd = command(131, &MainWindow::SlotManualTrig0);
    // Under the logo, one above the other.
    productSnapCmd->setGeometry(10, 120, 220, 80);
    moldSnapCmd->setGeometry(10, 210, 220, 80);

    showHideTimer = new QTimer(this);
    connect(showHideTimer, &QTimer::timeout, this, &IndexButton::SlotShowHideTimeout);

    setGeometry(gShowW - 240, 0, 240, gShowH);
    Reset();
}

IndexButton::~IndexButton() { delete logoPixmap; }

void IndexButton::ShowHide(int)
{
    const WizardPara& p = *gpWPara;
    productSnapCmd->setVisible(mainscreen::productSnapshotVisible(p));
    moldSnapCmd->setVisible(mainscreen::moldSnapshotVisible(p));
}

void IndexButton::ResetComboChooseManualTrig()
{
    stepCombo->clear();
    for (int i = 0; i < gpWPara->detect_count && i < 8; ++i)
        stepCombo->addItem(LanStr(kFirstStepRow + i));
}

void IndexButton::Reset()
{
    ShowHide(0);
    ResetComboChooseManualTrig();
}

int IndexButton::CurChooseTrig() const { return stepCombo->currentIndex(); }

void IndexButton::SlotShowHideTimeout()
{
    showFlag = false;
    ShowHide(1);
    showHideTimer->stop();
}

void IndexButton::mousePressEvent(QMouseEvent* event)
{
    if (qRound(event->localPos().y()) < toggleZoneHeight) {
        showFlag = !showFlag;
        ShowHide(2);
    }
    QWidget::mousePressEvent(event);
}
