#include "netlink/linkframes.h"

#include <cjson/cJSON.h>
#include <cstring>

namespace linkframe {

namespace {

const QByteArray kTerminator("\r\n\r\n", 4);

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

QByteArray frameHead(int kind, int bodyBytes)
{
    return QByteArray::number(kind) + ':' + QByteArray::number(bodyBytes) + ":..!";
}

QByteArray makeFrame(int kind, const QByteArray& body)
{
    return frameHead(kind, body.size()) + body;
}

QByteArray formEncode(const QString& value)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = value.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '%' || c == '&' || c == '=' || c == '+' || c < 0x20 || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

FormBody& FormBody::add(const char* key, const QString& value)
{
    if (!text_.isEmpty())
        text_ += '&';
    text_ += key;
    text_ += '=';
    text_ += formEncode(value);
    return *this;
}

FormBody& FormBody::add(const char* key, qint64 value)
{
    return add(key, QString::number(value));
}

Reply classifyHead(const QByteArray& head)
{
    Reply r;
    QList<QByteArray> headLines;
    for (int from = 0;;) {
        const int p = head.indexOf("\r\n", from);
        if (p < 0) {
            headLines << head.mid(from);
            break;
        }
        headLines << head.mid(from, p - from);
        from = p + 2;
    }

    const QByteArray& line0 = headLines.first();
    if (line0.contains("/back/")) {
        r.kind = ReplyKind::Ack;
    } else if (line0.contains("/heart/")) {
        r.kind = ReplyKind::Heartbeat;
    } else if (line0.contains("/reline/")) {
        r.kind = ReplyKind::Restart;
    } else {
        for (const QByteArray& line : headLines) {
            if (!line.contains("SessionId"))
                continue;
            const QList<QByteArray> parts = line.split(':');
            if (parts.size() != 2)
                continue;
            bool ok = false;
            const int n = parts[1].trimmed().toInt(&ok);
            r.kind = ReplyKind::Session;
            r.sessionId = ok ? n : 0;
        }
    }
    return r;
}

void ReplyParser::clear()
{
    buf_.clear();
    inBody_ = false;
    pending_ = Reply();
    bodyStart_ = -1;
    scanPos_ = 0;
    depth_ = 0;
    inString_ = escaped_ = false;
}

bool ReplyParser::scanBody(int* end, int* skip)
{
    const int n = buf_.size();
    if (bodyStart_ < 0) {
        while (scanPos_ < n && isBlank(buf_[scanPos_]))
            ++scanPos_;
        if (scanPos_ == n)
            return false;
        const char c = buf_[scanPos_];
        if (c != '{' && c != '[') {
            // No body: the head stood alone; what follows is the next head.
            *end = -1;
            *skip = scanPos_;
            return true;
        }
        bodyStart_ = scanPos_;
        depth_ = 0;
        inString_ = escaped_ = false;
    }
    for (int i = scanPos_; i < n; ++i) {
        const char c = buf_[i];
        if (inString_) {
            if (escaped_)
                escaped_ = false;
            else if (c == '\\')
                escaped_ = true;
            else if (c == '"')
                inString_ = false;
            continue;
        }
        if (c == '"') {
            inString_ = true;
        } else if (c == '{' || c == '[') {
            ++depth_;
        } else if (c == '}' || c == ']') {
            if (--depth_ <= 0) {
                *end = i + 1;
                *skip = buf_.mid(i + 1, 4) == kTerminator ? 4 : 0;
                return true;
            }
        } else if (c == '\r') {
            if (i + 4 > n) {
                scanPos_ = i; // decided once the rest of a possible terminator came
                return false;
            }
            if (buf_.mid(i, 4) == kTerminator) {
                // A broken body ends at the next terminator, so it can never
                // swallow more than one reply.
                *end = i;
                *skip = 4;
                return true;
            }
        }
    }
    scanPos_ = n;
    return false;
}

QList<Reply> ReplyParser::feed(const QByteArray& bytes)
{
    QList<Reply> out;
    buf_ += bytes;
    for (;;) {
        if (inBody_) {
            int end = 0, skip = 0;
            if (!scanBody(&end, &skip))
                break;
            if (end < 0) {
                buf_.remove(0, skip);
            } else {
                pending_.body = buf_.mid(bodyStart_, end - bodyStart_);
                buf_.remove(0, end + skip);
            }
            out << pending_;
            pending_ = Reply();
            inBody_ = false;
            bodyStart_ = -1;
            scanPos_ = 0;
            continue;
        }
        // Stray line ends between replies would otherwise become line 0 of
        // the next head.
        int lead = 0;
        while (lead < buf_.size() && (buf_[lead] == '\r' || buf_[lead] == '\n'))
            ++lead;
        buf_.remove(0, lead);
        const int p = buf_.indexOf(kTerminator);
        if (p < 0)
            break;
        const QByteArray head = buf_.left(p);
        buf_.remove(0, p + 4);
        Reply r = classifyHead(head);
        if (r.kind == ReplyKind::Session) {
            pending_ = r;
            inBody_ = true;
            bodyStart_ = -1;
            scanPos_ = 0;
            continue;
        }
        out << r;
    }
    if (buf_.size() > kCapacity) {
        if (inBody_) {
            // A body too large to be a reply: dropped with its head.
            discarded_ += quint64(buf_.size());
            buf_.clear();
            inBody_ = false;
            pending_ = Reply();
            bodyStart_ = -1;
            scanPos_ = 0;
        } else {
            // No head ends here; the last bytes may begin a terminator.
            const int keep = kTerminator.size() - 1;
            discarded_ += quint64(buf_.size() - keep);
            buf_.remove(0, buf_.size() - keep);
        }
    }
    return out;
}

std::array<bool, kKinds> parseSendSwitch(const QByteArray& fileBytes)
{
    std::array<bool, kKinds> on;
    on.fill(true);
    const QByteArray text(fileBytes.constData(), int(qstrnlen(fileBytes.constData(), uint(fileBytes.size()))));
    cJSON* root = cJSON_ParseWithLength(text.constData(), size_t(text.size()));
    if (!root)
        return on;
    if (cJSON_IsObject(root)) {
        for (int kind = 0; kind < kKinds; ++kind) {
            const cJSON* item = cJSON_GetObjectItem(root, QByteArray::number(kind).constData());
            if (item && cJSON_IsFalse(item))
                on[size_t(kind)] = false;
        }
    }
    cJSON_Delete(root);
    return on;
}

} // namespace linkframe
