#pragma once
// A settings page on its own over a live record and an edit copy of the
// factory parameters, in English; typed values reach the value labels
// through their keypads as a finger would.
#include "programlook.h"

#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"
#include "widgets/sliderlabel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <vector>

// What the settings tests share beyond the page fixture.
namespace settingstest {

// Types `text` on the keypad that a value field opens when touched; the
// modal runner in place before is put back.
inline void typeOnKeypad(QWidget* field, const QString& text)
{
    ModalRunner previous = setModalRunner([text](QDialog& d) {
        auto* k = dynamic_cast<KeyboardDialog*>(&d);
        if (!k)
            return int(QDialog::Rejected);
        k->lineEdit()->setText(text);
        return int(QDialog::Accepted);
    });
    QTest::mouseClick(field, Qt::LeftButton);
    setModalRunner(previous);
}

inline void putFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline QStringList comboItems(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// Where the screenshots go (made when missing).
inline QString shotDir()
{
    const QString dir = QStringLiteral(SETTINGS_SHOT_DIR);
    QDir().mkpath(dir);
    return dir;
}

} // namespace settingstest

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        look = std::make_unique<ProgramLook>();
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
        look.reset();
    }
    // The page drawn in the font and style sheet the operator sees it in.
    std::unique_ptr<ProgramLook> look;
    static void type(BlineLabel* label, const QString& text) { settingstest::typeOnKeypad(label, text); }
    static void click(QButtonGroup* g, int id) { g->button(id)->click(); }

    // A stored record that a page must repair: each case's `stored` change
    // to the factory parameters, repaired without a screen by `plain` (the
    // page's load and store functions, in place) and by the page itself
    // opened over the edit copy and confirmed; both must meet `expect` and
    // agree field for field.
    struct RepairCase {
        const char* name;
        std::function<void(WizardPara&)> stored;
        std::function<void(const WizardPara&)> expect;
    };
    template <typename Page>
    void expectRepairs(Page& page, const std::vector<RepairCase>& cases,
                       const std::function<void(WizardPara&)>& plain)
    {
        for (const RepairCase& c : cases) {
            SCOPED_TRACE(c.name);
            WizardPara p = FactoryParams();
            c.stored(p);
            WizardPara alone = p;
            plain(alone);
            c.expect(alone);
            edit = p;
            page.WizardParaInit();
            page.accept();
            c.expect(edit);
            EXPECT_TRUE(edit.sameAs(alone));
        }
    }

    WizardPara live;
    WizardPara edit;
};
