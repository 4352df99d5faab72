#include "monitor/iostatuswidget.h"

#include "monitor/controlport.h"
#include "monitor/mainscreenrules.h"
#include "monitor/mainwindow.h"
#include "monitor/titlebar.h"
#include "params/geometry.h"
#include "params/procedures.h"
#include "params/skin.h"
#include "params/wizardpara.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kAlarmOutput = 2;
}

bool ioBoardAnswering() { return gpControlIO && gpControlIO->boardAnswering(); }

IOStatusWidget::IOStatusWidget(MainWindow* window) : QWidget(window), window_(window)
{
    setGeometry(0, gShowH - kHeight, gShowW, kHeight);
}

void IOStatusWidget::pushStates()
{
    TitleBar* bar = window_ ? window_->titleBar : nullptr;
    if (!bar || !gpControlIO || !gpWPara)
        return;
    const ControlPort& io = *gpControlIO;
    const std::array<bool, 4> reported = mainscreen::reportedInputs(*gpWPara);
    for (int k = 0; k < 4; ++k)
        if (reported[size_t(k)])
            bar->promptSwitching_State(0, k, io.IOState(0, k));
    for (int n = 0; n < 4; ++n)
        bar->promptSwitching_State(1, n, io.IOState(1, n));
    bar->setBoardAnswering(ioBoardAnswering());
}

void IOStatusWidget::paintEvent(QPaintEvent*)
{
    pushStates();
    if (!gpControlIO || !gpWPara)
        return;
    const QPoint at = mainscreen::alarmLampPosition(mainscreen::reportedInputs(*gpWPara),
                                                    gpWPara->procedure == ProcMultiDetect, height());
    const QPixmap* lamp = gpPixmapOUT[gpControlIO->IOState(1, kAlarmOutput) ? 1 : 0];
    if (lamp && !lamp->isNull()) {
        QPainter p(this);
        p.drawPixmap(QRect(at, QSize(70, 80)), *lamp);
    }
}

void IOStatusWidget::mousePressEvent(QMouseEvent* event)
{
    if (window_)
        window_->userLevel = 0;
    update();
    event->accept();
}
