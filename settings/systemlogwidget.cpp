#include "settings/systemlogwidget.h"

#include "widgets/pagecontrolbar.h"

#include <QAbstractItemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

QString RecordLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("(?:[ \\t]*(?:\\r\\n|[\\n\\r\\x{2028}\\x{2029}])[ \\t]*)+"));
    QString line = text;
    return line.replace(breaks, QStringLiteral(" ")).trimmed();
}

namespace {

// The rows are one line high: a second line would be cut off.
class RecordTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        if (value.userType() == QMetaType::QString)
            return RecordLine(value.toString());
        return QStyledItemDelegate::displayText(value, locale);
    }
};

} // namespace

RecordPaging ComputePaging(int rows, int rowHeight, int viewportHeight, int scrollMax)
{
    RecordPaging p;
    if (rows <= 0 || rowHeight <= 0)
        return p;
    p.rowsPerPage = viewportHeight / rowHeight - 1;
    // A viewport lower than two rows holds no page at all.
    if (p.rowsPerPage <= 0 || rows == p.rowsPerPage)
        return p;
    p.pages = rows / p.rowsPerPage + 1 + (rows % p.rowsPerPage ? 1 : 0);
    p.step = scrollMax / p.pages;
    return p;
}

int PageButtonFor(int value, int scrollMax, int pages)
{
    if (pages <= 0 || scrollMax <= 0)
        return -1;
    const int step = scrollMax / pages;
    if (value < 0)
        return 0;
    if (value == 0)
        return -1;
    // Page i (from 1) is the button "i", at position i - 1.
    for (int i = 1; i <= pages; ++i)
        if (value <= i * step)
            return i <= 4 ? i - 1 : -1;
    return -1;
}

SystemLogWidget::SystemLogWidget(QWidget* parent) : BWidget(parent)
{
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(15);
    dayList = new QListWidget(this);
    dayList->setFixedSize(200, 810);
    dayList->setFont(font);
    table = new QTableView(this);
    // 1170 wide where the page has the room; narrower beside a wide tab
    // column, so that the scroll bar stays on the screen.
    table->setFixedHeight(810);
    table->setMaximumWidth(1170);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setItemDelegate(new RecordTextDelegate(table));
    table->setFont(font);
    table->setStyleSheet(QStringLiteral("QHeaderView::section{font: max_datapt}"));
    label = new QLabel(this);
    label->setStyleSheet(QStringLiteral("font-size:20px;color:#656263;"));
    pageBar = new PageControlBar(this);

    auto* lists = new QHBoxLayout;
    lists->setSpacing(0);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->addWidget(dayList);
    lists->addWidget(table);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);
    root->addLayout(lists);
    root->addWidget(label);
    root->addWidget(pageBar);
    setStyleSheet(QStringLiteral(
        "QScrollBar:vertical{width:30px;background:transparent;background-color:rgb(246, 248, 248);"
        "margin:2px,2px,2px,2px;padding-top:0px;padding-bottom:0px;}"
        "QScrollBar:horizontal{height:30px;background:transparent;background-color:rgb(248, 248, 248);"
        "padding-left:30px;padding-right:30px;}"
        "QScrollBar::handle{height:30px;background:lightgray; border:2px solid transparent; border-radius:5px;}"));
}

int SystemLogWidget::pageCount(QTableView* view)
{
    if (!view)
        return -1;
    QAbstractItemModel* model = view->model();
    recordCount = model ? model->rowCount() : 0;
    if (recordCount == 0) {
        pages = 0;
        return 0;
    }
    rowHeight = view->rowHeight(0);
    viewportHeight = view->viewport()->height();
    const RecordPaging p = ComputePaging(recordCount, rowHeight, viewportHeight, view->verticalScrollBar()->maximum());
    rowsPerPage = p.rowsPerPage;
    scrollStep = p.step;
    return p.pages;
}

void SystemLogWidget::modelChange()
{
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, &SystemLogWidget::slotQSliderValue,
            Qt::UniqueConnection);
    pages = pageCount(table);
    table->verticalScrollBar()->setValue(0);
}

void SystemLogWidget::showEvent(QShowEvent* event)
{
    pages = pageCount(table);
    BWidget::showEvent(event);
}

void SystemLogWidget::slotQSliderValue(int)
{
    QScrollBar* bar = table->verticalScrollBar();
    const int button = PageButtonFor(bar->value(), bar->maximum(), pages);
    if (button >= 0)
        pageBar->pageButton(button)->setChecked(true);
}

bool SystemLogWidget::pagingReady() const { return table && pages > 0; }

int SystemLogWidget::pageHome()
{
    if (!pagingReady())
        return 0;
    table->verticalScrollBar()->setValue(0);
    return pages;
}

int SystemLogWidget::pageTo(int page)
{
    if (!pagingReady() || page > pageCount(table))
        return 0;
    table->verticalScrollBar()->setValue((page - 1) * scrollStep);
    return page;
}

int SystemLogWidget::pageUp()
{
    if (!pagingReady() || pageCount(table) == 0 || table->verticalScrollBar()->maximum() == 0)
        return 0;
    QScrollBar* bar = table->verticalScrollBar();
    bar->setValue(bar->value() < 1 ? 0 : bar->value() - scrollStep);
    return pages;
}

int SystemLogWidget::pageDown()
{
    if (!pagingReady() || pageCount(table) == 0 || table->verticalScrollBar()->maximum() == 0)
        return 0;
    QScrollBar* bar = table->verticalScrollBar();
    bar->setValue(bar->value() >= bar->maximum() ? bar->maximum() : bar->value() + scrollStep);
    return pages;
}

int SystemLogWidget::pageEnd()
{
    if (!pagingReady())
        return 0;
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
    return pages;
}
