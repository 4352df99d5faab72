// Maintenance commands of the settings window: export to and update from a
// USB disk, factory reset, parameter groups, password change, count reset,
// the hardware view and the record viewer. Each either completes or leaves
// the program folder as it was; no operator text reaches a shell.
#include "cameradriver/cameraglobals.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "platform/sysroot.h"
#include "platform/usbdisk.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/busywork.h"
#include "settings/cameraparamswidget.h"
#include "settings/helpwidget.h"
#include "settings/maintenance.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemlogwidget.h"
#include "settings/systemsettingwidget.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/modal.h"
#include "widgets/modifytimewidget.h"
#include "widgets/msgbox.h"

#include <algorithm>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSqlDatabase>
#include <QSqlTableModel>
#include <QTableView>
#include <cstring>
#include <memory>

namespace {

// FindAU in the background until a disk is there (then `then` runs with its
// mount point) or the operator gives up.
void withDisk(QWidget* screen, std::function<void(const QString&)> then)
{
    busyWork<QString>(screen, [] { return FindAU(); }, [screen, then](QString disk) {
        if (!disk.isEmpty())
            then(disk);
        else if (showChooseBox(LanStr(320)))
            withDisk(screen, then);
    });
}

// Off the GUI thread: a disk writes back what it holds only slowly.
void unmount(const QString& disk)
{
    platform::runCommand(QStringLiteral("sync"), {}, 60000);
    platform::runCommand(QStringLiteral("umount"), {platform::sysPath(disk)}, 60000);
}

QString programFolder() { return QDir::currentPath(); }

} // namespace

void SystemSettingWidget::maintenanceInit()
{
    clockDialog = new ModifyTimeWidget(LanStr(401), this);
    clockDialog->hide();
    updateDialog = new QFileDialog(this, LanStr(maintenance::kRowChooseUpdateFile), QStringLiteral("../../ProjectData/"));
    updateDialog->setOption(QFileDialog::DontUseNativeDialog);
    updateDialog->setFileMode(QFileDialog::AnyFile);
    updateDialog->setViewMode(QFileDialog::List);
    updateDialog->resize(gShowW - 50, gShowH - 100);
    updateDialog->setNameFilter(QStringLiteral("*.[r,t]ar*"));
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(gShowW < 801 ? 20 : 30);
    updateDialog->setFont(font);
    updateDialog->hide();
    if (!QSqlDatabase::contains(QLatin1String(kRecordConnection)))
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kRecordConnection));

    CameraParamsSubWidget* block = cameraParams->subWidget;
    cameraParams->factoryShown = [this] { return advanceFunctions->factoryParamShown(); };
    for (QPushButton* b : block->cameraButtons)
        connect(b, &QPushButton::clicked, this, &SystemSettingWidget::SlotChangeCamera);
    connect(block->restoreButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotRestoreDefaultSettings);
    connect(block->tuneButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotTuneCamera);
    connect(block->exposureSlider, &QSlider::valueChanged, this, &SystemSettingWidget::SetExposeTime);
    connect(block->gainSlider, &QSlider::valueChanged, this, &SystemSettingWidget::SetAdjust);
    connect(cameraParams->slider(CameraParamsWidget::Clarity), &QSlider::valueChanged, this,
            &SystemSettingWidget::SetSharp);
    connect(cameraParams->slider(CameraParamsWidget::Truth), &QSlider::valueChanged, this,
            &SystemSettingWidget::SetContrast);
    connect(cameraParams->slider(CameraParamsWidget::Gamma), &QSlider::valueChanged, this,
            &SystemSettingWidget::SetGamma);
    connect(systemLog->dayList, &QListWidget::itemClicked, this, &SystemSettingWidget::UpdateRecord);
}

// ---- export, update, factory reset --------------------------------------------------

