#include "statistics/statisticswidget.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/background.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/sysroot.h"
#include "statistics/histogram.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticshost.h"
#include "statistics/statisticsmath.h"
#include "statistics/temperaturestatisticswidget.h"
#include "widgets/basewidgets.h"
#include "widgets/busycover.h"
#include "widgets/edit.h"
#include "widgets/kitstyle.h"
#include "widgets/msgbox.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariant>
#include <algorithm>

namespace {

constexpr int kRowExportFailed = 1305;
constexpr int kRowTemperatureTab = 1321;
constexpr int kRowPlanNotSaved = 1769;
constexpr int kShownStep = 1; // the page shows the totals of detection step 1
const char* const kExportFile = "ResStatisticsExport.xls";

QFont pointFont(int size) { return kitPointFont(QStringLiteral("wqy-microhei"), size); }

QLabel* caption(const QString& text, QWidget* parent, QSize size, int pointSize, Qt::Alignment align,
                const char* style = nullptr)
{
    auto* l = new QLabel(text, parent);
    l->setFixedSize(size);
    l->setFont(fittingFont(pointFont(pointSize), text, size.width()));
    l->setAlignment(align);
    if (style)
        l->setStyleSheet(QString::fromLatin1(style));
    return l;
}

QLabel* valueLabel(QWidget* parent, const char* style)
{
    return caption(QString(), parent, QSize(120, 40), 20, Qt::AlignRight | Qt::AlignVCenter, style);
}

const char* const kGreen = "color:#00FF00;";
const char* const kRed = "color:#FF0000;";

ResStatisticsParam* store() { return gpResStatisticsParam; }

} // namespace

