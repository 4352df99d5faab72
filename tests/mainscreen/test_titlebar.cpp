// The title bar alone: its first texts, what each status update reaches
// (and that cameras without a row reach nothing), the IO icons, the layout
// of the rows, the clock and the board's silence.
#include "monitor/cycletexts.h"
#include "monitor/titlebar.h"
#include "params/lanstr.h"
#include "platform/clock.h"
#include "testenv.h"
#include "captions.h"
#include "programlook.h"

#include <QDir>
#include <QLabel>
#include <QTimer>

namespace {

class TitleBarTest : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        Data_Init();
        gLan = 1;
        bar = std::make_unique<TitleBar>();
        bar->resize(1920, 98);
        bar->show();
    }
    void TearDown() override
    {
        bar.reset();
        gLan = 0;
        InTempFolder::TearDown();
    }
    // Every label text of the bar, by label.
    QMap<const QLabel*, QString> texts() const
    {
        QMap<const QLabel*, QString> m;
        for (const QLabel* l : bar->findChildren<QLabel*>())
            m[l] = l->text();
        return m;
    }
    static QImage picture(const QString& path)
    {
        return QPixmap(path).scaled(38, 38, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage();
    }

    std::unique_ptr<TitleBar> bar;
};

} // namespace

TEST_F(TitleBarTest, StartsWithItsPlaceholderTextsAndInactiveIcons)
{
    EXPECT_EQ(bar->height(), 98);
    EXPECT_EQ(bar->valueLabel->text(), "0.0s");
    EXPECT_EQ(bar->dateLabel->text(), "0000-00-00");
    EXPECT_EQ(bar->timeLabel->text(), "00:00");
    EXPECT_EQ(bar->locationLabel->text(), "311,432,0");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bar->cameraRows[i]->rowIndex, i);
        EXPECT_EQ(bar->cameraRows[i]->messageLabel->text(), LanStr(800).arg(i + 1));
        EXPECT_EQ(bar->cameraRows[i]->ngLabel->text(), "0");
        EXPECT_EQ(bar->cameraRows[i]->layerLabel->text(), "0");
    }
    const int inactive[8] = {19, 21, 23, 25, 27, 29, 31, 33};
    for (int e = 0; e < 8; ++e) {
        EXPECT_EQ(bar->ioIconShown(e), QStringLiteral(":/img/icons/%1.png").arg(inactive[e]));
        EXPECT_EQ(bar->ioIcons[e]->pixmap()->toImage(), picture(bar->ioIconShown(e))) << e;
    }
    EXPECT_TRUE(bar->clockTimer->isActive());
    EXPECT_EQ(bar->clockTimer->interval(), 1000);
    EXPECT_FALSE(bar->boardNote->isVisible());
}

TEST_F(TitleBarTest, StatusUpdatesReachTheirRowOrTheValueLabelAndNothingElse)
{
    struct Case {
        int camera, type;
        const char* text;
        // The one label that changes, or none.
        std::function<QLabel*(TitleBar&)> label;
    } cases[] = {
        {0, 1, "Cam 1 Prod Waiting", [](TitleBar& b) { return b.cameraRows[0]->messageLabel; }},
        {3, 1, "Cam 4 Mold detecting", [](TitleBar& b) { return b.cameraRows[3]->messageLabel; }},
        {1, 2, "1234", [](TitleBar& b) { return b.cameraRows[1]->layerLabel; }},
        {2, 3, "17", [](TitleBar& b) { return b.cameraRows[2]->ngLabel; }},
        {0, 0, "25", [](TitleBar& b) { return b.valueLabel; }},
        {2, 4, "30", [](TitleBar& b) { return b.valueLabel; }},
        // Cameras 5 to 8 have no row: whatever they send is dropped.
        {4, 1, "Cam 5 Mold Waiting", nullptr},
        {5, 2, "99", nullptr},
        {6, 3, "98", nullptr},
        {7, 0, "97", nullptr},
        {-1, 1, "none", nullptr},
    };
    for (const Case& c : cases) {
        const QMap<const QLabel*, QString> before = texts();
        bar->setCameraInfo(c.camera, CameraInfo::DATA_TYPE(c.type), QString::fromUtf8(c.text), MessageWarning);
        QMap<const QLabel*, QString> expected = before;
        if (c.label)
            expected[c.label(*bar)] = QString::fromUtf8(c.text);
        EXPECT_EQ(texts(), expected) << c.camera << ' ' << c.type;
    }
}

TEST_F(TitleBarTest, MessageIcons)
{
    const QImage info = QPixmap(":/img/icons/15.png").scaledToWidth(16, Qt::SmoothTransformation).toImage();
    const QImage warn = QPixmap(":/img/icons/warning2.png").scaledToWidth(16, Qt::SmoothTransformation).toImage();
    ASSERT_NE(info, warn);
    EXPECT_EQ(bar->cameraRows[1]->iconLabel->pixmap()->toImage(), info);
    bar->setCameraInfo(1, CameraInfo::Message, "x", MessageWarning);
    EXPECT_EQ(bar->cameraRows[1]->iconLabel->pixmap()->toImage(), warn);
    bar->setCameraInfo(1, CameraInfo::Message, "y", MessageInfo);
    EXPECT_EQ(bar->cameraRows[1]->iconLabel->pixmap()->toImage(), info);
}

