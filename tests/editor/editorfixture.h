#pragma once
// A camera view alone in template editing (image source 0, step 0, the view
// shown alone), touched with scripted mouse events in view coordinates, and
// its region panel.
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "editor/regionpanel.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/host.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <vector>

// One touch of a script: press, move (button held), release.
struct Touch {
    char kind; // 'P', 'M', 'R'
    int x;
    int y;
};

class EditingView : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        setCameraSlots({0});
        view = makeView(0);
        view->show();
        gSource = 0;
        host.s.selectedCamera = 0;
        host.s.editStep = 0;
        ::host::Hooks h = ::host::hooks();
        h.askChoice = [this](const QString& t) {
            questions << t;
            return answer;
        };
        ::host::install(h);
    }
    void TearDown() override
    {
        setCameraSlots({});
        ViewTest::TearDown();
    }

    void send(QEvent::Type type, QPoint p, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
    }
    void press(QPoint p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton); }
    void move(QPoint p) { send(QEvent::MouseMove, p, Qt::LeftButton); }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p, Qt::NoButton); }
    void play(const std::vector<Touch>& script)
    {
        for (const Touch& t : script) {
            const QPoint p(t.x, t.y);
            if (t.kind == 'P')
                press(p);
            else if (t.kind == 'M')
                move(p);
            else
                release(p);
        }
    }
    // A press and release at the same point.
    void tap(QPoint p)
    {
        press(p);
        release(p);
    }
    void useTool(int tool, bool freeHand = false)
    {
        host.s.drawTool = tool;
        host.s.freeHandMode = freeHand;
    }

    CammerSingleton& edited() { return *view->editRegions; }
    RegionPanel* panel() { return static_cast<RegionPanel*>(view->panel); }
    // A rectangle region in view coordinates appended to the edit store.
    int addEditRect(QRect r, int method = MethodDefect)
    {
        CammerSingleton& s = edited();
        const int n = s.roiCount[0]++;
        s.shapeType[0][n] = ShapeRect;
        s.rects[0][n].viewRect = r;
        s.algorithm[0][n] = method;
        s.min_size[0][n] = 5;
        s.sensibility[0][n] = 25;
        s.max_area[0][n] = 100;
        view->editMasks[0][n] = s.UpdateMask(0, n);
        return n;
    }

    CammerWidget* view = nullptr;
    QStringList questions;
    bool answer = true;
};
