#include "settings/deviceparamswidget.h"

#include "netlink/network.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/linkrequests.h"
#include "widgets/bmessagebox.h"
#include "widgets/keyboards.h"
#include "widgets/modal.h"

#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace deviceparams {

bool productNames(const QByteArray& body, QStringList* names)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !doc.object().contains(QLatin1String("result")))
        return false;
    QStringList found;
    for (const QJsonValue& child : doc.object().value(QLatin1String("result")).toArray()) {
        const QJsonValue name = child.toObject().value(QLatin1String("product_name"));
        if (!child.isObject() || !name.isString())
            return false;
        found << name.toString();
    }
    *names = found;
    return true;
}

QStringList mergeProducts(const QStringList& shown, const QString& current, QStringList names)
{
    QStringList list;
    if (!shown.isEmpty()) {
        names.removeOne(current);
        list << current;
    }
    return list + names;
}

int leadingNumber(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    int i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-'))
        negative = bytes[i++] == '-';
    qint64 v = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i)
        v = std::min<qint64>(v * 10 + (bytes[i] - '0'), qint64(INT32_MAX) + 1);
    v = negative ? -v : v;
    return int(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

QByteArray fieldUtf8(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const int room = WizardPara::TextLen - 1;
    if (bytes.size() <= room)
        return bytes;
    int cut = room;
    // Back to the first byte of a character (continuation bytes are 10xxxxxx).
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return bytes.left(cut);
}

} // namespace deviceparams

using namespace deviceparams;

namespace {
constexpr int kRowQuestionTitle = 911;
}

DeviceParamsWidget::DeviceParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#656263;}"));
    auto caption = [this](int row, int minWidth = 0) {
        auto* l = new QLabel(LanStr(row), this);
        if (minWidth)
            l->setMinimumWidth(minWidth);
        return l;
    };
    auto field = [this](int row, KeyboardType type) {
        auto* f = new BLineEdit(this, LanStr(row), QString(), type);
        f->setFixedWidth(300);
        return f;
    };
    productList = new BComboBox(this);
    productList->setFixedWidth(300);
    operatorField = field(434, KeyboardFull);
    cavityField = field(435, KeyboardDigital);
    capacityField = field(436, KeyboardDigital);
    batchField = field(437, KeyboardFull);
    productButton = new QPushButton(LanStr(433), this);
    productButton->setFixedSize(200, 50);
    resetButton = new QPushButton(LanStr(438), this);
    // At least 250 wide, wider for a longer caption.
    resetButton->setFixedHeight(50);
    resetButton->setMinimumWidth(250);

    auto row = [](std::initializer_list<QWidget*> widgets, int spaceAfter = -1) {
        auto* h = new QHBoxLayout;
        h->setSpacing(40);
        int i = 0;
        for (QWidget* w : widgets) {
            h->addWidget(w);
            if (i++ == spaceAfter)
                h->addSpacing(80);
        }
        h->addStretch();
        return h;
    };
    auto* v = new QVBoxLayout(this);
    v->setSpacing(40);
    v->setContentsMargins(100, 50, 0, 50);
    // The first column's captions share one width, so the fields line up.
    v->addLayout(row({caption(432, 150), productList, productButton}));
    v->addLayout(row({caption(434, 150), operatorField, caption(435, 120), cavityField}, 1));
    v->addLayout(row({caption(436, 150), capacityField, caption(437, 120), batchField}, 1));
    v->addLayout(row({resetButton}));
    v->addStretch();

    connect(productButton, &QPushButton::clicked, this, &DeviceParamsWidget::SlotGetProductName);
    connect(resetButton, &QPushButton::pressed, this, &DeviceParamsWidget::askResetStatistics);
    if (gpNet) {
        QPointer<DeviceParamsWidget> self(this);
        gpNet->productListReceiver = [self](const QString& body) {
            if (self)
                self->cnt_reset_product(body);
        };
    }
}

void DeviceParamsWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    const WizardPara& p = *gpWParaBak;
    productList->clear();
    productList->addItem(QString::fromUtf8(p.CntNet_ProName));
    operatorField->setText(QString::fromUtf8(p.CntNet_Operator));
    cavityField->setText(QString::number(p.product_moldcavity));
    capacityField->setText(QString::number(p.product_num));
    batchField->setText(QString::number(p.product_serial));
}

void DeviceParamsWidget::accept()
{
    if (!gpWParaBak)
        return;
    WizardPara& p = *gpWParaBak;
    setParamText(p.CntNet_ProName, fieldUtf8(productList->currentText()));
    setParamText(p.CntNet_Operator, fieldUtf8(operatorField->text()));
    p.product_moldcavity = leadingNumber(cavityField->text());
    p.product_num = leadingNumber(capacityField->text());
    p.product_serial = leadingNumber(batchField->text());
}

void DeviceParamsWidget::cnt_reset_product(const QString& body)
{
    QStringList names;
    if (!productNames(body.toUtf8(), &names))
        return;
    QStringList shown;
    for (int i = 0; i < productList->count(); ++i)
        shown << productList->itemText(i);
    const QStringList list = mergeProducts(shown, productList->currentText(), names);
    productList->clear();
    productList->addItems(list);
    if (!list.isEmpty())
        productList->setCurrentIndex(0);
    update();
}

void DeviceParamsWidget::SlotGetProductName() { linkrequests::askProducts(); }

void DeviceParamsWidget::askResetStatistics()
{
    BMessageBox box(LanStr(kRowQuestionTitle), LanStr(447), BMessageBox::Yes | BMessageBox::No,
                    BMessageBoxIcon::Question);
    if (runModal(box) == QDialog::Accepted)
        SlotResetStatistics();
}

void DeviceParamsWidget::SlotResetStatistics() { linkrequests::resetStatistics(); }
