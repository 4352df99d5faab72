// The statistics page and its temperature tab over a real store, with the
// store's hooks in place of the main window.
#include "statsfixture.h"

#include "captions.h"
#include "programlook.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/sysroot.h"
#include "statistics/histogram.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticswidget.h"
#include "statistics/temperaturestatisticswidget.h"
#include "widgets/basewidgets.h"
#include "widgets/busycover.h"
#include "widgets/edit.h"
#include "widgets/kitstyle.h"
#include "widgets/modal.h"
#include "widgets/valuerows.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <memory>

namespace {

class StatisticsPage : public StatsFolder {
protected:
    void SetUp() override
    {
        StatsFolder::SetUp();
        static bool loaded = false;
        if (!loaded) {
            Data_Init();
            loaded = true;
        }
        savedLan = gLan;
        gLan = 1;
        gShowW = 1725;
        gShowH = 982;
        para = FactoryParams();
        savedPara = gpWPara;
        gpWPara = &para;
        platform::Clock::setInstance(&clock);
        clock.setNow(QDateTime(QDate(2026, 3, 14), QTime(10, 30, 5)));
        hooks.cycleTime = [this] { return cycleTime; };
        hooks.readTemperatures = [this](float* w) { std::copy(temps, temps + 8, w); };
        hooks.setTemperatureAlarm = [this](bool on) { alarm = on ? 1 : 0; };
        hooks.page = [this]() -> QWidget* { return page.get(); };
        hooks.findUsbDisk = [this] { return disks.isEmpty() ? QString() : disks.takeFirst(); };
        statshost::install(hooks);
        previousModal = setModalRunner([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                if (!l->text().isEmpty())
                    texts << l->text();
            boxes << texts.join('|');
            return answers.isEmpty() ? int(QDialog::Accepted) : answers.takeFirst();
        });
    }
    void TearDown() override
    {
        page.reset();
        closeStore();
        gpResStatisticsParam = nullptr;
        setModalRunner(previousModal);
        platform::Clock::setInstance(nullptr);
        gpWPara = savedPara;
        gLan = savedLan;
        StatsFolder::TearDown();
    }

    // The store as the page reads it, then the page.
    StatisticsWidget& makePage()
    {
        if (!store)
            open();
        gpResStatisticsParam = store;
        page = std::make_unique<StatisticsWidget>();
        return *page;
    }

    // An archived day: the template with step 1's counts and a plan.
    void archive(const QString& date, const QString& output, const QString& abnormal, int plan)
    {
        const QString file = folder() + "/ResStatistics/" + date + ".db";
        ASSERT_TRUE(QFile::copy("ResStatisticsNULL.db", file));
        ASSERT_TRUE(statstest::exec(file, {QString("update resstatistics set value1='%1', value2='%2' where name='Detect1'")
                                               .arg(output, abnormal),
                                           QString("update resstatistics set value1='%1' where name='plan'").arg(plan)}));
    }

    void choose(int row)
    {
        page->dayList->setCurrentRow(row);
        page->updateRecord(page->dayList->item(row));
    }

    QStringList days() const
    {
        QStringList d;
        for (int i = 0; i < page->dayList->count(); ++i)
            d << page->dayList->item(i)->text();
        return d;
    }

    // The numbers of the shift page, in reading order.
    QStringList numbers() const
    {
        return {page->morningOutputLabel->text(), page->morningAbnormalLabel->text(), page->nightOutputLabel->text(),
                page->nightAbnormalLabel->text(),  page->totalLabel->text(),           page->abnormalTotalLabel->text(),
                page->abnormalRateLabel->text()};
    }

    platform::ManualClock clock;
    WizardPara para;
    WizardPara* savedPara = nullptr;
    int savedLan = 1;
    int cycleTime = 0;
    float temps[8] = {};
    int alarm = -1;
    QStringList disks;
    QStringList boxes;
    QList<int> answers;
    ModalRunner previousModal;
    std::unique_ptr<StatisticsWidget> page;
};

} // namespace

