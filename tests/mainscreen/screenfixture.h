#pragma once
// The real main window in virtual time (the cycle fixture), shown on the
// offscreen screen so that what is visible counts as on a panel. Modal
// boxes are answered as told: questions with `answer`, the password box by
// typing `password` (an empty text cancels it).
#include "../ioboard/boardsim.h"
#include "cyclefixture.h"

#include "monitor/indexbutton.h"
#include "monitor/iostatuswidget.h"
#include "monitor/optionbar.h"
#include "monitor/placeholders.h"
#include "monitor/titlebar.h"
#include "settings/systemsettingwidget.h"
#include "widgets/keyboards.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QCoreApplication>
#include <QStackedLayout>
#include <functional>

class MainScreen : public CycleWindow {
protected:
    void SetUp() override
    {
        CycleWindow::SetUp();
        answerBoxes();
    }
    // The runner that answers as told (tests may install their own for a while).
    void answerBoxes()
    {
        setModalRunner([this](QDialog& d) {
            if (auto* box = qobject_cast<PasswordBox*>(&d)) {
                ++passwordBoxes;
                if (password.isEmpty())
                    return int(QDialog::Rejected);
                box->passwordField()->setText(password);
                box->accept();
                return box->result();
            }
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return answer;
        });
    }

    // The window on the screen, as the program shows it.
    void startShown()
    {
        start();
        window->show();
        QCoreApplication::processEvents();
    }

    // The board link's passes run here, as its thread would run them, each
    // answered by the board in lockstep and the clock moved on by one poll
    // period; true as soon as `done` holds.
    bool runBoardUntil(BoardSim& board, const std::function<bool()>& done, int passes = 2000)
    {
        for (int i = 0; i < passes; ++i) {
            gpControlIO->thread()->pass();
            board.serve(0);
            clock.advanceMs(5);
            QCoreApplication::processEvents();
            if (done())
                return true;
        }
        return false;
    }

    OptionBar* bar() { return window->optionBar; }
    TitleBar* title() { return window->titleBar; }
    // The settings window as the option bar's settings command shows it.
    void showSettings() { window->mainStack->setCurrentIndex(1); }

    static QString operatorPassword() { return QStringLiteral("246"); }
    static QString serviceCode() { return ::serviceCode(); }

    QString password; // what the operator types into the password box; empty: cancel
    int passwordBoxes = 0;
};
