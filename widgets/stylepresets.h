#pragma once
// Style sheets for line edits, push buttons, progress bars and horizontal
// sliders, from explicit colours or from one of four colour presets.
#include <QString>
#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

class C_Type_COM : public QWidget {
    Q_OBJECT
public:
    enum C_Color { C_Color0 = 0, C_Color1 = 1, C_Color2 = 2, C_Color3 = 3 };

    explicit C_Type_COM(QWidget* parent = nullptr);

    void setTxtQss(QLineEdit* edit, QString normalColor, QString focusColor);
    void setTxtQss(QLineEdit* edit, C_Color color);
    void setBtnQss(QPushButton* button, QString normalBackground, QString normalText, QString hoverBackground,
                   QString hoverText, QString pressedBackground, QString pressedText);
    void setBtnQss(QPushButton* button, C_Color color);
    void setBarQss(QProgressBar* bar, QString background, QString chunk);
    void setBarQss(QProgressBar* bar, C_Color color);
    void setSliderQss(QSlider* slider, QString groove, QString subPage, QString handle);
    void setSliderQss(QSlider* slider, C_Color color);

public slots:
    void initForm();
};
