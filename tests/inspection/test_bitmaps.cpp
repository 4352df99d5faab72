#include "inspectionfixture.h"

#include "inspection/cammerrecongnize.h"
#include "inspection/paramroi.h"
#include "params/lanstr.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Bitmaps = InspectionFolder;

QVector<QRgb> grey()
{
    QVector<QRgb> t;
    for (int i = 0; i < 256; ++i)
        t << qRgb(i, i, i);
    return t;
}

// An 8-bit bitmap whose pixel (x, y) is (x * 7 + y * 3) & 255.
void writePattern(const QString& path, int w, int h, QImage::Format format = QImage::Format_Indexed8)
{
    QImage img(w, h, QImage::Format_Indexed8);
    img.setColorTable(grey());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.scanLine(y)[x] = uchar((x * 7 + y * 3) & 255);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(img.convertToFormat(format).save(path));
}

QStringList gPics;
void recordPic(const QString& p) { gPics << p; }

} // namespace

TEST_F(Bitmaps, NoFilesGiveTheSyntheticTemplateOnEveryStepInUse)
{
    for (bool colour : {false, true}) {
        SetImageGeometry(41, 22, colour);
        CammerData view(4);
        view.LoadTemplates();
        for (int d = 0; d < 8; ++d) {
            const bool inUse = d < 2; // the standard procedure's two steps
            EXPECT_EQ(view.templateCount[d], inUse ? 1 : 0) << d;
            EXPECT_EQ(view.templateUsed[d][0], inUse ? 1 : 0) << d;
            EXPECT_EQ(view.templateUsed[d].size(), 10u);
            EXPECT_EQ(view.templateImages[d][0].empty(), !inUse) << d;
        }
        // A colour camera keeps only the template's plane; the picture is made again to be shown.
        ASSERT_EQ(view.templateImages[1][0].type(), CV_8UC1);
        const cv::Mat t = view.TemplatePicture(1, 0);
        ASSERT_EQ(t.type(), colour ? CV_8UC4 : CV_8UC1);
        // White from W/4 to (W/4)*3 and H/4 to (H/4)*3 inclusive: columns 10..30, rows 5..15.
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 41; ++x) {
                const bool white = x >= 10 && x <= 30 && y >= 5 && y <= 15;
                const uchar* px = t.ptr<uchar>(y) + x * t.channels();
                for (int c = 0; c < t.channels(); ++c)
                    ASSERT_EQ(px[c], white ? 255 : 0) << x << "," << y;
            }
    }
}

TEST_F(Bitmaps, TemplatesWithOddWidthRoundTripAndWrongOnesAreRefused)
{
    SetImageGeometry(37, 23, false); // 37 bytes per row, stored padded to 40
    writePattern("cammer12/template2.bmp", 37, 23);
    writePattern("cammer12/template5.bmp", 37, 23, QImage::Format_Grayscale8);
    writePattern("cammer12/template1.bmp", 36, 23);                       // wrong width
    writePattern("cammer12/template3.bmp", 37, 23, QImage::Format_RGB32); // wrong depth
    CammerData view(0);
    view.LoadTemplates();
    const std::vector<int> used = view.templateUsed[1];
    EXPECT_EQ(used, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 0, 0, 0})) << "slot 0 synthetic";
    EXPECT_EQ(view.templateCount[1], 3);
    for (int slot : {2, 5}) {
        const cv::Mat& t = view.templateImages[1][slot];
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(t.at<uchar>(y, x), (x * 7 + y * 3) & 255) << slot << ": " << x << "," << y;
    }

    // The newest frame becomes template 0 on disk and loads back unchanged.
    view.curImage = CammerData::NewFrame();
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            view.curImage.at<uchar>(y, x) = uchar(x * 5 + y);
    gPics.clear();
    setTempPicHook(recordPic);
    params_.cntnet_enable = 1;
    ASSERT_TRUE(view.SaveReTrainImage(1));
    EXPECT_EQ(gPics, QStringList{QFileInfo("cammer12/template0.bmp").absoluteFilePath()});
    EXPECT_EQ(cv::countNonZero(view.alignImage != view.curImage), 0);
    CammerData again(0);
    again.LoadTemplates();
    EXPECT_EQ(cv::countNonZero(again.templateImages[1][0] != view.curImage), 0);
    EXPECT_EQ(again.templateCount[1], 3);
    setTempPicHook(nullptr);
}

