#pragma once
// The program's own look while it lives: the embedded font as the
// application font and the application style sheet, as the start-up sets
// them, so that screenshots and caption checks see texts as wide as the
// panel draws them. For tests that link the parameters and the widget kit.
#include "params/fonts.h"
#include "widgets/kitstyle.h"

#include <QApplication>
#include <QFont>

class ProgramLook {
public:
    ProgramLook() : previous_(QApplication::font())
    {
        const QString family = LoadApplicationFonts();
        if (!family.isEmpty()) {
            QFont font(family);
            font.setWeight(50);
            QApplication::setFont(font);
        }
        qApp->setStyleSheet(AppStyleSheet());
    }
    ~ProgramLook()
    {
        qApp->setStyleSheet(QString());
        QApplication::setFont(previous_);
    }
    ProgramLook(const ProgramLook&) = delete;
    ProgramLook& operator=(const ProgramLook&) = delete;

private:
    QFont previous_;
};
