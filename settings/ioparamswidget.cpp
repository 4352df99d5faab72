#include "settings/ioparamswidget.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "widgets/sliderlabel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

using namespace ioparams;
using pagekit::clampTo;

IOParamsValues LoadIOParams(const WizardPara& p, bool multiDetect)
{
    IOParamsValues v;
    v.timeout = clampTo(p.input_timeout_len, 0, kTimeoutMax);
    v.ejectorPulse = clampTo(p.thimble_pulse, 0, kPulseMax);
    v.clampPulse = clampTo(p.mold_pulse, 0, kPulseMax);
    v.preCut = clampTo(p.pre_cut, 0, kShortMax);
    v.debounce = clampTo(p.input_debounce_time, 0, kShortMax);
    v.procedure = p.procedure_requested >= 0 && p.procedure_requested <= ProcMultiDetect ? p.procedure_requested : -1;
    v.cavity = p.cavity_position >= 0 && p.cavity_position <= 2 ? p.cavity_position : -1;
    if (multiDetect)
        for (int k = 0; k < 5; ++k)
            v.initialState[k] = clampTo(p.output_initial_state[4 + k], 0, 1);
    return v;
}

void StoreIOParams(const IOParamsValues& v, WizardPara& p, bool multiDetect)
{
    // With no choice (a stored procedure 5, a cavity set 3) the stored value
    // stays; -1 is no procedure and no cavity set.
    if (v.procedure >= 0)
        p.procedure_requested = v.procedure;
    p.input_timeout_len = v.timeout;
    p.pre_cut = v.preCut;
    p.thimble_pulse = v.ejectorPulse;
    p.mold_pulse = v.clampPulse;
    p.input_debounce_time = v.debounce;
    if (v.cavity >= 0)
        p.cavity_position = v.cavity;
    if (multiDetect)
        for (int k = 0; k < 5; ++k)
            p.output_initial_state[4 + k] = v.initialState[k];
}

IOParamsWidget::IOParamsWidget(QWidget* parent)
    : BWidget(parent), multiDetect_(gpWPara && gpWPara->procedure == ProcMultiDetect)
{
    // The five procedures and their caption share one row: the text sits
    // closer to its circle than elsewhere, so that every name fits.
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle) + QStringLiteral("QRadioButton{spacing:12px;}"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(100, 50, 50, 50);
    v->setSpacing(100);

    auto* procRow = new QHBoxLayout;
    procRow->setSpacing(24);
    procRow->setContentsMargins(0, 0, 0, 0);
    procRow->addWidget(new QLabel(LanStr(584), this));
    procedureGroup = new QButtonGroup(this);
    const std::pair<int, int> procedures[] = {{0, 384}, {1, 385}, {2, 386}, {3, 399}, {4, 472}};
    for (const auto& pr : procedures) {
        auto* b = new QRadioButton(LanStr(pr.second), this);
        procedureGroup->addButton(b, pr.first);
        procRow->addWidget(b);
    }
    procRow->addStretch();
    v->addLayout(procRow);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 50, 100, 50);
    grid->setVerticalSpacing(40);
    grid->setHorizontalSpacing(0);
    timeoutRow = pagekit::addSliderRow(this, grid, 0, LanStr(336), 0, kTimeoutMax, 1, LanStr(540));
    ejectorRow = pagekit::addSliderRow(this, grid, 1, LanStr(168), 0, kPulseMax, 10, LanStr(540));
    clampRow = pagekit::addSliderRow(this, grid, 2, LanStr(169), 0, kPulseMax, 10, LanStr(540));
    preCutRow = pagekit::addSliderRow(this, grid, 3, LanStr(166), 0, kShortMax, 10, LanStr(540));
    debounceRow = pagekit::addSliderRow(this, grid, 4, LanStr(524), 0, kShortMax, 10, LanStr(540));
    grid->setRowStretch(7, 1);
    v->addLayout(grid);
    for (const pagekit::SliderRow* r : {&timeoutRow, &ejectorRow, &clampRow, &preCutRow, &debounceRow})
        connect(r->slider, &QSlider::valueChanged, this, &IOParamsWidget::slotQSliderValue);
    for (const pagekit::SliderRow* r : {&ejectorRow, &clampRow, &preCutRow, &debounceRow})
        r->value->setText(pagekit::tenthsText(0));

    auto* initRow = new QHBoxLayout;
    initialCaption = new QLabel(LanStr(586), this);
    initRow->addWidget(initialCaption);
    if (multiDetect_) {
        for (QComboBox*& box : initialBoxes) {
            box = new QComboBox(this);
            box->setFixedSize(180, 50);
            box->addItem(LanStr(204), 0);
            box->addItem(LanStr(211), 1);
            initRow->addWidget(box);
        }
    }
    initRow->addSpacing(20);
    initRow->addStretch();
    v->addLayout(initRow);
    v->addStretch();

    // The row below the procedure is placed by hand: the cavity set and the
    // two IO buttons share it.
    cavityCaption = new QLabel(LanStr(585), this);
    cavityCaption->ensurePolished();
    // A caption longer than its place (English) moves the row to the right
    // rather than being cut off.
    const int captionWidth = std::max(100, cavityCaption->sizeHint().width());
    const int shift = std::max(0, 96 + captionWidth + 10 - 210);
    cavityCaption->setGeometry(96, 150, captionWidth, 50);
    cavityGroup = new QButtonGroup(this);
    const int cavityRows[3] = {376, 377, 383};
    const int cavityX[3] = {210, 370, 550};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(LanStr(cavityRows[i]), this);
        b->setGeometry(cavityX[i] + shift, 150, 200, 50);
        cavityGroup->addButton(b, i);
    }
    customIOButton = new QPushButton(LanStr(473), this);
    customIOButton->setGeometry(220 + shift, 150, 200, 50);
    ioNameButton = new QPushButton(LanStr(498), this);
    ioNameButton->setGeometry(510 + shift, 150, 200, 50);
    showProcedureRows(-1);
}

