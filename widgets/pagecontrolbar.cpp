#include "widgets/pagecontrolbar.h"

#include "params/lanstr.h"
#include "widgets/keyboards.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kRowPageTitle = 1337; // the page field's keyboard
constexpr int kRowPageHint = 1338;
constexpr int kRowPageUnit = 1339;  // after the page field
} // namespace

PageControlBar::PageControlBar(QWidget* parent) : BWidget(parent)
{
    auto iconButton = [this](const char* icon) {
        auto* b = new QPushButton(this);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        return b;
    };
    first_ = iconButton(":/img/icons/72.png");
    previous_ = iconButton(":/img/icons/68.png");
    for (int i = 0; i < 4; ++i) {
        pages_[i] = new QPushButton(QString::number(i + 1), this);
        pages_[i]->setCheckable(true);
        pages_[i]->setAutoExclusive(true);
        pages_[i]->setStyleSheet(QStringLiteral(
            "QPushButton{color:#625f60;font-size:22px;border-width:1px;border-style:solid;border-color:#625f60;"
            "background:#ffffff;border-radius:30px;}QPushButton:pressed{background-color:#656263;color:#ffffff;}"
            "QPushButton:checked{background-color:#656263;color:#ffffff;}"));
    }
    pageField_ = new BLineEdit(this, LanStr(kRowPageTitle), LanStr(kRowPageHint), KeyboardDigital);
    pageField_->setFixedWidth(80);
    pageField_->setAlignment(Qt::AlignRight);
    pageLabel_ = new QLabel(LanStr(kRowPageUnit), this);
    next_ = iconButton(":/img/icons/69.png");
    last_ = iconButton(":/img/icons/73.png");

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(20);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addStretch();
    for (QPushButton* b : {first_, previous_, pages_[0], pages_[1], pages_[2], pages_[3]}) {
        b->setFixedSize(60, 60);
        b->setIconSize(QSize(60, 60));
        layout->addWidget(b);
    }
    layout->addWidget(pageField_);
    layout->addWidget(pageLabel_);
    for (QPushButton* b : {next_, last_}) {
        b->setFixedSize(60, 60);
        b->setIconSize(QSize(60, 60));
        layout->addWidget(b);
    }
    setStyleSheet(QStringLiteral(
        "PageControlBar{border-width:1px 1px 0px 0px;border-style:solid;border-color:#d6d6d6;}"
        "QLabel{font-size:22px;color:#656263;}QPushButton{border-radius:30px;border-style:none;}"));
    setFixedHeight(70);
}
