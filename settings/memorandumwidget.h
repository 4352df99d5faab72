#pragma once
// "memorandum": the reminders the management system holds for this device,
// read-only. Choosing the tab asks the client for them; its reply fills the
// table while the page is shown.
#include "widgets/basewidgets.h"

#include <QList>
#include <QStringList>
#include <optional>

class PageControlBar;
class QStandardItemModel;
class QTableView;

namespace memorandum {

// The rows of a reminder-list reply, each the texts of the columns operator,
// created, due, duration and name. Nothing when the reply does not parse or
// has no "result". The fill stops at the first missing member: the row it
// is in keeps the cells before it and no later row follows.
std::optional<QList<QStringList>> reminderRows(const QByteArray& body);

} // namespace memorandum

class MemorandumWidget : public BWidget {
    Q_OBJECT
public:
    explicit MemorandumWidget(QWidget* parent = nullptr);
    // A reminder-list reply of the client.
    void cnt_reset_remind(const QString& body);

    QTableView* table;
    QStandardItemModel* model;
    PageControlBar* pageBar;
};
