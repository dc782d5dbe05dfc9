#include "core/app/MainController.h"

#include "core/common/Logging.h"
#include "core/convert/command/EntryAvailability.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/sources/SourceFileRules.h"

#include <QPointer>

namespace vantrel {

MainController::MainController(MainEnvironment environment, QObject *parent)
    : QObject(parent), m_env(std::move(environment)),
      m_endActions(m_env.prompt, m_env.powerOff, m_env.desktop), m_onDesktop(m_env.notifier),
      m_awake(m_env.sleepGuard), m_probe(std::make_unique<MediaProbe>(m_env.playerPath)),
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
    if (!m_env.listFile.isEmpty()) {
        m_keeper = std::make_unique<ListKeeper>(*m_sources, m_env.listFile);
        connect(this, &MainController::selectionChanged, m_keeper.get(), &ListKeeper::changed);
    }
    m_onDesktop.follow(*m_batch);
    m_awake.follow(*m_batch);
    if (!m_env.watchFoldersFile.isEmpty()) {
        batch.missingSourceEndsBatch = false; // a file gone from a folder fails alone
        m_watched = std::make_unique<WatchedFolders>(
            WatchedFolders::Environment{batch, [this] { return settingsFile().read(); },
                                        m_env.watchFoldersFile, m_env.convertedRecordFile});
        connect(m_watched.get(), &WatchedFolders::conversionAdded, this,
                [this](FolderConversion *conversion) { m_awake.follow(conversion->batch()); });
    }
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
    // The batches and the list go before the probe they use.
    m_watched.reset();
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

QString MainController::outputFolder() const
{
    return absoluteOutputFolder(settingsFile().read().outputFolder, m_env.dataFolder);
}

void MainController::setWatching(BatchOnDesktop::Watching watching)
{
    m_onDesktop.setWatching(std::move(watching));
}

void MainController::startUp()
{
    m_sheet.build();
    m_selected = settingsFile().read().profile;
    applyProfileDefaults(m_sheet, m_selected);
    Q_EMIT selectionChanged(m_selected);
    offerLeftList();
    if (m_watched)
        m_watched->reload();
}

void MainController::preferencesSaved()
{
    if (m_watched)
        m_watched->reload();
}

void MainController::offerLeftList()
{
    if (!m_keeper)
        return;
    m_keeper->keepChoices(m_sheet, [this] { return m_selected; });
    const std::optional<QList<SourceList::SavedRow>> left = m_keeper->leftRows();
    if (!left || !m_env.prompt) {
        m_keeper->keep();
        return;
    }
    const QString files = left->size() == 1 ? tr("1 file") : tr("%1 files").arg(left->size());
    m_env.prompt->ask(
        tr("The program did not end properly last time. Restore its list (%1)?").arg(files),
        [self = QPointer<MainController>(this), rows = *left,
         choices = m_keeper->leftChoices()](bool yes) {
            if (!self || !self->m_keeper)
                return;
            if (yes) {
                if (choices)
                    self->restoreChoices(*choices);
                self->m_keeper->restore(self->acceptedRows(rows));
            } else {
                self->m_keeper->discardLeft();
            }
            self->m_keeper->keep();
        });
}

void MainController::restoreChoices(const ListChoices &choices)
{
    if (choices.profile && catalogueEntry(*choices.profile)) {
        pickEntry(*choices.profile);
        qCInfo(lcApp) << "profile restored:" << *choices.profile;
    }
    // What the profile's rule left changeable, as the user had set it.
    restoreSheetValues(m_sheet, choices.sheet);
}

void MainController::unload()
{
    settingsFile().writeProfile(m_selected);
    if (m_watched)
        m_watched->stopAll();
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

int MainController::addFiles(const QStringList &paths)
{
    const FileSorting sorting = sortAddedFiles(paths);
    for (const QString &path : sorting.accepted)
        m_sources->addSourceFile(path);
    showRefusal(sorting);
    return int(sorting.accepted.size());
}

QList<SourceList::SavedRow> MainController::acceptedRows(const QList<SourceList::SavedRow> &rows)
{
    // Kept rows are taken as added files are: the same refusals.
    QStringList names;
    for (const SourceList::SavedRow &row : rows)
        names << row.item.fileName;
    const FileSorting sorting = sortAddedFiles(names);
    QList<SourceList::SavedRow> accepted;
    for (const SourceList::SavedRow &row : rows) {
        if (sorting.accepted.contains(row.item.fileName))
            accepted.append(row);
    }
    showRefusal(sorting);
    return accepted;
}

void MainController::showRefusal(const FileSorting &sorting)
{
    if (!sorting.refusal.isEmpty() && m_env.prompt)
        m_env.prompt->show(sorting.unusableNames ? Prompt::Kind::Error : Prompt::Kind::Information,
                           sorting.refusal, {});
}

void MainController::removeRow(std::optional<int> row)
{
    if (row && *row >= 0 && *row < m_sources->count())
        m_sources->removeRow(*row);
}

void MainController::clearAll()
{
    if (m_sources->count() == 0)
        return;
    m_cleared = m_sources->savedRows();
    // A row the batch was converting or about to convert is no longer its:
    // it comes back unconverted.
    for (SourceList::SavedRow &row : m_cleared) {
        if (isInProgress(row.item.status)) {
            row.item.status = RowStatus::None;
            row.statusDetail.clear();
        }
    }
    qCInfo(lcApp) << "list cleared:" << m_cleared.size() << "rows";
    m_sources->clear();
    Q_EMIT undoClearChanged(true);
}

void MainController::undoClear()
{
    if (m_cleared.isEmpty())
        return;
    qCInfo(lcApp) << "clear undone:" << m_cleared.size() << "rows";
    m_sources->insertSavedRows(0, std::exchange(m_cleared, {}));
    Q_EMIT undoClearChanged(false);
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
