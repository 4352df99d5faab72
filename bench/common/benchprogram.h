#pragma once
// The program folder and the main window the benchmarks run the real cycle
// in, on a machine that is never touched.
#include "cameradriver/checkcamera.h"
#include "inspection/cammersingleton.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/commandrunner.h"
#include "platform/paneldevice.h"
#include "widgets/modal.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRect>

namespace bench {

// Commands are only recorded, boxes answer themselves, the panel's LEDs are a
// recorder, and no camera address is repaired.
struct QuietMachine {
    platform::RecordingCommandRunner commands;
    platform::RecordingPanelDevice panel;

    QuietMachine()
    {
        platform::CommandRunner::setInstance(&commands);
        platform::PanelDevice::setInstance(&panel);
        setModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        gRepairCameraAddresses = nullptr;
        Data_Init();
        OpenLedDevice();
    }
    ~QuietMachine()
    {
        platform::CommandRunner::setInstance(nullptr);
        platform::PanelDevice::setInstance(nullptr);
    }
};

struct RegionKind {
    int method;
    int minSize;
    int sensibility;
};

// "PARAM.db" is open: the first two steps of every camera get two 600 x 500
// rectangles side by side, `left` and `right`, each with an alarm area of 100.
inline void writeTwoRegionSteps(int cameras, RegionKind left, RegionKind right)
{
    for (int c = 0; c < cameras; ++c) {
        CammerSingleton regions(c);
        for (int d = 0; d < 8; ++d)
            regions.roiCount[d] = 0;
        for (int step = 0; step < 2; ++step) {
            regions.roiCount[step] = 2;
            for (int r = 0; r < 2; ++r) {
                const RegionKind& k = r == 0 ? left : right;
                regions.shapeType[step][r] = ShapeRect;
                regions.rects[step][r].viewRect = QRect(100 + 700 * r, 200, 600, 500);
                regions.algorithm[step][r] = k.method;
                regions.min_size[step][r] = k.minSize;
                regions.sensibility[step][r] = k.sensibility;
                regions.max_area[step][r] = 100;
            }
        }
        regions.SaveDatatoFile();
    }
}

// The rest of the program folder, then the main window over it.
inline MainWindow* startWindow()
{
    CreateSerialDatabase("SN.db");
    CreateRecordDatabase("RECORDNULL.db");
    QFile::copy("RECORDNULL.db", "RECORD.db");
    gpWPara = new WizardPara;
    gpWParaBak = new WizardPara;
    gAppDirPath = QDir::currentPath();
    return new MainWindow;
}

} // namespace bench
