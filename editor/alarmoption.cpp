#include "editor/alarmoption.h"

#include "cameradriver/cameraglobals.h"
#include "editor/editorhost.h"
#include "params/lanstr.h"
#include "widgets/kitstyle.h"

#include <QComboBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

AlarmOption::AlarmOption(QWidget* parent) : BWidget(parent)
{
    struct Look {
        int row;
        const char* icon;
    };
    static const Look looks[6] = {{212, "110"}, {47, "43"}, {61, "5"}, {48, "44"}, {54, "45"}, {56, "46"}};
    for (int i = 0; i < 6; ++i) {
        buttons[i] = new BOptionButton(this);
        buttons[i]->setIcon(QIcon(QStringLiteral(":/img/icons/%1.png").arg(QLatin1String(looks[i].icon))));
        buttons[i]->setText(LanStr(looks[i].row));
        buttons[i]->setCheckable(true);
        connect(buttons[i], &QAbstractButton::toggled, this, &AlarmOption::btnsToggledSlot);
    }
    buttons[0]->setIconSize(QSize(125, 68));
    // The ignore-point operations are not offered on screen.
    buttons[4]->hide();
    buttons[5]->hide();

    auto* delegate = new QStyledItemDelegate(this);
    auto makeList = [this, delegate] {
        auto* list = new QComboBox(this);
        list->setFixedSize(175, 112);
        list->setIconSize(QSize(80, 100));
        list->setItemDelegate(delegate);
        return list;
    };
    sourceList = makeList();
    FillSourceList(sourceList);
    cameraList = makeList();
    FillCameraList(cameraList);
    connect(cameraList, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &AlarmOption::ChangeCameraSlot);
    connect(sourceList, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &AlarmOption::ChangeSourceSlot);

    auto* column = new QVBoxLayout(this);
    column->addWidget(buttons[0]);
    column->addWidget(sourceList);
    column->addWidget(cameraList);
    column->addWidget(buttons[1]);
    column->addWidget(buttons[3]);
    column->addWidget(buttons[2]);
    column->setSpacing(10);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch();

    buttons[2]->setStyleSheet(QStringLiteral(
        "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#656263;font-size:18px;"
        "padding:10px 0px 0px 0px;}BOptionButton:pressed{color:#ffffff;background-color:#656263;}"));
    setStyleSheet(QStringLiteral(
        "BOptionButton{background-color:#4ab74c;icon-size:68px 68px;border-style:none;color:#656263;font-size:18px;"
        "padding:10px 0px 0px 0px;}BOptionButton:checked{color:#ffffff;background-color:#ee2329;}QComboBox { "
        "combobox-popup: 0;border: 1px solid gray;border-radius: 0px;font-size:18px;background-color:#d3d3d3;padding: "
        "1px 1px 1px 1px;min-width: 6em; }QComboBox::drop-down {subcontrol-origin: padding;subcontrol-position: "
        "right;width: 12px;height: 30px; border:none;}QComboBox QAbstractItemView::item{height:100px;}"));
    // Beside its icon a list entry has little room ("All Camera").
    fitCaptions(this);
}

void AlarmOption::btnsToggledSlot(bool on)
{
    for (int i = 0; i < 6; ++i) {
        if (sender() == buttons[i]) {
            emit btnsToggled(BTN_TYPE(i + 1), on);
            return;
        }
    }
}

void AlarmOption::ChangeSourceSlot(int s)
{
    if (s >= 0)
        emit AlarmChangeSource(s);
}

void AlarmOption::ChangeCameraSlot(int c)
{
    if (c < 0)
        return;
    editorHost().selectedCamera() = std::min(c, std::min(numCamera, 8));
    editorHost().changeCamera();
}

void AlarmOption::CheckSource(int s)
{
    if (sourceList->currentIndex() == s)
        ChangeSourceSlot(s);
    else
        sourceList->setCurrentIndex(s);
}

void AlarmOption::SetCamera(int c) { cameraList->setCurrentIndex(c); }

void AlarmOption::SetSource(int s) { sourceList->setCurrentIndex(s); }

void AlarmOption::showEvent(QShowEvent* event)
{
    sourceList->setCurrentIndex(1);
    const int c = editorHost().selectedCamera();
    if (cameraList->currentIndex() == c)
        ChangeCameraSlot(c);
    else
        cameraList->setCurrentIndex(c);
    BWidget::showEvent(event);
}
