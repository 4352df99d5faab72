#pragma once
// The 70-px paging bar under the settings window's tables: first, previous,
// four numbered pages, a page-number field, next and last. It only builds
// and styles its controls; the owner connects what it needs.
#include "widgets/basewidgets.h"

class BLineEdit;
class QLabel;
class QPushButton;

class PageControlBar : public BWidget {
    Q_OBJECT
public:
    explicit PageControlBar(QWidget* parent = nullptr);

    QPushButton* firstButton() const { return first_; }
    QPushButton* previousButton() const { return previous_; }
    QPushButton* pageButton(int i) const { return pages_[i]; } // i = 0..3
    BLineEdit* pageField() const { return pageField_; }
    QLabel* pageLabel() const { return pageLabel_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* lastButton() const { return last_; }

private:
    QPushButton* first_;
    QPushButton* previous_;
    QPushButton* pages_[4];
    BLineEdit* pageField_;
    QLabel* pageLabel_;
    QPushButton* next_;
    QPushButton* last_;
};
