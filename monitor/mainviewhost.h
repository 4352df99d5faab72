#pragma once
// The camera views' host over the main window (gpWin): the views read the
// screen and cycle state from its members and write the cursor readout, the
// pan and the camera choice back into them. The views name cameras by slot;
// the window's selectedCamera counts the cameras in use, so the choice is
// translated both ways here.
#include "camera/viewhost.h"

class MainViewHost : public CameraViewHost {
public:
    ViewState state(int camera) const override;
    void setCursor(int x, int y) override;
    void setCursorValue(int value) override;
    void setDragOrigin(int x, int y) override;
    void dragOrigin(int* x, int* y) const override;
    void setPan(double x, double y) override;
    void setEditTools(const EditTools& tools) override;
    void selectCamera(int camera) override;
    void alarmSetCamera(int camera) override;
    void templatePrevious() override;
    void templateNext() override;
    void setCameraInfo(int camera, int type, const QString& text, int kind) override;
    void setLocation(const QString& text) override;
    int& saveCode(int camera, int step) override;
    void markFirstFailure(int camera, int step, int region) override;
    void storeFailImage(int camera, int step, int kind, const unsigned char* rgb32) override;
    bool loadFailImage(int camera, int step, int kind, unsigned char* rgb32) override;

    static MainViewHost& instance();
};
