// The multi-detection IO page: the locking matrix after each touch, the
// trigger lists that follow the line above, the step count, the repair of
// stored values that cannot be indexes, and confirming into the edit copy.
#include "pagefixture.h"

#include "params/procedures.h"
#include "settings/iowidget.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/kitstyle.h"
#include "widgets/msgbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <functional>
#include <memory>

namespace {

// What the operator sees of the shown lines: 'X' ticked, 'o' open, '-' locked.
std::string shownMatrix(const IOWidget& page)
{
    QStringList lines;
    for (IOCheckComBO* line : page.choiceRows) {
        if (line->isHidden())
            continue;
        QString s;
        for (CheckBox* box : line->stepBoxes)
            if (!box->isHidden())
                s += box->isChecked() ? 'X' : box->isCheckable() ? 'o' : '-';
        lines << s;
    }
    return lines.join(' ').toStdString();
}

} // namespace

class MultiDetectPage : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        unclaimed(live);
        setModalRunner([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return int(QDialog::Accepted);
        });
    }
    static void unclaimed(WizardPara& p)
    {
        for (int k = 0; k < 8; ++k)
            p.output_row[k] = -1;
    }
    // The page as start-up makes it from the live record, shown.
    std::unique_ptr<IOWidget> makePage()
    {
        auto page = std::make_unique<IOWidget>(nullptr);
        page->show();
        return page;
    }
    void touch(IOWidget& page, int line, int step)
    {
        QTest::mouseClick(page.choiceRows[line]->stepBoxes[step], Qt::LeftButton);
    }
    QStringList boxes;
};

TEST_F(MultiDetectPage, LockingMatrixAfterEachTouch)
{
    struct Touch {
        int line, step;
        const char* matrix;
    };
    const std::vector<std::pair<int, std::vector<Touch>>> sequences = {
        {3,
         {
             {0, 1, "oXo --o --o"}, // line 0 claims step 1: lines below may only claim step 2
             {1, 2, "oX- --X ---"}, // line 1 claims step 2: line 0 loses it, line 2 has nothing left
             {2, 0, "oX- --X ---"}, // a locked box takes no tick
             {0, 1, "oo- ooX ---"}, // released: what line 1's claim locks stays locked
             {0, 0, "Xo- -oX ---"},
             {0, 1, "XX- --X ---"}, // one line may claim several steps
             {1, 2, "XXo --o --o"},
             {2, 2, "XX- --- --X"},
         }},
        {5,
         {
             {2, 2, "oo--- oo--- ooXoo ---oo ---oo"},
             {4, 4, "oo--- oo--- ooXo- ---o- ---oX"},
             {0, 0, "Xo--- -o--- -oXo- ---o- ---oX"},
             {3, 3, "Xo--- -o--- -oX-- ---X- ----X"},
             {2, 2, "Xoo-- -oo-- -oo-- -ooX- ----X"}, // the other claims keep their locks
         }},
    };
    for (const auto& [steps, touches] : sequences) {
        SCOPED_TRACE(steps);
        live.detect_count = steps;
        auto page = makePage();
        EXPECT_EQ(shownMatrix(*page), page->model.matrix().toStdString());
        for (const Touch& t : touches) {
            touch(*page, t.line, t.step);
            EXPECT_EQ(shownMatrix(*page), t.matrix) << "after (" << t.line << ", " << t.step << ")";
            EXPECT_EQ(page->model.matrix().toStdString(), t.matrix);
        }
    }
    // The last state of the first sequence confirmed: lines 0, 0 and 2.
    live.detect_count = 3;
    auto page = makePage();
    for (const Touch& t : sequences[0].second)
        touch(*page, t.line, t.step);
    page->confirmButton->click();
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(page->isHidden());
    EXPECT_EQ(edit.detect_count, 3);
    const int claims[8] = {0, 0, 2, -1, -1, -1, -1, -1};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(edit.output_row[k], claims[k]) << k;
}

TEST_F(MultiDetectPage, ConfirmWithoutTheLastStepWarnsAndStoresNothing)
{
    const std::vector<std::vector<std::pair<int, int>>> cases = {
        {},
        {{0, 0}, {1, 1}},
        {{0, 0}, {0, 1}, {1, 2}}, // steps 0..2 of 4
    };
    live.detect_count = 4;
    for (const auto& ticks : cases) {
        auto page = makePage();
        for (auto [r, k] : ticks)
            touch(*page, r, k);
        const WizardPara before = edit;
        boxes.clear();
        page->confirmButton->click();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].contains(LanStr(512))) << boxes[0].toStdString();
        EXPECT_TRUE(edit.sameAs(before));
        EXPECT_TRUE(page->isVisible()) << "the page stays for the missing claim";
    }
}

