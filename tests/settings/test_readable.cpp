// Every word on the panel can be read: each settings page, every warning and
// question the program shows, the keyboards, keypads and dialogs, in the
// three languages at 1920 x 1080 and in the program's own look. A caption
// its widget cuts off fails; the pictures are kept for a person to look at.
#include "settingsfixture.h"

#include "captions.h"
#include "testenv.h"

#include "settings/advancefuncwidget.h"
#include "settings/customionamewidget.h"
#include "settings/lightsettingdialog.h"
#include "settings/pagekit.h"
#include "widgets/keyboards.h"
#include "widgets/keypads.h"
#include "widgets/modifytimewidget.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

// The rows the program hands to its warning and question boxes, read from
// its sources, so that a box added later is checked too.
QList<int> boxRows()
{
    const QRegularExpression call(QStringLiteral("show(?:Warn|Choose)Box\\(\\s*LanStr\\((\\d+)\\)"));
    QSet<int> rows;
    for (const char* area : {"monitor", "settings", "statistics", "editor", "camera", "cameradriver", "widgets",
                             "inspection", "netlink", "params"}) {
        QDirIterator it(testenv::sourceDir() + '/' + area, {"*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly))
                continue;
            auto m = call.globalMatch(QString::fromUtf8(f.readAll()));
            while (m.hasNext())
                rows.insert(m.next().captured(1).toInt());
        }
    }
    QList<int> sorted = rows.values();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

class Readable : public SettingsWindow {
protected:
    // Shown, checked, pictured (when named) and hidden again.
    void check(QWidget* w, const QString& what, const QString& picture = QString())
    {
        w->show();
        const QStringList cut = clippedCaptions(w);
        EXPECT_TRUE(cut.isEmpty()) << what.toStdString() << ": " << cut.join(" | ").toStdString();
        if (!picture.isEmpty())
            EXPECT_TRUE(w->grab().save(shots + '/' + picture + '-' + suffix() + ".png"));
        w->hide();
    }
    static QString suffix() { return QString::fromLatin1(gLan == 0 ? "zh" : gLan == 1 ? "en" : "zht"); }
    QString shots = QStringLiteral(SETTINGS_SHOT_DIR "/readable");
};

} // namespace

TEST_F(Readable, EveryCaptionFitsItsWidgetInEveryLanguage)
{
    ASSERT_TRUE(QDir().mkpath(shots));
    const QList<int> rows = boxRows();
    ASSERT_GT(rows.size(), 30) << "the sources were found";
    for (int lan : {0, 1, 2}) {
        SCOPED_TRACE(lan);
        startShown(lan);
        open();
        SystemSettingWidget& s = settings();
        // The factory rows shown too, as service staff see them.
        s.advanceFunctions->boxes[advancefunctions::kFactory]->setChecked(true);
        for (int i = 0; i < s.tabButtons().size(); ++i) {
            s.tabButtons()[i]->click();
            const QStringList cut = clippedCaptions(&s);
            EXPECT_TRUE(cut.isEmpty()) << "page " << i << ": " << cut.join(" | ").toStdString();
            EXPECT_TRUE(s.grab().save(QString("%1/page%2-%3.png").arg(shots).arg(i, 2, 10, QChar('0')).arg(suffix())));
        }

        for (int row : rows) {
            WarnBox warn(LanStr(568));
            warn.setText(LanStr(row));
            check(&warn, QString("warning %1").arg(row), row == 160 ? "warning" : QString());
            ChooseBox choose(LanStr(566));
            choose.setText(LanStr(row));
            check(&choose, QString("question %1").arg(row), row == 134 ? "question-nocamera" : QString());
        }

        DigitalKeyboard digital(LanStr(settingstext::kPasswordTitle), LanStr(settingstext::kPasswordHint), "");
        check(&digital, "numeric keyboard", "keyboard-numeric");
        FullKeyboard full(LanStr(401), "A-Z 0-9 _", "QMP_700");
        check(&full, "full keyboard", "keyboard-full");
        NumberInput numpad;
        check(&numpad, "keypad", "keypad");
        NumCharInput charpad;
        check(&charpad, "character keypad", "keypad-characters");
        PasswordBox password(LanStr(569));
        check(&password, "password box", "password");
        ModifyTimeWidget time(LanStr(401));
        check(&time, "date and time", "date-time");
        lightsettingdialog light;
        check(&light, "light dialog", "light");
        auto* names = window->findChild<CustomIONameWidget*>();
        ASSERT_TRUE(names);
        check(names, "IO names", "io-names");
        nextCase();
    }
}