TEST_F(StatisticsPage, TheRefreshShowsTheTotalsOfStepOne)
{
    ResStatisticsParam& s = open();
    for (int i = 0; i < 7; ++i)
        s.addTotal(i % 12, true, 1);
    s.addTotal(14, true, 1);
    s.addTotal(2, false, 1);
    s.addTotal(3, true, 0); // another step is not shown
    s.setFindResAll(1);
    cycleTime = 37;
    makePage();
    EXPECT_EQ(numbers(), (QStringList{"7", "1", "1", "0", "9", "1", "11.1111%"}));
    EXPECT_EQ(page->morningChart->outputs(), s.getRes(MorningShift, true));
    EXPECT_EQ(page->nightChart->outputs()[2], 1);
    EXPECT_EQ(page->morningChart->labels(), (QList<int>{8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(page->nightChart->labels().first(), 20);
    EXPECT_EQ(page->clockLabel->text(), QString("2026-03-14 10.30.05"));
    EXPECT_EQ(page->cycleLabel->text(), QString("Cycle  3.7"));
    EXPECT_TRUE(page->refreshTimer->isActive());
    EXPECT_EQ(page->refreshTimer->interval(), 1000);
    EXPECT_FALSE(page->isVisible()) << "made hidden; the statistics command shows it";
}

// A day without counts shows a rate of 0, not a quotient of nothing.
TEST_F(StatisticsPage, ADayWithoutCountsShowsZero)
{
    makePage();
    EXPECT_EQ(numbers(), (QStringList{"0", "0", "0", "0", "0", "0", "0"}));
}

TEST_F(StatisticsPage, TheDayListOffersTodayThenTheArchivesNewestFirst)
{
    open();
    makePage();
    page->show();
    EXPECT_EQ(days(), QStringList{"2026-03-14"});

    archive("2024-01-02", "1 2", "1", 300);
    archive("2024-01-03", "5", "0 0 2", 400);
    QDir("ResStatistics").mkdir("folder.db");
    page->hide();
    page->show();
    EXPECT_EQ(days(), (QStringList{"2026-03-14", "folder", "2024-01-03", "2024-01-02"}));
    EXPECT_EQ(page->dayList->currentRow(), 0);
    EXPECT_TRUE(page->isToday());
}

// An archived day shows its own totals and plan, read-only; today comes back
// with the live values.
TEST_F(StatisticsPage, ChoosingAnArchivedDayAndBack)
{
    ResStatisticsParam& s = open();
    s.setCurPlan(1000);
    s.addTotal(0, true, 1);
    archive("2024-01-02", "1 2 0 0 0 0 0 0 0 0 0 0 4", "1", 300);
    makePage();
    page->show();
    EXPECT_EQ(page->planEdit->text(), QString("1000"));
    ASSERT_EQ(page->dayList->count(), 2);

    choose(1);
    EXPECT_FALSE(page->isToday());
    EXPECT_FALSE(page->planEdit->isEnabled());
    EXPECT_EQ(numbers(), (QStringList{"3", "1", "4", "0", "8", "1", "12.5%"}));
    EXPECT_EQ(page->planEdit->text(), QString("300"));
    EXPECT_EQ(s.plan, 1000) << "the live plan stays";
    EXPECT_EQ(statstest::rows("ResStatistics.db")["plan"].value1, QString("1000"));
    // Counting goes on into today without disturbing the archived view.
    s.addTotal(0, true, 1);
    EXPECT_EQ(page->morningOutputLabel->text(), QString("3"));

    choose(0);
    EXPECT_TRUE(page->planEdit->isEnabled());
    EXPECT_EQ(page->planEdit->text(), QString("1000"));
    EXPECT_EQ(numbers(), (QStringList{"2", "0", "0", "0", "2", "0", "0%"}));
}

// An archive that is gone, or without the shown row, leaves the page sound
// and makes no file.
TEST_F(StatisticsPage, ArchivesThatAreGoneOrIncomplete)
{
    ResStatisticsParam& s = open();
    s.addTotal(0, true, 1);
    archive("2024-01-02", "9", "0", 10);
    archive("2024-01-03", "9", "0", 10);
    ASSERT_TRUE(statstest::exec(folder() + "/ResStatistics/2024-01-03.db",
                                {"delete from resstatistics where name in ('Detect1', 'plan')"}));
    makePage();
    page->show();
    ASSERT_EQ(days(), (QStringList{"2026-03-14", "2024-01-03", "2024-01-02"}));

    choose(1);
    EXPECT_EQ(numbers(), (QStringList{"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(page->planEdit->text(), QString("0"));

    choose(0);
    ASSERT_TRUE(QFile::remove(folder() + "/ResStatistics/2024-01-02.db"));
    choose(2);
    EXPECT_FALSE(page->planEdit->isEnabled());
    EXPECT_EQ(page->morningOutputLabel->text(), QString("1")) << "the previous selection stays";
    EXPECT_FALSE(QFileInfo::exists(folder() + "/ResStatistics/2024-01-02.db"));
}

TEST_F(StatisticsPage, ThePlanIsStoredOnlyForToday)
{
    ResStatisticsParam& s = open();
    archive("2024-01-02", "1", "0", 300);
    makePage();
    page->show();
    page->planEdit->setText("1500");
    EXPECT_EQ(s.plan, 1500);
    EXPECT_EQ(s.getPlan(), 1500);
    EXPECT_EQ(statstest::rows("ResStatistics.db")["plan"].value1, QString("1500"));
    page->planEdit->setText("99999999");
    EXPECT_EQ(s.plan, 9999999) << "the field's range";

    choose(1);
    page->planEdit->setText("42");
    EXPECT_EQ(s.plan, 9999999);
    EXPECT_EQ(statstest::rows("ResStatistics.db")["plan"].value1, QString("9999999"));
}

// A plan the database refuses is kept neither in memory nor on the page: the
// stored plan shows again, the operator is told once, and the next plan the
// database takes is stored.
TEST_F(StatisticsPage, APlanTheDatabaseRefusesIsNotKept)
{
    ResStatisticsParam& s = open();
    makePage();
    page->show();
    page->planEdit->setText("1500");
    ASSERT_EQ(s.plan, 1500);
    ASSERT_TRUE(QSqlQuery(s.db).exec("PRAGMA query_only=1"));
    page->planEdit->setText("2");
    page->planEdit->setText("25");
    EXPECT_EQ(s.plan, 1500);
    EXPECT_EQ(s.getPlan(), 1500);
    EXPECT_EQ(page->planEdit->text(), QString("1500"));
    EXPECT_TRUE(boxes.isEmpty()) << "not inside the typing";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxes.filter(LanStr(1769)).size(), 1);
    EXPECT_EQ(statstest::rows("ResStatistics.db")["plan"].value1, QString("1500"));

    ASSERT_TRUE(QSqlQuery(s.db).exec("PRAGMA query_only=0"));
    page->planEdit->setText("2000");
    EXPECT_EQ(s.getPlan(), 2000);
    EXPECT_EQ(statstest::rows("ResStatistics.db")["plan"].value1, QString("2000"));
}

// Counting a step's cycle refreshes the page while it shows today.
TEST_F(StatisticsPage, CountingRefreshesTodaysPage)
{
    ResStatisticsParam& s = open();
    makePage();
    page->show();
    s.setFindResAll(3); // something else selected
    EXPECT_TRUE(s.addTotal(13, false, 1));
    EXPECT_EQ(page->nightAbnormalLabel->text(), QString("1"));
    EXPECT_EQ(page->abnormalRateLabel->text(), QString("100%"));
}

// The refresh judges the temperatures and sets the alarm flag, shown or not.
TEST_F(StatisticsPage, TheRefreshSetsTheTemperatureAlarm)
{
    for (int k = 0; k < 8; ++k) {
        para.temp_alarm_min[k] = 0;
        para.temp_alarm_max[k] = 1000;
        temps[k] = 25.0f;
    }
    makePage();
    EXPECT_EQ(alarm, 0);
    temps[6] = 100.1f;
    alarm = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return alarm == 1; }, 2500));
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->temperaturePage->box(6)->valueLabel()->text(), QString("100.1"));
    temps[6] = 100.0f;
    page->slotTimeout();
    EXPECT_EQ(alarm, 0) << "a value equal to its limit is within";
}

TEST_F(StatisticsPage, TemperatureRowsAndTheirLimits)
{
    ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    for (int k = 0; k < 8; ++k) {
        para.temp_alarm_min[k] = 0;
        para.temp_alarm_max[k] = 1000;
    }
    para.temp_alarm_min[2] = 150;
    para.temp_alarm_max[2] = 800;
    TemperatureStatisticsWidget t;
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(t.box(k)->titleLabel()->text(), QString("Temp. %1").arg(k + 1));
    EXPECT_EQ(t.box(2)->getMinValue(), 150);
    EXPECT_EQ(t.box(2)->minimumField()->text(), QString("15"));
    EXPECT_EQ(t.box(2)->maximumField()->text(), QString("80"));
    float words[8] = {25.37f, -0.5f, 15.0f, 80.0f, 0, 0, 0, 0};
    t.updateTemp(words);
    EXPECT_EQ(t.box(0)->getValue(), 253);
    EXPECT_EQ(t.box(0)->valueLabel()->text(), QString("25.3"));
    EXPECT_EQ(t.box(1)->getValue(), -5);
    EXPECT_EQ(t.box(2)->getValue(), 150);
    EXPECT_TRUE(t.judgeTemperature()) << "-0.5 is below the second channel's limit 0";

    // Limits set elsewhere arrive at the next show; a hide stores them and
    // saves the record even when nothing changed.
    para.temp_alarm_min[1] = -10;
    t.show();
    EXPECT_EQ(t.box(1)->getMinValue(), -10);
    EXPECT_FALSE(t.judgeTemperature());
    para.temp_alarm_max[7] = 555;
    t.box(3)->setMaxValue(900);
    t.hide();
    EXPECT_EQ(para.temp_alarm_max[3], 900);
    EXPECT_EQ(para.temp_alarm_max[7], 1000) << "the row's limit went back";
    {
        QSqlQuery q(QSqlDatabase::database(kParamConnection));
        ASSERT_TRUE(q.exec("select value from sysparam where name='system11'") && q.next());
        const QStringList v = q.value(0).toString().split(' ');
        EXPECT_EQ(v[1], QString("-10"));
        EXPECT_EQ(v[8 + 3], QString("900"));
    }
    CloseSqlite(kParamConnection);
}

TEST_F(StatisticsPage, TemperatureLimitsTheDatabaseRefusesAreNotKept)
{
    ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    QSqlQuery db(QSqlDatabase::database(kParamConnection));
    ASSERT_TRUE(db.exec("PRAGMA query_only=1"));
    QStringList shown;
    const ModalRunner previous = setModalRunner([&shown](QDialog& d) {
        for (QLabel* l : d.findChildren<QLabel*>())
            shown << l->text();
        return int(QDialog::Accepted);
    });
    para.temp_alarm_max[3] = 1000;
    TemperatureStatisticsWidget t;
    t.show();
    t.box(3)->setMaxValue(900);
    t.hide();
    EXPECT_TRUE(shown.contains(LanStr(1560))) << shown.join('|').toStdString();
    EXPECT_EQ(para.temp_alarm_max[3], 1000) << "memory keeps what the disk has";
    t.show();
    EXPECT_EQ(t.box(3)->getMaxValue(), 900) << "the typed limit waits for another try";
    ASSERT_TRUE(db.exec("PRAGMA query_only=0"));
    t.hide();
    EXPECT_EQ(para.temp_alarm_max[3], 900);
    setModalRunner(previous);
    db = QSqlQuery();
    CloseSqlite(kParamConnection);
}

// Export: the shown day as a table moved onto the disk, then the disk let go.
TEST_F(StatisticsPage, ExportMovesTheTableToTheDisk)
{
    ResStatisticsParam& s = open();
    s.addTotal(0, true, 1);
    makePage();
    page->show();
    disks = QStringList{QString(), "/mnt"};
    answers = {QDialog::Accepted, QDialog::Accepted, QDialog::Accepted};
    page->SlotExportData();
    ASSERT_TRUE(testenv::settleBackground());
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_TRUE(boxes[0].contains(LanStr(324)));
    EXPECT_TRUE(boxes[1].contains(LanStr(320))) << "no disk at first";
    EXPECT_TRUE(boxes[2].contains(LanStr(147)));
    const QString local = folder() + "/ResStatisticsExport.xls";
    const QString mnt = platform::sysPath("/mnt");
    EXPECT_EQ(testenv::commands().lines(),
              (QStringList{"mv " + local + " " + mnt + "/2026-03-14_10.30.05.xls", "umount " + mnt}));
    QFile f(local); // the recorder moved nothing
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString table = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(table.contains("Date\t2026-03-14"));
    EXPECT_TRUE(table.contains("08:00\t1\t0"));
}

// A move that failed is reported as a failure, never as a success.
TEST_F(StatisticsPage, AFailedExportIsReported)
{
    makePage();
    disks = QStringList{"/mnt"};
    platform::CommandResult failed;
    failed.started = true;
    failed.exitCode = 1;
    testenv::commands().script("mv", failed);
    page->SlotExportData();
    ASSERT_TRUE(testenv::settleBackground());
    testenv::commands().script("mv", platform::CommandResult{true, 0, {}, {}});
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].contains(LanStr(1305)));
    EXPECT_FALSE(boxes[1].contains(LanStr(147)));
    EXPECT_FALSE(QFileInfo::exists("ResStatisticsExport.xls"));
    EXPECT_EQ(testenv::commands().lines().last(), "umount " + platform::sysPath("/mnt"));
}

