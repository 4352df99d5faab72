#include "settings/hardwareconfigurationwidget.h"

#include "cameradriver/cameraglobals.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/skin.h"
#include "widgets/basewidgets.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTextStream>

namespace {

QStringList configurationLines()
{
    QFile f(QStringLiteral("conf.txt"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&f);
    QStringList lines;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

QString shown(QString text) { return text.replace(QLatin1Char('_'), QLatin1Char(' ')); }

} // namespace

void HardwareConfigurationWidget::loadConfiguration(QList<QPair<QString, QString>>& list)
{
    list.clear();
    for (const QString& line : configurationLines()) {
        const QStringList parts = line.split(QLatin1Char('\t'));
        list.append({shown(parts.value(0)), shown(parts.value(1))});
    }
}

void HardwareConfigurationWidget::loadConfiguration(QMap<QString, QString>& map)
{
    map.clear();
    for (const QString& line : configurationLines()) {
        const QStringList parts = line.split(QLatin1Char('\t'));
        map.insert(parts.value(0), shown(parts.value(1)));
    }
}

HardwareConfigurationWidget::HardwareConfigurationWidget(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint)
{
    setGeometry(gShowW / 2 - 750, gShowH / 2 - 400, 1500, 800);
    setFont(QFont(QStringLiteral("wqy-microhei"), 30));
    QList<QPair<QString, QString>> entries;
    loadConfiguration(entries);

    grid = new QGridLayout(this);
    int row = 0;
    for (const auto& e : entries) {
        const bool isCount = e.first == QLatin1String("Count");
        const QString colour = e.second.isEmpty() ? QStringLiteral("color:cyan;") : QStringLiteral("color:yellow;");
        auto* key = new QLabel(e.first, this);
        auto* value = new QLabel(isCount ? QString() : e.second, this);
        for (QLabel* l : {key, value}) {
            l->setStyleSheet(colour);
            l->setFont(font());
        }
        grid->addWidget(key, row, 0);
        grid->addWidget(value, row, 1);
        if (isCount)
            countLabel = value;
        ++row;
    }
    confirmButton = new ColorButton(LanStr(121), this, 3);
    confirmButton->setFixedSize(150, 50);
    grid->addWidget(confirmButton, row, 0, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
    grid->setSpacing(10);
    grid->setContentsMargins(50, 50, 50, 50);
    connect(confirmButton, &QPushButton::clicked, this, &HardwareConfigurationWidget::slotConfirm);
}

void HardwareConfigurationWidget::showEvent(QShowEvent* event)
{
    if (countLabel)
        countLabel->setText(QString::number(gCameraID == kCameraNone ? 0 : numCamera));
    QWidget::showEvent(event);
}

void HardwareConfigurationWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
}

void HardwareConfigurationWidget::slotConfirm()
{
    hide();
    if (returnTo)
        returnTo->show();
}
