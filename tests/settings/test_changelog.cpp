// The journal phrases of a settings change, without a screen.
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/changelog.h"

#include <gtest/gtest.h>
#include <set>

namespace {

class ChangeLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadTextTable();
        gLan = 1;
    }
    void TearDown() override { gLan = 0; }
    WizardPara before;
};

// A new value for the entry that counts as a change of its kind.
void change(const ChangePhrase& e, WizardPara& p)
{
    if (e.form == ChangePhrase::Password) {
        setParamText(p.password, "secret");
        return;
    }
    int32_t& v = e.field(p);
    v = e.form == ChangePhrase::OnAtZero ? (v == 0 ? -1 : 0) : v + 7;
}

TEST_F(ChangeLog, ExactPhrases)
{
    struct Case {
        const char* name;
        std::function<void(WizardPara&)> from;
        std::function<void(WizardPara&)> to;
        int lan;
        QString text;
    };
    const std::vector<Case> cases = {
        {"exposure of camera 3, English spacing kept", [](WizardPara& p) { p.expose_time[2] = 30; },
         [](WizardPara& p) { p.expose_time[2] = 45; }, 1,
         ", The exposure time of camera 3is changed from 30 to 45 "},
        {"exposure of camera 3, simplified Chinese", [](WizardPara& p) { p.expose_time[2] = 30; },
         [](WizardPara& p) { p.expose_time[2] = 45; }, 0,
         QString::fromUtf8("，相机3的曝光时间由30改为45")},
        {"motion correction on", [](WizardPara& p) { p.enable_correct = -1; },
         [](WizardPara& p) { p.enable_correct = 0; }, 1, ", Motion correcte is changed to active"},
        {"motion correction off", [](WizardPara& p) { p.enable_correct = 0; },
         [](WizardPara& p) { p.enable_correct = -1; }, 1, ", Motion correcte is changed to deactive"},
        {"stop clamping on", [](WizardPara&) {}, [](WizardPara& p) { p.enable_stop_mold = 1; }, 1,
         ", Stop clamping when stopping detection is changed to Prohibit to clamp"},
        {"stop clamping off", [](WizardPara& p) { p.enable_stop_mold = 1; },
         [](WizardPara& p) { p.enable_stop_mold = 0; }, 1,
         ", Stop clamping when stopping detection is changed to Allow to clamp"},
        {"product delay", [](WizardPara& p) { p.detect_delay[0] = 5; },
         [](WizardPara& p) { p.detect_delay[0] = 15; }, 1,
         ", The time delay for detection Prodis changed from 5 to 15"},
        {"re-checks", [](WizardPara&) {}, [](WizardPara& p) { p.front_auto_check_time = 3; }, 1,
         ", The automatic redetecting times for detection Mold is changed from 0 to 3"},
        {"a value", [](WizardPara& p) { p.serial_port = 0; }, [](WizardPara& p) { p.serial_port = 2; }, 1,
         ", IO Port is changed from 0 to 2"},
        {"a switch off", [](WizardPara& p) { p.semi_auto = 1; }, [](WizardPara& p) { p.semi_auto = 0; }, 1,
         ", Semiauto is changed to deactive"},
        {"password, never its text", [](WizardPara& p) { setParamText(p.password, "1234"); },
         [](WizardPara& p) { setParamText(p.password, "98765"); }, 1, ", the password has been modified"},
        {"fields without a phrase", [](WizardPara&) {},
         [](WizardPara& p) {
             p.local_addr[0] = 10;
             p.detect_count = 5;
             p.output_row[2] = 3;
             p.input_name_index[1] = 4;
             p.temp_alarm_max[0] = 800;
             p.para_group = 2;
             p.cntnet_enable = 1;
             p.input_debounce_time = 3;
             p.factory_param = 1;
         },
         1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gLan = c.lan;
        WizardPara a, b;
        c.from(a);
        b = a;
        c.to(b);
        EXPECT_EQ(ChangeLogText(a, b), LanStr(235) + c.text);
    }
}

TEST_F(ChangeLog, EveryEntryChangedAloneGivesOnePhrase)
{
    const std::vector<ChangePhrase>& table = ChangePhrases();
    ASSERT_EQ(table.size(), 63u + 40u) << "63 entries and 5 values of 8 cameras";
    std::set<int32_t*> fields;
    for (const ChangePhrase& e : table) {
        WizardPara after = before;
        change(e, after);
        const QString phrase = PhraseText(e, before, after);
        EXPECT_FALSE(phrase.isEmpty()) << e.row;
        EXPECT_TRUE(phrase.startsWith(", ") || phrase.startsWith(", ")) << phrase.toStdString();
        EXPECT_EQ(ChangeLogText(before, after), LanStr(235) + phrase) << e.row;
        EXPECT_FALSE(phrase.contains("secret"));
        if (e.field) {
            EXPECT_TRUE(fields.insert(&e.field(before)).second) << "one entry per field: " << e.row;
        }
    }
}

TEST_F(ChangeLog, PhrasesFollowTheTableOrderAndCameraOneComesFirst)
{
    WizardPara after = before;
    QString expected = LanStr(235);
    for (const ChangePhrase& e : ChangePhrases()) {
        WizardPara one = before;
        change(e, one);
        expected += PhraseText(e, before, one);
        change(e, after);
    }
    EXPECT_EQ(ChangeLogText(before, after), expected);

    WizardPara two = before;
    two.expose_time[1] = 9;
    two.gamma[0] = 8;
    const QString text = ChangeLogText(before, two);
    EXPECT_LT(text.indexOf("Gamma of camera 1"), text.indexOf("camera 2"));
}

} // namespace
