#pragma once
// A file written beside its final name reaches the disk before the rename
// that puts it in place: a power cut after the rename must not leave an
// empty or torn file under the name.
#include <QString>

namespace filesync {

// fsync of the file (or folder) at path; false when it cannot be opened or
// the disk refuses.
bool toDisk(const QString& path);

} // namespace filesync
