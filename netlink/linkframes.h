#pragma once
// The reporting link's wire format, kept free of sockets and threads so that
// every byte can be tested alone.
//
// Frame (monitor -> client): the head "<kind>:<body length in UTF-8 bytes>:..!"
// followed at once by the body; no terminator.
// Reply (client -> monitor): head lines separated by "\r\n", then "\r\n\r\n".
// Line 0 holding "/back/", "/heart/" or "/reline/" makes an acknowledgement,
// a heartbeat or a restart request; otherwise a head line "SessionId: <n>"
// announces a body for request n: one JSON value following the head.
#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace linkframe {

constexpr quint16 kPort = 8890;
constexpr int kKinds = 21; // message kinds 0..20

// Message kinds, used by number on the wire.
enum SendType {
    KindRecord = 1,
    KindParam = 2,
    KindAlarmPic = 5,
    KindTempPic = 6,
    KindStatistics = 7,
    KindRoiParam = 8,
    KindMemoryInfo = 9,
    KindManualStop = 10,
    KindDelTempPic = 11,
    KindAddRemind = 12,
    KindDelRemind = 13,
    KindGetProduct = 14,
    KindSaveNgVideo = 15,
    KindTelInfo = 16,
    KindGetRemindList = 17,
    KindCycle = 18,
    KindRunState = 19,
    KindCancel = 20,
};

// Request numbers of the replies that carry a body.
constexpr int kSessionProducts = 14;
constexpr int kSessionReminders = 17;

QByteArray frameHead(int kind, int bodyBytes);
// Head and body; the body is sent as given (UTF-8).
QByteArray makeFrame(int kind, const QByteArray& body);

// Form text: pairs "key=value" joined by "&". Values are percent-encoded
// where they could break the pairs ("%", "&", "=", "+" and control bytes),
// so operator text arrives whole; everything else, UTF-8 included, stays
// readable.
QByteArray formEncode(const QString& value);
class FormBody {
public:
    FormBody& add(const char* key, const QString& value);
    FormBody& add(const char* key, qint64 value);
    QByteArray bytes() const { return text_; }

private:
    QByteArray text_;
};

enum class ReplyKind { Ack, Heartbeat, Restart, Session, Invalid };

struct Reply {
    ReplyKind kind = ReplyKind::Invalid;
    int sessionId = 0;  // Session: the request number (0 when not a number)
    QByteArray body;    // Session: the JSON text, empty when none came
};

// What a head (the text before "\r\n\r\n") asks for. Line 0 is searched for
// "/back/", "/heart/", "/reline/" in this order; otherwise every line that
// contains "SessionId" and splits at ":" into exactly two parts gives the
// number (the last one wins).
Reply classifyHead(const QByteArray& head);

// Cuts replies out of the client's byte stream, whatever the reads merged or
// split. A Session head takes the JSON value that follows it (an object or
// an array, ended by its matching bracket, or cut at a "\r\n\r\n" outside
// strings); anything else after such a head is no body and is read as the
// next head. The buffer is bounded: bytes that grow past the capacity
// without completing a reply are discarded.
class ReplyParser {
public:
    static constexpr int kCapacity = 65535;

    QList<Reply> feed(const QByteArray& bytes);
    int buffered() const { return buf_.size(); }
    quint64 discardedBytes() const { return discarded_; }
    void clear();

private:
    // Scans the pending JSON body; true when it ended at *end (exclusive),
    // *skip bytes after it being its own terminator.
    bool scanBody(int* end, int* skip);

    QByteArray buf_;
    bool inBody_ = false;
    Reply pending_;
    // Scan state of the body, kept across feeds so each byte is read once.
    int bodyStart_ = -1;
    int scanPos_ = 0;
    int depth_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
    quint64 discarded_ = 0;
};

// The switch file "whichsend.config": a JSON object whose members "0".."20"
// switch their kind off when their value is the literal false. Missing or
// invalid files leave every kind on.
std::array<bool, kKinds> parseSendSwitch(const QByteArray& fileBytes);

} // namespace linkframe
