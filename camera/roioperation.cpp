#include "camera/roioperation.h"

roiOperation::roiOperation(QWidget* parent) : BWidget(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(800, 200);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral(
        "QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}"));
}