TEST_F(MultiDetectPage, TriggerListsFollowTheLineAbove)
{
    live.detect_count = 8;
    live.input_name_index[3] = 9; // "Mac up"
    for (int r = 0; r < 8; ++r)
        live.row_trigger[r] = r < 3 ? r : 5;
    auto page = makePage();
    IOCheckComBO* const* rows = page->choiceRows;
    EXPECT_EQ(rows[1]->triggerBox->currentIndex(), 1) << "line 1 offers slots from line 0's on";
    EXPECT_EQ(rows[1]->triggerBox->count(), 8);
    EXPECT_EQ(rows[2]->triggerBox->count(), 7);

    rows[0]->triggerBox->setCurrentIndex(3); // the operator picks slot 3 on line 0
    EXPECT_EQ(page->model.trigger(0), 3);
    EXPECT_EQ(settingstest::comboItems(rows[1]->triggerBox).first(), "Mac up");
    EXPECT_EQ(rows[1]->triggerBox->count(), 5);
    const int triggers[8] = {3, 3, 3, 5, 5, 5, 5, 5};
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(page->model.trigger(r), triggers[r]) << r;
        EXPECT_EQ(page->model.triggerBase(r), r == 0 ? 0 : triggers[r - 1]) << r;
        EXPECT_EQ(rows[r]->triggerBox->currentText(), page->model.inputName(triggers[r])) << r;
    }
    // Moving line 0 back does not pull the others down.
    rows[0]->triggerBox->setCurrentIndex(0);
    EXPECT_EQ(page->model.trigger(1), 3);
    EXPECT_EQ(rows[1]->triggerBox->count(), 8);

    for (int r = 0; r < 8; ++r)
        rows[r]->stepBoxes[r]->click();
    page->confirmButton->click();
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(edit.row_trigger[r], r == 0 ? 0 : triggers[r]) << r;
}

TEST_F(MultiDetectPage, FewerStepsReleaseTheHiddenClaims)
{
    live.detect_count = 8;
    auto page = makePage();
    EXPECT_EQ(page->stepCountBox->currentText(), LanStr(507));
    for (int r = 0; r < 8; ++r)
        touch(*page, r, r);
    page->choiceRows[6]->cutModeBox->setCurrentIndex(2);
    page->choiceRows[1]->cutModeBox->setCurrentIndex(1);

    page->stepCountBox->setCurrentIndex(2); // "4 times"
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(page->choiceRows[r]->isVisible(), r < 4) << r;
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(page->choiceRows[0]->stepBoxes[k]->isVisible(), k < 4) << k;
    }
    EXPECT_EQ(shownMatrix(*page), "X--- -X-- --X- ---X");
    for (int k = 4; k < 8; ++k)
        EXPECT_EQ(page->model.stepChoice(k), -1) << k;

    page->confirmButton->click();
    EXPECT_EQ(edit.detect_count, 4);
    const int claims[8] = {0, 1, 2, 3, -1, -1, -1, -1};
    const int cuts[8] = {0, 1, 0, 0, 0, 0, 2, 0};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(edit.output_row[k], claims[k]) << k;
        EXPECT_EQ(edit.row_cut_mode[k], cuts[k]) << "all eight stored, hidden lines too: " << k;
    }
}

TEST_F(MultiDetectPage, StoredCountAndNamesShow)
{
    live.detect_count = 4;
    const int outNames[4] = {9, 10, 11, 12}; // Rot, L shift, R shift, Mov mol
    for (int j = 0; j < 4; ++j)
        live.output_name_index[j] = outNames[j];
    const int inNames[4] = {6, 1, 2, 3};
    for (int j = 0; j < 4; ++j)
        live.input_name_index[j] = inNames[j];
    auto page = makePage();
    EXPECT_EQ(page->stepCountBox->currentText(), "4 times");
    EXPECT_EQ(shownMatrix(*page), "oooo oooo oooo oooo");
    QStringList captions;
    for (int k = 0; k < 4; ++k)
        captions << page->choiceRows[0]->stepBoxes[k]->text();
    EXPECT_EQ(captions, QStringList({"L shift", "R shift", "Mov mol", "Rot"}));
    EXPECT_EQ(settingstest::comboItems(page->choiceRows[0]->triggerBox),
              QStringList({"Manip", "clo door", "op door", "Thim O"}));
}

