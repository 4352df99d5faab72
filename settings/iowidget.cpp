#include "settings/iowidget.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/skin.h"
#include "params/wizardpara.h"
#include "settings/systemsettingwidget.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/kitstyle.h"
#include "widgets/msgbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

using namespace multidetect;

namespace {

// Eight step boxes, the trigger list and the cut mode fit the camera area
// side by side only when a box is narrower than the lists.
constexpr int kStepBoxWidth = 145;
constexpr int kListWidth = 200;
constexpr int kRowHeight = 50;

QPalette captionPalette(const QColor& colour)
{
    QPalette pal;
    pal.setColor(QPalette::WindowText, colour);
    return pal;
}

} // namespace

// ---- one line -------------------------------------------------------------------

IOCheckComBO::IOCheckComBO(IOWidget* owner_, const QString& title, int boxes, int choice)
    : QWidget(owner_), owner(owner_), choiceIndex(choice)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->setSizeConstraint(QLayout::SetFixedSize);
    const QFont listFont = kitFont(QStringLiteral("wqy-microhei"), 28);
    if (!title.isEmpty()) {
        titleLabel = new QLabel(title, this);
        titleLabel->setFixedSize(kListWidth, kRowHeight);
        titleLabel->setAlignment(Qt::AlignVCenter);
        titleLabel->setFont(listFont);
        titleLabel->setPalette(captionPalette(Qt::yellow));
        row->addWidget(titleLabel);
    }
    triggerBox = new ComboBox(this);
    triggerBox->setFixedSize(kListWidth, kRowHeight);
    triggerBox->setFont(listFont);
    triggerBox->setItemHeight(kRowHeight);
    row->addWidget(triggerBox);
    for (int k = 0; k < boxes && k < kSteps; ++k) {
        stepBoxes[k] = new CheckBox(this, InName(0));
        stepBoxes[k]->setFixedSize(kStepBoxWidth, kRowHeight);
        row->addWidget(stepBoxes[k]);
        // The model decides what a touch does; the box only reports it.
        connect(stepBoxes[k], &QCheckBox::clicked, this, [this, k] { emit clickeCheckBox(choiceIndex, k); });
    }
    cutModeBox = new ComboBox(this);
    cutModeBox->setFixedSize(kListWidth, kRowHeight);
    cutModeBox->setFont(listFont);
    cutModeBox->setItemHeight(kRowHeight);
    cutModeBox->addItems({LanStr(474), LanStr(475), LanStr(523)});
    row->addWidget(cutModeBox);

    connect(triggerBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &IOCheckComBO::SlotChangeTrigin);
    connect(cutModeBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOCheckComBO::SlotChangeCutMode);
}

void IOCheckComBO::SlotChangeTrigin(int index)
{
    if (index >= 0)
        emit changeTrigin(choiceIndex, triggerBase_ + index);
}

void IOCheckComBO::SlotChangeCutMode(int index)
{
    if (index >= 0)
        emit changeCutMode(choiceIndex, index);
}

bool IOCheckComBO::getCheckComboStatus(int k) const { return stepBoxes[k] && stepBoxes[k]->isChecked(); }

void IOCheckComBO::refresh(const MultiDetectModel& m)
{
    const int n = m.stepCount();
    const int r = choiceIndex;
    {
        const QSignalBlocker block(triggerBox);
        triggerBox->clear();
        triggerBase_ = m.triggerBase(r);
        for (int slot = triggerBase_; slot < n; ++slot)
            triggerBox->addItem(m.inputName(slot));
        if (triggerBox->count() == 0) // the line sits past the last slot
            triggerBox->addItem(m.inputName(m.trigger(r)));
        triggerBox->setCurrentIndex(std::max(0, m.trigger(r) - triggerBase_));
    }
    for (int k = 0; k < kSteps; ++k) {
        CheckBox* box = stepBoxes[k];
        if (!box)
            continue;
        const QSignalBlocker block(box);
        box->setVisible(k < n);
        box->setCheckable(true);
        box->setChecked(m.ticked(r, k));
        box->setCheckable(m.isOpen(r, k));
        box->setPalette(captionPalette(m.isOpen(r, k) ? Qt::yellow : Qt::gray));
        if (k < n)
            box->setText(m.stepName(k));
    }
    {
        const QSignalBlocker block(cutModeBox);
        cutModeBox->setCurrentIndex(m.cutMode(r));
    }
    update();
}

