// A parameter database that refuses writes: the operator is told, memory,
// disk and journal stay as they were, the edits are kept for another try,
// and nothing that needs the saved record (a restart, leaving, a group copy)
// goes on.
#include "maintfixture.h"

#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/maintenance.h"
#include "settings/systemfunctionswidget.h"
#include "widgets/keyboards.h"

#include <QAbstractButton>
#include <QButtonGroup>

using maintenance::kRowParamsNotSaved;

TEST_F(Maintenance, ARefusedSaveChangesNothingAndKeepsTheEdits)
{
    startMaintenance();
    const int area = gpWPara->minimum_area;
    const QStringList rows = paramRows();
    const int journal = records().size();
    edit([&](WizardPara& p) { p.minimum_area = area + 7; });
    refuseParamWrites(true);
    answers = {QDialog::Accepted};
    exitSetup();
    EXPECT_TRUE(shown(kRowParamsNotSaved));
    EXPECT_TRUE(settingsShown()) << "the window stays for another try";
    EXPECT_EQ(gpWPara->minimum_area, area);
    EXPECT_EQ(gpWParaBak->minimum_area, area + 7) << "the edits are kept";
    EXPECT_EQ(paramRows(), rows);
    EXPECT_EQ(records().size(), journal) << "no change is journaled that did not happen";

    refuseParamWrites(false);
    answers = {QDialog::Accepted};
    exitSetup();
    EXPECT_FALSE(settingsShown());
    EXPECT_EQ(gpWPara->minimum_area, area + 7);
    EXPECT_TRUE(paramValue("system4").endsWith(' ' + QString::number(area + 7)));
    EXPECT_TRUE(records().last().contains(QString::number(area + 7)));
}

TEST_F(Maintenance, CommandsThatNeedTheSavedRecordStopWhenItIsRefused)
{
    struct Case {
        const char* name;
        std::function<void(SystemSettingWidget&)> command;
        QList<int> answers;
        int journalRow; // the record the command would write
    };
    const Case cases[] = {
        {"power off", [](SystemSettingWidget& w) { emit w.systemFunctions->shutDownButton->clicked(); },
         {QDialog::Accepted, QDialog::Accepted}, 292},
        {"leaving", [](SystemSettingWidget& w) { w.SlotExit(); }, {QDialog::Accepted}, 295},
        {"language on the page", [](SystemSettingWidget& w) { w.systemFunctions->languageGroup->button(0)->click(); },
         {QDialog::Accepted}, 319},
        {"language", [](SystemSettingWidget& w) { w.SlotChangeLan(2); }, {QDialog::Accepted}, 319},
    };
    for (const Case& c : cases) {
        for (bool pending : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pending ? ", with edits" : ""));
            startMaintenance();
            watchdogStops = 0;
            exits.clear();
            const int area = gpWPara->minimum_area;
            const QStringList rows = paramRows();
            if (pending)
                edit([&](WizardPara& p) { p.minimum_area = area + 1; });
            refuseParamWrites(true);
            answers = c.answers;
            if (pending)
                answers.insert(1, QDialog::Accepted); // the save question
            c.command(settings());
            EXPECT_TRUE(shown(kRowParamsNotSaved));
            EXPECT_TRUE(testenv::commands().lines().isEmpty());
            EXPECT_TRUE(exits.isEmpty());
            EXPECT_EQ(watchdogStops, 0);
            EXPECT_EQ(gLan, 1);
            EXPECT_EQ(settings().systemFunctions->languageGroup->checkedId(), 1);
            EXPECT_EQ(gpWPara->minimum_area, area);
            EXPECT_EQ(paramRows(), rows);
            EXPECT_FALSE(records().contains(LanStr(c.journalRow, 1)));
            if (pending)
                EXPECT_EQ(gpWParaBak->minimum_area, area + 1);
            refuseParamWrites(false);
            nextCase();
        }
    }
}

TEST_F(Maintenance, ARefusedLanguageRestartKeepsTheOldLanguage)
{
    startMaintenance();
    const QString before = paramValue("system2");
    refuse("reboot");
    settings().systemFunctions->languageGroup->button(0)->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    EXPECT_TRUE(shown(maintenance::kRowRestartFailed));
    EXPECT_EQ(gLan, 1);
    EXPECT_EQ(settings().systemFunctions->languageGroup->checkedId(), 1);
    EXPECT_EQ(paramValue("system2"), before) << "the next start comes up in the language on the screen";
}

TEST_F(Maintenance, NoGroupIsCopiedFromARefusedSave)
{
    startMaintenance();
    edit([](WizardPara& p) { p.minimum_area = 432; });
    refuseParamWrites(true);
    settings().advanceParams->groupName->setText("M2");
    answer = QDialog::Accepted;
    emit settings().advanceParams->backupButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(kRowParamsNotSaved));
    EXPECT_FALSE(maintenance::listGroups("paraGroup").contains("M2"));
    EXPECT_EQ(gpWParaBak->minimum_area, 432);
}

TEST_F(Maintenance, AGroupNumberThatCannotBeWrittenIsNotKept)
{
    startMaintenance();
    const int group = gpWPara->para_group;
    QFile::remove("sysadd.txt");
    ASSERT_TRUE(QDir().mkdir("sysadd.txt"));
    settings().advanceParams->groupName->setText("M2");
    answer = QDialog::Accepted;
    emit settings().advanceParams->backupButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(maintenance::listGroups("paraGroup").contains("M2"));
    EXPECT_TRUE(shown(maintenance::kRowGroupIndexNotSaved));
    EXPECT_EQ(gpWPara->para_group, group);
    QDir("sysadd.txt").removeRecursively();
}

// The raw-image switch follows the save it came with: declined, it is not in
// force and the switch shows so; refused by the disk, it waits in the
// window with the other edits for another try.
TEST_F(Maintenance, TheRawImageSwitchFollowsTheSave)
{
    struct Case {
        const char* name;
        bool otherEdit;
        bool refused;
        int answer; // to the save question
        bool inForce;
    };
    const Case cases[] = {
        {"alone: nothing to save", false, false, QDialog::Rejected, true},
        {"with an edit, saved", true, false, QDialog::Accepted, true},
        {"with an edit, declined", true, false, QDialog::Rejected, false},
        {"with an edit, refused by the disk", true, true, QDialog::Accepted, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        ASSERT_FALSE(settingshost::saveOriginalImages());
        if (c.otherEdit)
            edit([](WizardPara& p) { p.minimum_area += 1; });
        settings().advanceFunctions->rawImagesBox->setChecked(true);
        refuseParamWrites(c.refused);
        answers = {c.answer};
        exitSetup();
        EXPECT_EQ(settingshost::saveOriginalImages(), c.inForce);
        EXPECT_EQ(settings().advanceFunctions->rawImagesBox->isChecked(), c.inForce || c.refused);
        if (c.refused) {
            refuseParamWrites(false);
            answers = {QDialog::Accepted};
            exitSetup();
            EXPECT_TRUE(settingshost::saveOriginalImages()) << "taken with the save that went through";
        }
        settingshost::setSaveOriginalImages(false);
        nextCase();
    }
}
