#include "settings/networkparamswidget.h"

#include "netlink/network.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/background.h"
#include "platform/commandrunner.h"
#include "settings/netconfig.h"
#include "settings/pagekit.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Text rows of the page's captions and choices.
constexpr int kRowCard = 1210;
constexpr int kRowSerial = 1211;
constexpr int kRowMac = 1212;
constexpr int kRowAddress = 1213;
constexpr int kRowDevice = 1214;
constexpr int kRowNetmask = 1215;
constexpr int kRowUseCard = 1216;
constexpr int kRowGateway = 1217;
constexpr int kRowFunction = 1218;
constexpr int kRowTest = 1219;
constexpr int kRowVideo = 1220; // also the caption of the rate row
constexpr int kRowVideoTypes[3] = {1221, 1222, 1223};
constexpr int kRowExampleDevice = 1229;
const char* const kRates[5] = {"5", "10", "15", "20", "25"};

// Keypad titles: examples of what the fields take.
const char* const kExampleAddress = "192.168.1.100";
const char* const kExampleNetmask = "255.255.255.0";
const char* const kExampleGateway = "192.168.1.1";

constexpr int kRowSwitch = 358;

bool isWireless(const QString& name) { return name.contains(QLatin1String("wlan")); }

// The Latin-1 bytes of a text cut to what a text field holds.
QByteArray fieldBytes(const QString& text) { return text.toLatin1().left(WizardPara::TextLen - 1); }

} // namespace

