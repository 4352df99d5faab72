#include "settings/memorandumwidget.h"

#include "netlink/network.h"
#include "params/lanstr.h"
#include "widgets/kitstyle.h"
#include "widgets/pagecontrolbar.h"

#include <QDateTime>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

namespace memorandum {

namespace {

const char* const kMembers[5] = {"operator", "create_utc", "notify_utc", "duration", "reminder_name"};

// Member names are matched without regard to case, first match wins.
std::optional<QJsonValue> member(const QJsonObject& o, const char* name)
{
    for (auto it = o.begin(); it != o.end(); ++it)
        if (it.key().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return it.value();
    return std::nullopt;
}

QString timeText(const QJsonValue& v)
{
    const qint64 ms = v.isDouble() ? qint64(v.toDouble()) : 0;
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
}

QString cellText(int column, const QJsonValue& v)
{
    switch (column) {
    case 1:
    case 2:
        return timeText(v);
    case 3:
        return QString::number(v.isDouble() ? qint64(std::trunc(v.toDouble())) : 0);
    default:
        return v.isString() ? v.toString() : QString();
    }
}

} // namespace

std::optional<QList<QStringList>> reminderRows(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const auto result = member(doc.object(), "result");
    if (!result)
        return std::nullopt;
    QList<QStringList> rows;
    for (const QJsonValue& element : result->toArray()) {
        rows << QStringList();
        if (!element.isObject())
            return rows;
        for (int c = 0; c < 5; ++c) {
            const auto v = member(element.toObject(), kMembers[c]);
            if (!v)
                return rows;
            rows.last() << cellText(c, *v);
        }
    }
    return rows;
}

} // namespace memorandum

namespace {
const int kHeaderRows[5] = {1224, 1225, 1226, 1227, 1228};
const int kWidths[5] = {150, 200, 200, 150, 400};
} // namespace

MemorandumWidget::MemorandumWidget(QWidget* parent) : BWidget(parent)
{
    table = new QTableView(this);
    table->setFixedSize(1370, 810);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    model = new QStandardItemModel(0, 5, this);
    for (int c = 0; c < 5; ++c)
        model->setHeaderData(c, Qt::Horizontal, LanStr(kHeaderRows[c]));
    table->setModel(model);
    for (int c = 0; c < 5; ++c)
        table->setColumnWidth(c, kWidths[c]);
    pageBar = new PageControlBar(this);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addStretch();
    v->addWidget(table);
    v->addWidget(pageBar);

    if (gpNet) {
        QPointer<MemorandumWidget> self(this);
        gpNet->remindListReceiver = [self](const QString& body) {
            if (self)
                self->cnt_reset_remind(body);
        };
    }
}

void MemorandumWidget::cnt_reset_remind(const QString& body)
{
    if (gpNet)
        gpNet->remindList.clear();
    const auto rows = memorandum::reminderRows(body.toUtf8());
    if (!rows || rows->isEmpty())
        return;
    // A reply that comes while another page is shown is not kept: the next
    // choice of the tab asks again.
    if (!isVisible())
        return;
    model->removeRows(0, model->rowCount());
    const QFont font = kitPointFont(QStringLiteral("wqy-microhei"), 15);
    for (int r = 0; r < rows->size(); ++r) {
        model->insertRow(r);
        const QStringList& cells = rows->at(r);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(cells[c]);
            item->setFont(font);
            item->setTextAlignment(Qt::AlignCenter);
            model->setItem(r, c, item);
        }
    }
    table->viewport()->update();
}
