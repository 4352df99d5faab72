#include "widgets/editip.h"

#include "widgets/edit.h"
#include "widgets/kitstyle.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>

EditIP::EditIP(const QString& title, QWidget* parent) : QWidget(parent)
{
    setFixedHeight(80);
    const QFont font = kitPointFont(QStringLiteral("wenquanyi"), 30);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, titleColor);

    title_ = new QLabel(title, this);
    title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title_->setPalette(pal);
    title_->setFont(font);
    keepLook(title_);
    title_->setFixedWidth(200);

    for (QLabel*& dot : dots) {
        dot = new QLabel(QStringLiteral("."), this);
        dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        dot->setFont(font);
        dot->setPalette(pal);
        keepLook(dot);
    }
    for (int k = 0; k < 4; ++k) {
        octets[k] = new Edit(9, this, 1);
        octets[k]->setFixedSize(100, 50);
        octets[k]->setFont(font);
        octets[k]->setValidator(new QIntValidator(0, 255, octets[k]));
    }
    connect(octets[0], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_0);
    connect(octets[1], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_1);
    connect(octets[2], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_2);
    connect(octets[3], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_3);
    connect(octets[0], &Edit::sig_Dot, this, &EditIP::SlotPressDot_0);
    connect(octets[1], &Edit::sig_Dot, this, &EditIP::SlotPressDot_1);
    connect(octets[2], &Edit::sig_Dot, this, &EditIP::SlotPressDot_2);

    layout = new QHBoxLayout(this);
    layout->addWidget(title_, 10);
    for (int k = 0; k < 4; ++k) {
        if (k > 0)
            layout->addWidget(dots[k - 1]);
        layout->addWidget(octets[k], 5);
    }
}

QString EditIP::getTextIP()
{
    addressText.clear();
    for (int k = 0; k < 4; ++k) {
        if (k > 0)
            addressText += '.';
        addressText += QString::number(octets[k]->text().toInt());
    }
    return addressText;
}

void EditIP::setTextIP(const QString& address)
{
    QString running;
    int k = 0;
    for (const QChar c : address) {
        if (c == '.') {
            running.clear();
            if (k < 3)
                ++k;
            continue;
        }
        running += c;
        octets[k]->setText(running);
    }
}

void EditIP::setGeometry(int x, int y, int w, int h)
{
    layout->setGeometry(QRect(x, y, w, h));
    QWidget::setGeometry(x, y, w, h);
}

void EditIP::setTitleColor(const QColor& colour)
{
    titleColor = colour;
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, titleColor);
    title_->setPalette(pal);
    keepLook(title_);
}

void EditIP::octetChanged(int k, const QString& text)
{
    int v = text.toInt(); // 0 when not a number
    if (v > 255)
        v = 255;
    else if (v < 0)
        v = 0; // an address has no negative octet
    const QString shown = QStringLiteral("%1").arg(v);
    if (shown != text)
        octets[k]->setText(shown); // runs this slot once more
    emit textchange(getTextIP());
}

void EditIP::moveToOctet(int k)
{
    octets[k]->setText(QStringLiteral("0"));
    octets[k]->setFocus(Qt::OtherFocusReason);
}

void EditIP::SlotTextChg_0(const QString& text) { octetChanged(0, text); }
void EditIP::SlotTextChg_1(const QString& text) { octetChanged(1, text); }
void EditIP::SlotTextChg_2(const QString& text) { octetChanged(2, text); }
void EditIP::SlotTextChg_3(const QString& text) { octetChanged(3, text); }
void EditIP::SlotPressDot_0() { moveToOctet(1); }
void EditIP::SlotPressDot_1() { moveToOctet(2); }
void EditIP::SlotPressDot_2() { moveToOctet(3); }
