#pragma once
// Common ground of the widget tests: the text table, a parameter record, a
// clean host state, the shared keypads, and a way to answer modal dialogs.
#include "params/wizardpara.h"

#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class KitTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // English (1) or simplified Chinese (0).
    void setLanguage(int lan);

    WizardPara para;

private:
    WizardPara* savedPara_ = nullptr;
    int savedLan_ = 0;
    int savedW_ = 0;
    int savedH_ = 0;
};

// Calls `act` with the modal dialog as soon as one is up. If the dialog is
// still open two seconds after `act`, it is rejected so a failing test ends.
void whenModal(std::function<void(QWidget*)> act);

// Shows a top-level widget and makes it the active window, so focus and
// mouse presses behave as on the panel.
void showActive(QWidget* w);

// The push button among `parent`'s children whose text is `text`.
class QPushButton;
QPushButton* buttonWithText(QWidget* parent, const QString& text);