StatisticsWidget::StatisticsWidget(QWidget* parent) : QWidget(parent)
{
    InstallKitFonts();
    setGeometry(gShowW / 2 - 960, gShowH / 2 - 540, 1920, 1080);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(180, 180, 180));
    setPalette(pal);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);

    dayList = new QListWidget(this);
    dayList->setFixedHeight(950);
    dayList->setFont(pointFont(20));
    grid->addWidget(dayList, 0, 0, 17, 1, Qt::AlignTop);

    tabs = new QTabWidget(this);
    tabs->setFixedSize(1738, 950);
    // Tabs are 150 px wide, or as wide as a longer title needs.
    QFont tabFont = tabs->font();
    tabFont.setPixelSize(25);
    const QFontMetrics tabMetrics(tabFont);
    const int tabWidth = std::max({150, tabMetrics.horizontalAdvance(LanStr(549)) + 40,
                                   tabMetrics.horizontalAdvance(LanStr(kRowTemperatureTab)) + 40});
    tabs->setStyleSheet(
        QStringLiteral("QTabBar::tab{width: %1px; height: 50px; font-size: 25px;}").arg(tabWidth));
    grid->addWidget(tabs, 0, 1, 17, 10, Qt::AlignTop);

    clockLabel = new QLabel(this);
    clockLabel->setFixedHeight(50);
    clockLabel->setFont(pointFont(30));
    grid->addWidget(clockLabel, 17, 0, 1, 3, Qt::AlignCenter);
    cycleLabel = new QLabel(this);
    cycleLabel->setFixedHeight(50);
    cycleLabel->setFont(pointFont(30));
    grid->addWidget(cycleLabel, 17, 3, 1, 3, Qt::AlignCenter);
    returnButton = new ColorButton(LanStr(58), this, 3);
    returnButton->setFixedSize(300, 50);
    grid->addWidget(returnButton, 17, 6, 1, 5, Qt::AlignCenter);

    // The shift page.
    auto* shifts = new QWidget(tabs);
    shifts->setAutoFillBackground(true);
    shifts->setPalette(pal);
    auto* shiftGrid = new QGridLayout(shifts);
    shiftGrid->setContentsMargins(30, 10, 30, 10);
    shiftGrid->setHorizontalSpacing(1);
    shiftGrid->setVerticalSpacing(1);
    shiftGrid->setRowStretch(17, 1);

    auto shiftColumn = [&](int captionRow, QLabel*& output, QLabel*& abnormal) {
        auto* column = new QVBoxLayout;
        column->setSpacing(10);
        column->addWidget(caption(LanStr(captionRow), shifts, QSize(150, 50), 35, Qt::AlignCenter), 0,
                          Qt::AlignHCenter);
        column->addWidget(caption(LanStr(542), shifts, QSize(120, 40), 20, Qt::AlignRight | Qt::AlignVCenter));
        output = valueLabel(shifts, kGreen);
        column->addWidget(output);
        column->addWidget(caption(LanStr(543), shifts, QSize(120, 40), 20, Qt::AlignRight | Qt::AlignVCenter));
        abnormal = valueLabel(shifts, kRed);
        column->addWidget(abnormal);
        return column;
    };
    shiftGrid->addLayout(shiftColumn(545, morningOutputLabel, morningAbnormalLabel), 0, 0, 5, 1, Qt::AlignTop);
    shiftGrid->addLayout(shiftColumn(546, nightOutputLabel, nightAbnormalLabel), 5, 0, 5, 1, Qt::AlignTop);

    auto* planColumn = new QVBoxLayout;
    planColumn->setSpacing(10);
    planColumn->addWidget(caption(LanStr(550), shifts, QSize(150, 50), 25, Qt::AlignCenter, kGreen), 0,
                          Qt::AlignHCenter);
    planEdit = new Edit(1, shifts, 1);
    planEdit->setFixedSize(130, 40);
    planEdit->setFont(pointFont(25));
    planEdit->setAlignment(Qt::AlignCenter);
    planEdit->setRange(0, 9999999);
    planColumn->addWidget(planEdit, 0, Qt::AlignHCenter);
    planColumn->addWidget(caption(LanStr(547), shifts, QSize(150, 50), 25, Qt::AlignCenter, kGreen), 0,
                          Qt::AlignHCenter);
    totalLabel = valueLabel(shifts, kGreen);
    abnormalTotalLabel = valueLabel(shifts, kRed);
    abnormalRateLabel = valueLabel(shifts, kRed);
    for (QLabel* l : {totalLabel, abnormalTotalLabel, abnormalRateLabel})
        planColumn->addWidget(l, 0, Qt::AlignHCenter);
    exportButton = new ColorButton(LanStr(326), shifts, 3);
    exportButton->setFixedSize(120, 50);
    planColumn->addWidget(exportButton, 0, Qt::AlignHCenter);
    shiftGrid->addLayout(planColumn, 10, 0, 6, 1, Qt::AlignLeft | Qt::AlignTop);

    // The charts take the width that the captions leave (at most 1600), so
    // their right end with the legend stays on the page.
    morningChart = new Histogram(shifts, stats::morningHours());
    morningChart->setFixedHeight(420);
    morningChart->setMaximumWidth(1600);
    shiftGrid->addWidget(morningChart, 0, 1, 8, 9);
    nightChart = new Histogram(shifts, stats::nightHours());
    nightChart->setFixedHeight(420);
    nightChart->setMaximumWidth(1600);
    shiftGrid->addWidget(nightChart, 8, 1, 8, 9);

    tabs->addTab(shifts, LanStr(549));
    temperaturePage = new TemperatureStatisticsWidget(tabs);
    tabs->addTab(temperaturePage, LanStr(kRowTemperatureTab));
    feedTemperatures();

    dayDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kDayConnection));
    // Archives are only read; opening a name that is gone makes no empty file.
    dayDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));

    refreshTimer = new QTimer(this);
    connect(planEdit, &QLineEdit::textChanged, this, &StatisticsWidget::slotPlanChange);
    connect(exportButton, &QPushButton::clicked, this, &StatisticsWidget::SlotExportData);
    connect(dayList, &QListWidget::itemClicked, this, &StatisticsWidget::updateRecord);
    connect(returnButton, &QPushButton::clicked, this, &StatisticsWidget::slotConfirm);
    connect(refreshTimer, &QTimer::timeout, this, &StatisticsWidget::slotTimeout);
    updateData();
    refreshTimer->start(1000);
    // Shown by the main window's statistics command, not with the window.
    hide();
}

StatisticsWidget::~StatisticsWidget()
{
    if (dayDb.isOpen())
        dayDb.close();
    dayDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(kDayConnection));
}

void StatisticsWidget::showEvent(QShowEvent* event)
{
    updateList();
    QWidget::showEvent(event);
}

void StatisticsWidget::slotConfirm() { hide(); }

void StatisticsWidget::slotTimeout() { updateData(); }

bool StatisticsWidget::isToday() const { return dayList->currentRow() == 0; }

void StatisticsWidget::feedTemperatures()
{
    float words[8] = {};
    statshost::readTemperatures(words);
    temperaturePage->updateTemp(words);
}