TEST_F(Bitmaps, ColourTemplatesRoundTrip)
{
    SetImageGeometry(13, 7, true);
    CammerData view(1);
    view.LoadTemplates();
    view.curImage = CammerData::NewFrame();
    cv::randu(view.curImage, 0, 255);
    view.curImage.forEach<cv::Vec4b>([](cv::Vec4b& p, const int*) { p[3] = 255; });
    ASSERT_TRUE(view.SaveReTrainImage(0));
    CammerData again(1);
    again.LoadTemplates();
    EXPECT_EQ(again.templateCount[0], 1);
    cv::Mat diff;
    cv::absdiff(again.TemplatePicture(0, 0), view.curImage, diff);
    EXPECT_EQ(cv::sum(diff), cv::Scalar::all(0));
    // In memory only the plane the inspection reads, the same as from the frame itself.
    for (bool grey : {false, true}) {
        gisGrayHue = grey;
        again.LoadTemplates();
        cv::Mat plane(7, 13, CV_8UC1);
        if (grey)
            RGBA2Gray(plane.data, view.curImage.data, 13, 7);
        else
            RGBA2Hue(plane.data, view.curImage.data, 13, 7);
        ASSERT_EQ(again.templateImages[0][0].type(), CV_8UC1);
        EXPECT_EQ(cv::countNonZero(again.TemplatePlane(0, 0) != plane), 0) << grey;
    }
    gisGrayHue = false;

    // A template written in memory is shown and kept as its plane until saved to its file.
    cv::Mat pic = view.curImage.clone();
    pic.setTo(cv::Scalar(10, 200, 30, 255));
    pic.copyTo(again.TemplateImage(0, 2));
    EXPECT_EQ(cv::countNonZero(again.TemplatePicture(0, 2).reshape(1) != pic.reshape(1)), 0);
    again.templateUsed[0][2] = 1;
    ASSERT_TRUE(again.SaveTemplate(0, 2));
    ASSERT_EQ(again.templateImages[0][2].type(), CV_8UC1);
    EXPECT_EQ(cv::countNonZero(again.TemplatePicture(0, 2).reshape(1) != pic.reshape(1)), 0) << "read from the file";

    // An 8-bit file is refused for a colour camera.
    writePattern("cammer21/template1.bmp", 13, 7);
    again.LoadTemplates();
    EXPECT_EQ(again.templateUsed[0][1], 0);
}

TEST_F(Bitmaps, IgnorePointsRoundTripAndOtherDepthsAreConverted)
{
    SetImageGeometry(37, 23, false);
    gDNum = 8; // multi-detection with all eight steps in use
    for (int& e : params_.step_enabled)
        e = 1;
    CammerData view(0);
    view.LoadIgnorePoint();
    for (int d = 0; d < 8; ++d)
        EXPECT_TRUE(view.ignoreMask[d].empty()) << "no points: no mask, nothing ignored";
    view.CammerData::IgnoreMask(6)(cv::Rect(3, 4, 5, 6)).setTo(255);
    view.CammerData::IgnoreMask(6).at<uchar>(22, 36) = 1;
    ASSERT_TRUE(view.SaveIgnorePoint(6));
    CammerData again(0);
    again.LoadIgnorePoint();
    EXPECT_EQ(cv::countNonZero(again.ignoreMask[6] != view.ignoreMask[6]), 0);

    // A 32-bit file of the right size: converted, never over-read.
    QImage colour(37, 23, QImage::Format_RGB32);
    colour.fill(Qt::black);
    colour.setPixel(36, 22, qRgb(255, 0, 0));
    QDir().mkpath("cammer13");
    ASSERT_TRUE(colour.save("cammer13/ignorepoint.bmp"));
    // A file of the wrong size: nothing ignored.
    writePattern("cammer14/ignorepoint.bmp", 20, 23);
    again.LoadIgnorePoint();
    EXPECT_EQ(cv::countNonZero(again.ignoreMask[2]), 1);
    EXPECT_NE(again.ignoreMask[2].at<uchar>(22, 36), 0);
    EXPECT_TRUE(again.ignoreMask[3].empty());
}

