#include "monitor/placeholders.h"

TitleBar::TitleBar(QWidget* parent) : BWidget(parent) { setFixedHeight(98); }

OptionBar::OptionBar(QWidget* parent) : BWidget(parent), pad_(new QWidget)
{
    setFixedWidth(175);
    pad_->hide();
}
