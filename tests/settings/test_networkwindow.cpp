// The network side of the settings window on the real main window with a
// reporting link: opened by the settings command, left through "Exit
// setup"; typed entries refused before anything is staged, changes staged,
// installed under the test's system root and the client restarted; a
// Chinese product name kept byte for byte; reminders from a real client on
// 127.0.0.1; screenshots of the pages.
#include "pagefixture.h"
#include "settingsfixture.h"

#include "netlink/network.h"
#include "settings/deviceparamswidget.h"
#include "settings/memorandumwidget.h"
#include "settings/netconfig.h"
#include "settings/networkparamswidget.h"
#include "settings/othernetworkswidget.h"
#include "standinclient.h"
#include "widgets/keyboards.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QTest>

namespace {

using settingstest::fileBytes;
using settingstest::putFile;

const QByteArray kInterfaces = "auto lo\niface lo inet loopback\n\n"
                               "auto eth0\niface eth0 inet static\naddress 192.168.1.100\nnetmask 255.255.255.0\n"
                               "gateway 192.168.1.1\n";
const QByteArray kHosts = "127.0.0.1\tlocalhost\n127.0.1.1\tpress07\n\n# IPv6\n::1 localhost ip6-localhost\n";

} // namespace

class NetworkWindow : public SettingsWindow {
protected:
    void TearDown() override
    {
        client.reset();
        SettingsWindow::TearDown();
        delete gpNet;
        gpNet = nullptr;
        for (const char* d : {"/etc", "/proc", "/sys"})
            QDir(platform::sysPath(QLatin1String(d))).removeRecursively();
    }
    // The link before the window, as the start-up makes it; with the network
    // switch on it listens on a free port.
    void startWithLink(int lan = 1)
    {
        putFile(platform::sysPath("/etc/network/interfaces"), kInterfaces);
        putFile(platform::sysPath("/etc/hosts"), kHosts);
        putFile(platform::sysPath("/etc/hostname"), "press07\n");
        putFile(platform::sysPath("/proc/net/dev"), "Inter-|\n face |\n    lo: 1 0\n  eth0: 2 0\n");
        putFile(platform::sysPath("/sys/class/net/eth0/address"), "00:11:22:33:44:55\n");
        putFile("cnt_net/runNetClient.py", "# the client script\n");
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        gpNet = new CNT_Net(nullptr, 0);
        gpNet->systemCard.hostName = "press07"; // not this machine's name
        startShown(lan);
    }
    // The settings command of the option bar.
    void openByCommand()
    {
        window->OptBtnsToggledSlot(OptionBar::Settings, true);
        ASSERT_TRUE(settings().isVisible());
        boxes.clear();
        testenv::commands().clear();
    }
    NetworkParamsWidget& networkPage() { return *settings().networkParams; }
    static void type(BLineEdit* field, const QString& text) { settingstest::typeOnKeypad(field, text); }
    QStringList restarts()
    {
        QStringList lines;
        for (const auto& c : testenv::commands().calls())
            if (c.detached && c.args.contains("./cnt_net/runNetClient.py"))
                lines << c.line();
        return lines;
    }

    std::unique_ptr<StandInClient> client;
};

TEST_F(NetworkWindow, TypedEntriesAreRefusedThenStagedAndInstalled)
{
    para.cntnet_enable = 0;
    startWithLink();
    openByCommand();
    settings().changeWidget(5);
    ASSERT_EQ(networkPage().cardSelector->currentText(), "eth0");
    EXPECT_EQ(gpNet->editCard, gpNet->systemCard) << "the command opened on a copy of the network in force";

    // A gateway outside the network is refused before anything is written.
    type(networkPage().gatewayField, "192.168.7.1");
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(1203, 1).arg("eth0"))) << boxes[0].toStdString();
    EXPECT_TRUE(settingsShown()) << "the window stays for the entry to be mended";
    EXPECT_FALSE(QFile::exists("cnt_net/ls_interfaces"));
    EXPECT_EQ(fileBytes(platform::sysPath("/etc/network/interfaces")), kInterfaces);
    EXPECT_TRUE(restarts().isEmpty());

    boxes.clear();
    type(networkPage().gatewayField, "192.168.1.254");
    type(networkPage().deviceField, "1207");
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(234, 1)));
    EXPECT_FALSE(settingsShown());
    QByteArray expected = kInterfaces;
    expected.replace("gateway 192.168.1.1\n", "gateway 192.168.1.254\n");
    EXPECT_EQ(fileBytes(platform::sysPath("/etc/network/interfaces")), expected) << "only the gateway line changed";
    EXPECT_EQ(fileBytes(platform::sysPath("/etc/hostname")), "1207");
    EXPECT_EQ(fileBytes(platform::sysPath("/etc/hosts")).toStdString(),
              "127.0.1.1\t1207\n127.0.0.1\t1207\n\n\n127.0.0.1\tlocalhost\n\n# IPv6\n::1 localhost ip6-localhost\n");
    EXPECT_EQ(fileBytes("cnt_net/registermac.txt"), "00:11:22:33:44:55=192.168.1.100;255.255.255.0;192.168.1.254\n");
    EXPECT_EQ(restarts().size(), 1);
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][2], "192.168.1.254");
    EXPECT_EQ(gpNet->systemCard.hostName, "press07") << "with the link off the name in force waits for the start";
    EXPECT_EQ(records().last(), LanStr(235, 1)) << "the network set has no phrase of its own";

    // Nothing changed: nothing asked, nothing installed, no restart.
    testenv::commands().clear();
    openByCommand();
    exitSetup();
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(restarts().isEmpty());
}