TEST_F(TitleBarTest, IoIconsFollowTheStates)
{
    bar->promptSwitching_State(0, 2, 1);
    EXPECT_EQ(bar->ioIconShown(2), ":/img/icons/22.png");
    EXPECT_EQ(bar->ioIcons[2]->pixmap()->toImage(), picture(":/img/icons/22.png"));
    bar->promptSwitching_State(1, 3, 1);
    EXPECT_EQ(bar->ioIconShown(7), ":/img/icons/32.png");
    bar->promptSwitching_State(1, 3, 0);
    EXPECT_EQ(bar->ioIconShown(7), ":/img/icons/33.png");
    EXPECT_EQ(bar->ioIcons[7]->pixmap()->toImage(), picture(":/img/icons/33.png"));
    bar->promptSwitching_State(1, 0, 7); // any nonzero state is active
    EXPECT_EQ(bar->ioIconShown(4), ":/img/icons/26.png");
    // Every picture exists and each state looks different.
    for (int n = 18; n <= 33; ++n)
        EXPECT_FALSE(QPixmap(QStringLiteral(":/img/icons/%1.png").arg(n)).isNull()) << n;
    for (int n = 20; n <= 32; n += 2)
        EXPECT_NE(picture(QStringLiteral(":/img/icons/%1.png").arg(n)),
                  picture(QStringLiteral(":/img/icons/%1.png").arg(n + 1)))
            << n;
}

TEST_F(TitleBarTest, RowsOneAndThreeLeftTwoAndFourRight)
{
    auto pos = [this](int i) { return bar->cameraRows[i]->mapTo(bar.get(), QPoint(0, 0)); };
    EXPECT_EQ(pos(0).x(), pos(2).x());
    EXPECT_EQ(pos(1).x(), pos(3).x());
    EXPECT_LT(pos(0).x(), pos(1).x());
    EXPECT_LT(pos(0).y(), pos(2).y());
    EXPECT_EQ(pos(0).y(), pos(1).y());
    EXPECT_LT(pos(1).x() + bar->cameraRows[1]->width(), bar->ioIcons[0]->mapTo(bar.get(), QPoint()).x());
    for (int e = 1; e < 8; ++e)
        EXPECT_EQ(bar->ioIcons[e]->x() - bar->ioIcons[e - 1]->x(), 38 + 20) << e;
}

TEST_F(TitleBarTest, TheClockShowsDateAndTime)
{
    platform::ManualClock clock{QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9))};
    platform::Clock::setInstance(&clock);
    bar->tick();
    EXPECT_EQ(bar->dateLabel->text(), "2026-05-06");
    EXPECT_EQ(bar->timeLabel->text(), "07:08:09");
    platform::Clock::setInstance(nullptr);
}

TEST_F(TitleBarTest, ASilentBoardDimsTheIconsAndSaysSo)
{
    bar->promptSwitching_State(0, 1, 1);
    const QImage lit = bar->ioIcons[1]->pixmap()->toImage();
    bar->setBoardAnswering(false);
    EXPECT_TRUE(bar->boardNote->isVisible());
    EXPECT_EQ(bar->boardNote->text(), LanStr(cycletext::kBoardNotAnswering));
    EXPECT_NE(bar->ioIcons[1]->pixmap()->toImage(), lit);
    bar->promptSwitching_State(0, 1, 0); // states still follow while silent
    EXPECT_EQ(bar->ioIconShown(1), ":/img/icons/21.png");
    bar->promptSwitching_State(0, 1, 1);
    bar->setBoardAnswering(true);
    EXPECT_FALSE(bar->boardNote->isVisible());
    EXPECT_EQ(bar->ioIcons[1]->pixmap()->toImage(), lit);
}

// The clamp warning, the longest status there is, shows whole at nearly the
// size of the other rows: wrapped onto a second line rather than made small.
TEST(TitleBarLook, TheClampWarningIsWrappedNotShrunk)
{
    const ProgramLook look;
    Data_Init();
    const char* const suffix[3] = {"-zh", "-en", "-tw"};
    for (int lan : {1, 0, 2}) {
        SCOPED_TRACE(lan);
        gLan = lan;
        TitleBar bar;
        bar.resize(1920, 98);
        bar.show();
        bar.setCameraInfo(0, CameraInfo::Message, LanStr(313).arg("1", LanStr(264), LanStr(312)), MessageWarning);
        bar.setCameraInfo(1, CameraInfo::Message, LanStr(313).arg("2", LanStr(264), LanStr(1630)), MessageWarning);
        bar.setCameraInfo(2, CameraInfo::Message, LanStr(313).arg("3", LanStr(375), LanStr(1630)), MessageWarning);
        QCoreApplication::processEvents();
        auto px = [&](int row) { return QFontInfo(bar.cameraRows[row]->messageLabel->font()).pixelSize(); };
        for (int row : {1, 2})
            EXPECT_GE(px(row), px(0) - 2) << "row " << row << " against " << px(0);
        const QStringList cut = clippedCaptions(&bar);
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
        const QString dir = QStringLiteral(SCREEN_SHOT_DIR);
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(bar.grab().save(dir + "/titlebar-clamp-warning" + suffix[lan] + ".png"));
    }
    gLan = 0;
}
