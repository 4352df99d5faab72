#include "widgets/sharedboxes.h"

#include "params/lanstr.h"
#include "widgets/keypads.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QPushButton>

void MakeSharedBoxes()
{
    gpWarnBox = new WarnBox(LanStr(568));
    gpWarnBox->confirmButton()->hide();
    gpWarnBox->setText(LanStr(133));
    gpChooseBox = new ChooseBox(LanStr(588));
    gpNumPad = new NumberInput;
    gpNumCharPad = new NumCharInput;
    gpPasswordBox = new PasswordBox(LanStr(569));
}

void AdoptSharedBoxes(QWidget* window)
{
    uiHost().mainWindow = window;
    gpWarnBox->hide();
    for (QWidget* box : {static_cast<QWidget*>(gpWarnBox), static_cast<QWidget*>(gpChooseBox),
                         static_cast<QWidget*>(gpPasswordBox)})
        box->setParent(window, box->windowFlags());
    gpNumPad->setParent(window);
    gpNumCharPad->setParent(window);
    gpChooseBox->setWindowFlags(gpChooseBox->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
}
