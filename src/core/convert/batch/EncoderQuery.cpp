#include "core/convert/batch/EncoderQuery.h"

#include "core/common/FileAccess.h"
#include "core/convert/command/EncoderList.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace vantrel {

namespace {

// A list of encoders is a few kB; anything larger is no cache of ours.
constexpr qint64 kCacheMaxBytes = 1024 * 1024;

} // namespace

EncoderQuery::EncoderQuery(QObject *parent) : QObject(parent)
{
    connect(
        &m_process, &Process::finished, this,
        [this](const ProcessResult &result) {
            // A query stopped by the next one (or by its owner's end) says nothing.
            if (result.ending == ProcessResult::Ending::Stopped)
                return;
            const QSet<QString> encoders = parseEncoderList(m_process.output());
            if (!encoders.isEmpty() && !m_cacheFile.isEmpty() && !m_identity.isEmpty()) {
                QStringList names(encoders.cbegin(), encoders.cend());
                names.sort();
                replaceFile(m_cacheFile, (m_identity + u'\n' + names.join(u'\n') + u'\n').toUtf8());
            }
            Q_EMIT finished(encoders);
        },
        Qt::QueuedConnection);
}

QString EncoderQuery::identity(const QString &encoderPath)
{
    const QFileInfo file(QStandardPaths::findExecutable(encoderPath).isEmpty()
                             ? encoderPath
                             : QStandardPaths::findExecutable(encoderPath));
    if (!file.exists())
        return QString();
    return QStringLiteral("%1\t%2\t%3")
        .arg(file.canonicalFilePath())
        .arg(file.size())
        .arg(file.lastModified().toMSecsSinceEpoch());
}

EncoderQuery::~EncoderQuery()
{
    m_process.disconnect(this);
}

void EncoderQuery::start(const QString &encoderPath)
{
    m_identity = identity(encoderPath);
    if (!m_cacheFile.isEmpty() && !m_identity.isEmpty()) {
        if (const std::optional<QByteArray> cache = readRegularFile(m_cacheFile, kCacheMaxBytes)) {
            const QStringList lines = QString::fromUtf8(*cache).split(u'\n');
            if (lines.size() > 1 && lines.constFirst() == m_identity) {
                QSet<QString> encoders(lines.cbegin() + 1, lines.cend());
                encoders.remove(QString());
                QTimer::singleShot(0, this, [this, encoders] { Q_EMIT finished(encoders); });
                return;
            }
        }
    }
    m_process.start(CommandLine::program(encoderPath),
                    {QStringLiteral("-hide_banner"), QStringLiteral("-encoders")});
}

} // namespace vantrel
