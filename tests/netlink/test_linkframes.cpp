// The link's wire format without a socket: frame heads counted in UTF-8
// bytes, form values that cannot break their pairs, the switch file, and the
// reply parser over merged, split, broken and fuzzed streams.
#include "netlink/linkframes.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace linkframe;

namespace {

struct Got {
    ReplyKind kind;
    int session;
    QByteArray body;
    bool operator==(const Got& o) const { return kind == o.kind && session == o.session && body == o.body; }
};

std::vector<Got> toGot(const QList<Reply>& replies, bool dropInvalid = false)
{
    std::vector<Got> out;
    for (const Reply& r : replies)
        if (!(dropInvalid && r.kind == ReplyKind::Invalid))
            out.push_back({r.kind, r.sessionId, r.body});
    return out;
}

std::vector<Got> parseWhole(const QByteArray& stream)
{
    ReplyParser p;
    return toGot(p.feed(stream));
}

std::vector<Got> parseInPieces(const QByteArray& stream, const std::vector<int>& cuts)
{
    ReplyParser p;
    QList<Reply> all;
    int from = 0;
    for (int cut : cuts) {
        all += p.feed(stream.mid(from, cut - from));
        from = cut;
    }
    all += p.feed(stream.mid(from));
    return toGot(all);
}

std::string describe(const std::vector<Got>& v)
{
    std::string s;
    for (const Got& g : v)
        s += std::to_string(int(g.kind)) + "/" + std::to_string(g.session) + "/" + g.body.toStdString() + " ";
    return s;
}

} // namespace

TEST(LinkFrames, HeadCountsUtf8BytesOfTheBody)
{
    const QByteArray ascii37(37, 'x');
    struct Case {
        int kind;
        QString body;
        QByteArray head;
    } cases[] = {
        {6, QString::fromLatin1(ascii37), "6:37:..!"},
        {14, QString(), "14:0:..!"},
        {17, QString(), "17:0:..!"},
        {18, QStringLiteral("正在检测"), "18:12:..!"},           // 4 characters, 12 bytes
        {1, QStringLiteral("Camera 1 报警"), "1:15:..!"},       // 11 characters, 15 bytes
        {2, QStringLiteral("é"), "2:2:..!"},
        {20, QStringLiteral("\U0001F600"), "20:4:..!"},         // outside the basic plane
    };
    for (const Case& c : cases) {
        const QByteArray frame = makeFrame(c.kind, c.body.toUtf8());
        EXPECT_EQ(frame, c.head + c.body.toUtf8()) << c.kind;
        EXPECT_EQ(frameHead(c.kind, c.body.toUtf8().size()), c.head);
    }
    EXPECT_EQ(frameHead(6, 37).size(), 8);
}

