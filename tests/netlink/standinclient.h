#pragma once
// A stand-in for the reporting client script: a real TCP client on
// 127.0.0.1 that runs on its own thread with a plain socket, cuts the
// monitor's frames out of the stream, decodes form values, and answers as
// told (acknowledge each frame or stay silent; heartbeats and any other
// bytes on request; stop reading; hang up in the middle of a frame).
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

class StandInClient {
public:
    struct Frame {
        int kind = 0;
        QByteArray body;
        qint64 atUs = 0; // arrival, microseconds on a steady clock
    };

    explicit StandInClient(quint16 port);
    ~StandInClient();

    bool connectToServer(int timeoutMs = 3000);
    void disconnect();
    bool connected() const { return fd_.load() >= 0; }
    // The server closed the connection.
    bool hungUp() const { return hungUp_.load(); }

    void setAutoAck(bool on) { autoAck_ = on; }
    // While off the socket is not read, so the server's bytes back up.
    void setReading(bool on) { reading_ = on; }
    // Hangs up once this many bytes of a frame's body have arrived.
    void hangUpInBody(int bytes) { hangUpAt_ = bytes; }

    bool send(const QByteArray& bytes);
    bool sendHeartbeat() { return send("/heart/\r\n\r\n"); }
    bool sendAck() { return send("/back/\r\n\r\n"); }

    QList<Frame> frames() const;
    int frameCount() const;
    quint64 bytesReceived() const { return received_.load(); }
    void clearFrames();

    // "a=1&b=%26" -> {("a","1"), ("b","&")}: the pairs as the client sees them.
    static QList<QPair<QString, QString>> decodeForm(const QByteArray& body);
    static QString percentDecode(const QByteArray& value);

    static qint64 steadyUs();

private:
    void loop();
    void cutFrames();

    quint16 port_;
    std::atomic<int> fd_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<bool> autoAck_{true};
    std::atomic<bool> reading_{true};
    std::atomic<int> hangUpAt_{-1};
    std::atomic<quint64> received_{0};
    std::thread thread_;
    mutable std::mutex mutex_;     // frames_
    std::mutex sendMutex_;         // writes from the test and the loop
    QList<Frame> frames_;
    QByteArray buf_;
};
