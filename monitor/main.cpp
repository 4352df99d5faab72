// Start-up of the monitor. The main window grows with the later subsystems;
// for now it loads the texts and parameters and shows the empty screen.
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTextCodec>

int main(int argc, char* argv[])
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QApplication app(argc, argv);

    Data_Init();
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;

    OpenSqlite(QLatin1String(kParamConnection), QStringLiteral("PARAM.db"));
    OpenSqlite(QLatin1String(kSerialConnection), QStringLiteral("SN.db"));
    gpWPara->LoadDatafromFile();

    QMainWindow window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(1920, 1080);
    auto* label = new QLabel(LanStr(317), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.showFullScreen();
    return app.exec();
}
