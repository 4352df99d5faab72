#include "settings/othernetworkswidget.h"

#include "netlink/network.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/sysroot.h"
#include "settings/linkrequests.h"
#include "settings/netconfig.h"
#include "widgets/bmessagebox.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"
#include "widgets/msgbox.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVBoxLayout>

namespace othernetworks {

const char* const kServerKeys[4] = {"serverip_info", "serverip_file", "serverport_info", "serverport_file"};

namespace {

const char* const kConnection = "sysconf";

// Opens the file (never creating it) on a connection of its own; runs `work`
// and closes again.
bool withDatabase(const QString& file, bool readOnly, const std::function<bool(QSqlDatabase&)>& work)
{
    if (!QFileInfo::exists(file))
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
        db.setDatabaseName(file);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            ok = work(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
    return ok;
}

bool selectValue(QSqlDatabase& db, const char* key, QString* value, bool* found)
{
    QSqlQuery q(db);
    q.prepare(QString::fromUtf8("select 值 from info_sysconf where 信息名称=?"));
    q.addBindValue(QLatin1String(key));
    if (!q.exec())
        return false;
    *found = q.next();
    if (*found)
        *value = q.value(0).toString();
    return true;
}

} // namespace

bool readServers(const QString& file, QMap<QString, QString>* values)
{
    return withDatabase(file, true, [values](QSqlDatabase& db) {
        for (const char* key : kServerKeys) {
            QString value;
            bool found = false;
            if (!selectValue(db, key, &value, &found)) {
                qWarning().noquote() << "server settings not read:" << db.lastError().text();
                return false;
            }
            if (found)
                values->insert(QLatin1String(key), value);
        }
        return true;
    });
}

bool writeServers(const QString& file, const QMap<QString, QString>& values)
{
    return withDatabase(file, false, [&values](QSqlDatabase& db) {
        if (!db.transaction())
            return false;
        for (const char* key : kServerKeys) {
            QString old;
            bool found = false;
            if (!selectValue(db, key, &old, &found)) {
                db.rollback();
                return false;
            }
            if (!found || !values.contains(QLatin1String(key)))
                continue; // the page never makes a row
            QSqlQuery q(db);
            q.prepare(QString::fromUtf8("update info_sysconf set 值=? where 信息名称=?"));
            q.addBindValue(values.value(QLatin1String(key)));
            q.addBindValue(QLatin1String(key));
            if (!q.exec()) {
                qWarning().noquote() << "server settings:" << q.lastError().text();
                db.rollback();
                return false;
            }
        }
        return db.commit();
    });
}

QMap<QString, qint64> receivedBytes(const QByteArray& procNetDev)
{
    QMap<QString, qint64> bytes;
    const QByteArray plain(procNetDev.constData(), int(qstrnlen(procNetDev.constData(), uint(procNetDev.size()))));
    static const QRegularExpression entry(QStringLiteral("\\s+(\\S+):\\s+(\\d+)"));
    auto it = entry.globalMatch(QString::fromLatin1(plain));
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(1) != QLatin1String("lo"))
            bytes.insert(m.captured(1), m.captured(2).toLongLong());
    }
    return bytes;
}

} // namespace othernetworks

using namespace othernetworks;