TEST_F(Bitmaps, OnlyAStepWithIgnorePointsHoldsAMask)
{
    SetImageGeometry(37, 23, false);
    CammerData view(0);
    view.SyncSteps();
    ASSERT_TRUE(view.stepLoaded[0]);
    EXPECT_TRUE(view.ignoreMask[0].empty());
    view.IgnoreMask(0)(cv::Rect(1, 1, 2, 2)).setTo(255);
    ASSERT_TRUE(view.SaveIgnorePoint(0));

    CammerData again(0);
    again.SyncSteps();
    EXPECT_EQ(cv::countNonZero(again.ignoreMask[0]), 4) << "points on disk make the mask";
    again.ignoreMask[0].setTo(0);
    ASSERT_TRUE(again.SaveIgnorePoint(0));
    CammerData third(0);
    third.SyncSteps();
    EXPECT_TRUE(third.ignoreMask[0].empty()) << "an all-clear bitmap makes none";
    EXPECT_TRUE(third.SaveIgnorePoint(0)) << "a step in use without a mask writes a clear bitmap";
    EXPECT_EQ(QImage("cammer11/ignorepoint.bmp").size(), QSize(37, 23));
}

namespace {

size_t gBudget = 0; // bytes the step buffers may still take
cv::Mat limitedBuffer(int rows, int cols, int type)
{
    const size_t bytes = size_t(rows) * size_t(cols) * CV_ELEM_SIZE(type);
    if (bytes > gBudget)
        throw std::bad_alloc();
    gBudget -= bytes;
    return cv::Mat(rows, cols, type);
}

} // namespace

TEST_F(Bitmaps, OnlyStepsInUseHoldMemoryAndAStepWithoutMemoryIsRefused)
{
    LoadTextTable();
    SetImageGeometry(40, 30, false);
    CammerData view(2);
    view.SyncSteps();
    EXPECT_TRUE(view.stepLoaded[0] && view.stepLoaded[1]);
    EXPECT_FALSE(view.stepLoaded[2]);
    EXPECT_TRUE(view.ignoreMask[2].empty());

    // The settings enable a third step: it gets its memory; disabling gives it back.
    gDNum = 3;
    params_.step_enabled[2] = 1;
    view.SyncSteps();
    EXPECT_TRUE(view.stepLoaded[2]);
    EXPECT_EQ(view.templateCount[2], 1);
    EXPECT_TRUE(view.ignoreMask[2].empty()) << "no ignore points: no mask";
    params_.step_enabled[2] = 0;
    view.SyncSteps();
    EXPECT_FALSE(view.stepLoaded[2]);
    EXPECT_TRUE(view.templateImages[2][0].empty());
    EXPECT_TRUE(view.ignoreMask[2].empty());

    // No memory for it: a warning, once, and the step is refused, never an abort.
    gBudget = 40 * 30 - 1; // not even the template fits
    const auto previous = gNewStepBuffer;
    gNewStepBuffer = &limitedBuffer;
    params_.step_enabled[2] = 1;
    view.SyncSteps();
    view.SyncSteps();
    EXPECT_TRUE(view.stepRefused[2]);
    EXPECT_FALSE(view.stepLoaded[2]);
    EXPECT_TRUE(view.templateImages[2][0].empty()) << "what was made is given back";
    const QString warning = LanStr(1461).arg(3).arg(3);
    EXPECT_EQ(records, QStringList{warning});
    EXPECT_TRUE(warnings.isEmpty()) << "shown from the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(warnings, QStringList{warning});
    EXPECT_TRUE(LanStr(1461, 1).startsWith("Camera %1, detection %2:"));

    // A refused step is never judged OK, whatever its regions find (still
    // without memory when it is judged).
    view.curImage = CammerData::NewFrame();
    view.alignImage = CammerData::NewFrame();
    view.ngOverlay = cv::Mat(30, 40, CV_8UC1, cv::Scalar(0));
    view.liveRegions.reset(new CammerSingleton(2));
    CammerRecong engine(view.liveRegions.get(), &view);
    view.allOK = true;
    engine.Run(2);
    EXPECT_FALSE(view.allOK);
    engine.Run(1);
    EXPECT_TRUE(view.allOK) << "the other steps are judged as before";
    EXPECT_EQ(records.size(), 1) << "warned once";
    gNewStepBuffer = previous;

    // A step the settings bring into use is loaded before it is trained or judged.
    params_.step_enabled[3] = 1;
    gDNum = 4;
    engine.VarTrain(3);
    EXPECT_TRUE(view.stepLoaded[3]);
    EXPECT_EQ(view.templateCount[3], 1);

    // With memory again, the step comes back when it is next judged.
    engine.Run(2);
    EXPECT_FALSE(view.stepRefused[2]);
    EXPECT_TRUE(view.stepLoaded[2]);
}

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The plane of a template slot equals the pattern writePattern draws.
bool holdsPattern(const CammerData& v, int step, int slot)
{
    const cv::Mat t = v.TemplatePlane(step, slot);
    if (t.rows != 23 || t.cols != 37)
        return false;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            if (t.at<uchar>(y, x) != ((x * 7 + y * 3) & 255))
                return false;
    return true;
}

} // namespace