void StatisticsWidget::updateData()
{
    if (ResStatisticsParam* s = store()) {
        morningOutputLabel->setText(QStringLiteral("%1").arg(s->getCount(MorningShift, true)));
        morningAbnormalLabel->setText(QStringLiteral("%1").arg(s->getCount(MorningShift, false)));
        nightOutputLabel->setText(QStringLiteral("%1").arg(s->getCount(NightShift, true)));
        nightAbnormalLabel->setText(QStringLiteral("%1").arg(s->getCount(NightShift, false)));
        const int out = s->getCount(WholeDay, true);
        const int ab = s->getCount(WholeDay, false);
        totalLabel->setText(QStringLiteral("%1").arg(qint64(out) + ab));
        abnormalTotalLabel->setText(QStringLiteral("%1").arg(ab));
        abnormalRateLabel->setText(stats::abnormalRateText(out, ab));
        morningChart->modifyDataAxisY(s->getRes(MorningShift, true), s->getRes(MorningShift, false));
        nightChart->modifyDataAxisY(s->getRes(NightShift, true), s->getRes(NightShift, false));
    }
    clockLabel->setText(platform::now().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    cycleLabel->setText(stats::cycleText(statshost::cycleTime()));
    if (ResStatisticsParam* s = store())
        planEdit->setValue(s->getPlan());
    feedTemperatures();
    statshost::setTemperatureAlarm(temperaturePage->judgeTemperature());
    update();
}

void StatisticsWidget::updateList()
{
    dayList->clear();
    dayList->addItem(store() ? store()->getCurDate() : QString());
    QDir folder(statshost::archiveFolder());
    const QStringList names = folder.entryList({QStringLiteral("*.db")},
                                               QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (int i = names.size() - 1; i >= 0; --i)
        dayList->addItem(QString(names[i]).remove(QStringLiteral(".db")));
    dayList->setCurrentRow(0);
    updateRecord(dayList->item(0));
}

void StatisticsWidget::updateRecord(QListWidgetItem* item)
{
    ResStatisticsParam* s = store();
    if (!s || !item)
        return;
    if (isToday()) {
        planEdit->setEnabled(true);
        s->setFindResAll(kShownStep);
        s->setPlan();
        updateData();
        return;
    }
    planEdit->setEnabled(false);
    dayDb.close();
    dayDb.setDatabaseName(statshost::archiveFolder() + QStringLiteral("//") + item->text() + QStringLiteral(".db"));
    if (!dayDb.open()) {
        qWarning() << "archived statistics cannot be opened:" << dayDb.databaseName();
        return;
    }
    QList<int> output = stats::zeroSeries();
    QList<int> abnormal = stats::zeroSeries();
    int plan = 0;
    {
        QSqlQuery q(dayDb);
        q.prepare(QStringLiteral("select value1 ,value2 from resstatistics where name=:name"));
        q.bindValue(QStringLiteral(":name"), QStringLiteral("Detect%1").arg(kShownStep));
        if (q.exec() && q.next()) {
            output = stats::parseSeries(q.value(0).toString());
            abnormal = stats::parseSeries(q.value(1).toString());
        }
        if (q.exec(QStringLiteral("select value1 from resstatistics where name='plan'")) && q.next())
            plan = stats::parseCount(q.value(0).toString());
    }
    s->setFindRes(output, abnormal);
    s->setPlan(plan);
    updateData();
}

void StatisticsWidget::slotPlanChange(QString)
{
    ResStatisticsParam* s = store();
    if (!s || !isToday())
        return;
    const int value = planEdit->value();
    if (!s->setCurPlan(value)) {
        // The field shows the stored plan again; the box waits until the
        // typing that led here returned.
        const QSignalBlocker quiet(planEdit);
        planEdit->setValue(s->getPlan());
        if (!planWarningQueued_) {
            planWarningQueued_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    planWarningQueued_ = false;
                    showWarnBox(LanStr(kRowPlanNotSaved));
                },
                Qt::QueuedConnection);
        }
        return;
    }
    s->setPlan(value);
}

bool StatisticsWidget::writeExportTable(const QString& path) const
{
    ResStatisticsParam* s = store();
    QListWidgetItem* day = dayList->currentItem();
    if (!s || !day)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray table = stats::exportTable(day->text(), s->getPlan(), s->findOutput, s->findAbnormal);
    return f.write(table) == table.size() && f.flush();
}

void StatisticsWidget::SlotExportData()
{
    if (!showChooseBox(LanStr(324)))
        return;
    exportToDisk();
}

void StatisticsWidget::exportToDisk()
{
    BusyCover::hold(this);
    platform::runInBackground<QString>(this, [] { return statshost::findUsbDisk(); }, [this](QString disk) {
        BusyCover::release(this);
        if (disk.isEmpty()) {
            if (showChooseBox(LanStr(320)))
                exportToDisk();
            return;
        }
        const QString local = QDir::current().absoluteFilePath(QLatin1String(kExportFile));
        const QString target = platform::sysPath(disk) + QStringLiteral("/")
            + platform::now().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss")) + QStringLiteral(".xls");
        // The store is read here, on the thread that owns it.
        const bool written = writeExportTable(local);
        BusyCover::hold(this);
        platform::runInBackground<bool>(
            this,
            [written, local, target, disk] {
                const bool exported = written && platform::runCommand(QStringLiteral("mv"), {local, target}).ok();
                if (!exported)
                    QFile::remove(local);
                QThread::msleep(300);
                platform::runCommand(QStringLiteral("umount"), {platform::sysPath(disk)});
                return exported;
            },
            [this](bool exported) {
                BusyCover::release(this);
                // Success only when the table reached the disk.
                showWarnBox(LanStr(exported ? 147 : kRowExportFailed));
            });
    });
}