TEST_F(MultiDetectPage, StoredValuesThatCannotBeIndexesAreRepaired)
{
    struct Case {
        const char* name;
        std::function<void(WizardPara&)> stored;
        const char* matrix;
        std::function<void(const MultiDetectModel&)> expect;
    };
    const std::vector<Case> cases = {
        {"count 9", [](WizardPara& p) { p.detect_count = 9; }, "oo oo",
         [](const MultiDetectModel& m) { EXPECT_EQ(m.stepCount(), 2); }},
        {"claims outside the lines", [](WizardPara& p) {
             p.detect_count = 3;
             p.output_row[0] = 12;
             p.output_row[1] = -5;
             p.output_row[2] = 1;
         },
         "oo- ooX ---",
         [](const MultiDetectModel& m) {
             EXPECT_EQ(m.stepChoice(0), -1);
             EXPECT_EQ(m.stepChoice(1), -1);
             EXPECT_EQ(m.stepChoice(2), 1);
         }},
        {"claims of hidden steps and by hidden lines", [](WizardPara& p) {
             p.detect_count = 2;
             p.output_row[0] = 5;
             p.output_row[1] = 1;
             p.output_row[6] = 0;
         },
         "o- oX",
         [](const MultiDetectModel& m) {
             EXPECT_EQ(m.stepChoice(0), -1);
             EXPECT_EQ(m.stepChoice(6), -1);
         }},
        {"claims out of order", [](WizardPara& p) {
             p.detect_count = 3;
             p.output_row[0] = 1;
             p.output_row[1] = 0;
         },
         "--- Xoo -oo",
         [](const MultiDetectModel& m) {
             EXPECT_EQ(m.stepChoice(0), 1);
             EXPECT_EQ(m.stepChoice(1), -1) << "refused by the first claim's lock, so released";
         }},
        {"trigger, cut mode and names outside their tables", [](WizardPara& p) {
             p.detect_count = 3;
             p.row_trigger[0] = 20;
             p.row_trigger[1] = -2;
             p.row_cut_mode[0] = 7;
             p.input_name_index[0] = 99;
             p.output_name_index[1] = 14;
             p.output_name_index[2] = -1;
         },
         "ooo ooo ooo",
         [](const MultiDetectModel& m) {
             EXPECT_EQ(m.trigger(0), 0);
             EXPECT_EQ(m.trigger(1), 0);
             EXPECT_EQ(m.cutMode(0), 0);
             EXPECT_EQ(m.inputNameIndex[0], -1) << "no name rather than the first one";
             EXPECT_EQ(m.outputNameIndex[1], -1);
             EXPECT_EQ(m.outputNameIndex[2], -1);
             EXPECT_EQ(m.inputName(0), "");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        live = FactoryParams();
        unclaimed(live);
        c.stored(live);
        auto page = makePage();
        EXPECT_EQ(shownMatrix(*page), c.matrix);
        c.expect(page->model);
        for (int r = 0; r < page->model.stepCount(); ++r)
            EXPECT_GE(page->choiceRows[r]->triggerBox->currentIndex(), 0) << r;
    }
}

TEST_F(MultiDetectPage, ResetReleasesEveryClaimAndKeepsTriggersAndCutModes)
{
    live.detect_count = 5;
    live.row_trigger[0] = 2;
    live.row_cut_mode[3] = 1;
    auto page = makePage();
    for (auto [r, k] : std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {2, 2}, {3, 4}})
        touch(*page, r, k);
    EXPECT_EQ(shownMatrix(*page), "XX--- ----- --Xo- ---oX -----");
    page->resetButton->click();
    EXPECT_EQ(shownMatrix(*page), "ooooo ooooo ooooo ooooo ooooo");
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(page->model.stepChoice(k), -1) << k;
    EXPECT_EQ(page->model.trigger(0), 2);
    EXPECT_EQ(page->model.cutMode(3), 1);
}

TEST_F(MultiDetectPage, Screenshots)
{
    live.detect_count = 5;
    live.output_name_index[1] = 9;
    for (int lan : {1, 0}) {
        gLan = lan;
        auto page = makePage();
        page->choiceRows[0]->triggerBox->setCurrentIndex(0);
        for (auto [r, k] : std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {1, 2}, {2, 4}})
            touch(*page, r, k);
        page->choiceRows[1]->cutModeBox->setCurrentIndex(1);
        for (QWidget* child : page->findChildren<QWidget*>()) {
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(child))
                text = b->text();
            if (!dynamic_cast<ColorButton*>(child)) {
                EXPECT_TRUE(drawsEveryCharacter(text, child->font())) << text.toStdString();
            }
        }
        const QString shot = lan == 0 ? "/multidetect-zh.png" : "/multidetect-en.png";
        EXPECT_TRUE(page->grab().save(settingstest::shotDir() + shot));
    }
}