void IOParamsWidget::showProcedureRows(int id)
{
    cavityCaption->hide();
    for (QAbstractButton* b : cavityGroup->buttons())
        b->hide();
    customIOButton->hide();
    ioNameButton->hide();
    if (id == ProcTwoColor || id == ProcTurntable) {
        cavityCaption->show();
        for (QAbstractButton* b : cavityGroup->buttons())
            b->show();
    } else if (id == ProcMultiDetect) {
        cavityCaption->show();
        customIOButton->show();
        ioNameButton->show();
    }
}

void IOParamsWidget::showEvent(QShowEvent* event)
{
    showProcedureRows(procedureGroup->checkedId());
    const bool factory = factoryShown && factoryShown();
    const int steps = gpWParaBak ? gpWParaBak->detect_count : 0;
    initialCaption->setVisible(factory && multiDetect_ && steps > 3);
    for (int k = 0; k < 5; ++k)
        if (initialBoxes[k])
            initialBoxes[k]->setVisible(factory && steps > 3 + k);
    // Rows shown just now take their places before the first paint.
    layout()->activate();
    BWidget::showEvent(event);
}

void IOParamsWidget::slotQSliderValue(int)
{
    auto* s = qobject_cast<QSlider*>(sender());
    if (s == timeoutRow.slider)
        timeoutRow.value->setText(QString::number(s->value()));
    for (const pagekit::SliderRow* r : {&ejectorRow, &clampRow, &preCutRow, &debounceRow})
        if (s == r->slider)
            r->value->setText(pagekit::tenthsText(s->value()));
}

void IOParamsWidget::WizardParaInit()
{
    const IOParamsValues v = LoadIOParams(*gpWParaBak, multiDetect_);
    timeoutRow.slider->setValue(v.timeout);
    preCutRow.slider->setValue(v.preCut);
    ejectorRow.slider->setValue(v.ejectorPulse);
    clampRow.slider->setValue(v.clampPulse);
    debounceRow.slider->setValue(v.debounce);
    pagekit::selectId(procedureGroup, v.procedure);
    pagekit::selectId(cavityGroup, v.cavity);
    if (multiDetect_)
        for (int k = 0; k < 5; ++k)
            initialBoxes[k]->setCurrentIndex(v.initialState[k]);
}

IOParamsValues IOParamsWidget::values() const
{
    IOParamsValues v;
    v.timeout = timeoutRow.slider->value();
    v.ejectorPulse = ejectorRow.slider->value();
    v.clampPulse = clampRow.slider->value();
    v.preCut = preCutRow.slider->value();
    v.debounce = debounceRow.slider->value();
    v.procedure = procedureGroup->checkedId();
    v.cavity = cavityGroup->checkedId();
    if (multiDetect_)
        for (int k = 0; k < 5; ++k)
            v.initialState[k] = initialBoxes[k]->currentIndex();
    return v;
}

void IOParamsWidget::accept() { StoreIOParams(values(), *gpWParaBak, multiDetect_); }
