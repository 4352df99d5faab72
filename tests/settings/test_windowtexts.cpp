// Every text the settings window and its dialogs show comes from the text
// table in the language chosen: nothing Chinese on an English screen (but the
// language buttons' own names), no simplified characters on a traditional one.
#include "settingsfixture.h"

#include "settings/customionamewidget.h"
#include "settings/lightsettingdialog.h"
#include "settings/memorandumwidget.h"
#include "settings/networkparamswidget.h"
#include "settings/systemsettingwidget.h"
#include "widgets/splash.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>

namespace {

// Characters whose traditional form differs (as the text table's own check).
const QString kSimplifiedOnly = QStringLiteral("区设检测门开关数删确认输请错误为个张号显图时动还读发变连网录库报统启组选级帮络择传频础称");

bool hasHan(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

bool hasSimplified(const QString& s)
{
    for (QChar c : s)
        if (kSimplifiedOnly.contains(c))
            return true;
    return false;
}

// The texts a person sees on `root` and below: captions of labels and
// buttons, combo box entries, table headers. `skip` and what lies below it
// are left out.
QStringList shownTexts(QWidget* root, const QWidget* skip = nullptr)
{
    QStringList out;
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (skip && (w == skip || skip->isAncestorOf(w)))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w))
            out << l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            out << b->text();
        else if (auto* c = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        } else if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
            for (int i = 0; i < v->model()->columnCount(); ++i)
                out << v->model()->headerData(i, Qt::Horizontal).toString();
        }
    }
    out.removeAll(QString());
    return out;
}

} // namespace

TEST_F(SettingsWindow, EveryTextFollowsTheLanguage)
{
    struct Case {
        int lan;
        const char* name;
        bool (*wrong)(const QString&);
    };
    const Case cases[] = {{1, "English", &hasHan}, {2, "traditional Chinese", &hasSimplified}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startShown(c.lan);
        open();
        SystemSettingWidget& s = settings();
        QStringList texts;
        const QString shots = QStringLiteral(SETTINGS_SHOT_DIR);
        QDir().mkpath(shots);
        for (int i = 0; i < s.tabButtons().size(); ++i) {
            s.tabButtons()[i]->click();
            // The about page shows the product lines of the start-up screen.
            texts << shownTexts(&s, s.about);
            // Traditional captions run longest: looked at for cut-off texts.
            if (c.lan == 2)
                EXPECT_TRUE(s.grab().save(QString("%1/page%2-zht.png").arg(shots).arg(i, 2, 10, QChar('0'))));
        }
        auto* names = window->findChild<CustomIONameWidget*>();
        ASSERT_TRUE(names);
        texts << shownTexts(names);
        if (c.lan == 2)
            EXPECT_TRUE(names->grab().save(shots + "/ionames-zht.png"));
        lightsettingdialog light;
        texts << shownTexts(&light);
        ASSERT_GT(texts.size(), 100);
        // The language buttons name each language in itself, on every screen.
        const QStringList languageNames{LanStr(905, 0), LanStr(906, 0), LanStr(907, 1)};
        int wrong = 0;
        for (const QString& t : texts)
            if (c.wrong(t) && !languageNames.contains(t)) {
                ADD_FAILURE() << t.toStdString();
                ++wrong;
            }
        EXPECT_EQ(wrong, 0);
        // The captions that used to be fixed Chinese, by their rows.
        EXPECT_TRUE(texts.contains(LanStr(1216, c.lan))) << "the network page";
        EXPECT_TRUE(texts.contains(LanStr(1228, c.lan))) << "the memorandum headers";
        EXPECT_TRUE(texts.contains(LanStr(908, c.lan).arg(3))) << "the IO name slots";
        nextCase();
    }
}
