#include "settings/helpwidget.h"

#include "params/geometry.h"
#include "params/lanstr.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

int gHelpC = 0;

HelpWidget::HelpWidget(QWidget* parent) : BWidget(parent)
{
    resize(gShowW, gShowH);
    const QSize button = gShowW < 1025 ? QSize(80, 30) : QSize(150, 60);
    lastButton = new QPushButton(LanStr(339), this);
    nextButton = new QPushButton(LanStr(340), this);
    alarmButton = new QPushButton(LanStr(146), this);
    returnButton = new QPushButton(LanStr(58), this);
    int x = 350;
    for (QPushButton* b : {lastButton, nextButton, alarmButton, returnButton}) {
        b->setFixedSize(button);
        b->move(x, 842);
        x += button.width() + 5;
    }
    connect(lastButton, &QPushButton::clicked, this, &HelpWidget::SlotLast);
    connect(nextButton, &QPushButton::clicked, this, &HelpWidget::SlotNext);
    connect(alarmButton, &QPushButton::clicked, this, &HelpWidget::SlotAlarm);
    connect(returnButton, &QPushButton::clicked, this, &HelpWidget::SlotReturn);

    folder_ = gLan == 0 ? QStringLiteral("./help/") : QStringLiteral("./help-en/");
    const QFileInfoList files =
        QDir(folder_).entryInfoList({QStringLiteral("*.png")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& f : files) {
        if (pages_.size() == kMaxPages)
            break;
        pages_.append(QPixmap(f.filePath())); // an undecodable file is an empty page
    }
    if (pages_.isEmpty())
        pages_.append(QPixmap(QStringLiteral(":/img/icons/camera.png")));
    setStyleSheet(QStringLiteral(
        "HelpWidget{ background:transparent;border:2px solid #d3d3d3;}"
        "QPushButton{background-color:#ffffff;color:#656263;font-size:25px;}"
        "QPushButton:pressed{color:#656263;background-color:#d3d3d3;}"));
}

int HelpWidget::currentPage() const { return std::clamp(gHelpC, 0, pageCount() - 1); }

void HelpWidget::SlotLast()
{
    gHelpC = currentPage() - 1;
    if (gHelpC < 0)
        gHelpC = pageCount() - 1;
    update();
}

void HelpWidget::SlotNext()
{
    gHelpC = currentPage() + 1;
    if (gHelpC >= pageCount())
        gHelpC = 0;
    update();
}

void HelpWidget::SlotAlarm()
{
    gHelpC = std::min(kAlarmPage, pageCount() - 1);
    update();
}

// The page is a tab of the settings window: hiding it would leave the tab
// blank until another one is chosen.
void HelpWidget::SlotReturn()
{
    gHelpC = 0;
    update();
}

void HelpWidget::paintEvent(QPaintEvent* event)
{
    BWidget::paintEvent(event);
    const QPixmap& page = pages_[currentPage()];
    if (page.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(rect(), page);
}
