#include "kittest.h"

#include "widgets/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

using Splash = KitTest;

// The category in the language chosen; model, serial number and version alike.
TEST_F(Splash, IdentityInEveryLanguage)
{
    const char* const category[3] = {"模内监控器", "In-mold monitor", "模內監控器"};
    for (int lan : {0, 1, 2}) {
        const QStringList expected = {QString::fromUtf8(category[lan]), "QMP-700", "SN47QD208C1956", "16.0.1.9"};
        setLanguage(lan);
        SplashWidget w(600);
        QStringList texts;
        for (QLabel* l : w.findChildren<QLabel*>())
            if (l != w.logoLabel())
                texts << l->text();
        EXPECT_EQ(texts, expected) << lan;
    }
}

// The splash covers the screen it is shown on, as the start-up shows it.
TEST_F(Splash, CoversTheScreen)
{
    BSplashScreen splash;
    splash.showFullScreen();
    EXPECT_EQ(splash.geometry(), QGuiApplication::primaryScreen()->geometry());
    SplashWidget about(600);
    EXPECT_EQ(about.logoLabel()->pixmap(Qt::ReturnByValue).width(), 600);
}
