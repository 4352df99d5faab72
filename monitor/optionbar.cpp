#include "monitor/optionbar.h"

#include "monitor/mainwindow.h"
#include "params/lanstr.h"
#include "widgets/kitstyle.h"
#include "widgets/msgbox.h"

#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

constexpr int kSettingsShownRow = 591;

const char* const kRunningSheet = "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;"
                                  "color:#ffffff;font-size:18px;padding:10px 0px 0px 0px;}";
const char* const kStoppedSheet = "BOptionButton{background-color:#ee2329;icon-size:68px 68px;border-style:none;"
                                  "color:#ffffff;font-size:18px;padding:10px 0px 0px 0px;}";

BOptionButton* optionButton(const char* icon, int row, QWidget* parent)
{
    auto* b = new BOptionButton(parent);
    b->setIcon(QIcon(QString::fromLatin1(icon)));
    b->setText(LanStr(row));
    b->setCheckable(true);
    return b;
}

QPushButton* padButton(const char* icon, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setFixedSize(55, 55);
    b->setIcon(QIcon(QString::fromLatin1(icon)));
    b->setIconSize(QSize(50, 50));
    return b;
}

} // namespace

FinetuningDialog::FinetuningDialog(QWidget* parent) : BWidget(parent)
{
    upButton = padButton(":/img/icons/MoveUp.png", this);
    rightButton = padButton(":/img/icons/MoveRight.png", this);
    downButton = padButton(":/img/icons/MoveDown.png", this);
    leftButton = padButton(":/img/icons/MoveLeft.png", this);
    zoomAllButton = padButton(":/img/icons/ZoomAll.png", this);
    for (QPushButton* b : {upButton, rightButton, downButton, leftButton})
        b->setAutoRepeat(true);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(0);
    grid->addWidget(upButton, 0, 1, Qt::AlignCenter);
    grid->addWidget(leftButton, 1, 0, Qt::AlignLeft);
    grid->addWidget(zoomAllButton, 1, 1, Qt::AlignCenter);
    grid->addWidget(rightButton, 1, 2, Qt::AlignRight);
    grid->addWidget(downButton, 2, 1, Qt::AlignCenter);

    setFixedSize(165, 165);
    setWindowOpacity(1.0);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setStyleSheet(
        QStringLiteral("QPushButton{border-style:none;background:transparent;}"
                       "QPushButton:pressed{background-color:#FFC107;}"));

    // A press acts at once, and the click that ends the tap acts again: one
    // tap is two steps, and each auto-repeat tick two more.
    auto onPress = [this](QPushButton* b, void (MainWindow::*op)()) {
        connect(b, &QPushButton::pressed, this, [op] {
            if (gpWin)
                (gpWin->*op)();
        });
    };
    onPress(zoomAllButton, &MainWindow::MRecovery);
    onPress(upButton, &MainWindow::SlotMoveT);
    onPress(rightButton, &MainWindow::SlotMoveR);
    onPress(downButton, &MainWindow::SlotMoveB);
    onPress(leftButton, &MainWindow::SlotMoveL);
    hide();
}

void FinetuningDialog::paintEvent(QPaintEvent*) { QPainter painter(this); }

OptionBar::OptionBar(QWidget* parent) : BWidget(parent)
{
    finePad = new FinetuningDialog;
    pad_ = finePad;
    multiScreenButton = optionButton(":/img/icons/split.png", 126, this);
    startStopButton = optionButton(":/img/icons/stop.png", 127, this);
    startStopButton->setStyleSheet(QString::fromLatin1(kRunningSheet));
    settingsButton = optionButton(":/img/icons/setting.png", 582, this);
    resampleButton = optionButton(":/img/icons/sampling.png", 129, this);
    areaButton = optionButton(":/img/icons/38.png", 130, this);
    statisticsButton = optionButton(":/img/icons/39.png", 541, this);
    statisticsButton->setVisible(false);
    productSnapButton = optionButton(":/img/icons/40.png", 131, this);
    moldSnapButton = optionButton(":/img/icons/39a.png", 132, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    for (BOptionButton* b : {multiScreenButton, startStopButton, settingsButton, resampleButton, areaButton,
                             statisticsButton, productSnapButton, moldSnapButton})
        column->addWidget(b);
    column->addStretch();

    for (BOptionButton* b : {multiScreenButton, startStopButton, settingsButton, resampleButton, areaButton,
                             statisticsButton, moldSnapButton})
        connect(b, &QAbstractButton::toggled, this, &OptionBar::btnsToggledSlot);
    if (MainWindow* w = gpWin) {
        connect(productSnapButton, &QAbstractButton::clicked, w, &MainWindow::SlotManualTrig0);
        connect(finePad->zoomAllButton, &QPushButton::clicked, w, &MainWindow::MRecovery);
        connect(finePad->upButton, &QPushButton::clicked, w, &MainWindow::SlotMoveT);
        connect(finePad->downButton, &QPushButton::clicked, w, &MainWindow::SlotMoveB);
        connect(finePad->leftButton, &QPushButton::clicked, w, &MainWindow::SlotMoveL);
        connect(finePad->rightButton, &QPushButton::clicked, w, &MainWindow::SlotMoveR);
    }
    fitCaptions(this);
}

OptionBar::~OptionBar()
{
    if (pad_ && !pad_->parent())
        delete pad_.data();
}

void OptionBar::btnsToggledSlot(bool checked)
{
    MainWindow* w = gpWin;
    if (w && w->mainStack && w->mainStack->currentIndex() == 1) {
        showWarnBox(LanStr(kSettingsShownRow));
        return;
    }
    lastType = 0;
    const QObject* from = sender();
    const std::pair<BOptionButton*, BTN_TYPE> codes[] = {
        {multiScreenButton, MultiScreen}, {startStopButton, StartStop}, {settingsButton, Settings},
        {resampleButton, Resample},       {areaButton, Area},           {statisticsButton, Statistics},
        {moldSnapButton, MoldSnapshot},
    };
    for (const auto& c : codes) {
        if (from == c.first) {
            lastType = c.second;
            emit btnsToggled(c.second, checked);
            return;
        }
    }
}

void OptionBar::SetTLast()
{
    settingsButton->setCheckable(false);
    settingsButton->setChecked(false);
    settingsButton->setCheckable(true);
    lastType = 0;
}

void OptionBar::showRunning(bool detecting)
{
    startStopButton->setStyleSheet(QString::fromLatin1(detecting ? kRunningSheet : kStoppedSheet));
    startStopButton->setIcon(QIcon(detecting ? QStringLiteral(":/img/icons/stop.png") : QStringLiteral(":/img/icons/5.png")));
    startStopButton->setText(LanStr(detecting ? 127 : 136));
}

void OptionBar::CalibrationPos()
{
    auto* from = qobject_cast<QWidget*>(sender());
    if (!from)
        return;
    finePad->move(from->mapToGlobal(QPoint(from->width() - 240, -180)));
    finePad->show();
}
