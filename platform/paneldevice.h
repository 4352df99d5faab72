#pragma once
// The panel's own hardware outside the IO board: the LED and backlight driver
// "/dev/led" (ioctl requests) and the port I/O privilege. Tests install a
// recorder so nothing reaches a real device.
#include <QList>
#include <QMutex>

namespace platform {

class PanelDevice {
public:
    virtual ~PanelDevice();
    // Opens "/dev/led" (through the system root) read-write; a descriptor > 0, or -1.
    virtual int openLed();
    // One ioctl request without argument on the LED descriptor.
    virtual void ledRequest(int fd, unsigned long request);
    // Asks for I/O privilege level 3; false when refused.
    virtual bool requestIoPrivilege();

    static PanelDevice& instance();
    static void setInstance(PanelDevice* device); // takes no ownership; null restores the real one
};

class RecordingPanelDevice : public PanelDevice {
public:
    int openLed() override { return ledPresent ? 42 : -1; }
    void ledRequest(int fd, unsigned long request) override;
    bool requestIoPrivilege() override { return true; }
    QList<unsigned long> requests() const;
    void clear();

    bool ledPresent = true;

private:
    mutable QMutex mutex_;
    QList<unsigned long> requests_;
};

} // namespace platform
