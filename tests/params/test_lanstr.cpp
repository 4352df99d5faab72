#include "params/lanstr.h"

#include "testenv.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

constexpr int kFilledRows = 579;
constexpr int kHighestRow = 592;
constexpr int kZh = 0, kEn = 1, kTw = 2;

std::string u8(const QString& s) { return s.toStdString(); }

class TextTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadTextTable(); }
    void SetUp() override { lan_ = gLan; }
    void TearDown() override { gLan = lan_; }

    static bool filled(int row)
    {
        for (int c = 0; c < kLanCols; ++c)
            if (!gaLanStr[row][c].isEmpty())
                return true;
        return false;
    }
    static std::vector<int> filledRows(int first = 0, int end = kLanRows)
    {
        std::vector<int> rows;
        for (int r = first; r < end; ++r)
            if (filled(r))
                rows.push_back(r);
        return rows;
    }
    // Placeholder numbers in text order, e.g. {5, 4} for "%5 / %4".
    static std::vector<int> placeholders(const QString& s)
    {
        std::vector<int> out;
        static const QRegularExpression re(QStringLiteral("%(\\d+)"));
        auto it = re.globalMatch(s);
        while (it.hasNext())
            out.push_back(it.next().captured(1).toInt());
        return out;
    }
    static bool startsWithComma(const QString& s)
    {
        return s.startsWith(QLatin1Char(',')) || s.startsWith(QChar(0xFF0C));
    }

private:
    int lan_ = 0;
};

TEST_F(TextTable, EveryListedRowHasAllThreeLanguages)
{
    const std::vector<int> rows = filledRows(0, kLanAddedFirst);
    EXPECT_EQ(int(rows.size()), kFilledRows);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    EXPECT_EQ(rows.back(), kHighestRow);

    for (int r : rows)
        for (int c = 0; c < kLanCols; ++c)
            EXPECT_FALSE(gaLanStr[r][c].trimmed().isEmpty()) << "row " << r << " column " << c;

    // The gaps in the numbering stay empty.
    std::vector<int> absent = {153, 321, 322, 567};
    for (int r = 530; r <= 539; ++r)
        absent.push_back(r);
    for (int r = kHighestRow + 1; r < kLanAddedFirst; ++r)
        absent.push_back(r);
    for (int r : absent)
        EXPECT_FALSE(filled(r)) << "row " << r;
}

// A text the program added is shown in whatever language is chosen, so no
// language may be left empty.
TEST_F(TextTable, AddedRowsHaveAllThreeLanguages)
{
    for (int r : filledRows(kLanAddedFirst)) {
        for (int c = 0; c < kLanCols; ++c)
            EXPECT_FALSE(gaLanStr[r][c].trimmed().isEmpty()) << "row " << r << " column " << c;
    }
}

// Areas add rows to one file side by side; a number given twice would make
// one text silently show another's words.
TEST_F(TextTable, EveryRowIsGivenOnceAndAddedRowsStayInTheirRange)
{
    std::map<int, QString> seen;
    for (const char* path : {":/text/lanstr.tsv", ":/text/lanstr-added.tsv"}) {
        QFile f(QString::fromLatin1(path));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path;
        const bool added = QString::fromLatin1(path).contains("added");
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            bool ok = false;
            const int row = line.left(line.indexOf('\t')).toInt(&ok);
            ASSERT_TRUE(ok) << path << ": " << line.left(40).toStdString();
            EXPECT_TRUE(seen.emplace(row, QString::fromLatin1(path)).second) << "row " << row << " given twice";
            EXPECT_EQ(added, row >= kLanAddedFirst) << "row " << row << " in " << path;
            EXPECT_LT(row, kLanRows);
        }
    }
}

TEST_F(TextTable, LanguagesCarryTheSamePlaceholders)
{
    static const QRegularExpression strayPercent(QStringLiteral("%(?![1-6])"));
    for (int r : filledRows()) {
        std::vector<int> en = placeholders(gaLanStr[r][kEn]);
        std::multiset<int> want(en.begin(), en.end());
        for (int c = 0; c < kLanCols; ++c) {
            const QString& cell = gaLanStr[r][c];
            const std::vector<int> got = placeholders(cell);
            EXPECT_EQ(std::multiset<int>(got.begin(), got.end()), want) << "row " << r << " column " << c;
            // A lone '%' is a mistyped placeholder that arg() would leave in sight.
            EXPECT_FALSE(strayPercent.match(cell).hasMatch()) << "row " << r << " column " << c << ": " << u8(cell);
        }
        // arg() fills the lowest number first: numbers must run 1..n without gaps.
        for (int n = 1; n <= int(want.size()); ++n)
            EXPECT_EQ(want.count(n), 1u) << "row " << r << " placeholder %" << n;
    }
}

