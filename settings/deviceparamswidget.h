#pragma once
// "Device parameters": the production data the reporting link reports (the
// product chosen from the client's list, operator, cavities, expected
// capacity, batch), the request for the product list and the reset of the
// link's statistics.
#include "widgets/basewidgets.h"

#include <QStringList>

class BLineEdit;
class QPushButton;
class WizardPara;

namespace deviceparams {

// The product names of a product-list reply ({"result":[{"product_name":..}]});
// false when the reply does not parse, has no "result", or an element lacks
// its name (the whole reply is dropped then).
bool productNames(const QByteArray& body, QStringList* names);
// The list shown after a reply: the current product first (once), then the
// client's names; only the client's names when nothing was shown.
QStringList mergeProducts(const QStringList& shown, const QString& current, QStringList names);
// A decimal number as typed: leading blanks and a sign, then digits up to the
// first other character; 0 without digits.
int leadingNumber(const QString& text);
// UTF-8 bytes of a text, cut at a character boundary to what a text field holds.
QByteArray fieldUtf8(const QString& text);

} // namespace deviceparams

class DeviceParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit DeviceParamsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();
    // A product-list reply of the client.
    void cnt_reset_product(const QString& body);

    BComboBox* productList;
    BLineEdit* operatorField;
    BLineEdit* cavityField;
    BLineEdit* capacityField;
    BLineEdit* batchField;
    QPushButton* productButton;
    QPushButton* resetButton;

public slots:
    void SlotGetProductName();
    void SlotResetStatistics();

private slots:
    void askResetStatistics();
};
