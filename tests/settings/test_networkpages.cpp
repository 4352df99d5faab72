// The network, other-networks, device and memorandum pages over a reporting
// link whose network set is read from fixture files under the test's
// system root: what each control shows and stores, the Wi-Fi file and the
// server database, the product and reminder replies.
#include "netlink/network.h"
#include "pagefixture.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/sysroot.h"
#include "settings/deviceparamswidget.h"
#include "settings/memorandumwidget.h"
#include "settings/netconfig.h"
#include "settings/networkparamswidget.h"
#include "settings/othernetworkswidget.h"
#include "testenv.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QVariant>
#include <atomic>
#include <memory>

namespace {

using settingstest::fileBytes;
using settingstest::putFile;
using settingstest::shotDir;

const QByteArray kInterfaces = "auto lo\niface lo inet loopback\n\n"
                               "auto eth0\niface eth0 inet static\naddress 192.168.1.100\nnetmask 255.255.255.0\n"
                               "gateway 192.168.1.1\n\n"
                               "auto eth1\niface eth1 inet static\naddress 10.0.5.20\nnetmask 255.255.0.0\n"
                               "gateway 10.0.0.1\n";
const QByteArray kProcNetDev = "Inter-|   Receive\n face |bytes    packets\n"
                               "    lo:    1000      10    0\n"
                               "  eth0:    2000      20    0\n"
                               "  eth1:       0       0    0\n"
                               " wlan0:     512       4    0\n";

} // namespace

class NetworkPages : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        Data_Init();
        gLan = 1;
        live = FactoryParams();
        edit = live;
        gpWPara = &live;
        gpWParaBak = &edit;
        setModalRunner([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return answer;
        });
    }
    void TearDown() override
    {
        link.reset();
        gpNet = nullptr;
        gpWPara = gpWParaBak = nullptr;
        setModalRunner(nullptr);
        platform::CommandRunner::setInstance(&testenv::commands());
        for (const char* d : {"/etc", "/proc", "/sys"})
            QDir(platform::sysPath(QLatin1String(d))).removeRecursively();
        gLan = 0;
        InTempFolder::TearDown();
    }
    // The link reads the fixture's network (it does not listen: no PARAM.db).
    void makeLink(bool withInterfaces = true)
    {
        if (withInterfaces)
            putFile(platform::sysPath("/etc/network/interfaces"), kInterfaces);
        putFile(platform::sysPath("/proc/net/dev"), kProcNetDev);
        putFile(platform::sysPath("/sys/class/net/eth0/address"), "00:11:22:33:44:55\n");
        putFile(platform::sysPath("/sys/class/net/eth1/address"), "00:11:22:33:44:66\n");
        putFile(platform::sysPath("/sys/class/net/wlan0/address"), "00:11:22:33:44:77\n");
        link = std::make_unique<CNT_Net>(nullptr, 0);
        gpNet = link.get();
        link->editCard = link->systemCard;
    }
    static void type(BLineEdit* field, const QString& text) { settingstest::typeOnKeypad(field, text); }

    WizardPara live;
    WizardPara edit;
    std::unique_ptr<CNT_Net> link;
    QStringList boxes;
    int answer = QDialog::Accepted;
};

// ---- network parameters ----------------------------------------------------------

TEST_F(NetworkPages, InterfaceFieldsEditTheEditedSet)
{
    makeLink();
    setParamText(edit.CntNet_UseName, "eth1");
    NetworkParamsWidget page;
    page.WizardParaInit();
    EXPECT_EQ(settingstest::comboItems(page.cardSelector), QStringList({"eth0", "eth1", "wlan0"}));
    EXPECT_EQ(page.macLabel->text(), "00:11:22:33:44:55");
    EXPECT_EQ(page.addressField->text(), "192.168.1.100");
    EXPECT_EQ(page.netmaskField->text(), "255.255.255.0");
    EXPECT_EQ(page.gatewayField->text(), "192.168.1.1");
    EXPECT_FALSE(page.useCardBox->isChecked());
    EXPECT_EQ(page.deviceField->text(), link->systemCard.hostName);

    type(page.addressField, "192.168.1.50");
    EXPECT_EQ(link->editCard.interfaceTable["eth0"][0], "192.168.1.50");
    page.cardSelector->setCurrentIndex(1);
    EXPECT_EQ(page.addressField->text(), "10.0.5.20");
    EXPECT_TRUE(page.useCardBox->isChecked()) << "eth1 carries the link";
    EXPECT_EQ(page.macLabel->text(), "00:11:22:33:44:66");
    page.cardSelector->setCurrentIndex(0);
    EXPECT_EQ(page.addressField->text(), "192.168.1.50") << "the typed address is kept";
    EXPECT_EQ(QByteArray(edit.CntNet_UseName), "eth1") << "the box following the selector chose nothing";
    EXPECT_EQ(link->systemCard.interfaceTable["eth0"][0], "192.168.1.100") << "the set in force is untouched";

    type(page.deviceField, "1207");
    page.accept();
    EXPECT_EQ(link->editCard.hostName, "1207");
}

