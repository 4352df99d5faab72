// Process start-up: the shared locks and records, the main window (whose
// construction runs the whole start-up sequence), the splash screen, the
// application font and style sheet, then the event loop.
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/mapplication.h"
#include "monitor/timerroundmanage.h"
#include "netlink/network.h"
#include "params/fonts.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/paneldevice.h"
#include "widgets/kitstyle.h"
#include "widgets/splash.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTextCodec>

int main(int argc, char* argv[])
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    MApplication app(argc, argv);

    platform::PanelDevice::instance().requestIoPrivilege();
    OpenLedDevice();
    if (!TimerRoundManage::__instance)
        TimerRoundManage::__instance = new TimerRoundManage;
    TimerRoundManage::__instance->init();

    Data_Init();
    InstallKitFonts();
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    gpNet = new CNT_Net;
    // The program folder is the working directory (the binary may live
    // elsewhere, as in the build tree).
    gAppDirPath = QDir::currentPath();

    auto* window = new MainWindow;
    gpWin = window;
    if (gpWPara->cntnet_enable && gpNet->netEnabled) {
        gpNet->CNT_FirstInit();
        gpNet->CNT_ReStart();
    }

    auto* splash = new BSplashScreen;
    splash->showFullScreen();
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() <= 999)
        app.processEvents();

    const QString family = LoadApplicationFonts();
    if (!family.isEmpty()) {
        QFont font(family);
        font.setWeight(50);
        app.setFont(font);
    }
    app.setStyleSheet(AppStyleSheet());

    window->showFullScreen();
    splash->finish(window);
    return app.exec();
}
