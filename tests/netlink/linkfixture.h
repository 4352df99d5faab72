#pragma once
// A reporting link enabled by a real "PARAM.db" in a temporary program
// folder, listening on a free loopback port, with stand-in clients and a
// recorder of the warnings it logs.
#include "netlink/network.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "standinclient.h"
#include "testenv.h"

#include <QStringList>
#include <QtTest/QTest>
#include <memory>

namespace linktest {

inline QStringList& warnings()
{
    static QStringList list;
    return list;
}

inline void recordWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings() << text;
}

} // namespace linktest

class LinkTest : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        linktest::warnings().clear();
        previousHandler_ = qInstallMessageHandler(linktest::recordWarnings);
        para = FactoryParams();
        para.cntnet_enable = 1;
        para.video_type = 0;
    }
    void TearDown() override
    {
        clients.clear();
        link.reset();
        delete gpWPara;
        gpWPara = nullptr;
        qInstallMessageHandler(previousHandler_);
        InTempFolder::TearDown();
    }

    // Writes "PARAM.db" from para and makes the link (on a free port).
    void makeLink(quint16 port = 0)
    {
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        delete gpWPara;
        gpWPara = new WizardPara(para);
        link = std::make_unique<CNT_Net>(nullptr, port);
        gpNet = link.get();
        link->ackTimeoutMs = ackMs;
    }

    StandInClient& connectClient(bool autoAck = true)
    {
        clients.push_back(std::make_unique<StandInClient>(link->serverPort()));
        StandInClient& c = *clients.back();
        c.setAutoAck(autoAck);
        EXPECT_TRUE(c.connectToServer());
        const quint64 before = link->currentConnection();
        EXPECT_TRUE(QTest::qWaitFor([&] { return link->currentConnection() != before && link->clientAlive; }, 3000));
        return c;
    }

    static bool waitFor(const std::function<bool()>& done, int ms = 5000) { return QTest::qWaitFor(done, ms); }

    WizardPara para;
    std::unique_ptr<CNT_Net> link;
    std::vector<std::unique_ptr<StandInClient>> clients;
    int ackMs = 300;

private:
    QtMessageHandler previousHandler_ = nullptr;
};
