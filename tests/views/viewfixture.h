#pragma once
// Common ground of the camera-view tests: a program folder with "PARAM.db"
// open, the live parameter record, an image of 575 x 491 under the 1725 x 982
// display area (3 and 2 view pixels per image pixel), clean camera globals,
// and a view host that records what the views tell the title bar.
#include "camera/cammerwidget.h"
#include "camera/viewhost.h"
#include "params/wizardpara.h"
#include "platform/paneldevice.h"
#include "testenv.h"

#include <QImage>
#include <QStringList>

class QDialog;
#include <functional>
#include <memory>
#include <vector>

// Saved under the build tree for a person to look at.
void shoot(const QString& name, const QImage& img);
// Pixels of the colour inside r.
int countColour(const QImage& img, const QRect& r, const QColor& c);

class RecordingHost : public BasicViewHost {
public:
    void setCameraInfo(int camera, int type, const QString& text, int kind) override;
    void setLocation(const QString& text) override;
    void selectCamera(int camera) override;
    void alarmSetCamera(int camera) override;

    QStringList calls;      // "info <camera> <type> <text>" and "location <text>"
    QList<int> selections;  // cameras chosen in the split view
    QList<int> alarmCameras;
};

class ViewTest : public InTempFolder {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // A view of the slot, made as the display area makes it, sized as the
    // view shown alone.
    CammerWidget* makeView(int slot);
    // The view as it paints now.
    QImage render(CammerWidget* v);

    // A rectangle region given in image coordinates, appended to the live store.
    static int addRect(CammerWidget* v, int step, QRect image, int method = MethodDefect);
    // The widget pixel that shows image pixel (x, y) of a view shown alone.
    static QPoint widgetPoint(int x, int y);
    // Fills showImage with a grey ramp that differs along both axes.
    static void fillRamp(CammerWidget* v);

    WizardPara& para() { return *para_; }

    RecordingHost host;
    QStringList records;
    QStringList warnings;
    std::vector<std::unique_ptr<CammerWidget>> views;

private:
    std::unique_ptr<WizardPara> para_;
    std::unique_ptr<WizardPara> bak_;
};

class MainWindow;

// A program folder as the install step lays it out (with the demonstration
// pictures) and the real main window started in it without cameras. Modal
// boxes are answered with yes and their texts kept.
class WindowTest : public InTempFolder {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    void start();
    QStringList records();

    MainWindow* window = nullptr;
    QStringList boxes;

private:
    std::function<int(QDialog&)> previousModal_;
    platform::RecordingPanelDevice panel_;
};
