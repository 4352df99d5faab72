#include "editor/regioption.h"

#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/editorhost.h"
#include "inspection/autoregion.h"
#include "inspection/templatelibrary.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "widgets/kitstyle.h"
#include "widgets/passwordbox.h"

#include <QComboBox>
#include <QDir>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cstring>

namespace {

EditorHost& H() { return editorHost(); }
int cameras() { return std::min(numCamera, 8); }
int steps() { return std::max(0, std::min(gDNum, kStepCount)); }

QComboBox* makeList(QWidget* parent, QStyledItemDelegate* delegate)
{
    auto* list = new QComboBox(parent);
    list->setFixedSize(175, 112);
    list->setIconSize(QSize(80, 100));
    list->setItemDelegate(delegate);
    return list;
}

BOptionButton* makeButton(QWidget* parent, const QString& icon, const QString& text)
{
    auto* b = new BOptionButton(parent);
    b->setIcon(QIcon(icon));
    b->setText(text);
    b->setCheckable(true);
    return b;
}

CammerWidget* shownView()
{
    const int k = H().selectedCamera();
    if (k < 0 || k >= cameras())
        return nullptr;
    CammerWidget* v = H().view(k);
    return v && v->isComplete() ? v : nullptr;
}

void showRecentNG(CammerWidget* v, int step)
{
    if (step < 0 || step >= kStepCount)
        return;
    // Shown as it is kept (no copy); nothing kept yet shows black.
    v->showImage = v->recentNG[step][std::max(0, std::min(2, v->recentNGIndex))];
}

} // namespace

void FillSourceList(QComboBox* list)
{
    const QIcon icon(QStringLiteral(":/img/icons/104.png"));
    const int rows[5] = {223, 224, 60, 207, 208};
    for (int i = 0; i < 5; ++i)
        list->addItem(icon, LanStr(rows[i]), i);
}

void FillCameraList(QComboBox* list)
{
    for (int k = 0; k < cameras(); ++k) {
        const int number = cameraSlot(k) + 1; // a camera keeps its slot's number
        list->addItem(QIcon(QStringLiteral(":/img/icons/%1.png").arg(57 + 2 * number)), LanStr(43).arg(number), k);
    }
    if (cameras() > 1)
        list->addItem(QIcon(QStringLiteral(":/img/icons/39a.png")), LanStr(44), cameras());
}

RegiOption::RegiOption(QWidget* parent) : BWidget(parent)
{
    auto* delegate = new QStyledItemDelegate(this);
    sourceList = makeList(this, delegate);
    FillSourceList(sourceList);
    cameraList = makeList(this, delegate);
    FillCameraList(cameraList);
    stepList = makeList(this, delegate);
    const int mode = gpWPara ? gpWPara->procedure : ProcStandard;
    const QIcon stepIcon(QStringLiteral(":/img/icons/105.png"));
    if (mode == ProcStandard || mode == ProcAutoParts || mode == ProcStandardNoRecheck) {
        for (int d = 0; d < 2; ++d)
            stepList->addItem(stepIcon, LanStr(46).arg(LanStr(263 + d)), d);
    } else if (mode == ProcTwoColor || mode == ProcTurntable) {
        for (int d = 0; d < 4; ++d)
            stepList->addItem(stepIcon, LanStr(46).arg(LanStr(372 + d)), d);
    } else if (mode == ProcMultiDetect) {
        ChangeDetectNum(gpWPara->detect_count);
    }

    switchButton = makeButton(this, QStringLiteral(":/img/icons/110.png"), LanStr(212));
    deleteButton = makeButton(this, QStringLiteral(":/img/icons/106.png"), LanStr(63));
    addButton = makeButton(this, QStringLiteral(":/img/icons/106.png"), LanStr(48));
    endButton = makeButton(this, QStringLiteral(":/img/icons/38.png"), LanStr(42));

    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(switchButton);
    column->addWidget(sourceList);
    column->addWidget(cameraList);
    column->addWidget(stepList);
    column->addWidget(addButton);
    column->addWidget(deleteButton);
    column->addStretch();
    column->addWidget(endButton);

    connect(sourceList, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeSourceSlot);
    connect(cameraList, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeCameraSlot);
    connect(stepList, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &RegiOption::ChangeDetectSlot);
    for (BOptionButton* b : {switchButton, deleteButton, addButton, endButton})
        connect(b, &QAbstractButton::toggled, this, &RegiOption::btnsToggledSlot);

    setStyleSheet(QStringLiteral(
        "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#ffffff;font-size:18px;"
        "padding:10px 0px 0px 0px;}BOptionButton:checked{color:#ffffff;background-color:#ee2329;}QComboBox { "
        "combobox-popup: 0;border: 1px solid gray;background-color:#d3d3d3;border-radius: 0px;font-size:18px;padding: "
        "1px 1px 1px 1px;min-width: 6em; }QComboBox::drop-down {subcontrol-origin: padding;subcontrol-position: "
        "right;width: 12px;height: 30px; border:none;}QComboBox QAbstractItemView::item { min-height: 100px; "
        "min-width: 260px; }"));
    // Beside its icon a list entry has little room ("Camera 1").
    fitCaptions(this);
}

