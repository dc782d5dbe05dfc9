#include "gui/app/MainWindow.h"

#include "core/app/MainController.h"
#include "core/app/TracksController.h"
#include "core/capture/CaptureController.h"
#include "core/capture/CaptureEngine.h"
#include "core/common/Logging.h"
#include "core/download/OnlineVideoController.h"
#include "core/preview/PreviewController.h"
#include "core/settings/AppPaths.h"
#include "core/settings/PreferencesController.h"
#include "core/sources/SourceFileRules.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/AsyncDialogs.h"
#include "gui/app/ButtonStripWidget.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/UpdateCheckDialog.h"
#include "gui/capture/CaptureWindow.h"
#include "gui/convert/ProgressPanel.h"
#include "gui/download/OnlineVideoWindow.h"
#include "gui/preview/PreviewPanel.h"
#include "gui/preview/TrimmingDialog.h"
#include "gui/profiles/OptionSheetWidget.h"
#include "gui/profiles/ProfileComboWidget.h"
#include "gui/settings/PreferencesDialog.h"
#include "gui/sources/SourceListWidget.h"
#include "gui/sources/TracksDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace vantrel {

namespace {

// The client area the window opens with.
constexpr QSize kInitialSize(991, 511);
constexpr int kRightColumnWidth = 267;

} // namespace

MainWindow::MainWindow(MainController &controller, QWidget *parent)
    : QMainWindow(parent), m_controller(controller), m_chooseFiles(&chooseFilesWithDialog)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("Vantrel Video Converter 3.70"));
    buildMenus();
    buildStrip();
    buildBody();
    // Wider than the client area of old when the list needs it to show every
    // column, as far as the screen allows.
    int width = std::max(kInitialSize.width(), sizeHint().width());
    if (const QScreen *screen = this->screen())
        width = std::min(width, screen->availableGeometry().width());
    resize(width, kInitialSize.height() + menuBar()->sizeHint().height());

    BatchRun &batch = m_controller.batch();
    m_panel->follow(batch);
    connect(&m_controller.keepsAwake(), &BatchKeepsAwake::noteChanged, m_panel,
            &ProgressPanel::showAwakeNote);
    connect(&batch, &BatchRun::busyChanged, this, [this](bool busy) {
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    });
    connect(&m_controller, &MainController::selectionChanged, m_combo,
            &ProfileComboWidget::showSelection);
    connect(m_combo, &ProfileComboWidget::entryPicked, &m_controller, &MainController::pickEntry);
    connect(&m_controller, &MainController::unavailableEntriesChanged, m_combo,
            [this] { m_combo->showUnavailable(m_controller.unavailableEntries()); });
    // A batch that ends while the user looks elsewhere is noted on the desktop.
    m_controller.setWatching([this] { return isActiveWindow() && !isMinimized(); });
}

MainWindow::~MainWindow() = default;

QAction *MainWindow::makeAction(const QString &name, const QString &caption,
                                const QKeySequence &shortcut, void (MainWindow::*slot)())
{
    return makeAction(name, caption, shortcut, [this, slot] { (this->*slot)(); });
}

QAction *MainWindow::makeAction(const QString &name, const QString &caption,
                                const QKeySequence &shortcut, std::function<void()> run)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

