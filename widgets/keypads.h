#pragma once
// The two shared on-screen keypads. Each time a field of the Edit family is
// touched, a keypad moves into the field's parent (or an ancestor), opens
// below the field (above it near the bottom of the screen) and types into the
// field registered in uiHost().focusedEdit. The keys never take the focus.
#include <QWidget>

class QButtonGroup;
class QPushButton;
class ColorButton;

class NumberInput : public QWidget {
    Q_OBJECT
public:
    explicit NumberInput(QWidget* parent = nullptr);

    bool replaceNext() const { return replaceNext_; }
    // Keys by role, for the owner's layout checks and for tests.
    QPushButton* digitKey(int digit) const;
    QPushButton* confirmKey() const { return confirm_; }
    QPushButton* backspaceKey() const { return backspace_; }

signals:
    // The confirm key was pressed while the password box is open.
    void chkpassword();

public slots:
    void setContent(int id);
    void eraseContent();
    void eraseAll();
    // Puts the keypad away and releases the field's focus. It never submits
    // the password box; only the confirm key does.
    void HideUpdate();

private slots:
    void confirmPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void putAway(bool confirmKey);

    QButtonGroup* group_;
    QPushButton* keys_[10];
    QPushButton* confirm_;
    QPushButton* backspace_;
    bool replaceNext_ = true;
};

class NumCharInput : public QWidget {
    Q_OBJECT
public:
    enum { KeyCount = 41, PunctKey = 37, CapsKey = 38, BackspaceKey = 39, ConfirmKey = 40 };

    explicit NumCharInput(QWidget* parent = nullptr);
    ColorButton* key(int index) const { return keys_[index]; }

public slots:
    void SlotChgChar_Punc();
    void setContent(int id);
    void eraseContent();
    void HideUpdate();
    void SlotCap();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum KeySet { Upper, Lower, Punctuation };
    void setLetterRows(KeySet set);

    QButtonGroup* group_;
    ColorButton* keys_[KeyCount];
};

extern NumberInput* gpNumPad;
extern NumCharInput* gpNumCharPad;