// On a slow system the disk search, the move and the letting go of the disk
// are waited for off the GUI thread, under the page's busy cover; the result
// is shown once they have answered.
TEST_F(StatisticsPage, TheExportWaitsOffTheGuiThread)
{
    ResStatisticsParam& s = open();
    s.addTotal(0, true, 1);
    makePage();
    page->show();
    std::atomic<bool> searchedOnGui{false};
    hooks.findUsbDisk = [&searchedOnGui] {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            searchedOnGui = true;
        QThread::msleep(300);
        return QStringLiteral("/mnt");
    };
    statshost::install(hooks);
    testenv::commands().setDelayMs(300);
    answers = {QDialog::Accepted, QDialog::Accepted};
    page->SlotExportData();
    EXPECT_TRUE(BusyCover::shown(page.get()));
    EXPECT_EQ(boxes.size(), 1) << "the result waits for the work, the GUI thread does not";
    const bool settled = testenv::settleBackground();
    testenv::commands().setDelayMs(0);
    ASSERT_TRUE(settled);
    EXPECT_FALSE(searchedOnGui);
    for (const auto& c : testenv::commands().calls())
        EXPECT_FALSE(c.onMainThread) << c.line().toStdString();
    EXPECT_EQ(testenv::commands().lines().size(), 2);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].contains(LanStr(147)));
    EXPECT_FALSE(BusyCover::shown(page.get()));
}

