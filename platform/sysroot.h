#pragma once
// Every absolute system path (/dev, /etc, /proc, /sys, /mnt, the /tmp of the
// shared-memory keys) is resolved here, so tests can point the whole system
// at a temporary folder.
#include <QString>

namespace platform {

// Prefix put in front of absolute system paths; empty on the real machine.
QString sysRoot();
void setSysRoot(const QString& prefix);

// "/dev/ttyS0" -> sysRoot() + "/dev/ttyS0". Relative paths are returned as they are.
QString sysPath(const QString& absolutePath);

} // namespace platform
