#include "core/common/NameClaim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace vantrel {

namespace {

const QLatin1String kClaimTail(".vantrel-claim");

} // namespace

std::unique_ptr<NameClaim> NameClaim::take(const QString &path)
{
    const QString marker = markerPathFor(path);
    QFile file(marker);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QByteArray owner = QStringLiteral("%1 %2\n")
                                     .arg(hostTag())
                                     .arg(QCoreApplication::applicationPid())
                                     .toUtf8();
        const bool written = file.write(owner) == owner.size() && file.flush();
        file.close();
        if (written)
            return std::unique_ptr<NameClaim>(new NameClaim(marker));
        // A marker that names nobody could never be swept (a full disk, a
        // quota): none is left, and the claim holds nothing, as in a folder
        // where no marker can be made.
        QFile::remove(marker);
    }
    if (isNameTaken(marker))
        return nullptr; // another holds it
    return std::unique_ptr<NameClaim>(new NameClaim(QString()));
}

NameClaim::~NameClaim()
{
    if (!m_marker.isEmpty())
        QFile::remove(m_marker);
}

QString NameClaim::markerPathFor(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') +
                               fitFileName(info.fileName(), kClaimTail, kFileNameMaxBytes - 1));
}

bool NameClaim::isMarkerName(const QString &fileName)
{
    return fileName.startsWith(u'.') && fileName.endsWith(kClaimTail);
}

std::optional<LeftoverOwner> NameClaim::ownerOfMarker(const QByteArray &text)
{
    static const QRegularExpression kOwner(QStringLiteral("^([A-Za-z0-9_]+) (\\d+)\\n?$"));
    const QRegularExpressionMatch match = kOwner.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return std::nullopt;
    return LeftoverOwner{match.captured(1), match.captured(2).toLongLong()};
}

} // namespace vantrel