namespace {

constexpr int kRowWifiNotWritten = 1208;
constexpr int kRowServerNotWritten = 1209;
constexpr int kRowServerDbMissing = 1770;
constexpr int kRowServersNotRead = 1771;
constexpr int kRowQuestionTitle = 911;
// Keypad titles: examples of what the fields take.
const char* const kExampleServer = "192.168.1.200";
const char* const kExamplePort = "8000";

QByteArray fieldLatin1(const QString& text) { return text.toLatin1().left(WizardPara::TextLen - 1); }

QByteArray readSystemFile(const char* path)
{
    QFile f(platform::sysPath(QLatin1String(path)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

OtherNetworksWidget::OtherNetworksWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#656263;}QPushButton {font-size:22px;color:#656263;}"));
    auto caption = [this](int row, bool wide = true) {
        auto* l = new QLabel(LanStr(row), this);
        if (wide)
            l->setMinimumWidth(130);
        return l;
    };
    auto field = [this](KeyboardType type, const char* title = "") {
        auto* f = new BLineEdit(this, QString::fromLatin1(title), QString(), type);
        f->setFixedWidth(300);
        return f;
    };
    smsBox = new CheckBox(this);
    techField = field(KeyboardFull);
    phoneField = field(KeyboardDigital);
    ngVideoBox = new CheckBox(this);
    wifiNameField = field(KeyboardFull);
    wifiKeyField = field(KeyboardDigital);
    wifiButton = new QPushButton(LanStr(444), this);
    wifiButton->setFixedHeight(50);
    wifiButton->setMinimumWidth(200); // wider for a longer caption
    infoServerField = field(KeyboardDigital, kExampleServer);
    infoPortField = field(KeyboardDigital, kExamplePort);
    fileServerField = field(KeyboardDigital, kExampleServer);
    filePortField = field(KeyboardDigital, kExamplePort);
    serverButton = new QPushButton(LanStr(453), this);
    serverButton->setFixedHeight(50);
    serverButton->setMinimumWidth(200); // wider for a longer caption

    auto row = [](std::initializer_list<QWidget*> widgets, int spacing) {
        auto* h = new QHBoxLayout;
        h->setSpacing(spacing);
        for (QWidget* w : widgets)
            h->addWidget(w);
        h->addStretch();
        return h;
    };
    auto* v = new QVBoxLayout(this);
    v->setSpacing(30);
    v->setContentsMargins(100, 50, 0, 50);
    v->addLayout(row({caption(429, false), smsBox}, 6));
    v->addLayout(row({caption(427), techField, caption(428), phoneField}, 40));
    v->addLayout(row({caption(430, false), ngVideoBox}, 6));
    v->addLayout(row({caption(445), wifiNameField, caption(446), wifiKeyField, wifiButton}, 40));
    v->addLayout(row({caption(450), infoServerField, caption(452), infoPortField}, 40));
    v->addLayout(row({caption(451), fileServerField, caption(452), filePortField, serverButton}, 40));
    v->addStretch();

    trafficTimer = new QTimer(this);
    connect(trafficTimer, &QTimer::timeout, this, &OtherNetworksWidget::SlotTimerChk);
    connect(wifiButton, &QPushButton::clicked, this, &OtherNetworksWidget::SlotUpdateWifi);
    connect(serverButton, &QPushButton::clicked, this, &OtherNetworksWidget::SlotUpdateServer);
}

BLineEdit* OtherNetworksWidget::serverField(int i) const
{
    BLineEdit* const fields[4] = {infoServerField, fileServerField, infoPortField, filePortField};
    return fields[i];
}

void OtherNetworksWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    const WizardPara& p = *gpWParaBak;
    smsBox->setChecked(p.alarm_sms != 0);
    techField->setText(QString::fromLatin1(p.CntNet_MsgTechName));
    phoneField->setText(QString::fromLatin1(p.CntNet_MsgTechNum));
    ngVideoBox->setChecked(p.record_ng_video != 0);
}

void OtherNetworksWidget::accept()
{
    if (gpWParaBak) {
        WizardPara& p = *gpWParaBak;
        p.alarm_sms = smsBox->isChecked() ? 1 : 0;
        setParamText(p.CntNet_MsgTechName, fieldLatin1(techField->text()));
        setParamText(p.CntNet_MsgTechNum, fieldLatin1(phoneField->text()));
        p.record_ng_video = ngVideoBox->isChecked() ? 1 : 0;
    }
    trafficTimer->stop();
}

void OtherNetworksWidget::showEvent(QShowEvent* event)
{
    SlotWifi();
    SlotServer();
    BWidget::showEvent(event);
}

void OtherNetworksWidget::SlotWifi()
{
    const auto stored = netconfig::parseWifi(readSystemFile(netconfig::kSystemWifi));
    if (!stored.first.isEmpty())
        wifiNameField->setText(stored.first);
    if (!stored.second.isEmpty())
        wifiKeyField->setText(stored.second);
}

void OtherNetworksWidget::SlotUpdateWifi()
{
    const QString name = wifiNameField->text();
    const QString key = wifiKeyField->text();
    const QString problem = netconfig::checkWifi(name, key);
    if (!problem.isEmpty()) {
        showWarnBox(problem);
        return;
    }
    if (!showChooseBox(LanStr(448)))
        return;
    const QByteArray text = netconfig::wifiText(name, key);
    // The system's copy is replaced only by a file that was written whole.
    if (!netconfig::writeFileAtomically(QLatin1String(netconfig::kStagedWifi), text)
        || !netconfig::writeFileAtomically(platform::sysPath(QLatin1String(netconfig::kSystemWifi)), text))
        showWarnBox(LanStr(kRowWifiNotWritten));
}

void OtherNetworksWidget::SlotServer()
{
    QMap<QString, QString> values;
    serversRead_ = readServers(QLatin1String(kServerDb), &values);
    if (!serversRead_) {
        // A missing database is the normal case without a management system.
        if (QFileInfo::exists(QLatin1String(kServerDb)))
            QMetaObject::invokeMethod(
                this, [] { showWarnBox(LanStr(kRowServersNotRead)); }, Qt::QueuedConnection);
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (values.contains(QLatin1String(kServerKeys[i])))
            serverField(i)->setText(values.value(QLatin1String(kServerKeys[i])));
}

void OtherNetworksWidget::SlotUpdateServer()
{
    if (!showChooseBox(LanStr(454)))
        return;
    if (!QFileInfo::exists(QLatin1String(kServerDb))) {
        showWarnBox(LanStr(kRowServerDbMissing));
        return;
    }
    if (!serversRead_) {
        showWarnBox(LanStr(kRowServersNotRead));
        return;
    }
    QMap<QString, QString> values;
    for (int i = 0; i < 4; ++i)
        values.insert(QLatin1String(kServerKeys[i]), serverField(i)->text());
    if (!writeServers(QLatin1String(kServerDb), values)) {
        showWarnBox(LanStr(kRowServerNotWritten));
        return;
    }
    // The next apply step restarts the client, which reads the new servers.
    if (gpNet)
        gpNet->serverChanged = true;
}

void OtherNetworksWidget::SlotGetRemindList() { linkrequests::askReminders(); }

void OtherNetworksWidget::SlotGetProductName() { linkrequests::askProducts(); }

void OtherNetworksWidget::SlotResetStatistics()
{
    BMessageBox box(LanStr(kRowQuestionTitle), LanStr(447), BMessageBox::Yes | BMessageBox::No,
                    BMessageBoxIcon::Question);
    if (runModal(box) == QDialog::Accepted)
        linkrequests::resetStatistics();
}

void OtherNetworksWidget::SlotCloseWgt() { trafficTimer->stop(); }

void OtherNetworksWidget::SlotStartChk()
{
    trafficBytes.clear();
    trafficGrew.clear();
    trafficTimer->start(8000);
    trafficBytes = receivedBytes(readSystemFile("/proc/net/dev"));
    update();
}

void OtherNetworksWidget::SlotTimerChk()
{
    trafficGrew.clear();
    const QMap<QString, qint64> now = receivedBytes(readSystemFile("/proc/net/dev"));
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (trafficBytes.contains(it.key()))
            trafficGrew.insert(it.key(), it.value() - trafficBytes.value(it.key()) >= 1);
        trafficBytes.insert(it.key(), it.value());
    }
    update();
}
