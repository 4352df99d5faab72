// The operation-record viewer: the day list, today's and archived records
// newest first, a vanished archive, and the paging numbers.
#include "maintfixture.h"

#include "settings/systemlogwidget.h"
#include "widgets/pagecontrolbar.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

constexpr int kLogPage = 7;

void archive(const QString& day, int rows)
{
    const QString path = "RECORD/" + day + ".db";
    QDir().mkpath("RECORD");
    ASSERT_TRUE(CreateRecordDatabase(path));
    OpenSqlite("archive", path);
    {
        QSqlQuery q(QSqlDatabase::database("archive"));
        for (int i = 0; i < rows; ++i) {
            q.prepare("insert into RECORD values(?, ?, ?)");
            q.addBindValue(QTime(8, 0).addSecs(60 * i).toString("hh.mm.ss"));
            q.addBindValue("Operator");
            q.addBindValue(QString("%1 entry %2").arg(day).arg(i));
            q.exec();
        }
    }
    CloseSqlite("archive");
}

QStringList dayTexts(QListWidget* list)
{
    QStringList days;
    for (int i = 0; i < list->count(); ++i)
        days << list->item(i)->text();
    return days;
}

} // namespace

class RecordViewer : public Maintenance {
protected:
    SystemLogWidget& log() { return *settings().systemLog; }
    QString cell(int row, int column)
    {
        QAbstractItemModel* m = log().table->model();
        return m ? m->index(row, column).data().toString() : QString("<no model>");
    }
    int rows()
    {
        QAbstractItemModel* m = log().table->model();
        return m ? m->rowCount() : 0;
    }
    void choose(int row)
    {
        log().dayList->setCurrentRow(row);
        emit log().dayList->itemClicked(log().dayList->item(row));
    }
};

TEST_F(RecordViewer, DaysNewestFirstAndTheirRecords)
{
    archive("2024-01-02", 2);
    archive("2024-01-03", 3);
    startMaintenance();
    window->InsertRecord("earlier today");
    clock.advanceMs(60000);
    window->InsertRecord("latest today");

    settings().tabButtons()[kLogPage]->click();
    EXPECT_EQ(dayTexts(log().dayList), (QStringList{"2026-05-06", "2024-01-03", "2024-01-02"}));
    EXPECT_EQ(log().dayList->currentRow(), 0);
    EXPECT_EQ(cell(0, 2), QString("latest today")) << "today, newest first";
    EXPECT_EQ(log().table->model()->headerData(0, Qt::Horizontal).toString(), LanStr(288, 1));
    EXPECT_EQ(log().table->model()->headerData(2, Qt::Horizontal).toString(), LanStr(290, 1));
    EXPECT_EQ(log().table->columnWidth(2), 1330);

    choose(1);
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(cell(0, 2), QString("2024-01-03 entry 2"));
    EXPECT_EQ(cell(2, 0), QString("08.00.00"));

    // An archive deleted after the list was made: an empty table, and no
    // empty archive made in its place.
    QFile::remove("RECORD/2024-01-02.db");
    choose(2);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(QFile::exists("RECORD/2024-01-02.db"));

    choose(0);
    EXPECT_EQ(cell(0, 2), QString("latest today"));
    window->InsertRecord("after the viewer");
    EXPECT_EQ(records().last(), QString("after the viewer")) << "the journal still writes";
}

// A day archived again (the clock set back, a journal restored) keeps every
// archive under a numbered name; each is listed, the later ones first.
TEST_F(RecordViewer, ArchivesOfTheSameDayAreListedInTheOrderTheyWereMade)
{
    for (const char* day : {"2024-01-02", "2024-01-03", "2024-01-03_1", "2024-01-03_2", "2024-01-03_10"})
        archive(day, 1);
    startMaintenance();
    settings().tabButtons()[kLogPage]->click();
    EXPECT_EQ(dayTexts(log().dayList), (QStringList{"2026-05-06", "2024-01-03_10", "2024-01-03_2", "2024-01-03_1",
                                                    "2024-01-03", "2024-01-02"}));
    choose(1);
    EXPECT_EQ(cell(0, 2), QString("2024-01-03_10 entry 0"));
}

TEST_F(RecordViewer, WithoutArchivesOnlyToday)
{
    startMaintenance();
    QDir("RECORD").removeRecursively();
    emit settings().recordshow();
    EXPECT_EQ(dayTexts(log().dayList), QStringList{"2026-05-06"});
    EXPECT_GT(rows(), 0);
}

