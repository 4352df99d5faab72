#pragma once
// "Other networks": the alarm SMS and NG-video switches with the technician's
// name and phone (edit copy), the Wi-Fi network the device joins (a
// wpa_supplicant file) and the two servers of the management system
// ("./cnt_net/sysconf.db"). Wi-Fi and servers are written at once by their
// own buttons; the switches and texts by the apply step.
#include "widgets/basewidgets.h"

#include <QMap>

class BLineEdit;
class CheckBox;
class QPushButton;
class QTimer;

namespace othernetworks {

constexpr const char* kServerDb = "./cnt_net/sysconf.db";
// The rows of table info_sysconf the page shows, in field order.
extern const char* const kServerKeys[4];

// The values of the rows that exist (key -> value); false when the database
// is missing or cannot be opened or read (a missing row is no failure).
bool readServers(const QString& file, QMap<QString, QString>* values);
// Updates the rows that exist, in one transaction, with bound values; false
// when the database cannot be opened or a statement fails (nothing changed).
bool writeServers(const QString& file, const QMap<QString, QString>& values);

// Received bytes per interface of "/proc/net/dev" ("lo" left out).
QMap<QString, qint64> receivedBytes(const QByteArray& procNetDev);

} // namespace othernetworks

class OtherNetworksWidget : public BWidget {
    Q_OBJECT
public:
    explicit OtherNetworksWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();

    CheckBox* smsBox;
    BLineEdit* techField;
    BLineEdit* phoneField;
    CheckBox* ngVideoBox;
    BLineEdit* wifiNameField;
    BLineEdit* wifiKeyField;
    QPushButton* wifiButton;
    BLineEdit* infoServerField;
    BLineEdit* infoPortField;
    BLineEdit* fileServerField;
    BLineEdit* filePortField;
    QPushButton* serverButton;
    QTimer* trafficTimer;
    // The traffic check: bytes at the last reading, and whether they grew.
    QMap<QString, qint64> trafficBytes;
    QMap<QString, bool> trafficGrew;

public slots:
    void SlotWifi();
    void SlotServer();
    void SlotGetProductName();
    void SlotGetRemindList();
    void SlotResetStatistics();
    void SlotUpdateWifi();
    void SlotUpdateServer();
    void SlotCloseWgt();
    void SlotStartChk();
    void SlotTimerChk();

protected:
    void showEvent(QShowEvent* event) override;

private:
    BLineEdit* serverField(int i) const;

    // The server fields hold what the database held at the last showing;
    // otherwise the server button writes nothing (it would store blanks or
    // stale values over what is stored).
    bool serversRead_ = false;
};
