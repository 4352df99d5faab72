#pragma once
// The IO board's serial line: a raw terminal at 115200 baud, 8 data bits, no
// parity, 1 stop bit, no flow control. Reads never block; a write that the
// line cannot take at once waits a few milliseconds and then gives up, so a
// stuck line never stalls the polling thread.
#include <QString>
#include <QtGlobal>

class IoSerialPort {
public:
    IoSerialPort() = default;
    ~IoSerialPort();
    IoSerialPort(const IoSerialPort&) = delete;
    IoSerialPort& operator=(const IoSerialPort&) = delete;

    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    QString path() const { return path_; }
    QString errorString() const { return error_; }

    // Bytes waiting to be read; 0 on a closed port.
    qint64 bytesAvailable() const;
    // Up to max bytes that are there now; 0 when none, -1 on a line error.
    qint64 read(char* data, qint64 max);
    // Writes all bytes or returns false.
    bool write(const char* data, qint64 count);

private:
    int fd_ = -1;
    QString path_;
    QString error_;
};
