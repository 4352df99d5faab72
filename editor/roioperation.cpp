#include "editor/roioperation.h"

#include "editor/drawroiwidget.h"
#include "editor/editorhost.h"

#include <QHBoxLayout>
#include <QPushButton>

roiOperation::roiOperation(QWidget* parent) : BWidget(parent)
{
    static const char* const icons[7] = {"99", "98", "97", "96", "100", "101", "102"};
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    for (int i = 0; i < 7; ++i) {
        buttons[i] = new QPushButton(this);
        buttons[i]->setFixedSize(60, 60);
        buttons[i]->setIcon(QIcon(QStringLiteral(":/img/icons/%1.png").arg(QLatin1String(icons[i]))));
        buttons[i]->setIconSize(QSize(60, 60));
        buttons[i]->setAutoRepeat(true);
        row->addWidget(buttons[i]);
    }
    Btnconnect();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(800, 200);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral(
        "QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}"));
}

void roiOperation::Btnconnect()
{
    using Slot = void (DrawROIWidget::*)();
    static const Slot actions[7] = {&DrawROIWidget::SlotDrawRect,   &DrawROIWidget::SlotDrawCircle,
                                  &DrawROIWidget::SlotDrawPloygn, &DrawROIWidget::SlotDrawHand,
                                  &DrawROIWidget::SlotCopyArea,   &DrawROIWidget::SlotDeleteROI,
                                  &DrawROIWidget::SlotDeleteAllROI};
    for (int i = 0; i < 7; ++i) {
        const Slot slot = actions[i];
        connect(buttons[i], &QPushButton::pressed, this, [slot] {
            if (DrawROIWidget* editor = editorHost().editor())
                (editor->*slot)();
        });
    }
}
