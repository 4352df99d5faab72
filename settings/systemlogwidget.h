#pragma once
// "system log": the days of the operation journal on the left (today, then
// the archived days newest first) and the chosen day's records on the right,
// newest first. The window fills the day list and the table model; the page
// lays them out and keeps the paging numbers of the table.
#include "widgets/basewidgets.h"

class PageControlBar;
class QLabel;
class QListWidget;
class QTableView;

// Paging of a table of `rows` rows of `rowHeight` pixels in a viewport of
// `viewportHeight`: pages (0 when everything fits one page exactly or there
// is no row) and the scroll step per page.
struct RecordPaging {
    int rowsPerPage = 0;
    int pages = 0;
    int step = 0;
};
RecordPaging ComputePaging(int rows, int rowHeight, int viewportHeight, int scrollMax);
// The number button (0..3, showing "1" to "4") of the page the scroll
// position lies in; -1 to leave them (at the top, or past page 4).
int PageButtonFor(int value, int scrollMax, int pages);

// A record's text as its one-line row shows it: the lines of a text journaled
// with line breaks (a warning as it was shown) side by side.
QString RecordLine(const QString& text);

class SystemLogWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemLogWidget(QWidget* parent = nullptr);

    int pageCount(QTableView* view);
    int pageTo(int page);
    int pageUp();
    int pageDown();
    int pageHome();
    int pageEnd();

    QListWidget* dayList;
    QTableView* table;
    QLabel* label;
    PageControlBar* pageBar;
    int recordCount = 0;
    int rowHeight = 0;
    int viewportHeight = 0;
    int rowsPerPage = 0;
    int pages = 0;
    int scrollStep = 0;

public slots:
    void modelChange();
    void slotQSliderValue(int);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool pagingReady() const;
};
