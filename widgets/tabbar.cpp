#include "widgets/tabbar.h"

#include "params/lanstr.h"
#include "widgets/kitstyle.h"

#include <QEvent>
#include <QFontMetrics>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kColumnWidth = 353;
constexpr int kScrollBarWidth = 40; // over the column's right side once the tabs outgrow the window
constexpr int kTextIndent = 130;    // right of the group icon
constexpr int kIconEnd = 45 + 46 + 10;

// A tab name wider than the room between the icons and the scroll bar
// starts further left, down to just past the group icon; one wider still is
// drawn smaller. Done when the tab is shown, in the font then in force.
class TabFitter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto* b = static_cast<QPushButton*>(watched);
        const QString own = b->property("tabOwnSheet").toString();
        b->setStyleSheet(own);
        b->ensurePolished();
        const int textWidth = QFontMetrics(b->font()).horizontalAdvance(b->text()) + 8;
        const int indent = std::max(kIconEnd, std::min(kTextIndent, kColumnWidth - kScrollBarWidth - textWidth));
        if (indent != kTextIndent)
            b->setStyleSheet(own + QStringLiteral("padding-left:%1px;").arg(indent));
        refitCaption(b);
        return false;
    }
};

} // namespace

BVerticalTabBar::BVerticalTabBar(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QStringLiteral("BVerticalTabBar{background-color:#ffffff;border-width:0px 1px 0px 0px;"
                                 "border-style:solid;border-color:#d3d3d3;}"));

    column = new QWidget;
    column->setFixedWidth(kColumnWidth);
    column->setStyleSheet(QStringLiteral(
        "QPushButton{background-color:#ffffff;border-width:1px 0px 1px 0px;border-style:solid;"
        "border-color:#d3d3d3;color:#656263;font-size:22px;text-align:left;padding:0px 0px 0px 130px;}"
        "QPushButton:checked{background-color:#656263;color:#ffffff;}"));
    columnLayout_ = new QVBoxLayout(column);
    columnLayout_->setSpacing(0);
    columnLayout_->setContentsMargins(0, 0, 0, 0);
    columnLayout_->addStretch();

    auto* scroll = new QScrollArea(this);
    scroll->setFixedWidth(355);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollBar:vertical {width:40px;}"));
    scroll->setWidget(column);

    titleLabel = new QLabel(this);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFixedHeight(80);
    titleLabel->setStyleSheet(QStringLiteral("font-size:22px;color:#656263;background-color:#f4f4f4;"
                                             "border-width:0px 1px 1px 0px;border-style:solid;"
                                             "border-color:#d3d3d3;"));
    exitButton_ = new QPushButton(LanStr(590), this);
    exitButton_->setFixedSize(200, 80);
    exitButton_->setStyleSheet(
        QStringLiteral("background-color:#f4f4f4;border-color:#d3d3d3;color:#656263;font-size:22px;"));
    connect(exitButton_, &QPushButton::pressed, this, &BVerticalTabBar::systemExit);

    auto* titleLine = new QHBoxLayout;
    titleLine->addWidget(titleLabel);
    titleLine->addWidget(exitButton_);
    stack = new QStackedLayout;
    auto* right = new QVBoxLayout;
    right->addLayout(titleLine);
    right->addLayout(stack);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(scroll);
    root->addLayout(right);
}

void BVerticalTabBar::addWidgetGroup(QPixmap& icon, QVector<QString> newNames, QVector<QWidget*> newPages)
{
    if (newNames.size() != newPages.size() || newNames.isEmpty())
        return;
    const bool wasEmpty = buttons.isEmpty();
    for (int i = 0; i < newNames.size(); ++i) {
        auto* b = new QPushButton(newNames[i], column);
        columnLayout_->insertWidget(groupCount + buttons.size(), b);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        connect(b, &QPushButton::pressed, this, &BVerticalTabBar::tabBtnPressed);
        b->setFixedHeight(80);
        if (i == 0) {
            auto* l = new QHBoxLayout(b);
            l->addSpacing(45);
            auto* iconLabel = new QLabel(b);
            iconLabel->setPixmap(icon.scaledToWidth(46, Qt::SmoothTransformation));
            l->addWidget(iconLabel);
        } else {
            b->setStyleSheet(QStringLiteral("border-width:0px 0px 1px 0px;"));
        }
        b->setProperty("tabOwnSheet", b->styleSheet());
        b->installEventFilter(new TabFitter(b));
        buttons.append(b);
        newPages[i]->setParent(this);
        stack->addWidget(newPages[i]);
    }
    names += newNames;
    pages += newPages;
    columnLayout_->insertSpacing(groupCount + buttons.size(), 30);
    ++groupCount;
    column->adjustSize();
    if (wasEmpty) {
        buttons.first()->setChecked(true);
        titleLabel->setText(names.first());
        stack->setCurrentIndex(0);
    }
}

int BVerticalTabBar::currentPage() const { return stack->currentIndex(); }

void BVerticalTabBar::setCurrentPage(int index)
{
    if (index >= 0 && index < stack->count())
        stack->setCurrentIndex(index);
}

QString BVerticalTabBar::titleText() const { return titleLabel->text(); }

void BVerticalTabBar::tabBtnPressed()
{
    const int c = buttons.indexOf(qobject_cast<QPushButton*>(sender()));
    if (c < 0)
        return;
    titleLabel->setText(names[c]);
    // The announcements follow the tab texts, not their positions.
    if (names[c] == LanStr(575))
        emit recordshow();
    if (names[c] == LanStr(576))
        emit Memorandum();
    if (names[c] == LanStr(431))
        emit DeviPara();
    stack->setCurrentIndex(c);
}

void BVerticalTabBar::systemExit() { emit Exitsetup(); }