NetworkParamsWidget::NetworkParamsWidget(QWidget* parent)
    : BWidget(parent), liveAddresses(&CNT_Net::getNetCardInfo)
{
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle));
    auto caption = [this](const QString& text, bool firstColumn = false) {
        auto* l = new QLabel(text, this);
        if (firstColumn)
            l->setMinimumWidth(130);
        return l;
    };
    auto field = [this](const QString& title) {
        auto* f = new BLineEdit(this, title, QString(), KeyboardDigital);
        f->setFixedSize(200, 50);
        return f;
    };
    auto combo = [this] {
        auto* c = new BComboBox(this);
        c->setFixedSize(200, 50);
        return c;
    };
    auto row = [](std::initializer_list<QWidget*> widgets, int spacing, int gapAfter = -1, int gap = 0) {
        auto* h = new QHBoxLayout;
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(spacing);
        int i = 0;
        for (QWidget* w : widgets) {
            h->addWidget(w);
            if (i++ == gapAfter)
                h->addSpacing(gap);
        }
        h->addStretch();
        return h;
    };

    cardSelector = combo();
    serialSelector = combo();
    serialSelector->addItems({"COM1", "COM2", "COM3", "COM4"});
    macLabel = new QLabel(this);
    addressField = field(QLatin1String(kExampleAddress));
    deviceField = field(LanStr(kRowExampleDevice));
    netmaskField = field(QLatin1String(kExampleNetmask));
    gatewayField = field(QLatin1String(kExampleGateway));
    useCardBox = new CheckBox(this);
    netSwitch = new CheckBox(this);
    testButton = new QPushButton(LanStr(kRowTest), this);
    testButton->setFixedSize(200, 50);
    resultLabel = new QLabel(this);
    resultLabel->setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#DC143C;}"));

    videoGroup = new QButtonGroup(this);
    rateGroup = new QButtonGroup(this);
    QList<QWidget*> videoButtons, rateButtons;
    for (int id = 0; id < 3; ++id) {
        auto* b = new QRadioButton(LanStr(kRowVideoTypes[id]), this);
        videoGroup->addButton(b, id);
        videoButtons << b;
    }
    for (int id = 0; id < 5; ++id) {
        auto* b = new QRadioButton(QString::fromLatin1(kRates[id]), this);
        rateGroup->addButton(b, id);
        rateButtons << b;
    }

    auto* v = new QVBoxLayout(this);
    v->setSpacing(40);
    v->setContentsMargins(80, 50, 200, 50);
    v->addLayout(row({caption(LanStr(kRowCard), true), cardSelector}, 50));
    v->addLayout(row({caption(LanStr(kRowSerial), true), serialSelector}, 50));
    v->addLayout(row({caption(LanStr(kRowMac), true), macLabel}, 50));
    v->addLayout(row({caption(LanStr(kRowAddress), true), addressField,
                      caption(LanStr(kRowDevice)), deviceField},
                     50, 1, 185));
    v->addLayout(row({caption(LanStr(kRowNetmask), true), netmaskField,
                      caption(LanStr(kRowUseCard)), useCardBox},
                     50, 1, 185));
    v->addLayout(row({caption(LanStr(kRowGateway), true), gatewayField, caption(LanStr(kRowSwitch)),
                      netSwitch},
                     50, 1, 185));
    v->addLayout(row({caption(LanStr(kRowFunction), true), testButton, resultLabel}, 50));
    auto* videoRow = row({caption(LanStr(kRowVideo))}, 30);
    for (QWidget* b : videoButtons)
        videoRow->insertWidget(videoRow->count() - 1, b);
    v->addLayout(videoRow);
    auto* rateRow = row({caption(LanStr(kRowVideo))}, 30);
    for (QWidget* b : rateButtons)
        rateRow->insertWidget(rateRow->count() - 1, b);
    v->addLayout(rateRow);
    v->addStretch();

    connect(netSwitch, &QCheckBox::stateChanged, this, &NetworkParamsWidget::SlotCBoxIsUseCntNet);
    connect(cardSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &NetworkParamsWidget::SlotCmbCard);
    connect(addressField, &QLineEdit::textChanged, this, &NetworkParamsWidget::SlotIpTimelyModify);
    connect(netmaskField, &QLineEdit::textChanged, this, &NetworkParamsWidget::SlotMaskTimelyModify);
    connect(gatewayField, &QLineEdit::textChanged, this, &NetworkParamsWidget::SlotWayTimelyModify);
    connect(useCardBox, &QCheckBox::pressed, this, &NetworkParamsWidget::SlotCntClick);
    connect(useCardBox, &QCheckBox::stateChanged, this, &NetworkParamsWidget::SlotCntName);
    connect(testButton, &QPushButton::clicked, this, &NetworkParamsWidget::SlotCheckPing);
    // The edited set starts as the one in force (the settings command copies
    // it again at each opening), so an apply never stages an empty network.
    if (gpNet)
        gpNet->editCard = gpNet->systemCard;
}

NetCard& NetworkParamsWidget::card()
{
    static NetCard alone;
    return gpNet ? gpNet->editCard : alone;
}

void NetworkParamsWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    netSwitch->setChecked(gpWParaBak->cntnet_enable != 0);
    serialSelector->setCurrentIndex(gpWParaBak->serial_port >= 0 && gpWParaBak->serial_port < 4
                                        ? gpWParaBak->serial_port
                                        : -1);
    InitCntNetWidget();
}

void NetworkParamsWidget::InitCntNetWidget()
{
    cardSelector->clear();
    cardSelector->addItems(card().interfaceTable.keys());
    SlotCmbCard(cardSelector->currentIndex());
    deviceField->setText(card().hostName);
    if (!gpWParaBak)
        return;
    pagekit::selectId(videoGroup, gpWParaBak->video_type);
    pagekit::selectId(rateGroup, gpWParaBak->video_fps);
}

void NetworkParamsWidget::accept()
{
    if (!gpWParaBak)
        return;
    WizardPara& p = *gpWParaBak;
    p.cntnet_enable = netSwitch->isChecked() ? 1 : 0;
    card().hostName = deviceField->text();
    // Without a choice (a value no button stands for) the stored one stays.
    p.video_type = pagekit::checkedIdOr(videoGroup, p.video_type);
    p.video_fps = pagekit::checkedIdOr(rateGroup, p.video_fps);
    if (serialSelector->currentIndex() >= 0)
        p.serial_port = serialSelector->currentIndex();
}

