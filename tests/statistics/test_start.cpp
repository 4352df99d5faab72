// The statistics made for the real main window: reachable through the
// window, fed by its cycle time and temperature words, raising its alarm.
#include "cyclefixture.h"

#include "monitor/iothread.h"
#include "monitor/statisticsstart.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticshost.h"
#include "statistics/statisticswidget.h"

#include <QFileInfo>
#include <QLabel>

namespace {

class StatisticsStart : public CycleWindow {
protected:
    void TearDown() override
    {
        for (auto& t : gFTemp)
            t.store(0.0f);
        CycleWindow::TearDown(); // the page goes with the window
        delete gpResStatisticsParam;
        statshost::install({});
    }
};

} // namespace

TEST_F(StatisticsStart, TheWindowGetsTheStoreAndThePage)
{
    start();
    EXPECT_EQ(window->statisticsWidget, nullptr) << "the start-up makes none";
    EXPECT_EQ(gpResStatisticsParam, nullptr);
    EXPECT_EQ(window->productionTime, 0);

    StatisticsWidget* page = MakeStatistics(*window);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(window->statisticsWidget, page);
    EXPECT_EQ(page->parentWidget(), window);
    EXPECT_TRUE(page->isHidden());
    EXPECT_EQ(MakeStatistics(*window), page) << "one page";
    ASSERT_NE(gpResStatisticsParam, nullptr);
    EXPECT_TRUE(QFileInfo::exists("ResStatistics.db"));
    EXPECT_TRUE(QFileInfo::exists("ResStatisticsNULL.db"));
    EXPECT_EQ(window->productionTime, clock.now().toSecsSinceEpoch());
    EXPECT_EQ(gpResStatisticsParam->getCurDate(), clock.now().date().toString("yyyy-MM-dd"));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('|').toStdString();

    window->cycleTime = 37;
    page->updateData();
    EXPECT_EQ(page->cycleLabel->text(), QString::fromUtf8("周期  3.7"));

    // Counting refreshes the window's page while it shows today.
    page->updateList(); // what showing it does (the window itself is not shown here)
    gpResStatisticsParam->addTotal(0, true, 1);
    EXPECT_EQ(page->morningOutputLabel->text(), QString("1"));

    // The finished day goes into the window's archive folder.
    EXPECT_TRUE(gpResStatisticsParam->nextDay("2026-05-07"));
    EXPECT_TRUE(QFileInfo::exists(window->statisticsDir.absoluteFilePath(
        clock.now().date().toString("yyyy-MM-dd") + ".db")));
}

// The board's temperature words reach the page, and a channel outside its
// limits raises the window's temperature alarm.
TEST_F(StatisticsStart, ATemperatureOutsideItsLimitsRaisesTheAlarm)
{
    start();
    for (int k = 0; k < 8; ++k) {
        gpWPara->temp_alarm_min[k] = 100;
        gpWPara->temp_alarm_max[k] = 800;
        gFTemp[k].store(40.0f);
    }
    StatisticsWidget* page = MakeStatistics(*window);
    EXPECT_FALSE(gisTempAlarm);
    window->CheckTemp();
    window->Run();
    EXPECT_FALSE(out(2));

    gFTemp[5].store(80.5f);
    page->slotTimeout();
    EXPECT_TRUE(gisTempAlarm);
    window->CheckTemp();
    window->Run();
    EXPECT_TRUE(out(2));

    gFTemp[5].store(80.0f);
    page->slotTimeout();
    EXPECT_FALSE(gisTempAlarm);
}
