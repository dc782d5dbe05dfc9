#include "core/common/FileAccess.h"

#include "core/common/FileNames.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vantrel {

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes)
{
    // Looked at before it is opened: opening some devices acts on them.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return std::nullopt;
    QFile file;
#if defined(Q_OS_UNIX)
    // ...and again once open, without waiting, in case it changed meanwhile.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_size > maxBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
#endif
    const QByteArray data = file.read(maxBytes + 1);
    if (data.size() > maxBytes)
        return std::nullopt;
    return data;
}

bool replaceFile(const QString &path, const QByteArray &data)
{
    QFile temporary(temporaryPathFor(path));
    if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    const bool written = temporary.write(data) == data.size() && temporary.flush();
    temporary.close();
    std::error_code error;
    if (written)
        std::filesystem::rename(
            std::filesystem::path(QFile::encodeName(temporary.fileName()).toStdString()),
            std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!written || error) {
        temporary.remove();
        return false;
    }
    return true;
}

} // namespace vantrel
