#include "widgets/stylepresets.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace {

struct Preset {
    const char* edit;
    const char* slider;
    const char* btn[6]; // normal bg, normal text, hover bg, hover text, pressed bg, pressed text
};

const Preset kPresets[4] = {
    {"#34495E", "#191532", {"#323232", "#FFFFFF", "#323232", "#FFFFFF", "#C8934A", "#FFFFFF"}},
    {"#1ABC9C", "#1ABC9C", {"#1ABC9C", "#E6F8F5", "#2EE1C1", "#FFFFFF", "#16A086", "#A7EEE6"}},
    {"#3498DB", "#3498DB", {"#3498DB", "#FFFFFF", "#5DACE4", "#E5FEFF", "#2483C7", "#A0DAFB"}},
    {"#E74C3C", "#E74C3C", {"#E74C3C", "#FFFFFF", "#EC7064", "#FFF5E7", "#DC2D1A", "#F5A996"}},
};

const Preset* preset(int color) { return color >= 0 && color < 4 ? &kPresets[color] : nullptr; }

QString L(const char* s) { return QString::fromLatin1(s); }

} // namespace

C_Type_COM::C_Type_COM(QWidget* parent) : QWidget(parent) {}

void C_Type_COM::initForm() {}

void C_Type_COM::setTxtQss(QLineEdit* edit, QString normalColor, QString focusColor)
{
    QStringList qss;
    qss << QStringLiteral("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid %1;}")
               .arg(normalColor);
    qss << QStringLiteral("QLineEdit:focus{border:2px solid %1;}").arg(focusColor);
    edit->setStyleSheet(qss.join(QString()));
}

void C_Type_COM::setTxtQss(QLineEdit* edit, C_Color color)
{
    if (const Preset* p = preset(color))
        setTxtQss(edit, QStringLiteral("#DCE4EC"), L(p->edit));
}

void C_Type_COM::setBtnQss(QPushButton* button, QString normalBackground, QString normalText,
                           QString hoverBackground, QString hoverText, QString pressedBackground,
                           QString pressedText)
{
    button->setFocusPolicy(Qt::NoFocus);
    QStringList qss;
    qss << QStringLiteral("QPushButton{border-style:none;padding:3px;border-radius:5px;color:%1;background:%2;}")
               .arg(normalText)
               .arg(normalBackground);
    qss << QStringLiteral("QPushButton:hover{color:%1;background:%2;}").arg(hoverText).arg(hoverBackground);
    qss << QStringLiteral("QPushButton:pressed{color:%1;background:%2;}").arg(pressedText).arg(pressedBackground);
    button->setStyleSheet(qss.join(QString()));
}

void C_Type_COM::setBtnQss(QPushButton* button, C_Color color)
{
    if (const Preset* p = preset(color))
        setBtnQss(button, L(p->btn[0]), L(p->btn[1]), L(p->btn[2]), L(p->btn[3]), L(p->btn[4]), L(p->btn[5]));
}

void C_Type_COM::setBarQss(QProgressBar* bar, QString background, QString chunk)
{
    QStringList qss;
    qss << QStringLiteral("QProgressBar{font:9pt;height:%2px;background:%1;border-radius:%3px;"
                          "text-align:center;border:1px solid %1;}")
               .arg(background)
               .arg(8)
               .arg(8);
    qss << QStringLiteral("QProgressBar:chunk{border-radius:%2px;background-color:%1;}").arg(chunk).arg(8);
    bar->setStyleSheet(qss.join(QString()));
}

void C_Type_COM::setBarQss(QProgressBar*, C_Color) {}

void C_Type_COM::setSliderQss(QSlider* slider, QString groove, QString subPage, QString handle)
{
    QStringList qss;
    qss << QStringLiteral("QSlider::groove:horizontal,QSlider::add-page:horizontal{height:%2px;"
                          "border-radius:%3px;background:%1;}")
               .arg(groove)
               .arg(14)
               .arg(4);
    qss << QStringLiteral("QSlider::sub-page:horizontal{height:%2px;border-radius:%3px;background:%1;}")
               .arg(subPage)
               .arg(14)
               .arg(4);
    qss << QStringLiteral("QSlider::handle:horizontal{width:%2px;margin-top:-%3px;margin-bottom:-%3px;"
                          "border-radius:%4px;background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,"
                          "fx:0.5,fy:0.5,stop:0.6 #FFFFFF,stop:0.8 %1);}")
               .arg(handle)
               .arg(16)
               .arg(3)
               .arg(6);
    qss << QStringLiteral("QSlider {background:rgb(170,170,170);margin:5px;padding:2px;height:10px;"
                          "border-radius:4px}");
    qss << QStringLiteral("QSlider::sub-page:horizontal{background:qlineargradient(spread:pad, x1:0, y1:0, "
                          "x2:1, y2:0, stop:1 rgba(50,50,50, 255), stop:0 blue)}");
    slider->setStyleSheet(qss.join(QString()));
}

void C_Type_COM::setSliderQss(QSlider* slider, C_Color color)
{
    if (const Preset* p = preset(color))
        setSliderQss(slider, QStringLiteral("#FFFBF0"), L(p->slider), L(p->slider));
}
