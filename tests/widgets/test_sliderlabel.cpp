#include "kittest.h"

#include "widgets/keyboards.h"
#include "widgets/modal.h"
#include "widgets/sliderlabel.h"

#include <QSignalSpy>
#include <QSlider>
#include <QtTest/QTest>

namespace {

// A settings page: a slider, its label, and the page's own label writer
// (value / scale with format 'g', as the delay sliders are shown).
class SliderLabels : public KitTest {
protected:
    void TearDown() override
    {
        setModalRunner({});
        KitTest::TearDown();
    }
    void build(int min, int max, int value, int scale, KeyboardType type = KeyboardDigital)
    {
        slider.reset(new QSlider(Qt::Horizontal));
        slider->setRange(min, max);
        slider->setValue(value);
        label.reset(new BlineLabel(slider.get(), nullptr, "Delay", "0.1 s steps", type));
        label->setScale(scale);
        QObject::connect(slider.get(), &QSlider::valueChanged, [this, scale](int v) {
            label->setText(scale == 1 ? QString::number(v) : QString::number(v / double(scale), 'g'));
        });
        label->setText(scale == 1 ? QString::number(value) : QString::number(value / double(scale), 'g'));
    }
    // Touches the label and answers its keyboard with `typed` (or cancels).
    void enter(const QString& typed, bool accept = true)
    {
        setModalRunner([&, typed, accept](QDialog& d) {
            auto& k = dynamic_cast<KeyboardDialog&>(d);
            startedEmpty = k.getText().isEmpty();
            full = dynamic_cast<FullKeyboard*>(&k) != nullptr;
            k.lineEdit()->setText(typed);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        });
        QTest::mouseClick(label.get(), Qt::LeftButton);
    }
    std::unique_ptr<QSlider> slider;
    std::unique_ptr<BlineLabel> label;
    bool startedEmpty = false;
    bool full = false;
};

} // namespace

// The typed number lands on the slider's own scale, below and above 1.
TEST_F(SliderLabels, TypedValueOnTheSlidersScale)
{
    struct Case {
        int scale;
        const char* typed;
        int stored;
    };
    const Case cases[] = {
        {10, "0.5", 5}, {10, "1.5", 15}, {10, "2.3", 23}, {10, "5", 50},     {10, "0.05", 0},
        {10, "99", 100}, // the slider's range still bounds it
        {1, "25", 25},   {1, "2.5", 2},  {1, "0.5", 0},   {1, ".", 0},       {1, "7.", 7},
        {1, "1e99", 100},
    };
    for (const Case& c : cases) {
        build(0, 100, 33, c.scale);
        enter(c.typed);
        EXPECT_TRUE(startedEmpty);
        EXPECT_FALSE(full);
        EXPECT_EQ(slider->value(), c.stored) << c.scale << " " << c.typed;
    }
}

TEST_F(SliderLabels, CancelRestoresTextAndValue)
{
    for (bool acceptEmpty : {false, true}) {
        build(0, 100, 15, 10);
        QSignalSpy changed(slider.get(), &QSlider::valueChanged);
        enter(acceptEmpty ? "" : "7", acceptEmpty);
        EXPECT_EQ(label->text(), QString("1.5"));
        EXPECT_EQ(slider->value(), 15);
        EXPECT_EQ(changed.count(), 0);
    }
}

// A repeated number leaves the slider as it was, yet the page hears of it
// and rewrites the label in its own format.
TEST_F(SliderLabels, RepeatedNumberStillReachesThePage)
{
    struct Case {
        int scale;
        const char* typed;
        int stored;
        const char* shown;
    };
    const Case cases[] = {{1, "30", 30, "30"}, {10, "2.5", 25, "2.5"}, {10, "0.5", 5, "0.5"}, {10, "2.50", 25, "2.5"}};
    for (const Case& c : cases) {
        build(0, 100, 0, c.scale);
        enter(c.typed);
        ASSERT_EQ(slider->value(), c.stored);
        QSignalSpy changed(slider.get(), &QSlider::valueChanged);
        enter(c.typed);
        EXPECT_EQ(slider->value(), c.stored);
        ASSERT_EQ(changed.count(), 1) << c.typed;
        EXPECT_EQ(changed.first().first().toInt(), c.stored);
        EXPECT_EQ(label->text(), QString(c.shown));
    }
}

TEST_F(SliderLabels, RightPressOnlyEmptiesTheLabel)
{
    build(0, 100, 40, 1);
    bool asked = false;
    setModalRunner([&](QDialog&) {
        asked = true;
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(label.get(), Qt::RightButton);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(label->text().isEmpty());
    EXPECT_EQ(slider->value(), 40);
}

TEST_F(SliderLabels, FullKeyboardEntry)
{
    build(10, 100, 40, 1, KeyboardFull);
    enter("ABC");
    EXPECT_TRUE(full);
    EXPECT_EQ(slider->value(), 10); // letters read as 0, then the range
    enter("55");
    EXPECT_EQ(slider->value(), 55);
    EXPECT_EQ(label->text(), QString("55"));
}

TEST_F(SliderLabels, ShowsTheSlidersValueWhenBuilt)
{
    QSlider s;
    s.setRange(0, 500);
    s.setValue(321);
    BlineLabel l(&s, nullptr, "t", "h", KeyboardDigital);
    EXPECT_EQ(l.text(), QString("321"));
    EXPECT_EQ(l.scale(), 1);
}