TEST_F(NetworkPages, TheLinkInterfaceIsChosenOnlyByAPress)
{
    makeLink();
    setParamText(edit.CntNet_UseName, "eth0");
    NetworkParamsWidget page;
    page.WizardParaInit();
    page.show();
    page.cardSelector->setCurrentIndex(1);
    EXPECT_FALSE(page.useCardBox->isChecked());
    QTest::mouseClick(page.useCardBox, Qt::LeftButton);
    EXPECT_EQ(QByteArray(edit.CntNet_UseName), "eth1");
    QTest::mouseClick(page.useCardBox, Qt::LeftButton);
    EXPECT_EQ(QByteArray(edit.CntNet_UseName), "null");
    page.cardSelector->setCurrentIndex(0);
    EXPECT_FALSE(page.useCardBox->isChecked()) << "eth0 is no longer the link's";
}

TEST_F(NetworkPages, AWirelessInterfaceShowsWhatItRunsWith)
{
    makeLink();
    platform::RecordingCommandRunner runner;
    runner.script("ip", {true, 0, "default via 192.168.43.1 dev wlan0 proto dhcp \n", {}});
    platform::CommandRunner::setInstance(&runner);
    setParamText(live.CntNet_UseName, "wlan0");
    NetworkParamsWidget page;
    page.liveAddresses = [] { return QMap<QString, QString>{{"wlan0", "192.168.43.17"}, {"eth0", "1.2.3.4"}}; };
    page.WizardParaInit();
    // The routes answer slowly: the GUI thread does not wait for them.
    runner.setDelayMs(300);
    page.cardSelector->setCurrentIndex(2);
    EXPECT_EQ(page.gatewayField->text(), NetCard::defaults()[2]) << "filled only once the routes answered";
    ASSERT_TRUE(testenv::settleBackground());
    EXPECT_EQ(page.addressField->text(), "192.168.43.17");
    EXPECT_EQ(page.gatewayField->text(), "192.168.43.1");
    EXPECT_EQ(page.netmaskField->text(), "255.255.255.0");
    EXPECT_EQ(runner.lines(), QStringList{"ip route show"});
    EXPECT_FALSE(runner.calls().first().onMainThread);
    type(page.addressField, "192.168.43.99");
    EXPECT_EQ(link->editCard.interfaceTable["wlan0"], NetCard::defaults()) << "not staged, not stored";

    // Not the link's interface: the defaults stand.
    setParamText(live.CntNet_UseName, "eth0");
    page.cardSelector->setCurrentIndex(0);
    page.cardSelector->setCurrentIndex(2);
    ASSERT_TRUE(testenv::settleBackground());
    EXPECT_EQ(page.addressField->text(), NetCard::kDefaultAddress);

    // Another interface chosen before the routes answered: its fields stay.
    setParamText(live.CntNet_UseName, "wlan0");
    page.cardSelector->setCurrentIndex(0);
    page.cardSelector->setCurrentIndex(2);
    page.cardSelector->setCurrentIndex(0);
    ASSERT_TRUE(testenv::settleBackground());
    EXPECT_EQ(page.addressField->text(), "192.168.1.100");

    // A page closed before the answer is not touched.
    auto* gone = new NetworkParamsWidget;
    gone->liveAddresses = page.liveAddresses;
    gone->WizardParaInit();
    gone->cardSelector->setCurrentIndex(2);
    delete gone;
    ASSERT_TRUE(testenv::settleBackground());
}

