#pragma once
// Small building blocks of every screen: the painting base, the option-bar
// button, the combo boxes, the skinned button and one-pixel split lines.
#include <QComboBox>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

class QListView;

// A QWidget whose style-sheet background and border actually paint.
class BWidget : public QWidget {
    Q_OBJECT
public:
    explicit BWidget(QWidget* parent = nullptr);
    ~BWidget() override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The 175 x 112 button of the option bars: text under a 68-px icon.
class BOptionButton : public QToolButton {
    Q_OBJECT
public:
    explicit BOptionButton(QWidget* parent = nullptr);
    ~BOptionButton() override;
};

// A combo box whose popup is a list view, so the item rules of the style
// sheets apply.
class BComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit BComboBox(QWidget* parent = nullptr);
    ~BComboBox() override;
};

// A combo box that never takes the keyboard focus and tells of every press.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
    void setItemWidth(int w);
    void setItemHeight(int h);

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListView* listView_;
};

// A push button painted from the shared button skin (or a pixmap of its own)
// with white text whose size follows the style number.
class ColorButton : public QPushButton {
    Q_OBJECT
public:
    ColorButton(const QString& text, QWidget* parent = nullptr, int style = 0);
    ColorButton(QPixmap pixmap, QWidget* parent = nullptr);

    // Auto-repeat: first repeat after 300 ms, then every 50 ms.
    void SetRepeat();
    // Stores a pixmap; only the pixmap constructor makes the button draw it.
    void setPixmap(QPixmap pixmap);
    int style() const { return style_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int style_;
    QPixmap pixmap_;
    bool ownPixmap_;
};

QWidget* createVerticalSplitLine(QWidget* parent, QString colour);
QWidget* createHorizontalSplitLine(QWidget* parent, QString colour);
