#pragma once
// A row for an IPv4 address: a title and four octet fields (0 to 255) with
// dots between them; the dot key moves on to the next octet, and every change
// of an octet reports the whole address.
#include <QColor>
#include <QString>
#include <QWidget>

class Edit;
class QHBoxLayout;
class QLabel;

class EditIP : public QWidget {
    Q_OBJECT
public:
    EditIP(const QString& title, QWidget* parent = nullptr);

    // The four octets read as numbers (an empty one as 0), joined by ".".
    QString getTextIP();
    // Spreads a dotted text over the octets; a fifth group restarts the
    // fourth octet, and octets that get no character keep their text.
    void setTextIP(const QString& address);
    // The rectangle goes to the row's layout, then to the widget.
    void setGeometry(int x, int y, int w, int h);
    void setTitleColor(const QColor& colour);

    Edit* octet(int k) const { return octets[k]; }
    QLabel* titleLabel() const { return title_; }

signals:
    void textchange(const QString& address);

public slots:
    void SlotTextChg_0(const QString& text);
    void SlotTextChg_1(const QString& text);
    void SlotTextChg_2(const QString& text);
    void SlotTextChg_3(const QString& text);
    void SlotPressDot_0();
    void SlotPressDot_1();
    void SlotPressDot_2();

private:
    void octetChanged(int k, const QString& text);
    void moveToOctet(int k);

    QLabel* title_;
    QLabel* dots[3];
    Edit* octets[4];
    QHBoxLayout* layout;
    QColor titleColor = Qt::yellow;
    QString addressText;
};
