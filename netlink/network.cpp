#include "netlink/network.h"

#include "inspection/paramroi.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "platform/sysroot.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimerEvent>
#include <QVariant>
#include <unistd.h>

CNT_Net* gpNet = nullptr;

namespace {

const char* const kEnableConnection = "isopen";

QString pythonInterpreter()
{
    // The panel's interpreter; other machines have only the generic name.
    if (!QStandardPaths::findExecutable(QStringLiteral("python3.4")).isEmpty())
        return QStringLiteral("python3.4");
    return QStringLiteral("python3");
}

// Stops the client started before, when that process is still the script
// (a process id may have been given to another program meanwhile). Not
// waited for: a kill can take a fifth of a second to start and return.
void stopPreviousClient(qint64 pid)
{
    if (pid <= 0)
        return;
    QFile cmdline(platform::sysPath(QStringLiteral("/proc/%1/cmdline").arg(pid)));
    if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains("runNetClient.py"))
        return;
    if (!platform::CommandRunner::instance().startDetached(QStringLiteral("kill"), {QString::number(pid)}))
        qWarning() << "reporting link: the previous client script could not be stopped";
}

// What the parameter record and the region store tell the link once saved.
void onParamsSaved(const WizardPara&)
{
    if (gpNet && gpNet->canSend())
        gpNet->CNT_SendParam();
}

void onRegionsSaved(int camera, int step)
{
    if (gpNet && gpNet->canSend())
        gpNet->CNT_SendROIParam(camera, step);
}

void onTemplatePicture(const QString& path)
{
    if (gpNet && gpNet->canSend())
        gpNet->CNT_SendTempPic(path);
}

void onTemplateDeleted(int cameraNumber, int stepNumber, const QString& name)
{
    if (gpNet && gpNet->canSend())
        gpNet->CNT_SendDelTempPic(cameraNumber, stepNumber, name);
}

} // namespace

CNT_Net::CNT_Net(QObject* parent, quint16 port) : QTcpServer(parent)
{
    systemCard.interfaceTable = getNewNetCardInfo();
    systemCard.hostName = getNetHostName();
    systemCard.macTable = getNetMac();
    // An apply before the network pages edited anything finds no change.
    editCard = systemCard;
    switches_.fill(false);
    restartTimer_ = new QTimer(this);
    restartTimer_->setSingleShot(true);
    connect(restartTimer_, &QTimer::timeout, this, &CNT_Net::startClientScriptNow);

    if (!readEnabled())
        return; // nothing listens, no timer runs, every sender returns at once

    QDir().mkpath(QLatin1String(kDataDir));
    QFile::remove(QStringLiteral("./cnt_net/chknettimes"));
    if (!listen(QHostAddress::LocalHost, port))
        qWarning().noquote() << QStringLiteral("reporting link: cannot listen on 127.0.0.1 port %1: %2")
                                    .arg(port)
                                    .arg(errorString());

    sendThread = new CNT_Thread(this);
    sendThread->start();
    lastHeart = platform::now();
    timerNames.insert(startTimer(int(kHeartbeatPeriodMs), Qt::CoarseTimer), QStringLiteral("heart_timer"));

    InitManualStop();
    InitStatistics();
    setParamSavedHook(onParamsSaved);
    setRegionParamHook(onRegionsSaved);
    setTempPicHook(onTemplatePicture);
    setDelTempPicHook(onTemplateDeleted);

    netEnabled = true;
    getWhichSend();
}

CNT_Net::~CNT_Net()
{
    close();
    CNT_FreeShareMemory();
    if (sendThread) {
        sendThread->shutdown();
        delete sendThread;
        sendThread = nullptr;
    }
    if (gpNet == this)
        gpNet = nullptr;
}

bool CNT_Net::readEnabled() const
{
    // Opened read-only, so a missing database is not created empty.
    if (!QFileInfo::exists(QStringLiteral("PARAM.db")))
        return false;
    bool on = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kEnableConnection));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (q.exec(QStringLiteral("select value from sysparam where name='CntNet'")) && q.next()) {
                const QStringList values = q.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
                bool ok = false;
                const int first = values.isEmpty() ? 0 : values.first().toInt(&ok);
                on = ok && first != 0;
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(kEnableConnection));
    return on;
}

bool CNT_Net::isEnabled() const { return gpWPara && gpWPara->cntnet_enable && netEnabled; }

bool CNT_Net::canSend() const { return isEnabled() && clientAlive.load(); }

// ---- switch file ------------------------------------------------------------------

void CNT_Net::getWhichSend()
{
    QFile f(QString::fromLatin1(kSwitchFile));
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly))
        bytes = f.readAll();
    const auto on = linkframe::parseSendSwitch(bytes);
    for (int k = 0; k < linkframe::kKinds; ++k)
        switches_[size_t(k)] = on[size_t(k)];
}

