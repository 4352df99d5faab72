// Parameter groups through the "Advanced Param" page, the password change
// and the count reset, in the running program's folder.
#include "maintfixture.h"

#include "monitor/journal.h"
#include "settings/advanceparamwidget.h"
#include "settings/maintenance.h"
#include "settings/systemfunctionswidget.h"
#include "statistics/temperaturestatisticswidget.h"
#include "widgets/valuerows.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>

namespace {

QStringList groupsOnDisk() { return maintenance::listGroups("paraGroup"); }

} // namespace

TEST_F(Maintenance, GroupNamesTypedForABackup)
{
    struct Case {
        const char* name;
        QString typed;
        int warning;          // text row of the refusal, 0 for none
        QStringList groups;   // afterwards
        int questions;
    };
    const Case cases[] = {
        {"empty", "", 282, {"Mold1", "default"}, 0},
        {"parent folder", "..", maintenance::kRowGroupNameInvalid, {"Mold1", "default"}, 0},
        {"a path", "../x", maintenance::kRowGroupNameInvalid, {"Mold1", "default"}, 0},
        {"the factory group", "Default", maintenance::kRowFactoryGroupProtected, {"Mold1", "default"}, 0},
        {"blanks", "a b", 0, {"Mold1", "a b", "default"}, 1},
        {"shell signs", "x;y", 0, {"Mold1", "default", "x;y"}, 1},
        {"another spelling of a group", "mold1", 0, {"Mold1", "default"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putFile("paraGroup/Mold1/PARAM.db", "older set");
        startMaintenance();
        AdvanceparamWidget* page = settings().advanceParams;
        page->groupName->setText(c.typed);
        emit page->backupButton->clicked();
        ASSERT_TRUE(settle());
        EXPECT_EQ(groupsOnDisk(), c.groups);
        EXPECT_EQ(boxes.size(), c.questions + (c.warning ? 1 : 0));
        if (c.warning)
            EXPECT_TRUE(shown(c.warning));
        EXPECT_TRUE(testenv::commands().lines().isEmpty()) << "no command runs for a group";
        if (!c.warning) {
            const QString stored = maintenance::existingGroup(c.groups, c.typed);
            EXPECT_EQ(dbRows("paraGroup/" + stored + "/PARAM.db"), dbRows("PARAM.db"));
            EXPECT_EQ(page->groupList->currentText(), stored);
            EXPECT_EQ(gpWPara->para_group, c.groups.indexOf(stored));
            EXPECT_EQ(fileText("sysadd.txt").trimmed(), QByteArray::number(c.groups.indexOf(stored)));
        }
        if (c.questions == 2)
            EXPECT_TRUE(shown(284)) << "covering the group of the other spelling is asked";
        nextCase();
        QDir("paraGroup").removeRecursively();
    }
}

TEST_F(Maintenance, BackupAppliesPendingEditsAndTakesTheTemplates)
{
    startMaintenance();
    putFile("cammer11/template0.bmp", "template of camera 1");
    edit([](WizardPara& p) { p.minimum_area = 432; });
    settings().advanceParams->groupName->setText("M2");
    emit settings().advanceParams->backupButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(gpWPara->minimum_area, 432) << "applied before the copy";
    EXPECT_EQ(fileText("paraGroup/M2/cammer11/template0.bmp"), QByteArray("template of camera 1"));
    EXPECT_EQ(dbRows("paraGroup/M2/PARAM.db"), dbRows("PARAM.db"));

    // Refusing to cover keeps the group as it was.
    putFile("cammer11/template0.bmp", "newer template");
    answers = {QDialog::Accepted, QDialog::Rejected};
    emit settings().advanceParams->backupButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(fileText("paraGroup/M2/cammer11/template0.bmp"), QByteArray("template of camera 1"));
}

TEST_F(Maintenance, RestoreBringsTheGroupBackAndRestarts)
{
    startMaintenance();
    putFile("paraGroup/A/PARAM.db", "the group's parameters");
    putFile("paraGroup/A/cammer11/template0.bmp", "group template");
    putFile("cammer12/template0.bmp", "current template");
    settings().ParaGroupUpdateList();
    QComboBox* list = settings().advanceParams->groupList;
    list->setCurrentIndex(list->findText("default"));
    list->setCurrentIndex(list->findText("A"));
    EXPECT_EQ(settings().advanceParams->groupName->text(), QString("A")) << "the choice fills the name field";

    answers = {QDialog::Rejected};
    emit settings().advanceParams->restoreButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(testenv::commands().lines().isEmpty());

    emit settings().advanceParams->restoreButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    EXPECT_EQ(fileText("cammer11/template0.bmp"), QByteArray("group template"));
    EXPECT_FALSE(QFile::exists("cammer12/template0.bmp"));
    EXPECT_EQ(fileText("PARAM.db"), fileText("paraGroup/A/PARAM.db"));
    EXPECT_EQ(fileText("sysadd.txt").trimmed(), "0");
    EXPECT_TRUE(storedRecords().contains(LanStr(286, 1).arg("A")));
}

TEST_F(Maintenance, AGroupWithoutItsDatabaseIsNotRestored)
{
    startMaintenance();
    putFile("paraGroup/Half/cammer11/template0.bmp", "x");
    const QByteArray before = fileText("PARAM.db");
    settings().ParaGroupUpdateList();
    settings().advanceParams->groupList->setCurrentIndex(settings().advanceParams->groupList->findText("Half"));
    emit settings().advanceParams->restoreButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowGroupRestoreFailed));
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
    EXPECT_EQ(fileText("PARAM.db"), before);
    EXPECT_TRUE(dbOpen("dbIn"));
}