TEST(LinkFrames, FormValuesKeepTheirPairs)
{
    struct Case {
        QString value;
        QByteArray encoded;
    } cases[] = {
        {QStringLiteral("plain text 1"), "plain text 1"},
        {QStringLiteral("a&b=c"), "a%26b%3Dc"},
        {QStringLiteral("50%+1"), "50%25%2B1"},
        {QStringLiteral("line\r\nnext\t"), "line%0D%0Anext%09"},
        {QStringLiteral("模具 1 报警"), QStringLiteral("模具 1 报警").toUtf8()},
        {QString(), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formEncode(c.value), c.encoded) << c.value.toStdString();

    const QByteArray body = FormBody()
                                .add("device_id", QStringLiteral("panel"))
                                .add("operater", QStringLiteral("x=1&y"))
                                .add("utc", qint64(1767254400123))
                                .bytes();
    EXPECT_EQ(body, QByteArray("device_id=panel&operater=x%3D1%26y&utc=1767254400123"));
    EXPECT_EQ(body.split('&').size(), 3);
}

TEST(LinkFrames, SwitchFileTurnsOffOnlyLiteralFalse)
{
    struct Case {
        QByteArray file;
        std::vector<int> off;
    } cases[] = {
        {"{\"7\": false, \"18\": 0}", {7}},
        {"{\"7\": \"false\", \"2\": null, \"3\": true}", {}},
        {"{\"0\": false, \"20\": false, \"21\": false, \"x\": false}", {0, 20}},
        {"not json", {}},
        {"", {}},
        {"[false, false]", {}},
        {QByteArray("{\"5\": false}\0garbage", 21), {5}},
    };
    for (const Case& c : cases) {
        const auto on = parseSendSwitch(c.file);
        for (int k = 0; k < kKinds; ++k) {
            const bool expectOff = std::find(c.off.begin(), c.off.end(), k) != c.off.end();
            EXPECT_EQ(on[size_t(k)], !expectOff) << c.file.constData() << " kind " << k;
        }
    }
}

TEST(LinkFrames, ReplyTable)
{
    const QByteArray products = "{\"result\":[{\"product_name\":\"A&B\"},{\"product_name\":\"模具\"}]}";
    struct Case {
        const char* name;
        QByteArray stream;
        std::vector<Got> expected;
    } cases[] = {
        {"ack", "/back/\r\n\r\n", {{ReplyKind::Ack, 0, ""}}},
        {"ack without terminator waits", "/back/", {}},
        {"heartbeat anywhere in line 0", "xx/heart/yy\r\n\r\n", {{ReplyKind::Heartbeat, 0, ""}}},
        {"restart", "/reline/\r\n\r\n", {{ReplyKind::Restart, 0, ""}}},
        {"ack is looked for first", "/heart//back/\r\n\r\n", {{ReplyKind::Ack, 0, ""}}},
        {"only line 0 counts", "hello\r\n/back/\r\n\r\n", {{ReplyKind::Invalid, 0, ""}}},
        {"two replies in one read", "/back/\r\n\r\n/heart/\r\n\r\n",
         {{ReplyKind::Ack, 0, ""}, {ReplyKind::Heartbeat, 0, ""}}},
        {"product list", "POST /\r\nSessionId: 14\r\n\r\n" + products,
         {{ReplyKind::Session, 14, products}}},
        {"last session line wins", "SessionId: 14\r\nSessionId : 17 \r\n\r\n[]", {{ReplyKind::Session, 17, "[]"}}},
        {"session number not a number", "SessionId: abc\r\n\r\n{}", {{ReplyKind::Session, 0, "{}"}}},
        {"two colons give no number", "SessionId: 1:4\r\n\r\n", {{ReplyKind::Invalid, 0, ""}}},
        {"terminator inside a string stays in the body",
         "SessionId: 17\r\n\r\n{\"a\":\"x\\\"\r\n\r\ny}\"}/back/\r\n\r\n",
         {{ReplyKind::Session, 17, "{\"a\":\"x\\\"\r\n\r\ny}\"}"}, {ReplyKind::Ack, 0, ""}}},
        {"session head without body, then an ack", "SessionId: 14\r\n\r\n/back/\r\n\r\n",
         {{ReplyKind::Session, 14, ""}, {ReplyKind::Ack, 0, ""}}},
        {"body followed by its own terminator and an ack",
         "SessionId: 14\r\n\r\n" + products + "\r\n\r\n/back/\r\n\r\n",
         {{ReplyKind::Session, 14, products}, {ReplyKind::Ack, 0, ""}}},
        {"broken body ends at the next terminator",
         "SessionId: 14\r\n\r\n{\"result\": [\r\n\r\n/back/\r\n\r\n",
         {{ReplyKind::Session, 14, "{\"result\": ["}, {ReplyKind::Ack, 0, ""}}},
        {"garbage head", "\x01\x02zzz\r\n\r\n/heart/\r\n\r\n",
         {{ReplyKind::Invalid, 0, ""}, {ReplyKind::Heartbeat, 0, ""}}},
        {"blank spacing is no reply", "\r\n\r\n\r\n\r\n/back/\r\n\r\n", {{ReplyKind::Ack, 0, ""}}},
    };
    for (const Case& c : cases) {
        const std::vector<Got> whole = parseWhole(c.stream);
        EXPECT_EQ(whole, c.expected) << c.name << ": " << describe(whole);
        // The same replies whatever the reads: byte by byte, and cut once
        // at every position.
        std::vector<int> everyByte;
        for (int i = 1; i < c.stream.size(); ++i)
            everyByte.push_back(i);
        EXPECT_EQ(parseInPieces(c.stream, everyByte), c.expected) << c.name << " byte by byte";
        for (int cut = 1; cut < c.stream.size(); ++cut)
            ASSERT_EQ(parseInPieces(c.stream, {cut}), c.expected) << c.name << " cut at " << cut;
    }
}

TEST(LinkFrames, ParserBufferIsBounded)
{
    // A head that never ends: kept to the capacity; an acknowledgement after
    // it is still understood.
    ReplyParser p;
    const QByteArray noise(200000, 'z');
    for (int i = 0; i < noise.size(); i += 4096) {
        EXPECT_TRUE(p.feed(noise.mid(i, 4096)).isEmpty());
        EXPECT_LE(p.buffered(), ReplyParser::kCapacity);
    }
    EXPECT_GT(p.discardedBytes(), 0u);
    EXPECT_EQ(toGot(p.feed("/back/\r\n\r\n")), (std::vector<Got>{{ReplyKind::Ack, 0, ""}}));

    // A body too large for a reply is dropped with its head.
    ReplyParser q;
    q.feed("SessionId: 14\r\n\r\n{\"result\":\"");
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(q.feed(QByteArray(8192, 'a')).isEmpty());
    EXPECT_LE(q.buffered(), ReplyParser::kCapacity);
    EXPECT_EQ(toGot(q.feed("\"}/back/\r\n\r\n"), true), (std::vector<Got>{{ReplyKind::Ack, 0, ""}}));
}

TEST(LinkFrames, FuzzedReplyStreamKeepsEveryValidReply)
{
    std::mt19937 rng(20260115);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    for (int round = 0; round < 200; ++round) {
        QByteArray stream;
        std::vector<Got> expected;
        const int tokens = 1 + pick(30);
        for (int t = 0; t < tokens; ++t) {
            switch (pick(5)) {
            case 0:
                stream += "/back/\r\n\r\n";
                expected.push_back({ReplyKind::Ack, 0, ""});
                break;
            case 1:
                stream += "/heart/\r\n\r\n";
                expected.push_back({ReplyKind::Heartbeat, 0, ""});
                break;
            case 2: {
                const QByteArray body = "{\"result\":[{\"product_name\":\"p" + QByteArray::number(pick(1000))
                    + "\\\"}{\"}]}";
                const int id = pick(2) ? 14 : 17;
                stream += "SessionId: " + QByteArray::number(id) + "\r\n\r\n" + body;
                expected.push_back({ReplyKind::Session, id, body});
                break;
            }
            default: {
                // Random bytes that hold no reply text, then a terminator to
                // resynchronise.
                QByteArray junk;
                const int n = pick(300);
                for (int i = 0; i < n; ++i) {
                    char c = char(pick(256));
                    if (c == '/' || c == 'S')
                        c = '.';
                    junk += c;
                }
                stream += junk + "\r\n\r\n";
                break;
            }
            }
        }
        std::vector<int> cuts;
        for (int i = 1; i < stream.size(); i += 1 + pick(64))
            cuts.push_back(i);
        ReplyParser p;
        QList<Reply> all;
        int from = 0;
        for (int cut : cuts) {
            all += p.feed(stream.mid(from, cut - from));
            ASSERT_LE(p.buffered(), ReplyParser::kCapacity);
            from = cut;
        }
        all += p.feed(stream.mid(from));
        ASSERT_EQ(toGot(all, true), expected) << "round " << round;
    }
}