TEST_F(NetworkPages, WithoutAnInterfacesFileNothingIsEdited)
{
    makeLink(false);
    NetworkParamsWidget page;
    page.addressField->setText("9.9.9.9");
    page.WizardParaInit();
    EXPECT_EQ(page.cardSelector->count(), 0);
    EXPECT_TRUE(page.macLabel->text().isEmpty());
    EXPECT_EQ(page.addressField->text(), "9.9.9.9");
    type(page.addressField, "10.1.1.1");
    EXPECT_TRUE(link->editCard.interfaceTable.isEmpty());
}

TEST_F(NetworkPages, SwitchSerialPortAndVideo)
{
    makeLink();
    NetworkParamsWidget page;
    edit.cntnet_enable = 0;
    edit.serial_port = 2;
    edit.video_type = 2;
    edit.video_fps = 4;
    page.WizardParaInit();
    EXPECT_EQ(page.serialSelector->currentText(), "COM3");
    EXPECT_EQ(page.videoGroup->checkedId(), 2);
    EXPECT_EQ(page.rateGroup->checkedId(), 4);
    page.show();
    EXPECT_TRUE(page.resultLabel->isVisible()) << "loading an unticked switch hides nothing";
    page.netSwitch->setChecked(true);
    page.netSwitch->setChecked(false);
    EXPECT_FALSE(page.resultLabel->isVisible());
    page.netSwitch->setChecked(true);
    page.videoGroup->button(0)->click();
    page.rateGroup->button(1)->click();
    page.serialSelector->setCurrentIndex(1);
    page.accept();
    EXPECT_EQ(edit.cntnet_enable, 1);
    EXPECT_EQ(edit.video_type, 0);
    EXPECT_EQ(edit.video_fps, 1);
    EXPECT_EQ(edit.serial_port, 1);

    // Values no button stands for check none, and stay as stored.
    edit.video_type = 5;
    edit.serial_port = 7;
    page.WizardParaInit();
    EXPECT_EQ(page.videoGroup->checkedId(), -1);
    page.accept();
    EXPECT_EQ(edit.video_type, 5);
    EXPECT_EQ(edit.serial_port, 7);
}

TEST_F(NetworkPages, ConnectivityTestRunsBesideTheGuiThread)
{
    makeLink();
    struct Runner : platform::RecordingCommandRunner {
        std::atomic<bool> release{false};
        std::atomic<bool> onGuiThread{false};
        platform::CommandResult run(const QString& program, const QStringList& args, int timeoutMs) override
        {
            RecordingCommandRunner::run(program, args, timeoutMs);
            if (QThread::currentThread() == qApp->thread())
                onGuiThread = true;
            if (program == "ip") {
                while (!release) // a slow routing table
                    QThread::msleep(1);
                return {true, 0, "default via 192.168.1.1 dev eth0 \n", {}};
            }
            if (args.first() == "192.168.1.1")
                return {true, 0, "64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=0.3 ms\n", {}};
            return {true, 1, "", {}};
        }
    } runner;
    platform::CommandRunner::setInstance(&runner);
    NetworkParamsWidget page;
    page.pingResultText = "LAN NG,Internet NG,Server NG";
    page.testButton->click();
    // The GUI thread is back at once, showing the marker of a running test.
    EXPECT_EQ(page.resultLabel->text(), "LAN NG,Internet NG,Server NG*");
    EXPECT_FALSE(page.testButton->isEnabled());
    page.testButton->click(); // a second press while one runs starts nothing
    runner.release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.testRunning(); }, 5000));
    EXPECT_EQ(page.resultLabel->text(), "LAN OK,Internet NG,Server NG");
    EXPECT_TRUE(page.testButton->isEnabled());
    EXPECT_FALSE(runner.onGuiThread);
    EXPECT_EQ(runner.lines().size(), 3);

    link->clientAlive = true;
    page.testButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page.testRunning(); }, 5000));
    EXPECT_EQ(page.resultLabel->text(), "LAN OK,Internet NG,Server OK");
}

// ---- other networks ------------------------------------------------------------------

