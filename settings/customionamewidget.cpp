#include "settings/customionamewidget.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/skin.h"
#include "params/wizardpara.h"
#include "settings/iowidget.h"
#include "settings/systemsettingwidget.h"
#include "widgets/basewidgets.h"
#include "widgets/kitstyle.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

using namespace multidetect;

namespace {

constexpr int kRowInput = 908;  // "Input %1"
constexpr int kRowOutput = 909; // "Output %1"
// The board input of each trigger slot and the board output of each output slot.
const int kInputNumbers[8] = {1, 3, 4, 5, 6, 7, 8, 9};
const int kOutputNumbers[8] = {1, 2, 4, 5, 6, 7, 8, 9};

} // namespace

QString customInputName(int slot)
{
    return slot >= 0 && slot < 8 ? LanStr(kRowInput).arg(kInputNumbers[slot]) : QString();
}

QString customOutputName(int slot)
{
    return slot >= 0 && slot < 8 ? LanStr(kRowOutput).arg(kOutputNumbers[slot]) : QString();
}

CustomIONameWidget::CustomIONameWidget(QWidget* mainWindow, SystemSettingWidget* settingsWindow)
    : QWidget(mainWindow), ownerWindow(settingsWindow), ioPage(settingsWindow ? settingsWindow->multiDetectIO : nullptr)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    const QFont font = kitFont(QStringLiteral("wqy-microhei"), 30);
    QPalette yellow;
    yellow.setColor(QPalette::WindowText, Qt::yellow);

    auto* grid = new QGridLayout(this);
    grid->setSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    auto caption = [&](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setFixedSize(180, 60);
        l->setFont(font);
        l->setPalette(yellow);
        l->setAlignment(Qt::AlignCenter);
        keepLook(l); // not the program's small white label text
        return l;
    };
    auto nameBox = [&](int names, QString (*name)(int)) {
        auto* b = new ComboBox(this);
        b->setFixedSize(210, 60); // the longest name beside the box's wide arrow
        b->setFont(font);
        for (int i = 0; i < names; ++i)
            b->addItem(name(i));
        return b;
    };
    for (int j = 0; j < 8; ++j) {
        inputSlotLabels[j] = caption(customInputName(j));
        inputNameBoxes[j] = nameBox(kInputNames, &InName);
        outputSlotLabels[j] = caption(customOutputName(j));
        outputNameBoxes[j] = nameBox(kOutputNames, &OutName);
        grid->addWidget(inputSlotLabels[j], 0, j);
        grid->addWidget(inputNameBoxes[j], 1, j);
        grid->addWidget(outputSlotLabels[j], 2, j);
        grid->addWidget(outputNameBoxes[j], 3, j);
    }
    confirmButton = new ColorButton(LanStr(121), this, 3);
    confirmButton->setFixedSize(180, 70);
    grid->addWidget(confirmButton, 4, 7);
    connect(confirmButton, &QPushButton::clicked, this, &CustomIONameWidget::accept);
}

void CustomIONameWidget::init()
{
    if (!ioPage)
        return;
    // A name index the page repaired to none shows as an empty box and is
    // stored as none unless the operator picks a name.
    for (int j = 0; j < 8; ++j) {
        inputNameBoxes[j]->setCurrentIndex(ioPage->model.inputNameIndex[j]);
        outputNameBoxes[j]->setCurrentIndex(ioPage->model.outputNameIndex[j]);
    }
}

void CustomIONameWidget::accept()
{
    if (ioPage) {
        for (int j = 0; j < 8; ++j) {
            ioPage->model.setInputName(j, inputNameBoxes[j]->currentIndex());
            ioPage->model.setOutputName(j, outputNameBoxes[j]->currentIndex());
        }
        if (gpWParaBak)
            ioPage->model.storeNames(*gpWParaBak);
    }
    hide();
    if (ioPage)
        ioPage->ResetIOName();
    if (ownerWindow)
        ownerWindow->show();
}

void CustomIONameWidget::showEvent(QShowEvent* event)
{
    adjustSize();
    if (QWidget* w = parentWidget())
        move((w->width() - width()) / 2, (w->height() - height()) / 2);
    QWidget::showEvent(event);
}

void CustomIONameWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (gpPixmapBG && !gpPixmapBG->isNull())
        painter.drawPixmap(rect(), *gpPixmapBG);
}

// The "IO name" button: the dialog stands in for the settings window until
// it is confirmed. The pages store first, because showing the window again
// reloads them from the edit copy.
void SystemSettingWidget::SlotShowCustomIONameWidget()
{
    QWidget* top = window();
    auto* dialog = top ? top->findChild<CustomIONameWidget*>() : nullptr;
    if (!dialog)
        return;
    // The names as the edit copy holds them, not as a refused save left them.
    if (multiDetectIO && gpWParaBak)
        multiDetectIO->model.loadNames(*gpWParaBak);
    dialog->init();
    holdEditsForReturn();
    hide();
    dialog->show();
    dialog->raise();
}