void NetworkParamsWidget::SlotCBoxIsUseCntNet(int state)
{
    if (state != 0) {
        resultLabel->setText(pingResultText);
        resultLabel->show();
    } else {
        resultLabel->hide();
    }
    update();
}

void NetworkParamsWidget::SlotCmbCard(int index)
{
    const QString name = index >= 0 ? cardSelector->itemText(index) : QString();
    NetCard& c = card();
    if (c.macTable.contains(name))
        macLabel->setText(c.macTable.value(name));
    update();
    const QStringList entry = c.interfaceTable.value(name);
    if (c.interfaceTable.contains(name) && entry.size() == 3) {
        addressField->setText(entry[0]);
        netmaskField->setText(entry[1]);
        gatewayField->setText(entry[2]);
        const bool linkCard = gpWParaBak && name.toLatin1() == QByteArray(gpWParaBak->CntNet_UseName);
        useCardBox->setChecked(linkCard);
    }
    if (!isWireless(name))
        return;
    // A wireless interface is not configured here: show what it runs with,
    // once the routes have answered (the page may be gone or show another
    // interface by then).
    const QMap<QString, QString> running = liveAddresses ? liveAddresses() : QMap<QString, QString>();
    platform::runCommandInBackground(
        this, QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("show")}, 2000,
        [this, name, running](const platform::CommandResult& routes) {
            if (cardSelector->currentText() != name)
                return;
            const QString gateway = netconfig::gatewayFromRoutes(routes.out, QStringLiteral("0.0.0.0"));
            if (gpWPara && name.toLatin1() == QByteArray(gpWPara->CntNet_UseName) && running.contains(name)
                && netconfig::parseIPv4(gateway)) {
                addressField->setText(running.value(name));
                gatewayField->setText(gateway);
            }
            update();
        });
}

void NetworkParamsWidget::modifyEntry(int entry, const QString& text)
{
    const QString name = cardSelector->currentText();
    NetCard& c = card();
    if (isWireless(name) || !c.interfaceTable.contains(name) || c.interfaceTable.value(name).size() != 3)
        return;
    c.interfaceTable[name][entry] = text;
}

void NetworkParamsWidget::SlotIpTimelyModify(const QString& text) { modifyEntry(0, text); }
void NetworkParamsWidget::SlotMaskTimelyModify(const QString& text) { modifyEntry(1, text); }
void NetworkParamsWidget::SlotWayTimelyModify(const QString& text) { modifyEntry(2, text); }

void NetworkParamsWidget::SlotCntClick() { pressed_ = true; }

void NetworkParamsWidget::SlotCntName(int state)
{
    // Only the operator's press counts, not the box following the selector.
    if (!pressed_)
        return;
    pressed_ = false;
    if (!gpWParaBak)
        return;
    setParamText(gpWParaBak->CntNet_UseName,
                 state != 0 ? fieldBytes(cardSelector->currentText()) : QByteArrayLiteral("null"));
}

// The pings run on a thread of their own: the GUI thread runs the machine
// cycle and must not wait seconds for them.
void NetworkParamsWidget::SlotCheckPing()
{
    if (testing_)
        return;
    testing_ = true;
    pingResultText += QLatin1Char('*');
    resultLabel->setText(pingResultText);
    testButton->setEnabled(false);
    platform::runInBackground<netconfig::Probe>(
        this, [] { return netconfig::probeConnectivity(); }, [this](netconfig::Probe probe) {
            testing_ = false;
            pingResultText = netconfig::connectivityText(probe, gpNet && gpNet->clientAlive.load());
            resultLabel->setText(pingResultText);
            testButton->setEnabled(true);
            update();
        });
}

NetworkParamsWidget::~NetworkParamsWidget() = default;