TEST_F(TextTable, ChangeRecordFragmentsStartWithACommaInEveryLanguage)
{
    std::set<int> fragments = {85, 86, 87, 88, 90, 91, 92, 94, 95, 96, 98, 245, 246, 247, 249, 365};
    for (int r = 236; r <= 240; ++r)
        fragments.insert(r);

    std::set<int> seen;
    for (int r : filledRows()) {
        bool any = false;
        for (int c = 0; c < kLanCols; ++c)
            any = any || startsWithComma(gaLanStr[r][c]);
        if (!any)
            continue;
        seen.insert(r);
        for (int c = 0; c < kLanCols; ++c)
            EXPECT_TRUE(startsWithComma(gaLanStr[r][c])) << "row " << r << " column " << c;
    }
    EXPECT_EQ(seen, fragments);
}

TEST_F(TextTable, OutsideTheTableReadsEmpty)
{
    EXPECT_TRUE(LanStr(-1).isEmpty());
    EXPECT_TRUE(LanStr(kLanRows).isEmpty());
    EXPECT_TRUE(LanStr(5, 7).isEmpty());
    EXPECT_TRUE(LanStr(5, -1).isEmpty());
    EXPECT_TRUE(LanStr(5, kLanCols).isEmpty());
    for (int lan = 0; lan < kLanCols; ++lan) {
        gLan = lan;
        for (int r = kHighestRow + 1; r < kLanAddedFirst; ++r)
            EXPECT_TRUE(LanStr(r).isEmpty()) << "row " << r << " language " << lan;
    }
}

TEST_F(TextTable, ReadsTheColumnOfTheCurrentLanguage)
{
    const QString names[kLanCols] = {QStringLiteral("简体中文"), QStringLiteral("English"),
                                     QStringLiteral("繁體中文")};
    for (int lan = 0; lan < kLanCols; ++lan) {
        gLan = lan;
        EXPECT_EQ(u8(LanStr(317)), u8(names[lan]));
    }
    for (int r : {364, 469})
        for (int c = 0; c < kLanCols; ++c)
            EXPECT_EQ(u8(LanStr(r, c)), u8(LanStr(r, kEn))) << "row " << r;
    EXPECT_EQ(u8(LanStr(364, kZh)), "Gamma");
    EXPECT_EQ(u8(LanStr(469, kTw)), "%1#");
}

TEST_F(TextTable, PlaceholdersMayComeInAnotherOrderPerLanguage)
{
    auto fill = [](int c) {
        return LanStr(218, c).arg(QStringLiteral("C1"), QStringLiteral("D2"), QStringLiteral("M3"),
                                  QStringLiteral("T4"), QStringLiteral("N5"), QStringLiteral("X6"));
    };
    EXPECT_EQ(u8(fill(kEn)), "camera C1 detection D2 M3  N5 / T4    X6");
    for (int c : {kZh, kTw}) {
        const QString s = fill(c);
        EXPECT_LT(s.indexOf(QLatin1String("T4")), s.indexOf(QLatin1String("N5"))) << u8(s);
        EXPECT_FALSE(s.contains(QLatin1Char('%'))) << u8(s);
    }
}

TEST_F(TextTable, StartupMessagesInEnglish)
{
    EXPECT_EQ(u8(LanStr(135, kEn)), "Database failed to open, please restart!");
    EXPECT_EQ(u8(LanStr(160, kEn)),
              "System parameter file error, please \r\n restore parameter group \r\n or contact supplier");
    EXPECT_EQ(u8(LanStr(286, kEn).arg(QStringLiteral("G7"))), "Restore the parameter group to G7");
}

TEST_F(TextTable, LineBreaksFollowEachLanguage)
{
    static const QRegularExpression loneLf(QStringLiteral("(?<!\\r)\\n"));
    static const QRegularExpression loneCr(QStringLiteral("\\r(?!\\n)"));
    for (int r : filledRows()) {
        for (int c = 0; c < kLanCols; ++c) {
            const QString& s = gaLanStr[r][c];
            EXPECT_FALSE(s.contains(QLatin1Char('\t'))) << "row " << r << " column " << c;
            EXPECT_FALSE(loneCr.match(s).hasMatch()) << "row " << r << " column " << c;
        }
        if (r != 458) {
            EXPECT_FALSE(loneLf.match(gaLanStr[r][kEn]).hasMatch()) << "row " << r;
        }
    }
    EXPECT_EQ(u8(LanStr(458, kEn)), "calibrate \n touch screen");

    for (int c : {kZh, kTw}) {
        for (int r : {1, 160, 360, 418, 544}) {
            EXPECT_TRUE(LanStr(r, c).contains(QLatin1Char('\n'))) << "row " << r << " column " << c;
            EXPECT_FALSE(LanStr(r, c).contains(QLatin1Char('\r'))) << "row " << r << " column " << c;
        }
        for (int r : {115, 119, 134, 276}) {
            EXPECT_TRUE(LanStr(r, c).contains(QLatin1String("\r\n"))) << "row " << r << " column " << c;
            EXPECT_FALSE(loneLf.match(LanStr(r, c)).hasMatch()) << "row " << r << " column " << c;
        }
    }
}