TEST(RecordPagingNumbers, PagesAndButtons)
{
    struct Case {
        const char* name;
        int rows, rowHeight, viewport, scrollMax;
        int rowsPerPage, pages, step;
    };
    const Case cases[] = {
        {"no rows", 0, 30, 810, 0, 0, 0, 0},
        {"exactly one page", 26, 30, 810, 0, 26, 0, 0},
        {"100 rows", 100, 30, 810, 74, 26, 5, 14},
        {"52 rows, no remainder", 52, 30, 810, 26, 26, 3, 8},
        {"a viewport lower than two rows", 10, 30, 50, 9, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordPaging p = ComputePaging(c.rows, c.rowHeight, c.viewport, c.scrollMax);
        EXPECT_EQ(p.rowsPerPage, c.rowsPerPage);
        EXPECT_EQ(p.pages, c.pages);
        EXPECT_EQ(p.step, c.step);
    }
    // Scroll positions with 74 steps over 5 pages (14 each).
    EXPECT_EQ(PageButtonFor(0, 74, 5), -1) << "the top changes no button";
    EXPECT_EQ(PageButtonFor(-1, 74, 5), 0);
    EXPECT_EQ(PageButtonFor(10, 74, 5), 0) << "within the first page: button 1";
    EXPECT_EQ(PageButtonFor(14, 74, 5), 0);
    EXPECT_EQ(PageButtonFor(15, 74, 5), 1);
    EXPECT_EQ(PageButtonFor(40, 74, 5), 2);
    EXPECT_EQ(PageButtonFor(50, 74, 5), 3);
    EXPECT_EQ(PageButtonFor(60, 74, 5), -1) << "only four buttons";
    EXPECT_EQ(PageButtonFor(30, 74, 0), -1);
}

TEST_F(RecordViewer, PagingALongDay)
{
    archive("2024-02-01", 200);
    startMaintenance();
    settings().tabButtons()[kLogPage]->click();
    choose(1);
    QCoreApplication::processEvents(); // the table lays out its rows and scroll range
    ASSERT_EQ(rows(), 200);
    QTableView* table = log().table;
    ASSERT_GT(table->verticalScrollBar()->maximum(), 0);
    const RecordPaging expected = ComputePaging(200, table->rowHeight(0), table->viewport()->height(),
                                                table->verticalScrollBar()->maximum());
    EXPECT_GT(expected.pages, 1);
    EXPECT_EQ(log().pageCount(table), expected.pages);
    EXPECT_EQ(table->verticalScrollBar()->value(), 0);

    table->verticalScrollBar()->setValue(expected.step + 1);
    EXPECT_TRUE(log().pageBar->pageButton(1)->isChecked());
    EXPECT_EQ(log().pageTo(1), 1);
    EXPECT_EQ(table->verticalScrollBar()->value(), 0);
    log().pageDown();
    EXPECT_EQ(table->verticalScrollBar()->value(), expected.step);
    log().pageEnd();
    EXPECT_EQ(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
    log().pageHome();
    EXPECT_EQ(table->verticalScrollBar()->value(), 0);

    QDir().mkpath(SETTINGS_SHOT_DIR);
    EXPECT_TRUE(settings().grab().save(QString(SETTINGS_SHOT_DIR) + "/record-viewer-en.png"));
}

TEST_F(RecordViewer, ScreenshotInChinese)
{
    archive("2024-02-01", 40);
    startMaintenance(0);
    window->InsertRecord(LanStr(255));
    settings().tabButtons()[kLogPage]->click();
    QDir().mkpath(SETTINGS_SHOT_DIR);
    EXPECT_TRUE(settings().grab().save(QString(SETTINGS_SHOT_DIR) + "/record-viewer-zh.png"));
}

// A warning journaled as it was shown keeps its line break in the journal;
// its one-line row in the viewer shows both lines side by side, whole.
TEST_F(RecordViewer, AnEntryWithALineBreakShowsWhole)
{
    for (int lan : {1, 0}) {
        SCOPED_TRACE(lan);
        startMaintenance(lan);
        const QString entry = LanStr(1501);
        ASSERT_TRUE(entry.contains('\n'));
        window->InsertRecord(entry);
        EXPECT_EQ(records().last(), entry) << "journaled as it was";
        settings().tabButtons()[kLogPage]->click();
        QCoreApplication::processEvents();
        QTableView* table = log().table;
        QModelIndex index;
        for (int r = 0; r < rows() && !index.isValid(); ++r)
            if (cell(r, 2) == entry)
                index = table->model()->index(r, 2);
        ASSERT_TRUE(index.isValid());
        auto* delegate = qobject_cast<QStyledItemDelegate*>(table->itemDelegate(index));
        ASSERT_TRUE(delegate);
        const QString shown = delegate->displayText(index.data(), QLocale());
        EXPECT_TRUE(shown.startsWith(entry.section('\n', 0, 0).trimmed())) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(entry.section('\n', -1).trimmed())) << "the second line too";
        for (const QChar c : shown)
            EXPECT_FALSE(c == '\n' || c == '\r' || c == QChar::LineSeparator);
        QStyleOptionViewItem option;
        option.initFrom(table);
        option.font = table->font();
        option.fontMetrics = QFontMetrics(table->font());
        const QSize needed = delegate->sizeHint(option, index);
        EXPECT_LE(needed.height(), table->rowHeight(index.row())) << "the row is as high as the text";
        EXPECT_LE(needed.width(), table->columnWidth(2));
        QDir().mkpath(SETTINGS_SHOT_DIR);
        EXPECT_TRUE(settings().grab().save(QString(SETTINGS_SHOT_DIR) + (lan ? "/record-viewer-two-lines-en.png"
                                                                              : "/record-viewer-two-lines-zh.png")));
        nextCase();
    }
}

TEST(RecordLine, LineBreaksBecomeOneBlank)
{
    EXPECT_EQ(RecordLine("failed, \r\n the groups"), QString("failed, the groups"));
    EXPECT_EQ(RecordLine(QString::fromUtf8("失败，\n已有")), QString::fromUtf8("失败， 已有"));
    EXPECT_EQ(RecordLine("a\n\nb\rc"), QString("a b c"));
    EXPECT_EQ(RecordLine("  one line  "), QString("one line"));
}
