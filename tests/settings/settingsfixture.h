#pragma once
// The real main window (in virtual time, as the cycle tests run it) with its
// settings window: opened as the settings command opens it, left through
// "Exit setup". Camera calls of the apply step are noted and still made;
// every box is answered by `answer` and its texts kept.
#include "../cycle/cyclefixture.h"
#include "params/procedures.h"
#include "platform/background.h"
#include "programlook.h"
#include "testenv.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/edit.h"
#include "widgets/uihost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <QStackedLayout>
#include <memory>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Multi-detection with four steps, each on its own output and trigger, the
// first naming input and output slot 0.
inline void setFourDetectionSteps(WizardPara& p)
{
    p.procedure = p.procedure_requested = ProcMultiDetect;
    p.detect_count = 4;
    p.detect_product = 1;
    for (int k = 0; k < 8; ++k) {
        p.output_row[k] = k < 4 ? k : -1;
        p.row_trigger[k] = k;
        p.input_name_index[k] = 0;
        p.output_name_index[k] = 0;
    }
}

class SettingsWindow : public CycleWindow {
protected:
    // The pages drawn in the font and style sheet the operator sees them in.
    void SetUp() override
    {
        CycleWindow::SetUp();
        look = std::make_unique<ProgramLook>();
    }
    void TearDown() override
    {
        EXPECT_TRUE(settle()) << "background work left running";
        holdParamSaves(false);
        settingshost::install({});
        CycleWindow::TearDown();
        look.reset();
    }
    std::unique_ptr<ProgramLook> look;
    // The program folder with `para`, the main window shown, English texts.
    void startShown(int lan = 1)
    {
        gLan = lan; // stored with the parameters: the start-up builds every text in it
        start();
        EXPECT_EQ(gLan, lan);
        settingshost::Hooks h = settingshost::hooks();
        h.cameraOp = [this](int slot, settingshost::CameraOp op, int step) {
            cameraCalls << QString("%1:%2:%3").arg(slot).arg(int(op)).arg(step);
            settingshost::directCameraOp(slot, op, step);
        };
        settingshost::install(h);
        window->resize(1920, 1080);
        window->show();
        boxes.clear();
    }
    SystemSettingWidget& settings() { return *window->settingsWindow; }
    // What the settings command does: the edit copy from the live record,
    // then the window shown (every page loads from the copy).
    void open()
    {
        *gpWParaBak = *gpWPara;
        window->mainStack->setCurrentIndex(1);
        ASSERT_TRUE(settings().isVisible());
        cameraCalls.clear();
        boxes.clear();
    }
    // An edit made as if on the pages: the copy changed, the pages reloaded.
    void edit(const std::function<void(WizardPara&)>& change)
    {
        change(*gpWParaBak);
        settings().WizardParaInit();
    }
    void exitSetup() { emit settings().exitButton()->pressed(); }
    // Until the background work of the commands (and what follows each
    // answer) is over; false when it did not end in time.
    static bool settle(int timeoutMs = 20000) { return testenv::settleBackground(timeoutMs); }
    bool settingsShown() { return window->mainStack->currentIndex() == 1; }
    // Every row of the parameter table, in name order.
    QStringList paramRows()
    {
        QStringList rows;
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        q.exec("select name, value from sysparam order by name");
        while (q.next())
            rows << q.value(0).toString() + '=' + q.value(1).toString();
        return rows;
    }
    QString paramValue(const QString& key)
    {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        q.prepare("select value from sysparam where name=?");
        q.addBindValue(key);
        q.exec();
        return q.next() ? q.value(0).toString() : QString();
    }
    // The parameter database refuses every write (as a read-only one does),
    // or takes them again.
    static void refuseParamWrites(bool refuse)
    {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        ASSERT_TRUE(q.exec(refuse ? "PRAGMA query_only=1" : "PRAGMA query_only=0"));
    }
    static QString op(int slot, settingshost::CameraOp o, int step = 0)
    {
        return QString("%1:%2:%3").arg(slot).arg(int(o)).arg(step);
    }

    QStringList cameraCalls;
};