TEST_F(Maintenance, DeletingGroups)
{
    startMaintenance();
    putFile("paraGroup/B/PARAM.db", "b");
    settings().ParaGroupUpdateList();
    QComboBox* list = settings().advanceParams->groupList;
    gpWPara->para_group = 1;

    list->setCurrentIndex(list->findText("default"));
    emit settings().advanceParams->deleteButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowFactoryGroupProtected));
    EXPECT_EQ(groupsOnDisk(), (QStringList{"B", "default"}));

    boxes.clear();
    list->setCurrentIndex(list->findText("B"));
    emit settings().advanceParams->deleteButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(groupsOnDisk(), QStringList{"default"});
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(gpWPara->para_group, 1) << "the stored index is left as it was";

    // With no group at all, restore and delete refuse instead of acting on
    // the whole group folder.
    QDir("paraGroup/default").removeRecursively();
    settings().ParaGroupUpdateList();
    boxes.clear();
    emit settings().advanceParams->deleteButton->clicked();
    ASSERT_TRUE(settle());
    emit settings().advanceParams->restoreButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_TRUE(shown(maintenance::kRowNoGroupChosen));
    EXPECT_TRUE(QDir("paraGroup").exists());
    EXPECT_TRUE(testenv::commands().lines().isEmpty());
}

TEST_F(Maintenance, PasswordChange)
{
    struct Case {
        const char* name;
        QString typed;
        QString confirmed;
        int message;
        QByteArray stored; // the edit copy's password afterwards
    };
    const QByteArray before = "1111";
    const Case cases[] = {
        {"empty", "", "1234", 278, before},
        {"different", "1234", "1243", 280, before},
        {"changed", "98765", "98765", 279, "98765"},
        {"32 digits", QString(32, '3'), QString(32, '3'), 279, QByteArray(32, '3')},
        {"40 digits, too long to type again", QString(40, '4'), QString(40, '4'), maintenance::kRowPasswordUnusable,
         before},
        {"outside Latin-1", QString::fromUtf8("密码"), QString::fromUtf8("密码"), maintenance::kRowPasswordUnusable,
         before},
    };
    startMaintenance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(gpWParaBak->password, 0, sizeof gpWParaBak->password);
        std::memcpy(gpWParaBak->password, before.constData(), size_t(before.size()));
        boxes.clear();
        SystemFunctionsWidget* page = settings().systemFunctions;
        page->newPassword->setText(c.typed);
        page->confirmPassword->setText(c.confirmed);
        emit page->changePasswordButton->clicked();
        ASSERT_TRUE(settle());
        ASSERT_EQ(boxes.size(), 1) << boxes.join(" | ").toStdString();
        EXPECT_TRUE(shown(c.message));
        EXPECT_EQ(QByteArray(gpWParaBak->password), c.stored);
        EXPECT_EQ(page->newPassword->text(), c.message == 279 ? QString() : c.typed) << "emptied only after a change";
    }
    EXPECT_EQ(QByteArray(gpWPara->password), QByteArray(FactoryParams().password)) << "live only after the apply";
}

TEST_F(Maintenance, CountReset)
{
    startMaintenance();
    for (int c = 0; c < 8; ++c) {
        gAllNum[c] = 10 + c;
        gFailNum[c] = c;
    }
    gLost = 3;
    emit settings().systemFunctions->resetCountButton->clicked();
    ASSERT_TRUE(settle());
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(gAllNum[c] + gFailNum[c], 0) << "camera " << c;
    EXPECT_EQ(gLost, 0);
    EXPECT_EQ(records().last(), LanStr(255, 1));
    EXPECT_TRUE(boxes.isEmpty()) << "no question";
    gAllNum[0] = 99;
    CountRead();
    EXPECT_EQ(gAllNum[0], 0) << "the counter file holds the cleared counts";
}

