#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantrel {

// The bytes of a file the program keeps for itself (a cache, a marker),
// read only when it is a regular file of at most `maxBytes`: a FIFO there
// would hang the reader and a link to /dev/zero would never end. None
// otherwise, and when it cannot be read.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes);

// Writes `data` to `path` as a whole: into a new temporary file beside it,
// then renamed over it. A link at `path` is replaced, never followed, so
// that the file it points to stays as it was; a crash leaves the old file.
// False when the file could not be written (the old one then stays).
bool replaceFile(const QString &path, const QByteArray &data);

} // namespace vantrel