void MainWindow::buildMenus()
{
    using K = QKeySequence;
    const auto capture = [this] {
        Q_EMIT captureRequested();
    };
    const auto import = [this] {
        Q_EMIT importRequested();
    };
    const auto play = [this] {
        Q_EMIT playRequested(m_list->selectedRow());
    };
    const auto clip = [this] {
        trimSelected();
    };

    QMenu *file = menuBar()->addMenu(tr("File(&F)"));
    file->setObjectName(QStringLiteral("file"));
    file->addAction(makeAction(QStringLiteral("AddFiles"), tr("Add Files"), K(Qt::CTRL | Qt::Key_A),
                               &MainWindow::addFiles));
    file->addAction(makeAction(QStringLiteral("RemoveSelectedFile"), tr("Remove Selected File"),
                               K(Qt::CTRL | Qt::Key_R), &MainWindow::removeSelectedFile));
    file->addAction(makeAction(QStringLiteral("ClearAllFiles"), tr("Clear All Files"),
                               K(Qt::CTRL | Qt::Key_C), &MainWindow::clearAllFiles));
    file->addSeparator();
    file->addAction(
        makeAction(QStringLiteral("Capture"), tr("Capture Video From DV"), K(), capture));
    file->addSeparator();
    file->addAction(
        makeAction(QStringLiteral("importvideo"), tr("Import Video From Youtube"), K(), import));
    file->addSeparator();
    file->addAction(makeAction(QStringLiteral("exit"), tr("Exit"), K(Qt::CTRL | Qt::Key_X),
                               &MainWindow::exitProgram));

    QMenu *edit = menuBar()->addMenu(tr("Edit(&E)"));
    edit->setObjectName(QStringLiteral("edit"));
    // Ctrl+C clears the list at one key: Ctrl+Z brings it back.
    QAction *undoClear = makeAction(QStringLiteral("undoclear"), tr("Undo Clear"),
                                    K(Qt::CTRL | Qt::Key_Z), [this] { m_controller.undoClear(); });
    undoClear->setEnabled(m_controller.canUndoClear());
    connect(&m_controller, &MainController::undoClearChanged, undoClear, &QAction::setEnabled);
    edit->addAction(undoClear);
    edit->addSeparator();
    edit->addAction(makeAction(QStringLiteral("options"), tr("Video Settings"),
                               K(Qt::CTRL | Qt::Key_S), &MainWindow::showSettings));
    edit->addSeparator();
    // The tools' versions, and how to bring yt-dlp up to date; nothing is downloaded.
    edit->addAction(makeAction(QStringLiteral("checkupdate"), tr("Check for Updates"), K(),
                               &MainWindow::showUpdateCheck));

    QMenu *action = menuBar()->addMenu(tr("Action(&A)"));
    action->setObjectName(QStringLiteral("action"));
    action->addAction(makeAction(QStringLiteral("BurnNow"), tr("Convert Now!"),
                                 K(Qt::CTRL | Qt::Key_N), &MainWindow::convertNow));
    action->addSeparator();
    action->addAction(makeAction(QStringLiteral("play"), tr("Play Selected File"),
                                 K(Qt::CTRL | Qt::Key_P), play));
    action->addSeparator();
    action->addAction(
        makeAction(QStringLiteral("videoclip"), tr("Video Clip"), K(Qt::CTRL | Qt::Key_V), clip));

    QMenu *help = menuBar()->addMenu(tr("Help(&H)"));
    help->setObjectName(QStringLiteral("help"));
    help->addAction(
        makeAction(QStringLiteral("helphelp"), tr("Help"), K(Qt::Key_F1), &MainWindow::showHelp));
    help->addSeparator();
    help->addAction(makeAction(QStringLiteral("About"), tr("About"), K(), &MainWindow::showAbout));

    // The list's pop-up menu; not in the menu bar, no shortcuts.
    m_popup = new QMenu(QStringLiteral("popupmenu1"), this);
    m_popup->setObjectName(QStringLiteral("popupmenu1"));
    m_popup->addAction(makeAction(QStringLiteral("convertnow1"), tr("Convert Now!"), K(),
                                  &MainWindow::convertNow));
    m_popup->addSeparator();
    m_popup->addAction(
        makeAction(QStringLiteral("PlaySelectedFile"), tr("Play Selected File"), K(), play));
    m_popup->addSeparator();
    m_popup->addAction(makeAction(QStringLiteral("cuttime"), tr("Video Clip"), K(), clip));
    QAction *tracks =
        makeAction(QStringLiteral("tracks1"), tr("Tracks…"), K(), &MainWindow::chooseTracks);
    m_popup->addAction(tracks);
    // A row being converted, or whose file cannot be read, has no tracks to choose.
    connect(m_popup, &QMenu::aboutToShow, this, [this, tracks] {
        const std::optional<int> row = m_list->selectedRow();
        const std::optional<QString> unavailable =
            TracksController::unavailableReason(m_controller.sources(), row.value_or(-1));
        tracks->setEnabled(!unavailable);
        tracks->setToolTip(unavailable.value_or(QString()));
    });
    m_popup->addSeparator();
    m_popup->addAction(
        makeAction(QStringLiteral("AddFiless"), tr("Add Files"), K(), &MainWindow::addFiles));
    m_popup->addAction(makeAction(QStringLiteral("RemoveSelectedItem"), tr("Remove Selected Item"),
                                  K(), &MainWindow::removeSelectedFile));
    m_popup->addAction(makeAction(QStringLiteral("ClearAllItems"), tr("Clear All Items"), K(),
                                  &MainWindow::clearAllFiles));
    m_popup->addSeparator();
    m_popup->addAction(
        makeAction(QStringLiteral("Capture1"), tr("Capture Video From DV"), K(), capture));
    m_popup->addSeparator();
    m_popup->addAction(
        makeAction(QStringLiteral("Import1"), tr("Import Video From Youtube"), K(), import));
}

