#pragma once
// The operator manual as full-page pictures, one at a time: the "*.png" files
// of "./help/" (simplified Chinese) or "./help-en/" (other languages), in name
// order, at most 50, loaded once when the page is built.
#include "widgets/basewidgets.h"

#include <QPixmap>
#include <QVector>

class QPushButton;

// The page shown (shared with the region editor's help action).
extern int gHelpC;

class HelpWidget : public BWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPages = 50;
    static constexpr int kAlarmPage = 4;

    explicit HelpWidget(QWidget* parent = nullptr);

    int pageCount() const { return pages_.size(); }
    // gHelpC within the loaded pages (a page number set elsewhere may name
    // a page that was not loaded; the last page stands in for it).
    int currentPage() const;
    QString folder() const { return folder_; }

    QPushButton* lastButton;
    QPushButton* nextButton;
    QPushButton* alarmButton;
    QPushButton* returnButton;

public slots:
    void SlotLast();
    void SlotNext();
    void SlotAlarm();
    void SlotReturn();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QPixmap> pages_;
    QString folder_;
};
