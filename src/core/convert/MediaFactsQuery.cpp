#include "core/convert/MediaFactsQuery.h"

#include <QFileInfo>

namespace vantrel {

MediaFactsQuery::MediaFactsQuery(QString mediaInfoPath, QObject *parent)
    : QObject(parent), m_mediaInfoPath(std::move(mediaInfoPath))
{
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(kTimeLimitMs);
    connect(&m_timeLimit, &QTimer::timeout, &m_process, &Process::stop);
    connect(&m_process, &Process::finished, this, [this](const ProcessResult &result) {
        m_timeLimit.stop();
        if (result.succeeded())
            Q_EMIT finished(parseMediaFacts(m_process.output()));
        else
            Q_EMIT finished(std::nullopt);
    });
}

MediaFactsQuery::~MediaFactsQuery()
{
    m_process.disconnect(this);
}

void MediaFactsQuery::start(const QString &path)
{
    CommandLine program;
    program.appendPath(m_mediaInfoPath);
    m_timeLimit.start();
    m_process.start(program, mediaFactsArguments(path));
}

void MediaFactsQuery::stop()
{
    m_timeLimit.stop();
    const QSignalBlocker quiet(&m_process);
    m_process.stop();
}

SourceFactsCache::SourceFactsCache(QString mediaInfoPath, QObject *parent)
    : QObject(parent), m_mediaInfoPath(std::move(mediaInfoPath))
{}

SourceFactsCache::~SourceFactsCache() = default;

bool SourceFactsCache::isCurrent(const QString &path, const Entry &entry) const
{
    const QFileInfo info(path);
    return info.size() == entry.size && info.lastModified().toMSecsSinceEpoch() == entry.modified;
}

void SourceFactsCache::request(const QString &path)
{
    const std::shared_ptr<Entry> known = m_entries.value(path);
    if (known && (known->query || isCurrent(path, *known)))
        return;
    auto entry = std::make_shared<Entry>();
    const QFileInfo info(path);
    entry->size = info.size();
    entry->modified = info.lastModified().toMSecsSinceEpoch();
    m_entries.insert(path, entry);
    if (m_mediaInfoPath.isEmpty()) {
        entry->known = true; // nothing can be learnt
        return;
    }
    entry->query = std::make_unique<MediaFactsQuery>(m_mediaInfoPath);
    connect(
        entry->query.get(), &MediaFactsQuery::finished, this,
        [this, path, weak = std::weak_ptr<Entry>(entry)](const std::optional<MediaFacts> &facts) {
            const std::shared_ptr<Entry> done = weak.lock();
            if (!done)
                return;
            done->known = true;
            done->facts = facts;
            done->query.release()->deleteLater();
            Q_EMIT measured(path);
        });
    entry->query->start(path);
}

bool SourceFactsCache::isKnown(const QString &path) const
{
    const std::shared_ptr<Entry> entry = m_entries.value(path);
    return entry && entry->known;
}

std::optional<MediaFacts> SourceFactsCache::facts(const QString &path) const
{
    const std::shared_ptr<Entry> entry = m_entries.value(path);
    return entry ? entry->facts : std::nullopt;
}

} // namespace vantrel
