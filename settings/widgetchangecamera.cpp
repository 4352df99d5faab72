#include "settings/widgetchangecamera.h"

#include "cameradriver/cameradriver.h"
#include "cameradriver/cameraglobals.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/skin.h"
#include "widgets/basewidgets.h"
#include "widgets/msgbox.h"

#include <QPainter>
#include <algorithm>

namespace {

// The views and the numbers offered count the cameras in use; gCamNO is
// kept by slot and holds slots, so a slot whose camera did not open keeps
// its place and OK without a change keeps every binding.
int entryOf(int view)
{
    const int slot = cameraSlot(view);
    return slot >= 0 ? slot : view;
}

int numberOfSlot(int slot)
{
    const int n = cameraOfSlot(slot);
    return n >= 0 ? n : slot;
}

} // namespace

WidgetChangeCamera::WidgetChangeCamera(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      font_(QStringLiteral("times"), 20, 2, false)
{
    setGeometry(gShowW / 2 - 275, gShowH / 2 - 280, 550, 560);
    using Slot = void (WidgetChangeCamera::*)(int);
    const Slot setters[8] = {&WidgetChangeCamera::SetCameraNO0, &WidgetChangeCamera::SetCameraNO1,
                           &WidgetChangeCamera::SetCameraNO2, &WidgetChangeCamera::SetCameraNO3,
                           &WidgetChangeCamera::SetCameraNO4, &WidgetChangeCamera::SetCameraNO5,
                           &WidgetChangeCamera::SetCameraNO6, &WidgetChangeCamera::SetCameraNO7};
    std::copy(gCamNO, gCamNO + kCameraSlots, chosen);
    for (int i = 0; i < numCamera && i < kCameraSlots; ++i) {
        auto* combo = new ComboBox(this);
        combo->setGeometry(360, 10 + 60 * i, 160, 50);
        combo->setFont(font_);
        for (int n = 1; n <= numCamera; ++n)
            combo->addItem(LanStr(394).arg(n), n - 1);
        combo->setItemHeight(50);
        gCamNO[entryOf(i)] = chosen[entryOf(i)] = entryOf(i);
        combo->setCurrentIndex(i);
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, setters[i]);
        combos[i] = combo;
    }
    okButton = new ColorButton(LanStr(121), this, 3);
    okButton->setGeometry(30, 490, 490, 50);
    connect(okButton, &QPushButton::clicked, this, &WidgetChangeCamera::SlotOK);
}

int WidgetChangeCamera::firstRepeated(const int* numbers, int count)
{
    for (int k = 0; k + 1 < count; ++k)
        for (int j = k + 1; j < count; ++j)
            if (numbers[k] == numbers[j])
                return numbers[k];
    return -1;
}

void WidgetChangeCamera::SetCameraNO(int view, int number)
{
    if (view >= 0 && view < kCameraSlots)
        chosen[entryOf(view)] = entryOf(number);
}

void WidgetChangeCamera::SlotOK()
{
    if (numCamera > 1) {
        int numbers[kCameraSlots] = {};
        for (int k = 0; k < numCamera && k < kCameraSlots; ++k)
            numbers[k] = numberOfSlot(chosen[entryOf(k)]);
        const int repeated = firstRepeated(numbers, qMin(numCamera, kCameraSlots));
        if (repeated >= 0) {
            showWarnBox(LanStr(361).arg(repeated + 1));
            return;
        }
    }
    hide();
    // Saved first: only a binding on disk goes on to the power-off question.
    if (!SaveSN(0, chosen))
        return;
    if (shutDown)
        shutDown();
}

void WidgetChangeCamera::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    p.setPen(Qt::blue);
    p.setFont(font_);
    for (int i = 0; i < numCamera && i < kCameraSlots; ++i)
        p.drawText(QRect(QPoint(20, 10 + 60 * i), QPoint(419, 59 + 60 * i)), Qt::AlignLeft | Qt::AlignVCenter,
                   LanStr(395).arg(i + 1));
}