// Catches a column filled with the wrong language or left untranslated.
TEST_F(TextTable, EachColumnHoldsItsOwnScript)
{
    // Pairs of simplified / traditional forms that are common in the texts.
    const QString simplified = QStringLiteral("区设检测门开关数删确认输请错误为个张号显图时动还读发变连网录库报统启组选级帮");
    const QString traditional = QStringLiteral("區設檢測門開關數刪確認輸請錯誤為個張號顯圖時動還讀發變連網錄庫報統啟組選級幫");
    ASSERT_EQ(simplified.size(), traditional.size());
    const std::set<int> sameInAllLanguages = {46, 329, 364, 460, 461, 462, 463, 464, 465, 466, 467, 469,
                                              // region panel: output numbers and nudge steps
                                              700, 701, 702, 703, 704, 705, 706, 707, 708,
                                              // the verdict marks of the camera views
                                              802, 803,
                                              // the slider's step keys
                                              1353, 1354,
                                              // journal records that the reporting client reads
                                              605, 1490, 1491, 1492};

    auto hasHan = [](const QString& s) {
        for (QChar ch : s)
            if (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF)
                return true;
        return false;
    };
    auto hasAnyOf = [](const QString& s, const QString& set) {
        for (QChar ch : s)
            if (set.contains(ch))
                return true;
        return false;
    };

    int traditionalDiffers = 0;
    for (int r : filledRows()) {
        const QString& zh = gaLanStr[r][kZh];
        const QString& en = gaLanStr[r][kEn];
        const QString& tw = gaLanStr[r][kTw];
        EXPECT_FALSE(hasHan(en)) << "row " << r << ": " << u8(en);
        EXPECT_FALSE(hasAnyOf(zh, traditional)) << "row " << r << ": " << u8(zh);
        EXPECT_FALSE(hasAnyOf(tw, simplified)) << "row " << r << ": " << u8(tw);
        if (sameInAllLanguages.count(r)) {
            EXPECT_TRUE(zh == en && tw == en) << "row " << r;
        } else {
            EXPECT_TRUE(hasHan(zh)) << "row " << r << ": " << u8(zh);
            EXPECT_TRUE(hasHan(tw)) << "row " << r << ": " << u8(tw);
        }
        if (zh != tw)
            ++traditionalDiffers;
    }
    // Most rows hold at least one character written differently.
    EXPECT_GT(traditionalDiffers, kFilledRows / 2);
}

TEST_F(TextTable, TellingRowsInAllThreeLanguages)
{
    struct Row {
        int row;
        const char* zh;
        const char* en;
        const char* tw;
    };
    const Row rows[] = {
        {0, "相机参数文件打开错误！", "Camera parameter file error!", "相機參數檔打開錯誤！"},
        {1, "区域参数文件错误，请还原\n参数组或联系供应商！",
         "Regional parameter file error, \r\n please restore the Parameter Group \r\n or contact the supplier!",
         "區域參數檔錯誤，請還原\n參數組或聯繫供應商！"},
        {135, "数据库打开失败，请重新启动！", "Database failed to open, please restart!", "資料庫打開失敗，請重新開機！"},
        {218, "%1号相机 %2检测 %3共%4张图片 当前为第%5张  %6", "camera %1 detection %2 %3  %5 / %4    %6",
         "%1號相機 %2檢測 %3共%4張圖片 當前為第%5張  %6"},
        {551, "重置参数", "restore factory set", nullptr},
        {552, "统计文件不存在，需要重启来生成它", nullptr, nullptr},
        {553, "冲压", nullptr, nullptr},
        {549, "早班 / 晚班", nullptr, "早班 / 晚班"},
        {554, "启用结果统计", nullptr, "啟用結果統計"},
        {555, "温度报警控制合模", nullptr, "溫度報警控制合模"},
        {557, "参数组", nullptr, "參數組"},
        {561, "方向识别", nullptr, "方向識別"},
    };
    for (const Row& t : rows) {
        EXPECT_EQ(u8(LanStr(t.row, kZh)), t.zh) << "row " << t.row;
        if (t.en) {
            EXPECT_EQ(u8(LanStr(t.row, kEn)), t.en) << "row " << t.row;
        }
        if (t.tw) {
            EXPECT_EQ(u8(LanStr(t.row, kTw)), t.tw) << "row " << t.row;
        }
    }
}