TEST_F(NetworkPages, WifiFileIsShownCheckedAndWrittenWhole)
{
    makeLink();
    const QString system = platform::sysPath(netconfig::kSystemWifi);
    OtherNetworksWidget page;
    page.wifiNameField->setText("typed");
    page.show();
    EXPECT_EQ(page.wifiNameField->text(), "typed") << "no file: the fields keep their texts";
    page.hide();

    putFile(system, netconfig::wifiText("Plant-WLAN", "12345678"));
    page.show();
    EXPECT_EQ(page.wifiNameField->text(), "Plant-WLAN");
    EXPECT_EQ(page.wifiKeyField->text(), "12345678");
    page.hide();
    putFile(system, "network={\r\n\tssid=\"Hall2\"\r\n}\r\n");
    page.show();
    EXPECT_EQ(page.wifiNameField->text(), "Hall2");
    EXPECT_EQ(page.wifiKeyField->text(), "12345678") << "no key in the file: the field keeps its text";

    struct Case {
        const char* name;
        const char* key;
        int answer;
        QStringList boxes;
        QByteArray written; // empty: nothing written
    };
    const std::vector<Case> cases = {
        {"Plant \"A\"", "12345678", QDialog::Accepted, {LanStr(1205)}, {}},
        {"Plant", "1234", QDialog::Accepted, {LanStr(1206)}, {}},
        {"Plant", "12345678", QDialog::Rejected, {LanStr(448)}, {}},
        {"Plant", "87654321", QDialog::Accepted, {LanStr(448)}, netconfig::wifiText("Plant", "87654321")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(system);
        QFile::remove(netconfig::kStagedWifi);
        boxes.clear();
        answer = c.answer;
        page.wifiNameField->setText(c.name);
        page.wifiKeyField->setText(c.key);
        page.wifiButton->click();
        ASSERT_EQ(boxes.size(), c.boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(boxes[i].contains(c.boxes[i])) << boxes[i].toStdString();
        if (c.written.isEmpty()) {
            EXPECT_FALSE(QFile::exists(system));
            EXPECT_FALSE(QFile::exists(netconfig::kStagedWifi));
        } else {
            EXPECT_EQ(fileBytes(system), c.written);
            EXPECT_EQ(fileBytes(netconfig::kStagedWifi), c.written);
        }
    }
    // A name typed but not written gives way to the stored one.
    page.wifiNameField->setText("not written");
    page.hide();
    page.show();
    EXPECT_EQ(page.wifiNameField->text(), "Plant");
}

namespace {

// "cnt_net/sysconf.db" with three of the four server rows and another one.
void makeServerDatabase()
{
    QDir().mkpath("cnt_net");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(othernetworks::kServerDb);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QString::fromUtf8("create table info_sysconf(信息名称 text, 值 text)")));
        for (auto [k, v] : std::vector<std::pair<const char*, const char*>>{
                 {"serverip_info", "10.0.0.8"}, {"serverip_file", "10.0.0.9"}, {"serverport_info", "8000"},
                 {"other", "kept"}}) {
            q.prepare(QString::fromUtf8("insert into info_sysconf values(?, ?)"));
            q.addBindValue(k);
            q.addBindValue(v);
            ASSERT_TRUE(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("fixture");
}

} // namespace

TEST_F(NetworkPages, ServerSettingsGoToTheDatabaseAsBoundValues)
{
    makeLink();
    OtherNetworksWidget page;
    // Without the database the question is asked and the operator told
    // that nothing was written.
    page.serverButton->click();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].contains(LanStr(1770)));
    EXPECT_FALSE(QFile::exists(othernetworks::kServerDb));
    EXPECT_FALSE(link->serverChanged);

    makeServerDatabase();

    page.filePortField->setText("7777");
    page.show();
    EXPECT_EQ(page.infoServerField->text(), "10.0.0.8");
    EXPECT_EQ(page.fileServerField->text(), "10.0.0.9");
    EXPECT_EQ(page.infoPortField->text(), "8000");
    EXPECT_EQ(page.filePortField->text(), "7777") << "no row for the file port";

    page.infoServerField->setText("1.2.3.4'; drop table info_sysconf; --");
    page.fileServerField->setText("10.0.0.19");
    page.serverButton->click();
    EXPECT_TRUE(link->serverChanged);
    QMap<QString, QString> rows;
    ASSERT_TRUE(othernetworks::readServers(othernetworks::kServerDb, &rows));
    EXPECT_EQ(rows, (QMap<QString, QString>{{"serverip_info", "1.2.3.4'; drop table info_sysconf; --"},
                                            {"serverip_file", "10.0.0.19"},
                                            {"serverport_info", "8000"}}));
    EXPECT_FALSE(QSqlDatabase::contains("sysconf")) << "the page's connection is closed again";
}