void RegiOption::btnsToggledSlot(bool on)
{
    BTN_TYPE type;
    const QObject* from = sender();
    if (from == deleteButton)
        type = DELETE_TEMP;
    else if (from == addButton)
        type = ADD_TEMP;
    else if (from == endButton)
        type = END_SET;
    else if (from == switchButton)
        type = LIVE_TEMP;
    else
        return;
    lastButton = type;
    emit btnsToggled(type, on);
}

void RegiOption::setDetect(int step) { stepList->setCurrentIndex(step); }

void RegiOption::SetSource(int s) { sourceList->setCurrentIndex(s); }

void RegiOption::CheckSource(int s)
{
    if (sourceList->currentIndex() == s)
        ChangeSourceSlot(s);
    else
        sourceList->setCurrentIndex(s);
}

void RegiOption::ChangeDetectNum(int n)
{
    const QSignalBlocker quiet(stepList);
    stepList->clear();
    for (int k = 0; k < n && k < kStepCount; ++k)
        stepList->addItem(LanStr(46).arg(LanStr(477 + k)), 0);
}

void RegiOption::ChangeSourceSlot(int s)
{
    EditorHost& h = H();
    if (s < 0)
        return;
    const bool alarm = h.displayState() == 2;
    if (alarm && s == 0 && CheckPassword() == 0) {
        // Refused: the list goes back to what is shown.
        const QSignalBlocker quiet(sourceList);
        sourceList->setCurrentIndex(gSource);
        return;
    }
    gSource = s;
    h.tools().copyAreaMode = false;
    if (alarm && s != 1) {
        host::setOutput(2, 0);
        host::flashOutputs();
    }
    for (int k = 0; k < cameras(); ++k) {
        if (CammerWidget* v = h.view(k); v && v->isComplete()) {
            v->curTemplate = 0;
            v->DeselectROI();
            v->ShowHideROIPara();
        }
    }
    const int last = s == 1 ? cameras() : cameras() - 1;
    if (h.selectedCamera() < 0 || h.selectedCamera() > last) {
        h.selectedCamera() = 0;
        h.changeCamera();
    }
    {
        const QSignalBlocker quiet(cameraList);
        cameraList->setCurrentIndex(h.selectedCamera());
    }
    if (gpWPara && gpWPara->show_cavity_number) {
        for (int k = 0; k < cameras(); ++k)
            if (CammerWidget* v = h.view(k); v && v->isComplete())
                v->ShowHideCheckBox(s == 0);
    }
    h.showIOStatus();

    if (CammerWidget* v = shownView()) {
        const int e = h.editStep();
        switch (s) {
        case 0:
            h.tools().drawTool = ToolSelect;
            DrawROIWidget::ShowTemplate(v, e, v->curTemplate);
            v->update();
            break;
        case 2:
            v->recentNGIndex = 0;
            showRecentNG(v, e);
            v->update();
            break;
        case 3:
        case 4:
            pictureIndex = 0;
            pictureKind = s == 3 ? 1 : 0;
            LoadPic();
            v->update();
            break;
        default:
            break;
        }
    }
    ChangePage();
}

void RegiOption::ChangePage()
{
    EditorHost& h = H();
    for (int k = 0; k < cameras(); ++k)
        if (CammerWidget* v = h.view(k))
            v->ShowHideTool(0);
    addButton->hide();
    deleteButton->hide();
    switchButton->hide();
    CammerWidget* v = shownView();
    switch (gSource) {
    case 2:
        addButton->show();
        if (v)
            v->ShowHideTool(1);
        break;
    case 3:
    case 4:
        if (v)
            v->ShowHideTool(1);
        break;
    case 0:
        if (h.displayState() == 2)
            switchButton->show();
        deleteButton->show();
        if (v)
            v->ShowHideTool(3);
        break;
    case 1:
        if (h.displayState() == 2)
            h.showSidePage(2); // back to the alarm bar
        else if (cameras() > 1)
            cameraList->show();
        break;
    default:
        break;
    }
    endButton->show();
}

