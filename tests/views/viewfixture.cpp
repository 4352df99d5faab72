#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "cameradriver/camerahost.h"
#include "cameradriver/checkcamera.h"
#include "editor/regionpanel.h"
#include "monitor/controlport.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/programfolder.h"
#include "platform/cameras/simcamera.h"
#include "platform/host.h"
#include "widgets/modal.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

void RecordingHost::setCameraInfo(int camera, int type, const QString& text, int kind)
{
    calls << QStringLiteral("info %1 %2 %3").arg(camera).arg(type).arg(text);
}

void RecordingHost::setLocation(const QString& text) { calls << QStringLiteral("location %1").arg(text); }

void RecordingHost::selectCamera(int camera)
{
    selections << camera;
    BasicViewHost::selectCamera(camera);
}

void RecordingHost::alarmSetCamera(int camera) { alarmCameras << camera; }

void ViewTest::SetUp()
{
    InTempFolder::SetUp();
    Data_Init();
    gLan = 1;
    camsdk::resetSimulators();
    gRepairCameraAddresses = nullptr;
    para_ = std::make_unique<WizardPara>(FactoryParams());
    bak_ = std::make_unique<WizardPara>(FactoryParams());
    para_->step_enabled[0] = para_->detect_product; // as the standard procedure derives it
    gpWPara = para_.get();
    gpWParaBak = bak_.get();
    gDNum = 2;
    gTempNum = 2;
    gisGrayHue = false;
    gShowW = 1725;
    gShowH = 982;
    SetImageGeometry(575, 491, false);
    gCameraID = kCameraNone;
    gFindCamera = 4;
    numCamera = 0;
    gisLost = 0;
    for (int i = 0; i < kCameraSlots; ++i) {
        cameraOpened[i] = false;
        isImageFill[i] = false;
    }
    for (auto& s : gSerialNB)
        setParamText(s, "0");
    gSource = -1;
    gTempTime.clear();
    ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), *para_));
    ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), file("PARAM.db")));
    QSqlQuery q(QSqlDatabase::database(QLatin1String(kParamConnection)));
    for (int c = 0; c < 8; ++c)
        q.exec(QStringLiteral("create table cammer%1(name text, value text)").arg(c));

    host::Hooks h;
    h.insertRecord = [this](const QString& t) { records << t; };
    h.showWarning = [this](const QString& t) { warnings << t; };
    host::install(h);
    camerahost::Hooks c;
    c.sleep = [](int) {};
    camerahost::install(c);
    setViewHost(&host);
    setViewPartsMaker(&MakeViewParts); // as the main window does
}

void ViewTest::TearDown()
{
    views.clear();
    setViewHost(nullptr);
    camsdk::resetSimulators();
    host::install({});
    camerahost::install({});
    CloseSqlite(QLatin1String(kParamConnection));
    gpWPara = nullptr;
    gpWParaBak = nullptr;
    gSource = -1;
    InTempFolder::TearDown();
}

CammerWidget* ViewTest::makeView(int slot)
{
    views.push_back(std::make_unique<CammerWidget>(slot));
    CammerWidget* v = views.back().get();
    v->resize(gShowW, gShowH);
    return v;
}

QImage ViewTest::render(CammerWidget* v) { return v->grab().toImage().convertToFormat(QImage::Format_RGB32); }

void shoot(const QString& name, const QImage& img)
{
    const QString dir = QStringLiteral(VIEW_SHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_TRUE(img.save(dir + '/' + name + QStringLiteral(".png"))) << name.toStdString();
}

int countColour(const QImage& img, const QRect& r, const QColor& c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

int ViewTest::addRect(CammerWidget* v, int step, QRect image, int method)
{
    CammerSingleton& s = *v->liveRegions;
    const int r = s.roiCount[step]++;
    s.shapeType[step][r] = ShapeRect;
    s.rects[step][r].viewRect = QRect(QPoint(int(image.left() * gShowAW), int(image.top() * gShowAH)),
                                      QPoint(int((image.right() + 1) * gShowAW) - 1,
                                             int((image.bottom() + 1) * gShowAH) - 1));
    s.rects[step][r].setImageRect();
    s.algorithm[step][r] = method;
    s.min_size[step][r] = 5;
    s.sensibility[step][r] = 25;
    s.max_area[step][r] = 100;
    return r;
}

QPoint ViewTest::widgetPoint(int x, int y)
{
    return QPoint(int((x + 0.5) * gShowAW), int((y + 0.5) * gShowAH));
}

void ViewTest::fillRamp(CammerWidget* v)
{
    for (int y = 0; y < gImageH; ++y)
        for (int x = 0; x < gImageW; ++x)
            v->showImage[size_t(y * gImageW + x)] = uchar((x / 3 + y / 4) % 200 + 20);
}

// ---------------------------------------------------------------- main window

void WindowTest::SetUp()
{
    InTempFolder::SetUp();
    gRepairCameraAddresses = nullptr;
    camsdk::resetSimulators();
    Data_Init();
    platform::PanelDevice::setInstance(&panel_);
    OpenLedDevice();
    // The program folder as the install step lays it out, demonstration pictures included.
    ASSERT_TRUE(LayOutProgramFolder(folder(), testenv::sourceDir() + QStringLiteral("/resources/programdir")));
    previousModal_ = setModalRunner([this](QDialog& d) {
        QStringList texts;
        for (QLabel* l : d.findChildren<QLabel*>())
            texts << l->text();
        boxes << texts.join('|');
        return int(QDialog::Accepted);
    });
}

void WindowTest::TearDown()
{
    delete window;
    window = nullptr;
    delete gpControlIO;
    gpControlIO = nullptr;
    for (const char* c : {"dbIn", "dbRecord", "dbT"})
        CloseSqlite(c);
    setModalRunner(previousModal_);
    platform::PanelDevice::setInstance(nullptr);
    setViewHost(nullptr);
    delete gpWPara;
    delete gpWParaBak;
    gpWPara = gpWParaBak = nullptr;
    gSource = -1;
    InTempFolder::TearDown();
}

void WindowTest::start()
{
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    gAppDirPath = folder();
    window = new MainWindow;
}

QStringList WindowTest::records()
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database("dbRecord"));
    q.exec("select remarks from RECORD");
    while (q.next())
        out << q.value(0).toString();
    return out;
}