// Texts that every language once showed alike keep their words in the
// column of their own language.
TEST_F(TextTable, FormerFixedTextsKeepTheirOwnLanguage)
{
    struct Row {
        int row;
        int column;
        const char* text;
    };
    const Row rows[] = {
        {800, kZh, "%1相机检测信息"}, {801, kZh, "温度报警"},
        {1321, kZh, "温度"}, {1322, kZh, "产出次数"}, {1323, kZh, "异常次数"}, {1324, kZh, "周期 %1"},
        {1325, kZh, "温度%1"}, {1326, kZh, "关闭"}, {1327, kEn, "OK"}, {1328, kEn, "No"},
        {1329, kEn, "Cancel"}, {1330, kEn, "Yes"}, {1331, kZh, "小写"}, {1332, kZh, "大写"},
        {1333, kZh, "符号"}, {1334, kZh, "取消"}, {1335, kZh, "确定"}, {1336, kZh, "退格"},
        {1337, kZh, "页码"}, {1338, kZh, "请输入正数"}, {1339, kZh, "页"}, {1340, kZh, "模内监控器"},
        {1341, kZh, "您没有权限添加该账户!"}, {1342, kZh, "账户已存在!"}, {1343, kZh, "账户添加成功!"},
        {1344, kEn, "You can not delete youself!"}, {1345, kEn, "The user is not exist!"},
        {1346, kEn, "You do not have permission to delete the user!"}, {1347, kZh, "旧密码不正确!"},
        {1348, kZh, "密码已更新!"}, {1349, kZh, "密码错误!"}, {1350, kZh, "账户切换成功!"},
        {1351, kEn, "warning"}, {1352, kEn, "No permission !"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(u8(LanStr(r.row, r.column)), r.text) << "row " << r.row;
}

// String literals of a C++ source, comments left out, with their line numbers.
std::vector<std::pair<int, QString>> stringLiterals(const QString& code)
{
    std::vector<std::pair<int, QString>> out;
    int line = 1;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == '\n') {
            ++line;
        } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
            while (i + 1 < code.size() && code[i + 1] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '*') {
            for (i += 2; i + 1 < code.size() && !(code[i] == '*' && code[i + 1] == '/'); ++i)
                line += code[i] == '\n';
            ++i;
        } else if (c == '"' || c == '\'') {
            QString literal;
            for (++i; i < code.size() && code[i] != c && code[i] != '\n'; ++i) {
                if (code[i] == '\\' && i + 1 < code.size())
                    literal += code[i++];
                literal += code[i];
            }
            if (c == '"')
                out.emplace_back(line, literal);
        }
    }
    return out;
}

// A caption written into the code in Chinese shows Chinese to every operator:
// the screens' texts come from the table. The IO name table (three languages
// side by side) and icon file names are the exceptions.
TEST_F(TextTable, ScreenSourcesHoldNoChineseCaptions)
{
    const auto literals = stringLiterals(QStringLiteral("a = \"x\\\"\"; // \"no\"\n/* \"no\" */ b(\"y\", '\"');"));
    ASSERT_EQ(literals.size(), 2u);
    EXPECT_EQ(literals[0].second, QStringLiteral("x\\\""));
    EXPECT_EQ(literals[1].second, QStringLiteral("y"));

    const QRegularExpression han(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    QStringList found;
    int files = 0;
    for (const char* area : {"monitor", "camera", "editor", "statistics", "widgets", "params"}) {
        QDirIterator it(testenv::sourceDir() + '/' + area, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String("params/procedures.cpp")))
                continue;
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << u8(path);
            ++files;
            for (const auto& [line, text] : stringLiterals(QString::fromUtf8(f.readAll())))
                if (text.contains(han) && !text.contains(QLatin1String(".png")))
                    found << QStringLiteral("%1:%2: %3").arg(path.mid(testenv::sourceDir().size() + 1)).arg(line).arg(text);
        }
    }
    EXPECT_GT(files, 50);
    EXPECT_TRUE(found.isEmpty()) << u8(found.join('\n'));
}

} // namespace