// Server settings that could not be read (a damaged page of the table) are
// never written back: the fields did not come from the database, and a
// confirm would store their blanks over what is stored.
TEST_F(NetworkPages, UnreadServerSettingsAreNotWrittenBack)
{
    makeLink();
    makeServerDatabase();
    {
        QFile f(othernetworks::kServerDb);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GE(f.size(), 8192);
        f.seek(4096); // the table's page
        f.write(QByteArray(4096, 'x'));
    }
    const QByteArray stored = settingstest::fileBytes(othernetworks::kServerDb);
    OtherNetworksWidget page;
    page.show();
    EXPECT_TRUE(boxes.isEmpty()) << "not inside the showing";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(1771)));
    EXPECT_TRUE(page.infoServerField->text().isEmpty());

    page.infoPortField->setText("9000");
    page.serverButton->click();
    ASSERT_EQ(boxes.size(), 3) << "the question, then the refusal";
    EXPECT_TRUE(boxes[2].contains(LanStr(1771)));
    EXPECT_FALSE(link->serverChanged);
    EXPECT_EQ(settingstest::fileBytes(othernetworks::kServerDb), stored);
}

TEST_F(NetworkPages, OtherNetworksParametersAndReminderRequest)
{
    makeLink();
    OtherNetworksWidget page;
    edit.alarm_sms = 1;
    setParamText(edit.CntNet_MsgTechName, "Wang");
    setParamText(edit.CntNet_MsgTechNum, "13800000000");
    page.WizardParaInit();
    EXPECT_TRUE(page.smsBox->isChecked());
    EXPECT_FALSE(page.ngVideoBox->isChecked());
    EXPECT_EQ(page.techField->text(), "Wang");
    page.ngVideoBox->setChecked(true);
    page.smsBox->setChecked(false);
    page.techField->setText(QString(120, 'x'));
    page.accept();
    EXPECT_EQ(edit.record_ng_video, 1);
    EXPECT_EQ(edit.alarm_sms, 0);
    EXPECT_EQ(QByteArray(edit.CntNet_MsgTechName), QByteArray(99, 'x')) << "cut to what the field holds";
    EXPECT_EQ(QByteArray(edit.CntNet_MsgTechNum), "13800000000");

    // The link does not listen here: nothing is asked.
    live.cntnet_enable = 1;
    page.SlotGetRemindList();
    EXPECT_EQ(link->sendQueue.size(), 0);
}

TEST_F(NetworkPages, TrafficReading)
{
    const QMap<QString, qint64> bytes = othernetworks::receivedBytes(kProcNetDev);
    EXPECT_EQ(bytes, (QMap<QString, qint64>{{"eth0", 2000}, {"eth1", 0}, {"wlan0", 512}}));
}

// ---- device parameters -----------------------------------------------------------------