void MainWindow::buildStrip()
{
    m_strip = new ButtonStripWidget(this);
    using B = Pictures::Button;
    const struct
    {
        B button;
        const char *name;
        const char *captionName;
        const char *caption;
        void (MainWindow::*slot)();
    } buttons[] = {
        {B::AddFiles, "Image1", "Label1", QT_TR_NOOP("Add Files"), &MainWindow::addFiles},
        {B::RemoveFile, "Image2", "Label2", QT_TR_NOOP("Remove File"),
         &MainWindow::removeSelectedFile},
        {B::ClearAll, "Image9", "Label9", QT_TR_NOOP("Clear All"), &MainWindow::clearAllFiles},
        {B::Convert, "Image11", "Label11", QT_TR_NOOP("CONVERT NOW"), &MainWindow::convertNow},
        {B::Settings, "Image10", "Label10", QT_TR_NOOP("Settings"), &MainWindow::showSettings},
        {B::Help, "Image8", "Label8", QT_TR_NOOP("Help"), &MainWindow::showHelp},
        {B::Exit, "Image7", "Label7", QT_TR_NOOP("EXIT"), &MainWindow::exitProgram},
    };
    for (const auto &b : buttons) {
        StripPictureWidget *picture = m_strip->addButton(b.button, tr(b.caption));
        picture->setObjectName(QString::fromLatin1(b.name));
        picture->setToolTip(tr(b.caption));
        m_strip->captionOf(picture)->setObjectName(QString::fromLatin1(b.captionName));
        connect(picture, &StripPictureWidget::clicked, this, b.slot);
    }
    auto *label = new QLabel(tr("Profile:"), m_strip);
    label->setObjectName(QStringLiteral("Label3"));
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(kCaptionPointSize);
    label->setFont(bold);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_combo = new ProfileComboWidget(m_strip);
    m_combo->setObjectName(QStringLiteral("ImageCombo1"));
    m_combo->setMinimumWidth(kRightColumnWidth - 40);
    m_combo->setMinimumContentsLength(20);
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_strip->addTrailing(label);
    m_strip->addTrailing(m_combo, 1);
}