// The process ends with the new template written beside the old one and
// not yet renamed, as a power cut would end it: the old bitmap is whole and
// is what the next start loads.
TEST_F(Bitmaps, AWriteCutShortBeforeTheRenameKeepsTheOldBitmap)
{
    SetImageGeometry(37, 23, false);
    writePattern("cammer12/template0.bmp", 37, 23);
    const QByteArray old = contents("cammer12/template0.bmp");
    CammerData view(0);
    view.LoadTemplates();
    view.curImage = CammerData::NewFrame();
    view.curImage.setTo(99);
    EXPECT_EXIT(
        {
            gBitmapBeforeRename = [](const QString&) { _exit(0); };
            view.SaveReTrainImage(1);
            _exit(1);
        },
        ::testing::ExitedWithCode(0), "");
    // Ending with 0 shows the new bitmap was complete when the process ended.
    EXPECT_EQ(contents("cammer12/template0.bmp"), old);

    CammerData again(0);
    again.LoadTemplates();
    EXPECT_EQ(again.templateCount[1], 1);
    EXPECT_TRUE(holdsPattern(again, 1, 0));
}

// A bitmap the disk refuses (a folder in its place, a file size limit as a
// full disk leaves a write cut short) or that held saves refuse is reported,
// and neither the file nor the template in memory changes.
TEST_F(Bitmaps, AWriteThatIsRefusedChangesNeitherFileNorMemory)
{
    SetImageGeometry(37, 23, false);
    enum Fault { FolderInPlace, FileSizeLimit, SavesHeld };
    const char* names[] = {"a folder in place of the file", "file size limit", "saves held"};
    for (Fault fault : {FolderInPlace, FileSizeLimit, SavesHeld}) {
        SCOPED_TRACE(names[fault]);
        QDir("cammer12").removeRecursively();
        writePattern("cammer12/template0.bmp", 37, 23);
        CammerData view(0);
        view.LoadTemplates();
        view.SyncSteps();
        view.IgnoreMask(1)(cv::Rect(2, 2, 3, 3)).setTo(255);
        ASSERT_TRUE(view.SaveIgnorePoint(1));
        const QByteArray oldIgnore = contents("cammer12/ignorepoint.bmp");
        view.curImage = CammerData::NewFrame();
        view.curImage.setTo(99);
        gPics.clear();
        setTempPicHook(recordPic);
        params_.cntnet_enable = 1;

        struct rlimit before {};
        getrlimit(RLIMIT_FSIZE, &before);
        if (fault == FolderInPlace) {
            ASSERT_TRUE(QFile::remove("cammer12/template0.bmp"));
            ASSERT_TRUE(QDir().mkpath("cammer12/template0.bmp"));
            ASSERT_TRUE(QFile::remove("cammer12/ignorepoint.bmp"));
            ASSERT_TRUE(QDir().mkpath("cammer12/ignorepoint.bmp"));
        } else if (fault == FileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            struct rlimit small = before;
            small.rlim_cur = 1024; // a bitmap of this size takes about 2 KB
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        } else {
            holdParamSaves();
        }
        const QByteArray oldTemplate = contents("cammer12/template0.bmp");
        const bool retrained = view.SaveReTrainImage(1);
        view.IgnoreMask(1).setTo(255);
        const bool ignoreWritten = view.SaveIgnorePoint(1);
        setrlimit(RLIMIT_FSIZE, &before);
        holdParamSaves(false);
        setTempPicHook(nullptr);

        EXPECT_FALSE(retrained);
        EXPECT_FALSE(ignoreWritten);
        EXPECT_TRUE(holdsPattern(view, 1, 0)) << "memory keeps the template the disk has";
        EXPECT_TRUE(gPics.isEmpty()) << "no link notice of a file not written";
        if (fault != FolderInPlace) {
            EXPECT_EQ(contents("cammer12/template0.bmp"), oldTemplate);
            EXPECT_EQ(contents("cammer12/ignorepoint.bmp"), oldIgnore);
        }
        EXPECT_TRUE(QDir("cammer12").entryList({"*.bmp?*"}, QDir::Files).isEmpty()) << "no temporary file left";
    }
}
