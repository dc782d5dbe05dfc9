#include "gui/settings/PreferencesDialog.h"

#include "core/common/PlatformServices.h"
#include "gui/app/MessageBoxPrompt.h"
#include "gui/app/Named.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QGroupBox *groupBox(const QString &caption, const char *name, QWidget *parent)
{
    return named(new QGroupBox(caption, parent), name);
}

} // namespace

PreferencesDialog::PreferencesDialog(PreferencesController controller, Prompt *prompt,
                                     QWidget *parent)
    : QDialog(parent), m_controller(std::move(controller)), m_prompt(prompt),
      m_chooseFolder(&chooseFolder)
{
    if (!m_prompt) {
        m_ownPrompt = std::make_unique<MessageBoxPrompt>(this);
        m_prompt = m_ownPrompt.get();
    }
    setObjectName(QStringLiteral("Frmset"));
    setWindowTitle(tr("Video Settings"));
    setModal(true);
    buildControls();
    showValues(m_controller.load());
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::setFolderChooser(FolderChooser chooser)
{
    m_chooseFolder = std::move(chooser);
}

void PreferencesDialog::buildControls()
{
    auto *heading = named(new QLabel(tr("Output Folder"), this), "SkinLabel1");
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);

    // Where the converted files go.
    QGroupBox *folderBox = groupBox(tr("Save Video Files to"), "Frame1", this);
    m_folder = named(new QLineEdit(folderBox), "Text2");
    m_folder->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    m_browse = named(new QPushButton(tr("Browse..."), folderBox), "Command4");
    m_browse->setAutoDefault(false);
    auto *folderRow = new QHBoxLayout(folderBox);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);

    // What to do when the output name is taken.
    QGroupBox *existingBox = groupBox(tr("If same as an existed file"), "Frame2", this);
    m_addNew = named(new QRadioButton(tr("Add \"New\" after filename"), existingBox), "Option1");
    m_overwrite = named(new QRadioButton(tr("Overwrite the existed file"), existingBox), "Option2");
    auto *policies = new QButtonGroup(this);
    policies->addButton(m_addNew);
    policies->addButton(m_overwrite);
    auto *existingColumn = new QVBoxLayout(existingBox);
    existingColumn->addWidget(m_addNew);
    existingColumn->addWidget(m_overwrite);

    QGroupBox *shutdownBox = groupBox(QString(), "Frame3", this);
    m_autoShut =
        named(new QCheckBox(tr("Automatically Shutdown Computer After Conversion"), shutdownBox),
              "Check1");
    auto *shutdownColumn = new QVBoxLayout(shutdownBox);
    shutdownColumn->addWidget(m_autoShut);

    // The encoder's thread count.
    QGroupBox *threadBox = groupBox(tr("Thread"), "Frame4", this);
    auto *threadCaption =
        named(new QLabel(tr("Number of threads to use for"), threadBox), "SkinLabel2");
    m_threads = named(new QLineEdit(QStringLiteral("0"), threadBox), "Text1");
    m_threads->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6 + 12);
    threadCaption->setBuddy(m_threads);
    auto *threadRange =
        named(new QLabel(tr("(0-8), 0 - Disable multi-thread"), threadBox), "SkinLabel3");
    // Rows converting at once: one keeps a core for each encoder's own threads.
    auto *jobsCaption = named(new QLabel(tr("Simultaneous conversions"), threadBox), "LabelJobs");
    m_simultaneous = named(new QSpinBox(threadBox), "SpinJobs");
    m_simultaneous->setRange(1, maxSimultaneousConversions());
    jobsCaption->setBuddy(m_simultaneous);
    auto *jobsRange = new QLabel(tr("(1-%1)").arg(maxSimultaneousConversions()), threadBox);
    auto *threadRows = new QGridLayout(threadBox);
    threadRows->addWidget(threadCaption, 0, 0);
    threadRows->addWidget(m_threads, 0, 1);
    threadRows->addWidget(threadRange, 0, 2);
    threadRows->addWidget(jobsCaption, 1, 0);
    threadRows->addWidget(m_simultaneous, 1, 1);
    threadRows->addWidget(jobsRange, 1, 2);
    threadRows->setColumnStretch(3, 1);

    // The languages a film's sound and subtitles are chosen by.
    QGroupBox *languageBox = groupBox(tr("Languages"), "FrameLanguages", this);
    auto *languagesCaption =
        named(new QLabel(tr("Preferred languages:"), languageBox), "LabelLanguages");
    m_languages = named(new QLineEdit(languageBox), "languagesEdit");
    m_languages->setToolTip(
        tr("ISO 639 codes, first preferred first, like \"eng, deu\". Films are converted with "
           "these languages' sound and subtitles when the option sheet's Sound Tracks or "
           "Subtitles say \"Preferred languages\"."));
    languagesCaption->setToolTip(m_languages->toolTip());
    languagesCaption->setBuddy(m_languages);
    auto *languageRow = new QHBoxLayout(languageBox);
    languageRow->addWidget(languagesCaption);
    languageRow->addWidget(m_languages, 1);

    buildWatchControls();

    m_ok = named(new QPushButton(tr("OK"), this), "Command1");
    m_ok->setDefault(true); // Enter in the text boxes confirms
    m_cancel = named(new QPushButton(tr("Cancel"), this), "Command2");
    m_cancel->setAutoDefault(false);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_ok);
    buttonRow->addWidget(m_cancel);

    auto *column = new QVBoxLayout(this);
    column->addWidget(heading);
    column->addWidget(folderBox);
    column->addWidget(existingBox);
    column->addWidget(shutdownBox);
    column->addWidget(threadBox);
    column->addWidget(languageBox);
    column->addWidget(m_watchBox);
    column->addStretch(1);
    column->addLayout(buttonRow);
    column->setSizeConstraint(QLayout::SetMinimumSize);

    setTabOrder(m_folder, m_browse);
    setTabOrder(m_browse, m_addNew);
    setTabOrder(m_addNew, m_overwrite);
    setTabOrder(m_overwrite, m_autoShut);
    setTabOrder(m_autoShut, m_threads);
    setTabOrder(m_threads, m_simultaneous);
    setTabOrder(m_simultaneous, m_languages);
    setTabOrder(m_languages, m_watchList);
    setTabOrder(m_watchList, m_watchAdd);
    setTabOrder(m_watchAdd, m_watchRemove);
    setTabOrder(m_watchRemove, m_watchSubfolders);
    setTabOrder(m_watchSubfolders, m_watchSettle);
    setTabOrder(m_watchSettle, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_folder->setFocus();

    connect(m_browse, &QPushButton::clicked, this, &PreferencesDialog::browse);
    connect(m_ok, &QPushButton::clicked, this, &PreferencesDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PreferencesDialog::buildWatchControls()
{
    // Folders whose new files convert by themselves; shown once given.
    m_watchBox = groupBox(tr("Watch Folders"), "FrameWatch", this);
    m_watchBox->hide();
    m_watchList = named(new QListWidget(m_watchBox), "watchList");
    m_watchList->setMaximumHeight(fontMetrics().height() * 5 + 8);
    m_watchList->setToolTip(tr("Files that land in these folders are converted, once whole, "
                               "with the profile and options each folder was added with."));
    m_watchAdd = named(new QPushButton(tr("Add Folder..."), m_watchBox), "watchAdd");
    m_watchAdd->setAutoDefault(false);
    m_watchAdd->setToolTip(tr("Watches a folder with the profile and options selected now."));
    m_watchRemove = named(new QPushButton(tr("Remove"), m_watchBox), "watchRemove");
    m_watchRemove->setAutoDefault(false);
    m_watchSubfolders =
        named(new QCheckBox(tr("Include sub-folders"), m_watchBox), "watchSubfolders");
    auto *settleCaption = new QLabel(tr("Settle time:"), m_watchBox);
    m_watchSettle = named(new QSpinBox(m_watchBox), "watchSettle");
    m_watchSettle->setRange(1, kMaxWatchSettleSeconds);
    m_watchSettle->setSuffix(tr(" s"));
    m_watchSettle->setToolTip(tr("A file joins once its size and time have held still this "
                                 "long, so that nothing is taken while it is being copied."));
    settleCaption->setToolTip(m_watchSettle->toolTip());
    settleCaption->setBuddy(m_watchSettle);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_watchAdd);
    buttons->addWidget(m_watchRemove);
    buttons->addWidget(m_watchSubfolders);
    buttons->addStretch(1);
    buttons->addWidget(settleCaption);
    buttons->addWidget(m_watchSettle);
    auto *watchColumn = new QVBoxLayout(m_watchBox);
    watchColumn->addWidget(m_watchList);
    watchColumn->addLayout(buttons);

    connect(m_watchAdd, &QPushButton::clicked, this, &PreferencesDialog::addWatchFolder);
    connect(m_watchRemove, &QPushButton::clicked, this, [this] {
        m_watch->remove(m_watchList->currentRow());
        showWatchFolders();
    });
    connect(m_watchSubfolders, &QCheckBox::toggled, this, [this](bool on) {
        const int row = m_watchList->currentRow();
        if (row < 0 || m_watch->folders().at(row).subfolders == on)
            return;
        m_watch->setSubfolders(row, on);
        showWatchFolders();
        m_watchList->setCurrentRow(row);
    });
    connect(m_watchList, &QListWidget::currentRowChanged, this, [this](int row) {
        const bool picked = row >= 0;
        m_watchRemove->setEnabled(picked);
        m_watchSubfolders->setEnabled(picked);
        m_watchSubfolders->setChecked(picked && m_watch->folders().at(row).subfolders);
    });
}

void PreferencesDialog::setWatchFolders(WatchFolderEditor editor)
{
    m_watch = std::move(editor);
    m_watchBox->show();
    showWatchFolders();
}

void PreferencesDialog::showWatchFolders()
{
    m_watchList->clear();
    for (const WatchFolder &folder : m_watch->folders()) {
        auto *item = new QListWidgetItem(WatchFolderEditor::describe(folder), m_watchList);
        item->setToolTip(item->text()); // the whole line, which the list may cut
    }
    m_watchList->setCurrentRow(-1);
    m_watchRemove->setEnabled(false);
    m_watchSubfolders->setEnabled(false);
    m_watchSubfolders->setChecked(false);
}

void PreferencesDialog::addWatchFolder()
{
    m_chooseFolder(this, applicationTitle(), QString(),
                   [self = QPointer<PreferencesDialog>(this)](const QString &folder) {
                       if (!self || folder.isEmpty())
                           return;
                       const QString refusal = self->m_watch->add(folder);
                       if (!refusal.isEmpty()) {
                           self->m_prompt->error(refusal);
                           return;
                       }
                       self->showWatchFolders();
                       self->m_watchList->setCurrentRow(self->m_watchList->count() - 1);
                   });
}

void PreferencesDialog::showValues(const Settings &values)
{
    m_shown = values;
    m_folder->setText(values.outputFolder);
    (values.existingFile == ExistingFilePolicy::AddNew ? m_addNew : m_overwrite)->setChecked(true);
    m_autoShut->setChecked(values.powerOffAfterBatch);
    m_threads->setText(values.threads);
    m_simultaneous->setValue(values.simultaneous);
    m_languages->setText(values.preferredLanguages.join(QStringLiteral(", ")));
    m_watchSettle->setValue(values.watchSettleSeconds);
}

Settings PreferencesDialog::values() const
{
    Settings values = m_shown;
    values.outputFolder = m_folder->text();
    values.existingFile =
        m_addNew->isChecked() ? ExistingFilePolicy::AddNew : ExistingFilePolicy::Overwrite;
    values.powerOffAfterBatch = m_autoShut->isChecked();
    values.threads = m_threads->text();
    values.simultaneous = m_simultaneous->value();
    values.preferredLanguages = languageItems(m_languages->text());
    values.watchSettleSeconds = m_watchSettle->value();
    return values;
}

void PreferencesDialog::browse()
{
    m_chooseFolder(this, applicationTitle(), m_folder->text().trimmed(),
                   [box = QPointer<QLineEdit>(m_folder)](const QString &folder) {
                       if (box && !folder.isEmpty())
                           box->setText(folder);
                   });
}

void PreferencesDialog::confirm()
{
    // Outputs may not land where they would be taken as new files.
    if (m_watch) {
        const QString inside = m_watch->check(values().outputFolder);
        if (!inside.isEmpty()) {
            m_prompt->error(inside);
            m_folder->setFocus();
            m_folder->selectAll();
            return;
        }
    }
    const Expected<Settings> saved = m_controller.save(values());
    if (!saved) {
        m_prompt->error(saved.error());
        // The field the refusal is about takes the focus, to be typed again.
        QLineEdit *refused =
            PreferencesController::checkLanguages(values().preferredLanguages).isEmpty()
                ? m_threads
                : m_languages;
        refused->setFocus();
        refused->selectAll();
        return;
    }
    if (m_watch && !m_watch->save()) {
        m_prompt->error(tr("The watched folders could not be saved."));
        return;
    }
    accept();
}

} // namespace vantrel
