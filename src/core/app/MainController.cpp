#include "core/app/MainController.h"

#include "core/common/Logging.h"
#include "core/convert/JobBuilder.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/sources/SourceFileRules.h"

#include <QPointer>

namespace vantrel {

MainController::MainController(MainEnvironment environment, QObject *parent)
    : QObject(parent), m_env(std::move(environment)),
      m_endActions(m_env.prompt, m_env.powerOff, m_env.desktop),
      m_probe(std::make_unique<MediaProbe>(m_env.playerPath)),
      m_sources(std::make_unique<SourceList>(m_probe.get()))
{
    BatchEnvironment batch;
    batch.tools = &m_tools;
    batch.encoderPath = m_env.encoderPath;
    batch.statisticsPath = m_env.statisticsPath;
    batch.dataFolder = m_env.dataFolder;
    batch.encoderListCache = m_env.encoderListCache;
    m_batch = std::make_unique<BatchRun>(
        *m_sources, m_sheet, [this] { return m_selected; }, batch);
    if (!m_env.listFile.isEmpty())
        m_keeper = std::make_unique<ListKeeper>(*m_sources, m_env.listFile);
    connect(m_batch.get(), &BatchRun::encodersKnown, this, [this](const QSet<QString> &installed) {
        m_unavailable = vantrel::unavailableEntries(installed, m_env.encoderPath);
        Q_EMIT unavailableEntriesChanged();
    });
    // The power-off setting is read as the batch ends: a change saved
    // meanwhile counts.
    connect(m_batch.get(), &BatchRun::finished, this, [this](const BatchOutcome &outcome) {
        m_endActions.handle(outcome, settingsFile().read().powerOffAfterBatch);
    });
}

MainController::~MainController()
{
    // The batch and the list go before the probe they use.
    m_keeper.reset();
    m_batch.reset();
    m_sources.reset();
}

SettingsFile MainController::settingsFile() const
{
    return SettingsFile(m_env.settingsPath, defaultOutputFolder());
}

QString MainController::defaultOutputFolder() const
{
    return m_env.defaultOutputFolder.isEmpty() ? m_env.dataFolder : m_env.defaultOutputFolder;
}

void MainController::startUp()
{
    m_sheet.build();
    m_selected = settingsFile().read().profile;
    applyProfileDefaults(m_sheet, m_selected);
    Q_EMIT selectionChanged(m_selected);
    offerLeftList();
}

void MainController::offerLeftList()
{
    if (!m_keeper)
        return;
    const std::optional<QList<SourceList::SavedRow>> left = m_keeper->leftRows();
    if (!left || !m_env.prompt) {
        m_keeper->keep();
        return;
    }
    const QString files = left->size() == 1 ? tr("1 file") : tr("%1 files").arg(left->size());
    m_env.prompt->ask(
        tr("The program did not end properly last time. Restore its list (%1)?").arg(files),
        [this, keeper = QPointer<ListKeeper>(m_keeper.get()), rows = *left](bool yes) {
            if (!keeper)
                return; // the controller that owned it went with it
            if (yes) {
                // Kept rows are taken as added files are: the same refusals.
                QList<SourceList::SavedRow> accepted;
                for (const SourceList::SavedRow &row : rows) {
                    if (acceptsName(row.item.fileName))
                        accepted.append(row);
                }
                keeper->restore(accepted);
            } else {
                keeper->discardLeft();
            }
            keeper->keep();
        });
}

void MainController::unload()
{
    settingsFile().writeProfile(m_selected);
    if (m_keeper)
        m_keeper->release();
}

void MainController::pickEntry(int entry)
{
    if (!catalogueEntry(entry))
        return;
    m_selected = entry;
    qCInfo(lcApp) << "profile picked:" << entry;
    applyProfileDefaults(m_sheet, m_selected);
    Q_EMIT selectionChanged(m_selected);
}

bool MainController::addFile(const QString &path)
{
    if (!acceptsName(path))
        return false;
    m_sources->addSourceFile(path);
    return true;
}

bool MainController::acceptsName(const QString &path)
{
    const std::optional<QString> refusal = unusableNameReason(path);
    if (refusal && m_env.prompt)
        m_env.prompt->error(*refusal);
    return !refusal;
}

void MainController::addFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        addFile(path);
}

int MainController::dropFiles(const QStringList &paths)
{
    int added = 0;
    for (const QString &path : paths) {
        if (!isDropAccepted(path)) {
            if (m_env.prompt)
                m_env.prompt->information(tr("Only Video files are allowed!"));
            break;
        }
        added += addFile(path) ? 1 : 0;
    }
    return added;
}

void MainController::removeRow(std::optional<int> row)
{
    if (row && *row >= 0 && *row < m_sources->count())
        m_sources->removeRow(*row);
}

void MainController::clearAll()
{
    m_sources->clear();
}

void MainController::showRow(std::optional<int> row)
{
    if (!row || *row < 0 || *row >= m_sources->count())
        return;
    m_sheet.showSourceRow(&m_sources->item(*row));
}

bool MainController::convert()
{
    if (!m_batch->canStart())
        return false;
    m_tools.quitPlayer(); // the preview's player gives way to the encoder
    const Settings settings = settingsFile().read();
    // What the settings file got wrong is told once, not at every batch.
    for (const QString &warning : settings.warnings) {
        if (m_env.prompt && !m_warned.contains(warning))
            m_env.prompt->information(warning);
        m_warned.insert(warning);
    }
    return m_batch->start(settings);
}

void MainController::cancel()
{
    m_batch->cancel();
}

} // namespace vantrel
