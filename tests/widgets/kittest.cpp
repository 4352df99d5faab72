#include "kittest.h"

#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/skin.h"
#include "widgets/keypads.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

namespace {
void loadOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Data_Init();
}
} // namespace

void KitTest::SetUp()
{
    loadOnce();
    savedPara_ = gpWPara;
    gpWPara = &para;
    savedLan_ = gLan;
    savedW_ = gShowW;
    savedH_ = gShowH;
    gShowW = 1725;
    gShowH = 982;
    gLan = 1;
    UiHost& host = uiHost();
    host = UiHost();
    // Fresh keypads for every test: their parent and state follow placements.
    delete gpNumPad;
    delete gpNumCharPad;
    gpNumPad = new NumberInput;
    gpNumCharPad = new NumCharInput;
}

void KitTest::TearDown()
{
    // Keypads may sit inside a test's widgets; take them out before those go.
    delete gpNumPad;
    delete gpNumCharPad;
    gpNumPad = nullptr;
    gpNumCharPad = nullptr;
    delete gpPasswordBox;
    gpPasswordBox = nullptr;
    uiHost() = UiHost();
    gpWPara = savedPara_;
    gLan = savedLan_;
    gShowW = savedW_;
    gShowH = savedH_;
}

void KitTest::setLanguage(int lan) { gLan = lan; }

void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        timer->stop();
        timer->deleteLater();
        QPointer<QWidget> guard(w);
        act(w);
        QTimer::singleShot(2000, [guard] {
            if (guard && guard->isVisible())
                if (auto* d = qobject_cast<QDialog*>(guard.data()))
                    d->reject();
        });
    });
    timer->start();
}

void showActive(QWidget* w)
{
    w->show();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

QPushButton* buttonWithText(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}