void SystemSettingWidget::SlotExportData()
{
    if (!showChooseBox(LanStr(324)))
        return;
    withDisk(this, [this](const QString& disk) {
        const QString target = platform::sysPath(disk) + QLatin1Char('/')
            + platform::now().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
        const QString program = programFolder();
        QStringList rawFolders;
        for (int slot : settingshost::usedSlots())
            for (int s = 1; s <= gDNum && s <= 8; ++s)
                rawFolders << QDir(program).filePath(QStringLiteral("originalimage/cammer%1%2").arg(slot + 1).arg(s));
        busyWork<bool>(
            this,
            [disk, target, program, rawFolders] {
                // The raw frames leave the device only once they are on the disk.
                const bool exported = maintenance::exportProgram(program, target, rawFolders);
                unmount(disk);
                return exported;
            },
            [](bool exported) {
                if (exported)
                    settingshost::rawFramesRemoved();
                showWarnBox(LanStr(exported ? 147 : maintenance::kRowExportFailed));
            });
    });
}

void SystemSettingWidget::SlotUpdateApp()
{
    withDisk(this, [this](const QString& disk) { chooseUpdate(disk); });
}

void SystemSettingWidget::chooseUpdate(const QString& disk)
{
    // Built with the window: making it takes longer than a pass may wait.
    QFileDialog& dialog = *updateDialog;
    dialog.setDirectory(platform::sysPath(disk));
    dialog.selectFile(QString());
    if (runModal(dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.selectedFiles().value(0);
    if (path.size() <= 2)
        return;
    if (!showChooseBox(LanStr(323)))
        return;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString name = parts.isEmpty() ? QString() : parts.last();
    const QString target = maintenance::updateTarget(name);
    if (target.isEmpty()) {
        // Nothing was stopped or held: detection goes on as before.
        const QString why = LanStr(maintenance::kRowUpdateNotAPackage).arg(name);
        host::insertRecord(why);
        showWarnBox(why);
        return;
    }
    installPackage(path, QDir(programFolder()).filePath(target));
}

// Only a complete package may wait for the start-up to unpack it.
void SystemSettingWidget::installPackage(const QString& from, const QString& to)
{
    busyWork<bool>(
        this,
        [from, to] {
            if (!maintenance::copyChecked(from, to))
                return false;
            platform::runCommand(QStringLiteral("sync"), {}, 60000);
            return true;
        },
        [this](bool copied) {
            if (!copied) {
                host::insertRecord(LanStr(maintenance::kRowUpdateCopyFailed));
                showWarnBox(LanStr(maintenance::kRowUpdateCopyFailed));
                return;
            }
            // Only a complete package leads to the restart, and only then is
            // the clamp held for good.
            settingshost::stopWatchdog();
            maintenance::restartSystem(this);
        });
}

void SystemSettingWidget::SlotRestoreFactorySet()
{
    if (!showChooseBox(LanStr(551) + QLatin1Char('?')))
        return;
    const QString archive = QStringLiteral("%1/%2/20clearsh.tar.gz")
                                .arg(QLatin1String(maintenance::kGroupFolder), QLatin1String(maintenance::kFactoryGroup));
    if (!QFileInfo(archive).isFile()) {
        showWarnBox(LanStr(maintenance::kRowFactoryFileMissing));
        return;
    }
    installPackage(QFileInfo(archive).absoluteFilePath(), QDir(programFolder()).filePath(QStringLiteral("newupdate.tar.gz")));
}

// ---- parameter groups ------------------------------------------------------------------

void SystemSettingWidget::ParaGroupUpdateList()
{
    QComboBox* list = advanceParams->groupList;
    const QSignalBlocker quiet(list);
    list->clear();
    const QStringList groups = maintenance::listGroups(groupFolder.path());
    for (int i = 0; i < groups.size(); ++i)
        list->addItem(groups[i], i);
}

void SystemSettingWidget::SlotParaGroupChange(int)
{
    advanceParams->groupName->setText(advanceParams->groupList->currentText());
}

void SystemSettingWidget::SlotParaGroupBackup()
{
    const QString name = advanceParams->groupName->text();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    switch (maintenance::checkGroupName(name)) {
    case maintenance::GroupName::Empty:
        showWarnBox(LanStr(282));
        return;
    case maintenance::GroupName::Invalid:
        showWarnBox(LanStr(maintenance::kRowGroupNameInvalid));
        return;
    case maintenance::GroupName::Reserved:
        showWarnBox(LanStr(maintenance::kRowFactoryGroupProtected));
        return;
    case maintenance::GroupName::Ok:
        break;
    }
    if (!showChooseBox(LanStr(283)))
        return;
    // The group copies the database: edits that did not reach it stop here.
    const ApplyResult applied = applyEdits();
    if (applied == ApplyResult::Refused || applied == ApplyResult::NotSaved)
        return;
    const QString root = groupFolder.path();
    const QString existing = maintenance::existingGroup(maintenance::listGroups(root), name);
    if (!existing.isEmpty() && !showChooseBox(LanStr(284)))
        return;
    const QString program = programFolder();
    const int steps = gDNum;
    busyWork<bool>(
        this, [program, root, name, steps] { return maintenance::backupGroup(program, root, name, steps); },
        [this, name, existing](bool saved) {
            if (!saved) {
                showWarnBox(LanStr(maintenance::kRowGroupBackupFailed));
                return;
            }
            if (existing.isEmpty())
                ParaGroupUpdateList();
            QComboBox* list = advanceParams->groupList;
            const int index =
                list->findText(existing.isEmpty() ? name : existing, Qt::MatchExactly | Qt::MatchCaseSensitive);
            list->setCurrentIndex(index);
            saveGroupIndex(index);
        });
}

void SystemSettingWidget::saveGroupIndex(int index)
{
    if (!gpWPara)
        return;
    const int before = gpWPara->para_group;
    gpWPara->para_group = index;
    if (!gpWPara->SaveAddFile()) {
        gpWPara->para_group = before;
        showWarnBox(LanStr(maintenance::kRowGroupIndexNotSaved));
    }
}

void SystemSettingWidget::SlotParaGroupRestore()
{
    QComboBox* list = advanceParams->groupList;
    if (list->currentIndex() < 0) {
        showWarnBox(LanStr(maintenance::kRowNoGroupChosen));
        return;
    }
    const QString name = list->currentText();
    if (!showChooseBox(LanStr(285)))
        return;
    const QString root = groupFolder.path();
    if (!maintenance::listGroups(root).contains(name)) {
        showWarnBox(LanStr(maintenance::kRowGroupRestoreFailed));
        return;
    }
    auto restore = std::make_shared<maintenance::GroupRestore>(programFolder(), root + QLatin1Char('/') + name, gDNum);
    const int index = list->currentIndex();
    busyWork<bool>(this, [restore] { return restore->stage(); }, [this, restore, name, index](bool staged) {
        if (!staged) {
            showWarnBox(LanStr(maintenance::kRowGroupRestoreFailed));
            return;
        }
        // What is inspected must match the parameters on the disk: from the
        // commit on it would not, until the restart.
        maintenance::haltForRestart();
        busyWork<bool>(this, [restore] { return restore->commit(); }, [this, index, name](bool committed) {
            if (!committed) {
                settingshost::reopenDatabases();
                showWarnBox(LanStr(maintenance::kRowGroupRestoreFailed));
                return;
            }
            settingshost::reopenDatabases();
            host::insertRecord(LanStr(286).arg(name));
            saveGroupIndex(index);
            settingshost::flushAll();
            // The pending edits are not applied: the restored set loads at
            // the next start, and the older records in memory must never be
            // saved over it.
            maintenance::requestRestart(this, false, [](bool restarting) {
                if (!restarting) {
                    holdParamSaves();
                    showWarnBox(LanStr(maintenance::kRowRestoredWaitsForRestart));
                }
            });
        });
    });
}

void SystemSettingWidget::SlotParaGroupDelete()
{
    QComboBox* list = advanceParams->groupList;
    if (list->currentIndex() < 0) {
        showWarnBox(LanStr(maintenance::kRowNoGroupChosen));
        return;
    }
    const QString name = list->currentText();
    if (maintenance::checkGroupName(name) == maintenance::GroupName::Reserved) {
        showWarnBox(LanStr(maintenance::kRowFactoryGroupProtected));
        return;
    }
    if (!showChooseBox(LanStr(287)))
        return;
    if (!maintenance::deleteGroup(groupFolder.path(), name)) {
        showWarnBox(LanStr(maintenance::kRowGroupDeleteFailed));
        return;
    }
    list->removeItem(list->currentIndex());
}

// ---- password, counters, hardware view -----------------------------------------------

void SystemSettingWidget::ChangePwd()
{
    BLineEdit* first = systemFunctions->newPassword;
    BLineEdit* second = systemFunctions->confirmPassword;
    const QString typed = first->text();
    const QString confirmed = second->text();
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (typed.isEmpty() || confirmed.isEmpty()) {
        showWarnBox(LanStr(278));
        return;
    }
    if (typed != confirmed) {
        showWarnBox(LanStr(280));
        return;
    }
    if (!maintenance::passwordStorable(typed)) {
        showWarnBox(LanStr(maintenance::kRowPasswordUnusable));
        return;
    }
    const QByteArray bytes = typed.toLatin1();
    std::memset(gpWParaBak->password, 0, sizeof gpWParaBak->password);
    std::memcpy(gpWParaBak->password, bytes.constData(), size_t(bytes.size()));
    showWarnBox(LanStr(279));
    first->clear();
    second->clear();
}

void SystemSettingWidget::ResetTotal()
{
    settingshost::resetCounters();
    host::insertRecord(LanStr(255));
    gLost = 0;
}

void SystemSettingWidget::SlotShowHardwareConfigurationWidget()
{
    holdEditsForReturn();
    hide();
    settingshost::showHardwareConfiguration();
}

// ---- record viewer -----------------------------------------------------------------------

void SystemSettingWidget::SlotToRecord()
{
    QListWidget* days = systemLog->dayList;
    days->clear();
    days->addItem(platform::now().toString(QStringLiteral("yyyy-MM-dd")));
    QStringList files = QDir(QStringLiteral("./RECORD"))
                            .entryList({QStringLiteral("*.db")}, QDir::Dirs | QDir::Files | QDir::Drives, QDir::Name);
    // A day archived more than once is "date.db", "date_1.db", "date_2.db"...:
    // by date, then by that number, so "_10" comes after "_9".
    auto key = [](const QString& file) {
        const QString name = file.left(file.size() - 3);
        const int bar = name.lastIndexOf(QLatin1Char('_'));
        bool numbered = false;
        const int n = bar > 0 ? name.mid(bar + 1).toInt(&numbered) : 0;
        return numbered ? std::make_pair(name.left(bar), n) : std::make_pair(name, 0);
    };
    std::stable_sort(files.begin(), files.end(), [&](const QString& a, const QString& b) { return key(a) < key(b); });
    for (int i = files.size() - 1; i >= 0; --i)
        days->addItem(files[i].left(files[i].size() - 3));
    days->setCurrentRow(0);
    UpdateRecord(days->item(0));
}

void SystemSettingWidget::UpdateRecord(QListWidgetItem* item)
{
    delete recordModel;
    recordModel = nullptr;
    if (!item)
        return;
    QSqlDatabase db;
    if (systemLog->dayList->currentRow() == 0) {
        db = QSqlDatabase::database(QStringLiteral("dbRecord"), false);
    } else {
        db = QSqlDatabase::database(QLatin1String(kRecordConnection), false);
        db.close();
        const QString path = QStringLiteral("%1//%2.db").arg(QDir(QStringLiteral("./RECORD")).absolutePath(), item->text());
        // A missing archive stays missing (opening would make an empty one),
        // and an archive is only read.
        if (!QFileInfo(path).isFile())
            return;
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            return;
    }
    recordModel = new QSqlTableModel(this, db);
    recordModel->setEditStrategy(QSqlTableModel::OnManualSubmit);
    recordModel->setTable(QStringLiteral("RECORD"));
    recordModel->setSort(0, Qt::DescendingOrder);
    recordModel->select();
    recordModel->setHeaderData(0, Qt::Horizontal, LanStr(288));
    recordModel->setHeaderData(1, Qt::Horizontal, LanStr(289));
    recordModel->setHeaderData(2, Qt::Horizontal, LanStr(290));
    QTableView* table = systemLog->table;
    table->setModel(recordModel);
    table->verticalHeader()->hide();
    table->setColumnWidth(0, 120);
    table->setColumnWidth(1, 125);
    table->setColumnWidth(2, 1330);
    emit pListWClick();
}