// ---- the page ----------------------------------------------------------------------

IOWidget::IOWidget(SystemSettingWidget* parent) : QWidget(parent), ownerWindow(parent)
{
    setWindowFlags(Qt::Popup | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    setGeometry(0, 98, 1725, 982);

    if (gpWPara)
        model.loadNames(*gpWPara);

    stepCountBox = new ComboBox(this);
    stepCountBox->setGeometry(40, 30, 150, 40);
    stepCountBox->setFont(kitFont(QStringLiteral("wqy-microhei"), 32));
    stepCountBox->setItemHeight(40);
    for (int r = 0; r < kLines; ++r) {
        choiceRows[r] = new IOCheckComBO(this, QString(), kSteps, r);
        choiceRows[r]->move(30, 100 + 70 * r);
        if (r < kLines - 1)
            stepCountBox->addItem(LanStr(501 + r));
        connect(choiceRows[r], &IOCheckComBO::clickeCheckBox, this, &IOWidget::SlotClickCheckBox);
        connect(choiceRows[r], &IOCheckComBO::changeTrigin, this, &IOWidget::SlotChangeTrigin);
        connect(choiceRows[r], &IOCheckComBO::changeCutMode, this, &IOWidget::SlotChangeCutMode);
    }
    stepCountBox->setCurrentIndex(kSteps - kMinSteps);

    confirmButton = new ColorButton(LanStr(121), this, 3);
    // Both wholly inside the camera area.
    confirmButton->setGeometry(1500, 855, 200, 75);
    resetButton = new ColorButton(LanStr(497), this, 3);
    resetButton->setGeometry(1270, 855, 200, 75);
    connect(confirmButton, &QPushButton::clicked, this, &IOWidget::accept);
    connect(resetButton, &QPushButton::clicked, this, &IOWidget::reset);
    connect(stepCountBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOWidget::SlotChangeDetectNum);

    initIOWidget();
}

void IOWidget::initIOWidget()
{
    if (gpWPara)
        loadFrom(*gpWPara);
    hide();
}

void IOWidget::loadFrom(const WizardPara& p)
{
    model.load(p);
    {
        const QSignalBlocker block(stepCountBox);
        stepCountBox->setCurrentIndex(model.stepCount() - kMinSteps);
    }
    SlotChangeDetectNum(model.stepCount() - kMinSteps);
}

void IOWidget::refresh()
{
    const int n = model.stepCount();
    for (int r = 0; r < kLines; ++r) {
        choiceRows[r]->setVisible(r < n);
        choiceRows[r]->refresh(model);
    }
    update();
}

void IOWidget::SlotChangeDetectNum(int index)
{
    if (index < 0)
        return;
    model.setStepCount(index + kMinSteps);
    refresh();
}

void IOWidget::SlotClickCheckBox(int choice, int step)
{
    model.click(choice, step);
    refresh();
}

void IOWidget::SlotChangeTrigin(int choice, int slot)
{
    model.chooseTrigger(choice, slot);
    refresh();
}

void IOWidget::SlotChangeCutMode(int choice, int mode) { model.setCutMode(choice, mode); }

void IOWidget::ResetIOName() { refresh(); }

void IOWidget::reset()
{
    model.reset();
    refresh();
}

void IOWidget::accept()
{
    if (!gpWParaBak)
        return;
    if (!model.store(*gpWParaBak)) {
        showWarnBox(LanStr(512));
        return;
    }
    hide();
    if (!ownerWindow)
        return;
    if (gpWPara && gpWPara->procedure == ProcMultiDetect && gpWParaBak->procedure == ProcMultiDetect)
        ownerWindow->ResetReCheck1Text(LanStr(511).arg(LanStr(476 + model.stepCount())));
    ownerWindow->DoChangePage();
    ownerWindow->changeWidget(9);
}

void IOWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (gpPixmapLogo && !gpPixmapLogo->isNull())
        painter.drawPixmap(rect(), *gpPixmapLogo);
    painter.setPen(QColor(0, 255, 255));
    painter.setFont(kitFont(QStringLiteral("wqy-microhei"), 35));
    painter.drawText(QRect((width() - 300) / 2, 20, 300, 50), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                     LanStr(499));
}

// Shows the page over the camera area (the "Custom IO" button).
void SystemSettingWidget::SlotShowIOWidget()
{
    if (!multiDetectIO)
        return;
    multiDetectIO->show();
    multiDetectIO->raise();
}