TEST_F(NetworkWindow, AFailedInstallIsTriedAgainAtTheNextConfirm)
{
    para.cntnet_enable = 0;
    startWithLink();
    // The system file cannot be replaced: a folder with something in it stands there.
    const QString system = platform::sysPath("/etc/network/interfaces");
    QFile::remove(system);
    putFile(system + "/in-the-way", "x");
    openByCommand();
    type(networkPage().addressField, "192.168.1.77");
    exitSetup();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].contains(LanStr(1207, 1).arg("/etc/network/interfaces"))) << boxes[1].toStdString();
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][0], "192.168.1.100") << "the set in force is the old one";

    // The next opening shows what is in force; the same entry confirmed
    // again is installed this time.
    QDir(system).removeRecursively();
    putFile(system, kInterfaces);
    openByCommand();
    EXPECT_EQ(networkPage().addressField->text(), "192.168.1.100");
    type(networkPage().addressField, "192.168.1.77");
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(234, 1))) << "asked again";
    EXPECT_TRUE(fileBytes(system).contains("192.168.1.77"));
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][0], "192.168.1.77");
}

TEST_F(NetworkWindow, DecliningThrowsTheNetworkEditsAway)
{
    startWithLink();
    openByCommand();
    type(networkPage().addressField, "192.168.1.77");
    answer = QDialog::Rejected;
    exitSetup();
    EXPECT_EQ(gpNet->editCard, gpNet->systemCard);
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][0], "192.168.1.100");
    EXPECT_FALSE(QFile::exists("cnt_net/ls_interfaces"));
}

TEST_F(NetworkWindow, NothingIsInstalledFromARefusedSave)
{
    startWithLink();
    openByCommand();
    type(networkPage().gatewayField, "192.168.1.254");
    refuseParamWrites(true);
    exitSetup();
    EXPECT_TRUE(settingsShown());
    EXPECT_EQ(fileBytes(platform::sysPath("/etc/network/interfaces")), kInterfaces);
    EXPECT_FALSE(QFile::exists("cnt_net/ls_interfaces"));
    EXPECT_TRUE(restarts().isEmpty());
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][2], "192.168.1.1");
    EXPECT_EQ(gpNet->editCard.interfaceTable["eth0"][2], "192.168.1.254") << "the edit is kept";

    refuseParamWrites(false);
    exitSetup();
    EXPECT_FALSE(settingsShown());
    EXPECT_EQ(gpNet->systemCard.interfaceTable["eth0"][2], "192.168.1.254");
    EXPECT_EQ(restarts().size(), 1);
}

TEST_F(NetworkWindow, ChineseProductNameSurvivesOpenAndApply)
{
    const QByteArray product = QString::fromUtf8("注塑件A-瓶盖").toUtf8();
    const QByteArray worker = QString::fromUtf8("李工").toUtf8();
    setParamText(para.CntNet_ProName, product);
    setParamText(para.CntNet_Operator, worker);
    startWithLink();
    ASSERT_EQ(QByteArray(gpWPara->CntNet_ProName), product);
    openByCommand();
    EXPECT_EQ(settings().deviceParams->productList->currentText(), QString::fromUtf8(product));
    exitSetup();
    EXPECT_TRUE(boxes.isEmpty()) << "the name came back unchanged, so nothing differs";

    openByCommand();
    edit([](WizardPara& p) { p.minimum_area = 321; });
    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(QByteArray(gpWPara->CntNet_ProName), product);
    EXPECT_EQ(QByteArray(gpWPara->CntNet_Operator), worker);
    EXPECT_EQ(paramValue("CntNet_ProName"), QString::fromUtf8(product));
    EXPECT_EQ(paramValue("CntNet_Operator"), QString::fromUtf8(worker));
}