void RegiOption::ChangeCameraSlot(int c)
{
    EditorHost& h = H();
    if (c < 0)
        return;
    if (c >= cameras())
        c = gSource == 1 ? cameras() : cameras() - 1;
    h.selectedCamera() = c;
    if (h.displayState() == 3 && gpWPara && gpWPara->show_cavity_number)
        if (CammerWidget* v = h.view(c))
            v->ShowHideCheckBox(true);
    h.changeCamera();
    ChangeSourceSlot(gSource);
}

void RegiOption::ChangeDetectSlot(int d)
{
    EditorHost& h = H();
    if (d < 0 || h.selectedCamera() >= cameras() || gSource == 1 || gSource < 0)
        return;
    const WizardPara& p = *gpWPara;
    const int mode = p.procedure;
    const bool twoMold = mode == ProcTwoColor || mode == ProcTurntable;
    const bool mold = twoMold ? (d % 2 == 1) : d != 0;
    h.tools().copyAreaMode = false;
    if (!mold && !p.detect_product) {
        stepList->setCurrentIndex(1);
        host::showWarning(LanStr(118));
        return;
    }
    if (p.enabe_two_test && gSource == 0 && !sameParameterNoteShown_) {
        const bool standard = mode == ProcStandard || mode == ProcAutoParts || mode == ProcStandardNoRecheck;
        if (mold && p.step_enabled[0] && standard) {
            sameParameterNoteShown_ = true;
            host::showWarning(LanStr(119));
        } else if (twoMold && d >= 2) {
            sameParameterNoteShown_ = true;
            host::showWarning(LanStr(371));
        }
    }
    CammerWidget* v = shownView();
    if (v)
        v->DeselectROI();
    h.editStep() = d;
    ChangeSourceSlot(gSource);
    v = shownView();
    if (!v)
        return;
    if (v->editRegions->roiCount[d] == 0 && p.auto_generate_area && host::askChoice(LanStr(354))) {
        v = shownView();
        if (v && gSource != 1 && gSource >= 0) {
            int whyNot = 0;
            if (!AutogenerationRegion(v, d, &whyNot) && whyNot)
                host::showWarning(LanStr(whyNot));
            v->update();
        }
    }
    if (v && h.displayState() == 3)
        v->SetCheckBoxState(1);
}

void RegiOption::LoadPic()
{
    const int k = cameraList->currentIndex();
    pictureCamera = std::max(0, cameraSlot(k >= 0 && k < cameras() ? k : 0));
    const int d = stepList->currentIndex();
    pictureStep = d >= 0 && d < steps() ? d : 0;
    const QDir folder(H().pictureFolder(pictureCamera, pictureStep, pictureKind));
    const QFileInfoList found = folder.entryInfoList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Time);
    pictureCount = found.size();
    if (pictureCount == 0) {
        pictureIndex = 0;
        pictureName.clear();
        return;
    }
    pictureIndex = std::max(0, std::min(pictureIndex, pictureCount - 1));
    const QFileInfo& f = found[pictureIndex];
    pictureName = f.fileName();
    if (pictureName.endsWith(QLatin1String(".jpg")))
        pictureName.chop(4);
    picture = QImage(f.absoluteFilePath());
}

void RegiOption::GetTempTIme(int camera, int step, int slot)
{
    CammerWidget* v = H().view(camera);
    gTempTime = v && step >= 0 && step < kStepCount ? TemplateFileTime(*v, step, slot) : QString();
}

void RegiOption::SlotTempLast() { browse(false); }

void RegiOption::SlotTempNext() { browse(true); }

void RegiOption::browse(bool forward)
{
    CammerWidget* v = shownView();
    const int s = H().editStep();
    if (!v || v->curTemplate < 0 || v->curTemplate >= gTempNum || s < 0 || s >= steps())
        return;
    switch (gSource) {
    case 0:
        v->curTemplate = BrowseTemplate(*v, s, v->curTemplate, forward, gTempNum);
        DrawROIWidget::ShowTemplate(v, s, v->curTemplate);
        break;
    case 2: {
        const int n = std::min(v->recentNGCount[s], 3);
        int& i = v->recentNGIndex;
        if (n <= 0)
            i = 0;
        else if (forward)
            i = i + 1 >= n ? 0 : i + 1;
        else
            i = i <= 0 ? n - 1 : i - 1;
        showRecentNG(v, s);
        break;
    }
    case 3:
    case 4:
        if (pictureCount <= 0)
            return; // nothing listed: not even a repaint
        pictureIndex = forward ? (pictureIndex + 1) % pictureCount : (pictureIndex + pictureCount - 1) % pictureCount;
        LoadPic();
        break;
    default:
        break;
    }
    v->update();
}