// A restored group waits for the restart the system refused: the older
// record in memory must not reach the disk over it, from the window nor
// from a region store, and the restart itself stays possible.
TEST_F(Maintenance, ARestoredGroupIsNotSavedOverWhileItWaitsForTheRestart)
{
    startMaintenance();
    const int area = gpWPara->minimum_area;
    settings().advanceParams->groupName->setText("G");
    emit settings().advanceParams->backupButton->clicked();
    ASSERT_TRUE(settle());
    // The set in force moves on after the copy.
    edit([&](WizardPara& p) { p.minimum_area = area + 5; });
    settings().accept();
    ASSERT_EQ(gpWPara->minimum_area, area + 5);
    const QByteArray restored = fileText("paraGroup/G/PARAM.db");
    ASSERT_NE(fileText("PARAM.db"), restored);

    refuse("reboot");
    settings().ParaGroupUpdateList();
    QComboBox* list = settings().advanceParams->groupList;
    list->setCurrentIndex(list->findText("G"));
    boxes.clear();
    emit settings().advanceParams->restoreButton->clicked();
    ASSERT_TRUE(settle());
    ASSERT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    EXPECT_TRUE(shown(maintenance::kRowRestoredWaitsForRestart));
    ASSERT_EQ(fileText("PARAM.db"), restored);

    // Confirming edits in the window.
    const int journal = storedRecords().size();
    edit([&](WizardPara& p) { p.minimum_area = area + 9; });
    boxes.clear();
    exitSetup();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(shown(maintenance::kRowSavesHeld));
    EXPECT_EQ(fileText("PARAM.db"), restored);
    EXPECT_EQ(gpWPara->minimum_area, area + 5) << "memory is not changed as if saved";
    EXPECT_EQ(storedRecords().size(), journal) << "no change is journaled that did not happen";

    // A region save.
    boxes.clear();
    EXPECT_FALSE(view(0)->liveRegions->SaveDatatoFile());
    EXPECT_TRUE(shown(kLanRegionSaveFailed));
    EXPECT_EQ(fileText("PARAM.db"), restored);

    // The restart the operator is asked for is not stopped by the held save.
    testenv::commands().script("reboot", platform::CommandResult{true, 0, {}, {}});
    testenv::commands().clear();
    window->mainStack->setCurrentIndex(1);
    answers = {QDialog::Accepted, QDialog::Accepted};
    emit settings().systemFunctions->shutDownButton->clicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(testenv::commands().lines(), QStringList{"reboot"});
    EXPECT_EQ(fileText("PARAM.db"), restored);
}

// The savers that write the live record directly, outside the settings
// window's apply, are refused while a restored group waits for its restart:
// the disk keeps the group, memory what the disk had, and the operator is told.
TEST_F(Maintenance, EveryDirectParameterSaveHonoursTheRestoredGroupsHold)
{
    struct Case {
        const char* name;
        std::function<void()> save;
        std::function<void()> check; // memory unchanged
    };
    std::unique_ptr<TemperatureStatisticsWidget> temperatures;
    const Case cases[] = {
        {"the temperature page's limits",
         [&] {
             temperatures = std::make_unique<TemperatureStatisticsWidget>();
             temperatures->show();
             temperatures->box(3)->setMaxValue(gpWPara->temp_alarm_max[3] + 70);
             temperatures->hide();
         },
         [&] { EXPECT_NE(gpWPara->temp_alarm_max[3], temperatures->box(3)->getMaxValue()); }},
        {"the maintenance save",
         [] {
             gpWPara->minimum_area += 3;
             EXPECT_FALSE(maintenance::saveParameters());
             gpWPara->minimum_area -= 3;
         },
         nullptr},
        {"the language switch",
         [this] { settings().systemFunctions->languageGroup->button(0)->click(); },
         [] { EXPECT_EQ(gLan, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startMaintenance();
        const QStringList before = paramRows();
        holdParamSaves();
        c.save();
        ASSERT_TRUE(settle());
        EXPECT_EQ(paramRows(), before);
        EXPECT_TRUE(shown(maintenance::kRowParamsNotSaved));
        EXPECT_TRUE(testenv::commands().lines().isEmpty()) << "no restart either";
        if (c.check)
            c.check();
        temperatures.reset();
        holdParamSaves(false);
        nextCase();
    }
}