TEST_F(StatisticsPage, ExportEndsWhenTheOperatorSaysNo)
{
    makePage();
    answers = {QDialog::Rejected};
    page->SlotExportData();
    disks.clear();
    answers = {QDialog::Accepted, QDialog::Rejected};
    page->SlotExportData();
    ASSERT_TRUE(testenv::settleBackground());
    EXPECT_EQ(boxes.size(), 3);
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
}

TEST_F(StatisticsPage, ReturnHidesThePageAndTheRefreshGoesOn)
{
    makePage();
    page->show();
    QTest::mouseClick(page->returnButton, Qt::LeftButton);
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(page->refreshTimer->isActive());
}

TEST_F(StatisticsPage, Screenshots)
{
    ResStatisticsParam& s = open();
    const int out[12] = {40, 52, 48, 61, 0, 35, 58, 60, 57, 49, 12, 3};
    const int ab[12] = {1, 0, 3, 2, 0, 1, 0, 4, 1, 0, 0, 1};
    for (int k = 0; k < 12; ++k) {
        s.outputTotals[1][k] = out[k];
        s.abnormalTotals[1][k] = ab[k];
        s.outputTotals[1][12 + k] = out[11 - k] / 2;
    }
    s.saveTotal(1);
    s.setCurPlan(1200);
    archive("2026-03-13", "30 31 32", "1", 1100);
    cycleTime = 37;
    for (int k = 0; k < 8; ++k) {
        para.temp_alarm_min[k] = 200;
        para.temp_alarm_max[k] = 600;
        temps[k] = 24.0f + k * 3.3f;
    }
    const QString dir = QStringLiteral(STATS_SHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    const ProgramLook look;
    for (int lan : {1, 0, 2}) {
        gLan = lan;
        makePage();
        page->show();
        // Every text has real glyphs (skinned buttons paint with their own face).
        for (QWidget* child : page->findChildren<QWidget*>()) {
            QString text;
            if (auto* l = qobject_cast<QLabel*>(child))
                text = l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(child))
                text = b->text();
            const QFont font = dynamic_cast<ColorButton*>(child) ? kitFont("wqy-microhei", 22) : child->font();
            EXPECT_TRUE(drawsEveryCharacter(text, font)) << text.toStdString();
        }
        const QString suffix = QStringList{"-zh", "-en", "-tw"}[lan];
        EXPECT_TRUE(page->grab().save(dir + "/statistics" + suffix + ".png"));
        QStringList cut = clippedCaptions(page.get());
        EXPECT_TRUE(cut.isEmpty()) << "statistics" << suffix.toStdString() << ": " << cut.join(" | ").toStdString();
        page->tabs->setCurrentIndex(1);
        EXPECT_TRUE(page->grab().save(dir + "/temperature" + suffix + ".png"));
        cut = clippedCaptions(page.get());
        EXPECT_TRUE(cut.isEmpty()) << "temperature" << suffix.toStdString() << ": " << cut.join(" | ").toStdString();
        page->hide();
        page.reset();
    }
}