TEST(DeviceParams, ProductRepliesAndNumbers)
{
    struct Case {
        const char* name;
        QStringList shown;
        QString current;
        QByteArray body;
        QStringList expected; // what the list shows afterwards
    };
    const QByteArray two = R"({"result":[{"product_name":"Cap"},{"product_name":"Lid","id":3}]})";
    const std::vector<Case> cases = {
        {"empty result keeps only the current", {"Cup", "Cap"}, "Cup", R"({"result":[]})", {"Cup"}},
        {"the current product once, first", {"Lid"}, "Lid", two, {"Lid", "Cap"}},
        {"another current product", {"Cup"}, "Cup", two, {"Cup", "Cap", "Lid"}},
        {"an empty list takes the client's", {}, "", two, {"Cap", "Lid"}},
        {"no result", {"Cup"}, "Cup", R"({"products":[]})", {"Cup"}},
        {"not JSON", {"Cup"}, "Cup", "Cap,Lid", {"Cup"}},
        {"an element without its name drops the reply", {"Cup"}, "Cup",
         R"({"result":[{"product_name":"Cap"},{"name":"Lid"}]})", {"Cup"}},
        {"names in Chinese", {"Cup"}, "Cup", QString::fromUtf8(R"({"result":[{"product_name":"瓶盖"}]})").toUtf8(),
         {"Cup", QString::fromUtf8("瓶盖")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList names;
        QStringList after = c.shown; // a dropped reply changes nothing
        if (deviceparams::productNames(c.body, &names))
            after = deviceparams::mergeProducts(c.shown, c.current, names);
        EXPECT_EQ(after, c.expected);
    }
    const std::pair<const char*, int> numbers[] = {
        {"12ab", 12}, {"abc", 0}, {"  -7x", -7}, {"+5", 5}, {"", 0}, {"99999999999", 2147483647}, {"3 4", 3}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(deviceparams::leadingNumber(text), value) << text;
}

TEST_F(NetworkPages, DevicePageKeepsUtf8AndReceivesTheProductList)
{
    makeLink();
    DeviceParamsWidget page;
    setParamText(edit.CntNet_ProName, QString::fromUtf8("注塑件A").toUtf8());
    setParamText(edit.CntNet_Operator, QString::fromUtf8("李工").toUtf8());
    edit.product_num = 500;
    page.WizardParaInit();
    EXPECT_EQ(settingstest::comboItems(page.productList), QStringList{QString::fromUtf8("注塑件A")});
    EXPECT_EQ(page.operatorField->text(), QString::fromUtf8("李工"));
    EXPECT_EQ(page.capacityField->text(), "500");

    // The reply reaches the page through the link's receiver.
    ASSERT_TRUE(link->productListReceiver);
    link->productListReceiver(QString::fromUtf8(R"({"result":[{"product_name":"瓶盖"},{"product_name":"注塑件A"}]})"));
    EXPECT_EQ(settingstest::comboItems(page.productList), QStringList({QString::fromUtf8("注塑件A"), QString::fromUtf8("瓶盖")}));
    page.productList->setCurrentIndex(1);
    page.capacityField->setText("12ab");
    page.batchField->setText("abc");
    page.accept();
    EXPECT_EQ(QString::fromUtf8(edit.CntNet_ProName), QString::fromUtf8("瓶盖"));
    EXPECT_EQ(edit.product_num, 12);
    EXPECT_EQ(edit.product_serial, 0);

    // A long name is cut before a whole character, never inside one.
    page.productList->setItemText(1, QString(33, QChar(0x74F6)) + "x"); // 99 bytes of 瓶, then more
    page.accept();
    EXPECT_EQ(QByteArray(edit.CntNet_ProName), QString(33, QChar(0x74F6)).toUtf8());
    page.productList->setItemText(1, "a" + QString(33, QChar(0x74F6)));
    page.accept();
    EXPECT_EQ(QByteArray(edit.CntNet_ProName), ("a" + QString(32, QChar(0x74F6))).toUtf8());

    // Opening again shows only the stored product.
    page.WizardParaInit();
    EXPECT_EQ(page.productList->count(), 1);
}

TEST_F(NetworkPages, StatisticsResetRemovesTheLinkFilesAfterYes)
{
    makeLink();
    DeviceParamsWidget page;
    auto fixture = [] {
        putFile("cnt_net/data/Statistics", "{}");
        putFile("cnt_net/data/ManualStop", "{}");
        putFile("cnt_net/data/Remind", "{}");
        putFile("cnt_net/cnt_alarmimage/a.jpg", "x");
        putFile("cnt_net/cnt_tempimage/b.bmp", "x");
        putFile("cnt_net/cnt_fail/c.jpg", "x");
    };
    fixture();
    link->ngTimes = {5000, 7000};
    answer = QDialog::Rejected;
    emit page.resetButton->pressed();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(447)));
    EXPECT_TRUE(QFile::exists("cnt_net/data/Statistics"));
    EXPECT_EQ(link->ngTimes.size(), 2);
    answer = QDialog::Accepted;
    emit page.resetButton->pressed();
    for (const char* gone : {"cnt_net/data/Statistics", "cnt_net/data/ManualStop", "cnt_net/cnt_alarmimage",
                             "cnt_net/cnt_tempimage", "cnt_net/cnt_fail"})
        EXPECT_FALSE(QFileInfo::exists(gone)) << gone;
    EXPECT_TRUE(QFile::exists("cnt_net/data/Remind"));
    EXPECT_TRUE(link->ngTimes.isEmpty()) << "the link reloaded its statistics from the files now gone";
    EXPECT_TRUE(testenv::commands().lines().isEmpty()) << "no shell for the program's own files";
}

// ---- memorandum --------------------------------------------------------------------------

TEST(Memorandum, RowsOfAReply)
{
    qputenv("TZ", "CST-8");
    tzset();
    struct Case {
        const char* name;
        QByteArray body;
        std::optional<QList<QStringList>> rows;
    };
    const std::vector<Case> cases = {
        {"two reminders",
         R"({"result":[{"operator":"Li","create_utc":0,"notify_utc":1700000000000,"duration":30,"reminder_name":"Clean mold"},
                       {"OPERATOR":"Wang","Create_UTC":86400000,"notify_utc":0,"duration":30.9,"reminder_name":"Oil","x":1}]})",
         QList<QStringList>{{"Li", "70-01-01 08:00:00", "23-11-15 06:13:20", "30", "Clean mold"},
                            {"Wang", "70-01-02 08:00:00", "70-01-01 08:00:00", "30", "Oil"}}},
        {"the second lacks its due time",
         R"({"result":[{"operator":"Li","create_utc":0,"notify_utc":0,"duration":1,"reminder_name":"A"},
                       {"operator":"Wang","create_utc":0,"duration":1,"reminder_name":"B"}]})",
         QList<QStringList>{{"Li", "70-01-01 08:00:00", "70-01-01 08:00:00", "1", "A"},
                            {"Wang", "70-01-01 08:00:00"}}},
        {"the first lacks its operator", R"({"result":[{"create_utc":0},{"operator":"x"}]})",
         QList<QStringList>{{}}},
        {"wrong types", R"({"result":[{"operator":5,"create_utc":"7","notify_utc":0,"duration":"9","reminder_name":null}]})",
         QList<QStringList>{{"", "70-01-01 08:00:00", "70-01-01 08:00:00", "0", ""}}},
        {"empty result", R"({"result":[]})", QList<QStringList>{}},
        {"no result", R"({"reminders":[]})", std::nullopt},
        {"not JSON", "result", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(memorandum::reminderRows(c.body), c.rows);
    }
    qunsetenv("TZ");
    tzset();
}

