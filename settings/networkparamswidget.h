#pragma once
// "Network Param": the IO board's serial port, the address, netmask and
// gateway of each wired interface and the device number (host name) in the
// reporting link's edited network set, the interface and the shared video of
// the reporting link, its switch, and the connectivity test. The interface
// fields write into the edited set at once; the rest is stored by accept().
// Nothing here touches the running system: the apply step stages and
// installs (settings/netconfig.h).
#include "widgets/basewidgets.h"

#include <QMap>
#include <functional>

class BLineEdit;
class CheckBox;
struct NetCard;
class QButtonGroup;
class QLabel;
class QPushButton;

class NetworkParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit NetworkParamsWidget(QWidget* parent = nullptr);
    ~NetworkParamsWidget() override;
    void WizardParaInit();
    void accept();
    // The interface list, the device number and the video choice from the
    // edited set and the edit copy (each opening of the window).
    void InitCntNetWidget();

    BComboBox* cardSelector;
    BComboBox* serialSelector;
    QLabel* macLabel;
    BLineEdit* addressField;
    BLineEdit* deviceField;
    BLineEdit* netmaskField;
    BLineEdit* gatewayField;
    CheckBox* useCardBox;  // this interface carries the reporting link
    CheckBox* netSwitch;   // the reporting link on or off
    QPushButton* testButton;
    QLabel* resultLabel;
    QButtonGroup* videoGroup; // 0 none, 1 screen image, 2 camera images
    QButtonGroup* rateGroup;  // 5 x (id + 1) frames per second

    // The last connectivity result ("*" added while a test runs).
    QString pingResultText;
    // The running addresses of the interfaces (getifaddrs); tests replace it.
    std::function<QMap<QString, QString>()> liveAddresses;
    // A connectivity test is running (its pings take seconds).
    bool testRunning() const { return testing_; }

public slots:
    void SlotCBoxIsUseCntNet(int state);
    void SlotCmbCard(int index);
    void SlotIpTimelyModify(const QString& text);
    void SlotMaskTimelyModify(const QString& text);
    void SlotWayTimelyModify(const QString& text);
    void SlotCntClick();
    void SlotCntName(int state);
    void SlotCheckPing();

private:
    // The set the page edits: the link's editCard (a set of its own without
    // a link, so the page still works).
    NetCard& card();
    void modifyEntry(int entry, const QString& text);
    bool pressed_ = false;
    bool testing_ = false;
};