void MainWindow::buildBody()
{
    auto *central = new QWidget(this);
    // The skin reaches the main window's parts through this name: the other
    // windows are children of the main window, but never of its client area.
    central->setObjectName(QStringLiteral("Form1Client"));
    auto *top = new QFrame(central);
    top->setObjectName(QStringLiteral("Frame5"));
    top->setFrameShape(QFrame::StyledPanel);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(2, 2, 2, 2);
    topLayout->addWidget(m_strip);

    auto *listFrame = new QGroupBox(tr("Video List"), central);
    listFrame->setObjectName(QStringLiteral("Frame1"));
    m_list = new SourceListWidget(m_controller.sources(), listFrame);
    auto *listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(m_list);
    // What the watched folders are doing; hidden while none is watched.
    auto *watching = new QLabel(listFrame);
    watching->setObjectName(QStringLiteral("lblWatching"));
    watching->setWordWrap(true);
    watching->hide();
    listLayout->addWidget(watching);
    if (WatchedFolders *watched = m_controller.watchedFolders()) {
        const auto show = [watching](const QString &text) {
            watching->setText(text);
            watching->setVisible(!text.isEmpty());
        };
        show(watched->status());
        connect(watched, &WatchedFolders::statusChanged, watching, show);
    }

    m_preview = new QGroupBox(tr("Privew"), central);
    m_preview->setObjectName(QStringLiteral("Frame2"));
    m_preview->setMinimumHeight(245);
    m_previewController = std::make_unique<PreviewController>(m_controller.environment().playerPath,
                                                              m_controller.tools());
    m_previewPanel = new PreviewPanel(*m_previewController, m_preview);
    m_previewPanel->positionSlider()->setObjectName(QStringLiteral("Slider1"));
    auto *previewLayout = new QVBoxLayout(m_preview);
    previewLayout->setContentsMargins(2, 2, 2, 2);
    previewLayout->addWidget(m_previewPanel);
    connect(m_previewPanel, &PreviewPanel::playClicked, this,
            [this] { Q_EMIT playRequested(m_list->selectedRow()); });
    connect(this, &MainWindow::playRequested, this, [this](std::optional<int> row) {
        m_previewController->playRow(m_controller.sources(), row);
    });
    connect(this, &MainWindow::trimRequested, this, [this](int row) {
        TrimmingDialog::openFor(m_controller.sources(), row, *m_previewController,
                                m_controller.tools(), m_controller.environment().playerPath,
                                m_controller.environment().prompt, this);
    });
    connect(this, &MainWindow::importRequested, this, &MainWindow::openOnlineVideo);
    connect(this, &MainWindow::captureRequested, this, &MainWindow::openCapture);

    m_sheet = new OptionSheetWidget(m_controller.sheet(), central);
    m_sheet->setObjectName(QStringLiteral("PS1"));

    auto *right = new QVBoxLayout;
    right->addWidget(m_preview, 245);
    right->addWidget(m_sheet, 203);
    auto *rightColumn = new QWidget(central);
    rightColumn->setLayout(right);
    rightColumn->setFixedWidth(kRightColumnWidth);
    right->setContentsMargins(0, 0, 0, 0);

    auto *body = new QHBoxLayout;
    body->addWidget(listFrame, 1);
    body->addWidget(rightColumn);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(top);
    layout->addLayout(body, 1);
    setCentralWidget(central);

    // Over the list, hidden until a batch shows it.
    m_panel = new ProgressPanel(central);
    m_panel->setGeometry(26, 170, 679, 219);

    connect(m_list, &SourceListWidget::rowClicked, &m_controller, &MainController::showRow);
    connect(m_list, &SourceListWidget::rowClicked, this, [this](std::optional<int> row) {
        if (row && *row >= 0 && *row < m_controller.sources().count())
            m_previewController->setCurrentFile(m_controller.sources().item(*row).fileName);
    });
    connect(m_list, &SourceListWidget::rowDoubleClicked, this, [this] { trimSelected(); });
    connect(m_list, &SourceListWidget::filesDropped, this, [this](const QStringList &paths) {
        m_controller.addFiles(paths);
        unsetCursor();
    });
    connect(m_list, &SourceListWidget::contextMenuWanted, this,
            [this](const QPoint &at) { m_popup->popup(at); });
}

void MainWindow::startUp()
{
    m_panel->hide();
    m_controller.startUp();
}

QAction *MainWindow::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void MainWindow::chooseFilesWithDialog(QWidget *parent, FilesAnswer done)
{
    QStringList filters;
    for (const FileFilter &filter : openDialogFilters())
        filters << filter.dialogFilter();
    chooseOpenFiles(parent, tr("Open Video File"), filters, std::move(done));
}

void MainWindow::addFiles()
{
    // The dialog lists files of one folder: they are added as that folder
    // and their names, in the dialog's order.
    m_chooseFiles(this, [window = QPointer<MainWindow>(this)](const QStringList &files) {
        if (window)
            window->m_controller.addFiles(splitChosenFiles(files).paths());
    });
}

