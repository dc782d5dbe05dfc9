#pragma once

#include "core/convert/OutputCheck.h"
#include "core/tools/Process.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>

namespace vantrel {

// One run of the media-info tool on one file. `finished` comes once, from
// the event loop or at once when the tool cannot start; a run that takes
// longer than the time limit tells nothing.
class MediaFactsQuery : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTimeLimitMs = 15000;

    explicit MediaFactsQuery(QString mediaInfoPath, QObject *parent = nullptr);
    ~MediaFactsQuery() override;

    void start(const QString &path);
    // Stops a run; no `finished` comes for it.
    void stop();

Q_SIGNALS:
    // None when the tool could not tell (missing, failed, too slow).
    void finished(const std::optional<vantrel::MediaFacts> &facts);

private:
    QString m_mediaInfoPath;
    Process m_process;
    QTimer m_timeLimit;
};

// The sources' facts, each measured once: a batch asks as a row starts (the
// tool runs beside the encoder) and reads the answer when the row is judged.
// A file that changed since it was measured is measured again.
class SourceFactsCache : public QObject
{
    Q_OBJECT

public:
    explicit SourceFactsCache(QString mediaInfoPath, QObject *parent = nullptr);
    ~SourceFactsCache() override;

    // Starts measuring `path` unless it is measured or being measured.
    void request(const QString &path);
    // Whether the answer for `path` is in (it may be that nothing is known).
    bool isKnown(const QString &path) const;
    std::optional<MediaFacts> facts(const QString &path) const;

Q_SIGNALS:
    void measured(const QString &path);

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modified = 0;
        bool known = false;
        std::optional<MediaFacts> facts;
        std::unique_ptr<MediaFactsQuery> query;
    };
    bool isCurrent(const QString &path, const Entry &entry) const;

    QString m_mediaInfoPath;
    QHash<QString, std::shared_ptr<Entry>> m_entries;
};

} // namespace vantrel

Q_DECLARE_METATYPE(std::optional<vantrel::MediaFacts>)
