#include "core/watch/WatchedFolders.h"

#include "core/common/FileNames.h"
#include "core/common/Logging.h"

namespace vantrel {

namespace {

// Above any slot of the window's own batch.
constexpr int kFirstStatisticsNumber = 1000;

} // namespace

WatchedFolders::WatchedFolders(Environment environment, QObject *parent)
    : QObject(parent), m_env(std::move(environment))
{}

WatchedFolders::~WatchedFolders()
{
    stopAll();
}

void WatchedFolders::reload()
{
    QStringList warnings;
    const QList<WatchFolder> wanted = WatchFolderFile(m_env.foldersFile).read(&warnings);
    const qint64 settleMs = qint64(m_env.settings().watchSettleSeconds) * 1000;
    // What no longer stands as it was goes; what is new comes.
    for (auto it = m_running.begin(); it != m_running.end();) {
        if (wanted.contains(it->folder) && it->settleMs == settleMs) {
            ++it;
            continue;
        }
        retire(it->conversion);
        it = m_running.erase(it);
    }
    for (const WatchFolder &folder : wanted) {
        const bool running = std::any_of(m_running.begin(), m_running.end(),
                                         [&](const Running &r) { return r.folder == folder; });
        if (!running)
            add(folder, settleMs);
    }
    setProblem(warnings.join(u' '));
}

void WatchedFolders::add(const WatchFolder &folder, qint64 settleMs)
{
    FolderConversion::Setup setup;
    setup.folder = folder;
    setup.settleMs = settleMs;
    setup.settings = m_env.settings;
    setup.environment = m_env.batch;
    // Each folder's encoders write their own statistics file.
    setup.environment.statisticsPath =
        numberedStatisticsFile(m_env.batch.statisticsPath, kFirstStatisticsNumber + ++m_made);
    setup.recordFile = m_env.recordFile;
    auto *conversion = new FolderConversion(std::move(setup), this);
    connect(conversion, &FolderConversion::cannotStart, this, &WatchedFolders::setProblem);
    connect(conversion, &FolderConversion::fileDone, this,
            [this](const QString &path, RowStatus done, const QString &output) {
                m_converted += done == RowStatus::Ok ? 1 : 0;
                m_failed += done == RowStatus::Fail ? 1 : 0;
                Q_EMIT fileDone(path, done, output);
                Q_EMIT statusChanged(status());
            });
    Q_EMIT conversionAdded(conversion);
    if (!conversion->start()) {
        setProblem(conversion->error());
        delete conversion;
        return;
    }
    qCInfo(lcApp) << "watching" << folder.folder;
    m_running.push_back({folder, settleMs, conversion});
}

void WatchedFolders::retire(FolderConversion *conversion)
{
    connect(conversion, &FolderConversion::stopped, conversion, &QObject::deleteLater);
    conversion->stop();
}

void WatchedFolders::stopAll()
{
    for (const Running &running : m_running)
        retire(running.conversion);
    m_running.clear();
}

void WatchedFolders::setProblem(const QString &problem)
{
    m_problem = problem;
    Q_EMIT statusChanged(status());
}

QString WatchedFolders::status() const
{
    if (m_running.empty())
        return m_problem;
    QString text = m_running.size() == 1 ? tr("Watching 1 folder")
                                         : tr("Watching %1 folders").arg(m_running.size());
    if (m_converted > 0 || m_failed > 0)
        text += tr(": %1 converted, %2 failed").arg(m_converted).arg(m_failed);
    text += u'.';
    if (!m_problem.isEmpty())
        text += u' ' + m_problem;
    return text;
}

} // namespace vantrel