void MainWindow::removeSelectedFile()
{
    m_controller.removeRow(m_list->selectedRow());
}

void MainWindow::clearAllFiles()
{
    m_controller.clearAll();
}

void MainWindow::convertNow()
{
    m_controller.convert();
}

void MainWindow::trimSelected()
{
    if (const std::optional<int> row = m_list->selectedRow())
        Q_EMIT trimRequested(*row);
}

void MainWindow::chooseTracks()
{
    if (const std::optional<int> row = m_list->selectedRow())
        TracksDialog::openFor(m_controller.sources(), *row, this);
}

void MainWindow::showSettings()
{
    const MainEnvironment &env = m_controller.environment();
    auto *dialog = new PreferencesDialog(
        PreferencesController(env.settingsPath, m_controller.defaultOutputFolder()), env.prompt,
        this);
    if (m_controller.watchedFolders()) {
        // A folder added takes the profile and the sheet as they stand now.
        dialog->setWatchFolders(WatchFolderEditor(
            env.watchFoldersFile,
            currentChoices(m_controller.sheet(), m_controller.selectedEntry()), env.dataFolder));
    }
    connect(dialog, &QDialog::accepted, &m_controller, &MainController::preferencesSaved);
    openOwnedDialog(dialog);
}

void MainWindow::showHelp()
{
    HelpWindow::showFor(this);
}

void MainWindow::openOnlineVideo()
{
    m_previewController->giveWay(); // as for the trimming window
    const MainEnvironment &env = m_controller.environment();
    // Downloads go where the converted files go, where the user looks.
    auto online = std::make_shared<OnlineVideoController>(
        m_controller.outputFolder(), AppPaths::join(env.dataFolder, QStringLiteral("Cache")),
        env.prompt, env.desktop);
    online->setYtDlpProgram(env.ytDlpPath);
    online->setMaxDownloadBytes(m_controller.settingsFile().read().maxDownloadBytes);
    auto *window = new OnlineVideoWindow(
        *online, std::make_unique<PreviewController>(env.playerPath, m_controller.tools()), this);
    keepWhileAlive(window, online);
    openOwnedDialog(window);
}

void MainWindow::openFiles(const QStringList &files)
{
    qCInfo(lcApp) << "files from another start of the program:" << files.size();
    if (!files.isEmpty())
        m_controller.addFiles(files);
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void MainWindow::openCapture()
{
    m_previewController->giveWay(); // as for the other windows
    // What the window runs on, kept until it has gone.
    struct CaptureParts
    {
        explicit CaptureParts(const MainEnvironment &env)
            : engine(env.encoderPath, env.captureDevices ? *env.captureDevices : none),
              controller(engine, env.prompt, QDir::home().filePath(QStringLiteral("dvcapture.avi")))
        {}
        NoCaptureDevices none;
        CaptureEngine engine;
        CaptureController controller;
    };
    auto parts = std::make_shared<CaptureParts>(m_controller.environment());
    auto *window = new CaptureWindow(parts->controller, parts->engine, this);
    keepWhileAlive(window, parts);
    m_capture = window;
    connect(window, &QDialog::finished, this, [this] {
        m_capture = nullptr;
        if (m_closeAfterCapture)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    openOwnedDialog(window);
}

void MainWindow::showAbout()
{
    const MainEnvironment &env = m_controller.environment();
    openOwnedDialog(new AboutDialog({env.encoderPath, env.playerPath, env.ytDlpPath}, this));
}

void MainWindow::showUpdateCheck()
{
    const MainEnvironment &env = m_controller.environment();
    openOwnedDialog(new UpdateCheckDialog({env.encoderPath, env.playerPath, env.ytDlpPath}, this));
}

void MainWindow::exitProgram()
{
    m_controller.tools().quitPlayer();
    m_previewController->stopTimer();
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A recording is stopped and its file finished before the program ends:
    // the capture window closes first, then this one.
    if (m_capture) {
        m_closeAfterCapture = true;
        m_capture->reject();
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        m_controller.unload();
    }
    event->accept();
    Q_EMIT closed();
}

} // namespace vantrel
