#include "widgets/basewidgets.h"

#include "params/lanstr.h"
#include "params/skin.h"
#include "widgets/kitstyle.h"

#include <QEvent>
#include <QListView>
#include <QPainter>
#include <QStyleOption>

BWidget::BWidget(QWidget* parent) : QWidget(parent) {}
BWidget::~BWidget() = default;

void BWidget::paintEvent(QPaintEvent*)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}

BOptionButton::BOptionButton(QWidget* parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setFixedSize(175, 112);
    setStyleSheet(QStringLiteral(
        "BOptionButton{background-color:#d3d3d3;icon-size:68px 68px;border-style:none;color:#656263;"
        "font-size:18px;padding:10px 0px 0px 0px;}"
        "BOptionButton:pressed{color:#ffffff;background-color:#656263;}"));
}
BOptionButton::~BOptionButton() = default;

BComboBox::BComboBox(QWidget* parent) : QComboBox(parent) { setView(new QListView(this)); }
BComboBox::~BComboBox() = default;

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent), listView_(new QListView(this))
{
    setView(listView_);
    setFocusPolicy(Qt::NoFocus);
    installEventFilter(this);
}

void ComboBox::setItemWidth(int w) { listView_->setFixedWidth(w); }

void ComboBox::setItemHeight(int h)
{
    setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item{height:%1px;}").arg(h)
                  + QStringLiteral("QComboBox::tab-bar{border-width:0px;}"));
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress)
        emit clicked();
    return QComboBox::eventFilter(watched, event);
}

ColorButton::ColorButton(const QString& text, QWidget* parent, int style)
    : QPushButton(text, parent), style_(style), ownPixmap_(false)
{
}

ColorButton::ColorButton(QPixmap pixmap, QWidget* parent)
    : QPushButton(QString(), parent), style_(3), pixmap_(std::move(pixmap)), ownPixmap_(true)
{
}

void ColorButton::SetRepeat()
{
    setAutoRepeat(true);
    setAutoRepeatDelay(300);
    setAutoRepeatInterval(50);
}

void ColorButton::setPixmap(QPixmap pixmap) { pixmap_ = std::move(pixmap); }

void ColorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (ownPixmap_) {
        p.drawPixmap(rect(), pixmap_);
        return;
    }
    const QPixmap* skin = gpPixmapButton[isDown() ? 1 : 0];
    if (skin)
        p.drawPixmap(rect(), *skin);
    p.setPen(Qt::white);
    InstallKitFonts();
    QFont f(QStringLiteral("wqy-microhei"));
    if (style_ == 3)
        f.setPixelSize(gLan == 0 ? 27 : 22);
    else if (style_ == 4 || style_ == 5)
        f.setPixelSize(24);
    p.setFont(fittingFont(f, text(), width() - 6));
    p.drawText(QRect(QPoint(0, 0), QPoint(width() - 1, height() - 1)), Qt::AlignCenter, text());
}

static QWidget* splitLine(QWidget* parent, const QString& colour, bool vertical)
{
    auto* line = new QWidget(parent);
    if (vertical)
        line->setFixedWidth(1);
    else
        line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background-color:") + colour);
    return line;
}

QWidget* createVerticalSplitLine(QWidget* parent, QString colour) { return splitLine(parent, colour, true); }
QWidget* createHorizontalSplitLine(QWidget* parent, QString colour) { return splitLine(parent, colour, false); }