TEST_F(NetworkPages, MemorandumTableFollowsRepliesWhileShown)
{
    makeLink();
    MemorandumWidget page;
    page.resize(1370, 900);
    const QString two = R"({"result":[{"operator":"Li","create_utc":0,"notify_utc":0,"duration":30,"reminder_name":"Clean"},
                                       {"operator":"Wang","create_utc":0,"notify_utc":0,"duration":5,"reminder_name":"Oil"}]})";
    ASSERT_TRUE(link->remindListReceiver);
    link->remindList << "old";
    link->remindListReceiver(two);
    EXPECT_EQ(page.model->rowCount(), 0) << "a reply while another page is shown is not kept";
    EXPECT_TRUE(link->remindList.isEmpty());

    page.show();
    link->remindListReceiver(two);
    ASSERT_EQ(page.model->rowCount(), 2);
    EXPECT_EQ(page.model->item(1, 4)->text(), "Oil");
    EXPECT_EQ(int(page.model->item(0, 0)->textAlignment()), int(Qt::AlignCenter));
    EXPECT_EQ(page.model->headerData(3, Qt::Horizontal).toString(), LanStr(1227));
    for (const char* kept : {R"({"result":[]})", R"({"x":1})", "nonsense"}) {
        link->remindListReceiver(kept);
        EXPECT_EQ(page.model->rowCount(), 2) << kept;
    }
    link->remindListReceiver(R"({"result":[{"operator":"Zhao","create_utc":0}]})");
    ASSERT_EQ(page.model->rowCount(), 1);
    EXPECT_EQ(page.model->item(0, 0)->text(), "Zhao");
    EXPECT_EQ(page.model->item(0, 2), nullptr);
}
