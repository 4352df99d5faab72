#include "settings/cameraparamswidget.h"

#include "cameradriver/cameraglobals.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/sliderlabel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>

int TunedSlot()
{
    const int slot = cameraSlot(outSet);
    return slot >= 0 ? slot : outSet;
}

namespace {

constexpr int kRowCameraCaption = 910; // before the camera number buttons

QPushButton* iconButton(QWidget* parent, const QString& icon, QSize size)
{
    auto* b = new QPushButton(parent);
    b->setFixedSize(size);
    b->setIcon(QIcon(icon));
    b->setIconSize(size);
    return b;
}

void setSliderFrom(QSlider* s, int value) { s->setValue(value); }

} // namespace

// ---- the exposure and gain block -------------------------------------------------

CameraParamsSubWidget::CameraParamsSubWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QStringLiteral(
        "CameraParamsSubWidget{background-color:#ffffff;}QPushButton{border-style:none;}"
        "QPushButton:unchecked{border-style:none;background-color:#F8F8FF; border-radius:5px;}"
        "QPushButton:checked{color:#ffffff;background-color:#656263;border-radius:5px;border-style:none;}"
        "QLabel{font-size:22px;color:#656263;}"));

    auto* title = new QLabel(LanStr(128), this);
    auto* cameraIcon = new QLabel(this);
    cameraIcon->setPixmap(QPixmap(QStringLiteral(":/img/icons/48.png")).scaledToWidth(56, Qt::SmoothTransformation));
    auto* cameraCaption = new QLabel(LanStr(kRowCameraCaption), this);

    cameraGroup = new QButtonGroup(this);
    cameraGroup->setExclusive(true);
    const char* icons[4] = {":/img/icons/60.png", ":/img/icons/62.png", ":/img/icons/64.png", ":/img/icons/66.png"};
    for (int i = 0; i < 4; ++i) {
        cameraButtons[i] = iconButton(this, QString::fromLatin1(icons[i]), QSize(58, 58));
        cameraButtons[i]->setCheckable(true);
        cameraButtons[i]->setObjectName(QString::fromUtf8("相机%1").arg(i + 1));
        cameraGroup->addButton(cameraButtons[i], i);
    }
    cameraButtons[0]->setChecked(true);
    cameraButtons[2]->hide();
    cameraButtons[3]->hide();
    tuneButton = iconButton(this, QStringLiteral(":/img/icons/57.png"), QSize(128, 46));
    restoreButton = iconButton(this, QStringLiteral(":/img/icons/57-1.png"), QSize(128, 46));
    viewButton = iconButton(this, QStringLiteral(":/img/icons/58.png"), QSize(60, 60));
    viewButton->setCheckable(true);
    previousButton = iconButton(this, QStringLiteral(":/img/icons/68.png"), QSize(60, 60));
    nextButton = iconButton(this, QStringLiteral(":/img/icons/69.png"), QSize(60, 60));
    splitLine = createHorizontalSplitLine(this, QStringLiteral("#d3d3d3"));

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(40);
    grid->setContentsMargins(0, 0, 0, 0);
    const pagekit::SliderRow exposure = pagekit::addSliderRow(this, grid, 0, LanStr(164), 1, 100, 1, QString());
    const pagekit::SliderRow gain = pagekit::addSliderRow(this, grid, 1, LanStr(165), 0, 64, 1, QString());
    exposureSlider = exposure.slider;
    exposureValue = exposure.value;
    gainSlider = gain.slider;
    gainValue = gain.value;

    auto* header = new QHBoxLayout;
    header->setSpacing(32);
    header->setContentsMargins(0, 0, 0, 0);
    header->addSpacing(30);
    header->addWidget(title);
    header->addStretch();
    header->addWidget(cameraIcon);
    header->addWidget(cameraCaption);
    for (QPushButton* b : cameraButtons)
        header->addWidget(b);
    header->addSpacing(20);
    header->addWidget(restoreButton);
    header->addWidget(tuneButton);
    header->addStretch();
    header->addWidget(viewButton);

    auto* sliders = new QHBoxLayout;
    sliders->addWidget(previousButton);
    sliders->addSpacing(30);
    sliders->addLayout(grid, 1);
    sliders->addSpacing(30);
    sliders->addWidget(nextButton);

    root_ = new QVBoxLayout(this);
    root_->setContentsMargins(50, 50, 50, 50);
    root_->addLayout(header);
    root_->addSpacing(30);
    root_->addWidget(splitLine);
    root_->addSpacing(30);
    root_->addLayout(sliders);
    displayIndependent(false);

    connect(viewButton, &QPushButton::toggled, this, &CameraParamsSubWidget::viewBtnToggled);
    connect(previousButton, &QPushButton::pressed, this, &CameraParamsSubWidget::SlotPrevious);
    connect(nextButton, &QPushButton::pressed, this, &CameraParamsSubWidget::SlotNext);
}

