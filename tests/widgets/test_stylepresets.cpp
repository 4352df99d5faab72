#include "kittest.h"

#include "widgets/stylepresets.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

using StylePresets = KitTest;

TEST_F(StylePresets, LineEditPresetTwoIsTheFieldStyle)
{
    QLineEdit edit;
    C_Type_COM().setTxtQss(&edit, C_Type_COM::C_Color2);
    EXPECT_EQ(edit.styleSheet(),
              QString("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid #DCE4EC;}"
                      "QLineEdit:focus{border:2px solid #3498DB;}"));
}

TEST_F(StylePresets, ButtonPresetsFillNormalHoverAndPressed)
{
    struct Case {
        int preset;
        const char* expected;
    };
    const Case cases[] = {
        {0, "QPushButton{border-style:none;padding:3px;border-radius:5px;color:#FFFFFF;background:#323232;}"
            "QPushButton:hover{color:#FFFFFF;background:#323232;}"
            "QPushButton:pressed{color:#FFFFFF;background:#C8934A;}"},
        {3, "QPushButton{border-style:none;padding:3px;border-radius:5px;color:#FFFFFF;background:#E74C3C;}"
            "QPushButton:hover{color:#FFF5E7;background:#EC7064;}"
            "QPushButton:pressed{color:#F5A996;background:#DC2D1A;}"},
    };
    for (const Case& c : cases) {
        QPushButton b;
        C_Type_COM().setBtnQss(&b, C_Type_COM::C_Color(c.preset));
        EXPECT_EQ(b.styleSheet(), QString(c.expected)) << c.preset;
        EXPECT_EQ(b.focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(StylePresets, PresetsOutsideTheFourLeaveWidgetsUntouched)
{
    QLineEdit edit;
    QPushButton button;
    QSlider slider;
    QProgressBar bar;
    for (QWidget* w : std::initializer_list<QWidget*>{&edit, &button, &slider, &bar})
        w->setStyleSheet("x{}");
    C_Type_COM com;
    com.setTxtQss(&edit, C_Type_COM::C_Color(4));
    com.setBtnQss(&button, C_Type_COM::C_Color(-1));
    com.setSliderQss(&slider, C_Type_COM::C_Color(7));
    com.setBarQss(&bar, C_Type_COM::C_Color1); // the preset form of the bar does nothing
    for (QWidget* w : std::initializer_list<QWidget*>{&edit, &button, &slider, &bar})
        EXPECT_EQ(w->styleSheet(), QString("x{}"));
    EXPECT_EQ(button.focusPolicy(), Qt::StrongFocus);
}

TEST_F(StylePresets, BarAndSliderRulesInTheirOrder)
{
    QProgressBar bar;
    C_Type_COM com;
    com.setBarQss(&bar, "#111", "#222");
    EXPECT_EQ(bar.styleSheet(),
              QString("QProgressBar{font:9pt;height:8px;background:#111;border-radius:8px;text-align:center;"
                      "border:1px solid #111;}QProgressBar:chunk{border-radius:8px;background-color:#222;}"));

    QSlider slider;
    com.setSliderQss(&slider, C_Type_COM::C_Color1);
    const QString s = slider.styleSheet();
    EXPECT_TRUE(s.startsWith("QSlider::groove:horizontal,QSlider::add-page:horizontal{height:14px;"
                             "border-radius:4px;background:#FFFBF0;}QSlider::sub-page:horizontal{height:14px;"
                             "border-radius:4px;background:#1ABC9C;}"));
    EXPECT_TRUE(s.contains("QSlider::handle:horizontal{width:16px;margin-top:-3px;margin-bottom:-3px;"
                           "border-radius:6px;"));
    EXPECT_TRUE(s.contains("stop:0.8 #1ABC9C);}QSlider {background:rgb(170,170,170);"));
    // The gradient rule comes last and so decides the filled part.
    EXPECT_TRUE(s.endsWith("stop:1 rgba(50,50,50, 255), stop:0 blue)}"));

    // Each call replaces the whole sheet.
    com.setSliderQss(&slider, C_Type_COM::C_Color3);
    EXPECT_EQ(slider.styleSheet().count("QSlider {background"), 1);
    EXPECT_FALSE(slider.styleSheet().contains("#1ABC9C"));
}
