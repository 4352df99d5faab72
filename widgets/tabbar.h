#pragma once
// The shell of the settings window: a scrollable column of grouped tab
// buttons on the left; a title line with an exit button above the pages.
#include "widgets/basewidgets.h"

#include <QVector>

class QLabel;
class QPushButton;
class QStackedLayout;
class QVBoxLayout;

class BVerticalTabBar : public BWidget {
    Q_OBJECT
public:
    explicit BVerticalTabBar(QWidget* parent = nullptr);

    // Appends one group of tabs with the group's icon beside its first tab;
    // nothing when the vectors are empty or differ in length.
    void addWidgetGroup(QPixmap& icon, QVector<QString> names, QVector<QWidget*> pages);

    const QVector<QPushButton*>& tabButtons() const { return buttons; }
    int currentPage() const;
    // Shows a page without touching the tab column.
    void setCurrentPage(int index);
    QString titleText() const;
    QPushButton* exitButton() const { return exitButton_; }
    QVBoxLayout* columnLayout() const { return columnLayout_; }

signals:
    void Save_changes();
    void recordshow();
    void Memorandum();
    void DeviPara();
    void Exitsetup();

private slots:
    void tabBtnPressed();
    void systemExit();

private:
    QStackedLayout* stack;
    QVector<QString> names;
    QVector<QPushButton*> buttons;
    QVector<QWidget*> pages;
    int groupCount = 0;
    QWidget* column;
    QVBoxLayout* columnLayout_;
    QLabel* titleLabel;
    QPushButton* exitButton_;
};
