#include "platform/filesync.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace filesync {

bool toDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace filesync
