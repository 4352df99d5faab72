#include "widgets/splash.h"

#include "params/lanstr.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kRowCategory = 1340; // "模内监控器"
} // namespace

SplashWidget::SplashWidget(int w, QWidget* parent) : QWidget(parent)
{
    setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#656263;}"));
    logo_ = new QLabel(this);
    const QPixmap logo(QStringLiteral(":/img/icons/0logo.png"));
    if (!logo.isNull())
        logo_->setPixmap(logo.scaledToWidth(w, Qt::SmoothTransformation));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(100, 100, 100, 100);
    layout->setSpacing(15);
    layout->addStretch();
    layout->addWidget(logo_, 0, Qt::AlignCenter);
    layout->addStretch();
    // The category in the language chosen; model, serial number and version
    // are names and numbers.
    for (const QString& text : {LanStr(kRowCategory), QStringLiteral("QMP-700"),
                                QStringLiteral("SN47QD208C1956"), QStringLiteral("16.0.1.9")})
        layout->addWidget(new QLabel(text, this), 0, Qt::AlignLeft);
}

BSplashScreen::BSplashScreen(QWidget* parent) : QSplashScreen(QPixmap())
{
    if (parent)
        setParent(parent, windowFlags());
    // QSplashScreen has already centred its empty pixmap: the splash takes
    // the whole screen itself, or its corner would stay at the centre.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1920, 1080);
    identity_ = new SplashWidget(std::min(800, area.width() - 200), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(identity_);
    setFixedSize(area.size());
    move(area.topLeft());
}
