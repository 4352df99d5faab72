#include "widgets/busycover.h"

#include "params/lanstr.h"

#include <QEvent>

namespace {
constexpr int kRowBusy = 1525;
}

BusyCover::BusyCover(QWidget* screen) : QLabel(screen)
{
    setObjectName(QStringLiteral("busyCover"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    // Opaque: showing it paints the cover alone, not the pages beneath.
    setStyleSheet(QStringLiteral("QLabel#busyCover{background-color:#282828;color:white;font-size:36px;}"));
    setAutoFillBackground(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoMousePropagation);
    screen->installEventFilter(this);
    hide();
}

BusyCover* BusyCover::of(const QWidget* screen)
{
    return screen ? screen->findChild<BusyCover*>(QStringLiteral("busyCover"), Qt::FindDirectChildrenOnly) : nullptr;
}

void BusyCover::hold(QWidget* screen, const QString& text)
{
    if (!screen)
        return;
    BusyCover* c = of(screen);
    if (!c)
        c = new BusyCover(screen);
    ++c->holds_;
    c->setText(text.isEmpty() ? LanStr(kRowBusy) : text);
    c->setGeometry(screen->rect());
    c->show();
    c->raise();
}

void BusyCover::release(QWidget* screen)
{
    BusyCover* c = of(screen);
    if (!c || c->holds_ == 0)
        return;
    if (--c->holds_ == 0)
        c->hide();
}

bool BusyCover::shown(const QWidget* screen)
{
    const BusyCover* c = of(screen);
    return c && c->holds_ > 0;
}

QString BusyCover::textOf(const QWidget* screen)
{
    const BusyCover* c = of(screen);
    return c && c->holds_ > 0 ? c->text() : QString();
}

bool BusyCover::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        e->accept();
        return true;
    default:
        return QLabel::event(e);
    }
}

bool BusyCover::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == parent() && e->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QLabel::eventFilter(watched, e);
}
