// A language change from the system functions page: pending edits applied,
// the new language journaled, saved and the reboot asked of the runner.
#include "settingsfixture.h"
#include "settings/maintenance.h"

#include "settings/systemfunctionswidget.h"

#include <QButtonGroup>
#include <QRadioButton>

namespace {

// Reopens a closed database file under its own connection.
QString storedValue(const QString& file, const QString& key)
{
    OpenSqlite("check", file);
    QString value;
    {
        QSqlQuery q(QSqlDatabase::database("check"));
        q.prepare(file == "PARAM.db" ? "select value from sysparam where name=?" : "select remarks from RECORD");
        if (file == "PARAM.db")
            q.addBindValue(key);
        q.exec();
        QStringList all;
        while (q.next())
            all << q.value(0).toString();
        value = all.join('\n');
    }
    CloseSqlite("check");
    return value;
}

} // namespace

TEST_F(SettingsWindow, LanguageChangeAppliesEditsSavesTheLanguageAndReboots)
{
    startShown(1);
    open();
    edit([](WizardPara& p) { p.minimum_area = 432; });
    testenv::commands().clear();
    settings().systemFunctions->languageGroup->button(0)->click();
    ASSERT_TRUE(settle());

    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0].contains(LanStr(318, 1)));
    EXPECT_TRUE(boxes[1].contains(LanStr(234, 1)));
    EXPECT_EQ(gLan, 0);
    EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    // The databases are closed for the reboot; read the files themselves.
    EXPECT_EQ(storedValue("PARAM.db", "system2").section(' ', 12, 12), "0") << "the reboot comes up in Chinese";
    EXPECT_EQ(storedValue("PARAM.db", "system4").section(' ', 14, 14), "432");
    const QStringList recs = storedValue("RECORD.db", {}).split('\n');
    ASSERT_GE(recs.size(), 3);
    EXPECT_TRUE(recs[recs.size() - 3].startsWith(LanStr(235, 1)));
    EXPECT_EQ(recs[recs.size() - 2], LanStr(319, 1)) << "journaled in the language still in force";
    EXPECT_EQ(recs.last(), LanStr(maintenance::kRowHaltedForRestart, 0)) << "detection stopped for the restart";
}

TEST_F(SettingsWindow, LanguageChangeThatDoesNotHappen)
{
    struct Case {
        const char* name;
        int button;
        int answer;
        bool methodsOff;
        int boxes;
    };
    const Case cases[] = {
        {"the language in force", 1, QDialog::Accepted, false, 0},
        {"question refused", 0, QDialog::Rejected, false, 1},
        {"pending edits refused by the method check", 0, QDialog::Accepted, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startShown(1);
        open();
        if (c.methodsOff)
            edit([](WizardPara& p) {
                p.enable_defect_detect = p.enable_spot_detect = p.enable_black_area = p.enable_white_area = 0;
                p.enable_white_num = p.enable_similarity = p.enable_direction_check = 0;
            });
        testenv::commands().clear();
        const int recordsBefore = records().size();
        answer = c.answer;
        settings().systemFunctions->languageGroup->button(c.button)->click();
        EXPECT_EQ(boxes.size(), c.boxes);
        EXPECT_EQ(gLan, 1);
        EXPECT_TRUE(testenv::commands().lines().isEmpty());
        EXPECT_EQ(records().size(), recordsBefore);
        EXPECT_EQ(paramValue("system2").section(' ', 12, 12), "1") << "stored language untouched";
        nextCase();
    }
}