void CameraParamsSubWidget::WizardParaInit()
{
    const WizardPara& p = *gpWParaBak;
    const int slot = TunedSlot();
    setSliderFrom(exposureSlider, p.expose_time[slot]);
    setSliderFrom(gainSlider, p.adjust_plus[slot]);
}

void CameraParamsSubWidget::displayIndependent(bool on)
{
    splitLine->setVisible(on);
    previousButton->setVisible(on);
    nextButton->setVisible(on);
}

void CameraParamsSubWidget::showEvent(QShowEvent* event)
{
    // Shown once more cameras are open; never hidden again.
    if (numCamera > 2)
        cameraButtons[2]->show();
    if (numCamera > 3)
        cameraButtons[3]->show();
    BWidget::showEvent(event);
}

void CameraParamsSubWidget::viewBtnToggled(bool on)
{
    if (on == detached())
        return;
    if (on) {
        if (beforeDetach)
            beforeDetach();
        settingshost::cameraParamsAdjust(true);
        formerParent_ = parentWidget();
        setParent(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
        move(342, 653);
        formerSize_ = size();
        setFixedSize(1105, 325);
        root_->setContentsMargins(20, 20, 20, 20);
        viewButton->setIcon(QIcon(QStringLiteral(":/img/icons/58-1.png")));
        setWindowModality(Qt::WindowModal);
        show();
        displayIndependent(true);
        return;
    }
    settingshost::cameraParamsAdjust(false);
    hide();
    setWindowModality(Qt::NonModal);
    QWidget* parent = formerParent_;
    formerParent_ = nullptr;
    setParent(parent, Qt::WindowFlags());
    if (auto* column = parent ? qobject_cast<QVBoxLayout*>(parent->layout()) : nullptr)
        column->insertWidget(0, this);
    if (formerSize_.isValid())
        setFixedSize(formerSize_);
    root_->setContentsMargins(50, 50, 50, 50);
    show();
    viewButton->setIcon(QIcon(QStringLiteral(":/img/icons/58.png")));
    displayIndependent(false);
}

void CameraParamsSubWidget::goTo(int camera)
{
    if (camera < 0 || camera > 3 || camera >= numCamera)
        return;
    cameraButtons[camera]->setChecked(true);
    cameraButtons[camera]->click();
}

void CameraParamsSubWidget::SlotPrevious() { goTo(cameraGroup->checkedId() - 1); }

void CameraParamsSubWidget::SlotNext()
{
    const int id = cameraGroup->checkedId();
    goTo(id < 0 ? -1 : id + 1);
}

// ---- the page ---------------------------------------------------------------------------

CameraParamsWidget::CameraParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#656263;}QPushButton{border-style:none;}"));
    subWidget = new CameraParamsSubWidget(this);

    auto* separator = new QWidget(this);
    separator->setFixedHeight(36);
    auto* layers = new QStackedLayout(separator);
    layers->setStackingMode(QStackedLayout::StackAll);
    auto* mark = new QPushButton(separator);
    mark->setFixedSize(100, 36);
    mark->setIcon(QIcon(QStringLiteral(":/img/icons/4a.png")));
    mark->setIconSize(QSize(100, 36));
    mark->setStyleSheet(QStringLiteral("border-style:none;"));
    auto* markHolder = new QWidget(separator);
    auto* markRow = new QHBoxLayout(markHolder);
    markRow->setContentsMargins(0, 0, 0, 0);
    markRow->addWidget(mark, 0, Qt::AlignCenter);
    auto* lineHolder = new QWidget(separator);
    auto* lineRow = new QVBoxLayout(lineHolder);
    lineRow->setContentsMargins(0, 0, 0, 0);
    lineRow->addWidget(createHorizontalSplitLine(lineHolder, QStringLiteral("#d3d3d3")), 0, Qt::AlignVCenter);
    layers->addWidget(lineHolder);
    layers->addWidget(markHolder);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(40);
    grid->setHorizontalSpacing(0);
    grid->setContentsMargins(100, 50, 100, 50);
    rows[Clarity] = pagekit::addSliderRow(this, grid, 0, LanStr(241), 0, 100, 1, QString());
    rows[Gamma] = pagekit::addSliderRow(this, grid, 1, LanStr(364), kGammaMin, 250, 1, QString());
    rows[Truth] = pagekit::addSliderRow(this, grid, 2, LanStr(242), 1, 200, 1, QString());
    rows[Speed] = pagekit::addSliderRow(this, grid, 3, LanStr(244), 0, 32, 1, QString());

    auto* root = new QVBoxLayout(this);
    root->setSpacing(40);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(subWidget);
    root->addWidget(separator);
    root->addLayout(grid);
    root->addStretch();

    for (const pagekit::SliderRow& r : rows)
        connect(r.slider, &QSlider::valueChanged, this, &CameraParamsWidget::slotQSliderValue);
    connect(subWidget->exposureSlider, &QSlider::valueChanged, this, &CameraParamsWidget::slotQSliderValue);
    connect(subWidget->gainSlider, &QSlider::valueChanged, this, &CameraParamsWidget::slotQSliderValue);
}