bool CNT_Net::sendSwitch(int kind) const
{
    return netEnabled && kind >= 0 && kind < linkframe::kKinds && switches_[size_t(kind)];
}

// ---- queue ------------------------------------------------------------------------

bool CNT_Net::enqueueFrame(int kind, const QByteArray& body)
{
    if (!sendSwitch(kind))
        return false;
    sendQueue.push(kind, linkframe::makeFrame(kind, body));
    StartSend();
    return true;
}

void CNT_Net::StartSend()
{
    if (sendThread)
        sendThread->kick();
}

// ---- connections and replies ----------------------------------------------------

void CNT_Net::incomingConnection(qintptr descriptor)
{
    if (!sendThread) {
        ::close(int(descriptor));
        return;
    }
    if (connection_ != 0)
        releaseFrameHolds(); // the connection taken over will not announce its end
    connection_ = ++connections_;
    clientAlive = true;
    lastHeart = platform::now();
    sendThread->attach(descriptor, connection_);
    // Also when this connection takes over one that has not announced its end.
    memInfoSent = false;
    if (gpWPara && gpWPara->video_type != 0)
        CNT_SendMemoryInfo();
    StartSend(); // frames queued while no client was attached go out now
}

void CNT_Net::SlotDisConnetced(quint64 connection)
{
    if (connection == 0 || connection != connection_)
        return; // an older connection, already replaced
    connection_ = 0;
    clientAlive = false;
    memInfoSent = false; // the next client gets the description again
    releaseFrameHolds();
}

void CNT_Net::releaseFrameHolds()
{
    for (const VideoShareInfo& v : videoShares)
        if (v.sem)
            v.sem->retInitPV(); // a hold the client may have left
}

void CNT_Net::ParsingBackBuf(quint64 connection, const linkframe::Reply& reply)
{
    if (connection == 0 || connection != connection_)
        return;
    switch (reply.kind) {
    case linkframe::ReplyKind::Heartbeat:
        clientAlive = true;
        lastHeart = platform::now();
        StartSend();
        break;
    case linkframe::ReplyKind::Restart:
        clientAlive = false;
        if (isEnabled())
            CNT_ReStart();
        lastHeart = platform::now();
        break;
    case linkframe::ReplyKind::Session:
        if (reply.sessionId == linkframe::kSessionProducts && productListReceiver)
            productListReceiver(QString::fromUtf8(reply.body));
        else if (reply.sessionId == linkframe::kSessionReminders && remindListReceiver)
            remindListReceiver(QString::fromUtf8(reply.body));
        break;
    default:
        break;
    }
}

// ---- heartbeat and the client script --------------------------------------------

void CNT_Net::heartbeatTick()
{
    const qint64 now = platform::now().toMSecsSinceEpoch();
    // Alive only with a client attached: a fresh time alone says nothing.
    if (now - lastHeart.toMSecsSinceEpoch() <= kHeartbeatFreshMs && connection_ != 0) {
        clientAlive = true;
    } else {
        clientAlive = false;
        if (isEnabled())
            CNT_ReStart();
    }
    lastHeart = platform::now();
    if (clientAlive)
        StartSend();
}

void CNT_Net::timerEvent(QTimerEvent* event)
{
    const QString name = timerNames.value(event->timerId());
    if (name == QLatin1String("heart_timer"))
        heartbeatTick();
    else if (name == QLatin1String("send_timer"))
        frameTick();
}

qint64 CNT_Net::clientScriptPid() { return gpNet ? gpNet->clientPid_ : 0; }

void CNT_Net::CNT_ReStart()
{
    if (gpNet)
        gpNet->restartClientScript();
}

bool CNT_Net::restartDeferred() const { return restartTimer_->isActive(); }

void CNT_Net::restartClientScript()
{
    if (!QFileInfo::exists(QLatin1String(kClientScript)))
        return;
    const qint64 since = platform::Clock::instance().monotonicMs() - lastScriptStartMs_;
    if (lastScriptStartMs_ >= 0 && since < restartGapMs) {
        // Requests within the gap become one start at its end.
        if (!restartTimer_->isActive())
            restartTimer_->start(int(restartGapMs - since));
        return;
    }
    startClientScriptNow();
}

void CNT_Net::startClientScriptNow()
{
    restartTimer_->stop();
    if (!QFileInfo::exists(QLatin1String(kClientScript)))
        return;
    lastScriptStartMs_ = platform::Clock::instance().monotonicMs();
    stopPreviousClient(clientPid_);
    qint64 pid = 0;
    if (!platform::CommandRunner::instance().startTracked(pythonInterpreter(), {QLatin1String(kClientScript)},
                                                          QDir::currentPath(), &pid))
        qWarning() << "reporting link: the client script could not be started";
    clientPid_ = pid;
}