TEST_F(NetworkWindow, RemindersComeFromTheClientWhenTheTabIsChosen)
{
    para.cntnet_enable = 1;
    para.video_type = 0;
    startWithLink();
    ASSERT_TRUE(gpNet->netEnabled);
    client = std::make_unique<StandInClient>(gpNet->serverPort());
    ASSERT_TRUE(client->connectToServer());
    ASSERT_TRUE(QTest::qWaitFor([] { return gpNet->clientAlive.load(); }, 3000));
    openByCommand();

    QTest::mousePress(settings().tabButtons()[8], Qt::LeftButton); // "memorandum"
    QTest::mouseRelease(settings().tabButtons()[8], Qt::LeftButton);
    // Other records (a journal line of the opening) may come first.
    auto reminderAsk = [&] {
        for (const auto& f : client->frames())
            if (f.kind == 17)
                return f.body;
        return QByteArray("<none>");
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return reminderAsk() != "<none>"; }, 3000));
    EXPECT_TRUE(reminderAsk().isEmpty());

    client->send(QString::fromUtf8("SessionId:17\r\n\r\n"
                                   R"({"result":[{"operator":"李工","create_utc":0,"notify_utc":0,"duration":45,"reminder_name":"换模"}]})")
                     .toUtf8());
    MemorandumWidget& page = *settings().memorandum;
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.model->rowCount() == 1; }, 3000));
    EXPECT_EQ(page.model->item(0, 0)->text(), QString::fromUtf8("李工"));
    EXPECT_EQ(page.model->item(0, 3)->text(), "45");
    EXPECT_EQ(page.model->item(0, 4)->text(), QString::fromUtf8("换模"));

    // The product list the same way, on the device page.
    client->clearFrames();
    QTest::mouseClick(settings().tabButtons()[2], Qt::LeftButton); // "Device parameters"
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->frameCount() > 0; }, 3000));
    EXPECT_EQ(client->frames().last().kind, 14);
    client->send(R"(SessionId:14)" "\r\n\r\n" R"({"result":[{"product_name":"Cap"}]})");
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings().deviceParams->productList->count() == 2; }, 3000));
    EXPECT_EQ(settings().deviceParams->productList->itemText(1), "Cap");
}

TEST_F(NetworkWindow, Screenshots)
{
    const QString dir = settingstest::shotDir();
    for (int lan : {1, 0}) {
        para.cntnet_enable = 1;
        setParamText(para.CntNet_ProName, QString::fromUtf8("注塑件A").toUtf8());
        setParamText(para.CntNet_Operator, "Li");
        setParamText(para.CntNet_MsgTechName, "Wang");
        setParamText(para.CntNet_MsgTechNum, "13800000000");
        startWithLink(lan);
        putFile(platform::sysPath(netconfig::kSystemWifi), netconfig::wifiText("Plant-WLAN", "12345678"));
        openByCommand();
        networkPage().pingResultText = LanStr(420) + "," + LanStr(423) + "," + LanStr(440);
        networkPage().resultLabel->setText(networkPage().pingResultText);
        const std::pair<int, const char*> pages[] = {{2, "device"}, {5, "network"}, {6, "othernetworks"},
                                                      {8, "memorandum"}};
        if (gpNet->remindListReceiver) {
            settings().changeWidget(8);
            gpNet->remindListReceiver(
                QString::fromUtf8(R"({"result":[{"operator":"李工","create_utc":1700000000000,"notify_utc":1700003600000,"duration":30,"reminder_name":"换模具"},)"
                                  R"({"operator":"Wang","create_utc":1700000000000,"notify_utc":1700086400000,"duration":15,"reminder_name":"Clean the vents"}]})"));
        }
        for (const auto& [index, name] : pages) {
            settings().changeWidget(index);
            QCoreApplication::processEvents();
            EXPECT_TRUE(window->grab().save(dir + QString("/%1-%2.png").arg(name, lan == 0 ? "zh" : "en")));
        }
        exitSetup();
        nextCase();
        delete gpNet;
        gpNet = nullptr;
    }
}