void CameraParamsWidget::WizardParaInit()
{
    const WizardPara& p = *gpWParaBak;
    const int slot = TunedSlot();
    // The buttons follow the camera tuned after each opening.
    if (QAbstractButton* b = subWidget->cameraGroup->button(outSet))
        b->setChecked(true);
    setSliderFrom(slider(Clarity), p.sharp[slot]);
    setSliderFrom(slider(Truth), p.contrast[slot]);
    setSliderFrom(slider(Gamma), p.gamma[slot]);
    setSliderFrom(slider(Speed), p.capture_speed);
    subWidget->WizardParaInit();
}

void CameraParamsWidget::accept() { gpWParaBak->capture_speed = slider(Speed)->value(); }

void CameraParamsWidget::slotQSliderValue(int)
{
    QObject* s = sender();
    auto show = [](QSlider* slider, QLabel* label) { label->setText(QString::number(slider->value())); };
    for (const pagekit::SliderRow& r : rows)
        if (s == r.slider)
            return show(r.slider, r.value);
    if (s == subWidget->exposureSlider)
        show(subWidget->exposureSlider, subWidget->exposureValue);
    else if (s == subWidget->gainSlider)
        show(subWidget->gainSlider, subWidget->gainValue);
}

void CameraParamsWidget::showEvent(QShowEvent* event)
{
    const bool shown = factoryShown && factoryShown();
    for (const pagekit::SliderRow& r : rows)
        for (QWidget* w : {static_cast<QWidget*>(r.caption), static_cast<QWidget*>(r.slider),
                           static_cast<QWidget*>(r.value), static_cast<QWidget*>(r.unit)})
            w->setVisible(shown);
    if (layout())
        layout()->activate();
    BWidget::showEvent(event);
}
