#pragma once
// A settings page on its own over a live record and an edit copy of the
// factory parameters, in English; typed values reach the value labels
// through their keypads as a finger would.
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"
#include "widgets/sliderlabel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data_Init();
        gLan = 1;
        live = FactoryParams();
        edit = live;
        gpWPara = &live;
        gpWParaBak = &edit;
    }
    void TearDown() override
    {
        gpWPara = gpWParaBak = nullptr;
        setModalRunner(nullptr);
        gLan = 0;
    }
    // Types `text` on the keypad of a value label.
    static void type(BlineLabel* label, const QString& text)
    {
        setModalRunner([text](QDialog& d) {
            auto* k = dynamic_cast<KeyboardDialog*>(&d);
            if (!k)
                return int(QDialog::Rejected);
            k->lineEdit()->setText(text);
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(label, Qt::LeftButton);
        setModalRunner(nullptr);
    }
    static void click(QButtonGroup* g, int id) { g->button(id)->click(); }

    WizardPara live;
    WizardPara edit;
};
