#include "MediaClips.h"
#include "Readability.h"
#include "TestEnvironment.h"
#include "TestSupport.h"

#include "core/app/MainController.h"
#include "core/app/TrackPickModel.h"
#include "core/capture/CaptureDevice.h"
#include "core/download/OnlineVideoController.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/settings/IniFile.h"
#include "core/sources/ListKeeper.h"
#include "core/tools/ToolLocator.h"
#include "core/watch/WatchFolder.h"
#include "gui/app/ButtonStripWidget.h"
#include "gui/app/MainWindow.h"
#include "gui/app/Skin.h"
#include "gui/convert/ProgressPanel.h"
#include "gui/download/OnlineVideoWindow.h"
#include "gui/profiles/ProfileComboWidget.h"
#include "gui/sources/FileNameDelegate.h"
#include "gui/sources/SourceListWidget.h"
#include "gui/sources/TracksDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

using namespace vantrel;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { setSetting("outputfolder", clips.path(qs("out"))); }

    void setSetting(const char *key, const QString &value)
    {
        iniWrite(data.filePath(qs("settings.dat")), qs("Set"), qs(key), value);
    }
    QString setting(const char *key) const
    {
        return iniRead(data.filePath(qs("settings.dat")), qs("set"), qs(key));
    }

    MainWindow &open()
    {
        MainEnvironment env = surroundings.main(data);
        env.captureDevices = captureDevices;
        env.listFile = listFile;
        env.watchFoldersFile = watchFoldersFile;
        env.convertedRecordFile = data.filePath(qs("converted.jsonl"));
        controller = std::make_unique<MainController>(env);
        window = std::make_unique<MainWindow>(*controller);
        window->setFileChooser([this](QWidget *, const FilesAnswer &done) { done(chosenFiles); });
        window->startUp();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    void addProbed(const QStringList &paths)
    {
        chosenFiles = paths;
        window->addFiles();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return controller->sources().pendingProbes() == 0; }, 30000));
    }

    QStringList statuses() const
    {
        QStringList out;
        for (int row = 0; row < controller->sources().count(); ++row)
            out << rowStatusText(controller->sources().item(row).status);
        return out;
    }

    void clickRow(int row)
    {
        SourceListWidget *list = window->sourceList();
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QString sheetValue(const char *category, const char *item) const
    {
        return controller->sheet().value(qs(category), qs(item));
    }

    MediaClips clips;
    QTemporaryDir data;
    TestSurroundings surroundings;
    CaptureDevices *captureDevices = nullptr;
    QString listFile;         // where the list is kept; none: not kept
    QString watchFoldersFile; // none: no folder is watched
    RecordingPrompt &prompt = surroundings.prompt;
    RecordingDesktop &desktop = surroundings.desktop;
    QStringList chosenFiles;
    std::unique_ptr<MainController> controller;
    std::unique_ptr<MainWindow> window;
};

// The menu's entries as "caption [shortcut]", separators as "-".
QStringList entries(const QMenu *menu)
{
    QStringList out;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            out << qs("-");
        else if (action->shortcut().isEmpty())
            out << action->text();
        else
            out << action->text() + qs(" [") + action->shortcut().toString() + u']';
    }
    return out;
}

} // namespace

TEST_F(MainWindowTest, StartsWithTheStoredProfileAndStoresThePickAtUnload)
{
    setSetting("profile", qs("13"));
    MainWindow &w = open();
    EXPECT_EQ(w.windowTitle(), qs("Vantrel Video Converter 3.70"));
    EXPECT_EQ(w.profileCombo()->currentText(), catalogueEntry(13)->captionText());
    // The combo shows the catalogue, entry by entry.
    ASSERT_EQ(w.profileCombo()->count(), int(profileCatalogue().size()));
    for (const CatalogueEntry &entry : profileCatalogue())
        EXPECT_EQ(w.profileCombo()->itemText(entry.number - 1), entry.captionText());
    EXPECT_EQ(sheetValue("Video Options", "Video Codec"), qs("x264"));
    EXPECT_EQ(sheetValue("Video Options", "Video Size"), qs("480x320"));
    EXPECT_EQ(sheetValue("General", "Item Name"), qs("Auto"));
    EXPECT_FALSE(w.progressPanel()->isVisible());

    // A pick through the real combo: open it and click the entry.
    ProfileComboWidget *combo = w.profileCombo();
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const QModelIndex index = view->model()->index(95, 0); // entry 96
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    EXPECT_EQ(combo->currentText(), catalogueEntry(96)->captionText());
    EXPECT_EQ(sheetValue("Audio Options", "Audio Codec"), qs("mp3"));
    EXPECT_EQ(sheetValue("Video Options", "Video Codec"), qs("x264")); // kept

    QSignalSpy closed(&w, &MainWindow::closed);
    w.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(setting("profile"), qs("96"));
}

TEST_F(MainWindowTest, NoStoredProfileSelectsNothing)
{
    setSetting("profile", qs("150"));
    MainWindow &w = open();
    EXPECT_EQ(w.profileCombo()->currentIndex(), -1);
    EXPECT_EQ(sheetValue("Video Options", "Video Codec"), qs("xvid")); // as built
    w.close();
    EXPECT_EQ(setting("profile"), qs("150")); // nothing selected, nothing written
    EXPECT_EQ(w.profileCombo()->count(), int(profileCatalogue().size()));
    EXPECT_FALSE(w.profileCombo()->itemIcon(0).isNull()); // a group header
    EXPECT_TRUE(w.profileCombo()->itemIcon(1).isNull());  // a profile
}

TEST_F(MainWindowTest, MenusAndShortcutsInOrder)
{
    MainWindow &w = open();
    QStringList titles;
    for (const QAction *menu : w.menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles,
              (QStringList{qs("File(&F)"), qs("Edit(&E)"), qs("Action(&A)"), qs("Help(&H)")}));
    const QList<QAction *> menus = w.menuBar()->actions();
    EXPECT_EQ(
        entries(menus[0]->menu()),
        (QStringList{qs("Add Files [Ctrl+A]"), qs("Remove Selected File [Ctrl+R]"),
                     qs("Clear All Files [Ctrl+C]"), qs("-"), qs("Capture Video From DV"), qs("-"),
                     qs("Import Video From Youtube"), qs("-"), qs("Exit [Ctrl+X]")}));
    EXPECT_EQ(entries(menus[1]->menu()),
              (QStringList{qs("Undo Clear [Ctrl+Z]"), qs("-"), qs("Video Settings [Ctrl+S]"),
                           qs("-"), qs("Check for Updates")}));
    EXPECT_EQ(entries(menus[2]->menu()),
              (QStringList{qs("Convert Now! [Ctrl+N]"), qs("-"), qs("Play Selected File [Ctrl+P]"),
                           qs("-"), qs("Video Clip [Ctrl+V]")}));
    EXPECT_EQ(entries(menus[3]->menu()), (QStringList{qs("Help [F1]"), qs("-"), qs("About")}));
    EXPECT_EQ(entries(w.popupMenu()),
              (QStringList{qs("Convert Now!"), qs("-"), qs("Play Selected File"), qs("-"),
                           qs("Video Clip"), qs("Tracks…"), qs("-"), qs("Add Files"),
                           qs("Remove Selected Item"), qs("Clear All Items"), qs("-"),
                           qs("Capture Video From DV"), qs("-"), qs("Import Video From Youtube")}));

    // Ctrl+C and Ctrl+V are the list's commands, not copy and paste.
    addProbed({clips.video(qs("a.avi"), 1), clips.video(qs("b.avi"), 1)});
    clickRow(0);
    QSignalSpy trim(&w, &MainWindow::trimRequested);
    // Each opens its window modal to this one, without waiting: it is closed
    // as soon as it shows.
    QStringList opened;
    const auto closeModal = [&opened] {
        QPointer<QWidget> modal;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()); }, 5000));
        opened << modal->objectName();
        modal->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return modal.isNull(); }, 10000)); // it deletes itself
    };
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier); // the trimming window
    closeModal();
    // Both Import entries open the online-video window, both Capture entries
    // the capture window.
    for (const char *name : {"importvideo", "Import1", "Capture", "Capture1"}) {
        w.action(qs(name))->trigger();
        closeModal();
    }
    EXPECT_EQ(opened, (QStringList{qs("Form2"), qs("Formyutobe"), qs("Formyutobe"),
                                   qs("frmCapture"), qs("frmCapture")}));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_EQ(trim.count(), 1);
    EXPECT_EQ(trim.at(0).at(0).toInt(), 0);
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(controller->sources().count(), 1);
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(controller->sources().count(), 0);
    w.action(qs("checkupdate"))->trigger(); // does nothing
    EXPECT_TRUE(prompt.errors.isEmpty() && prompt.notices.isEmpty());
}

TEST_F(MainWindowTest, ClosingTheProgramWhileRecordingFinishesTheFileFirst)
{
    TestSourceOnly devices;
    captureDevices = &devices;
    MainWindow &w = open();
    QSignalSpy closed(&w, &MainWindow::closed);
    const QString file = clips.path(qs("closing.avi"));
    w.action(qs("Capture"))->trigger();
    QPointer<QWidget> capture;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (capture = QApplication::activeModalWidget()); }, 5000));
    capture->findChild<QLineEdit *>(qs("Text1"))->setText(file);
    QTest::mouseClick(capture->findChild<QPushButton *>(qs("Command1")), Qt::LeftButton);
    // A second of recording, by the window's own statistics line.
    auto *statistics = capture->findChild<QLabel *>(qs("Label2"));
    static const QRegularExpression seconds(qs(R"(- (\d+\.\d\d) sec\.$)"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return seconds.match(statistics->text()).captured(1).toDouble() >= 1.0; }, 30000));
    w.close();                       // as SIGTERM does
    EXPECT_EQ(closed.count(), 0);    // the capture window closes first...
    EXPECT_TRUE(closed.wait(10000)); // ...then the main window
    EXPECT_TRUE(capture.isNull() || !capture->isVisible());
    EXPECT_TRUE(childProcesses(qs("ffmpeg")).isEmpty());
    const FileFacts facts = inspect(file);
    EXPECT_EQ(facts.format, qs("avi"));
    EXPECT_GT(facts.seconds, 0.8);
}

TEST_F(MainWindowTest, DropAddsEveryVideoAndNamesTheOthersOnce)
{
    MainWindow &w = open();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(qs("/v/a.avi")), QUrl::fromLocalFile(qs("/v/b.txt")),
                  QUrl::fromLocalFile(qs("/v/c.mts")), QUrl::fromLocalFile(qs("/v/d.pdf")),
                  QUrl::fromLocalFile(qs("/v/e.m4b"))});
    QWidget *target = w.sourceList()->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QStringList added;
    for (int row = 0; row < controller->sources().count(); ++row)
        added << controller->sources().item(row).fileName;
    EXPECT_EQ(added, (QStringList{qs("/v/a.avi"), qs("/v/c.mts"), qs("/v/e.m4b")}));
    EXPECT_EQ(prompt.notices,
              QStringList{qs("Only Video files are allowed!\nNot added:\n/v/b.txt\n/v/d.pdf")});
}

TEST_F(MainWindowTest, ClickShowsTheRowInTheSheet)
{
    MainWindow &w = open();
    clickRow(0); // an empty list: nothing happens
    EXPECT_EQ(sheetValue("General", "Item Name"), qs("Auto"));
    const QString clip = clips.video(qs("clip one.avi"), 3);
    addProbed({clip});
    clickRow(0);
    EXPECT_EQ(sheetValue("General", "Item Name"), clip);
    EXPECT_EQ(sheetValue("Output Duration", "Start Time"), qs("0:00:00"));
    EXPECT_EQ(sheetValue("Output Duration", "Stop Time"), qs("0:00:03"));
    EXPECT_EQ(sheetValue("Output Duration", "All Clip Duration"), QString());
    EXPECT_EQ(w.sourceList()->model()->index(0, 3).data().toString(), qs("160x120"));
}

TEST_F(MainWindowTest, ConvertsABatchWithBothBarsMoving)
{
    setSetting("profile", qs("5")); // x264 at 1280x720: a few seconds per clip, so ticks come
    MainWindow &w = open();
    addProbed({clips.video(qs("first.avi"), 6), clips.video(qs("second.avi"), 2)});
    QList<int> fileValues;
    QList<int> totalValues;
    QObject::connect(w.progressPanel()->fileBar(), &QProgressBar::valueChanged, &w,
                     [&](int v) { fileValues << v; });
    QObject::connect(w.progressPanel()->totalBar(), &QProgressBar::valueChanged, &w,
                     [&](int v) { totalValues << v; });
    QSignalSpy finished(&controller->batch(), &BatchRun::finished);

    QTest::mouseClick(w.findChild<QWidget *>(qs("Image11")), Qt::LeftButton);
    EXPECT_TRUE(w.progressPanel()->isVisible());
    EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(controller->convert()); // a second Convert is refused
    ASSERT_TRUE(finished.wait(120000));

    EXPECT_EQ(statuses(), (QStringList{qs("OK"), qs("OK")}));
    EXPECT_TRUE(std::any_of(fileValues.cbegin(), fileValues.cend(), [](int v) {
        return v > 0 && v < 100;
    })) << "the file bar only jumped";
    EXPECT_TRUE(totalValues.contains(50));
    EXPECT_TRUE(totalValues.contains(100));
    EXPECT_EQ(prompt.notices, QStringList{qs("Conversion completed!")});
    EXPECT_EQ(desktop.opened, QStringList{clips.path(qs("out"))});
    EXPECT_FALSE(w.progressPanel()->isVisible());
    EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
}

TEST_F(MainWindowTest, CancelStopsTheBatchWithoutCompletion)
{
    setSetting("profile", qs("5")); // x264 at 1280x720: slow enough to cancel
    MainWindow &w = open();
    addProbed({clips.video(qs("long.avi"), 30), clips.video(qs("next.avi"), 1)});
    QSignalSpy finished(&controller->batch(), &BatchRun::finished);
    QSignalSpy gone(&controller->batch(), &BatchRun::encoderGone);
    w.action(qs("BurnNow"))->trigger();
    QLabel *elapsed = w.progressPanel()->elapsedLabel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return elapsed->text() == qs("0:00:01"); }, 30000));
    EXPECT_TRUE(w.progressPanel()->captionFrame()->title().startsWith(qs("Progress....")));
    QTest::mouseClick(w.progressPanel()->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(finished.count() == 1 || finished.wait(30000));
    EXPECT_EQ(statuses(), (QStringList{qs("Cancel"), QString()}));
    EXPECT_TRUE(prompt.errors.isEmpty());
    EXPECT_EQ(prompt.notices, QStringList{qs("Conversion Canceled by the user!")});
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_FALSE(w.progressPanel()->isVisible());
    EXPECT_TRUE(!controller->batch().encoderAlive() || gone.wait(15000));
}

TEST_F(MainWindowTest, ButtonBordersFollowTheMouseAndThePanelDrags)
{
    MainWindow &w = open();
    ButtonStripWidget *strip = w.strip();
    StripPictureWidget *add = strip->pictures().at(0);
    StripPictureWidget *convert = strip->pictures().at(3);
    QTest::mouseMove(add, add->rect().center());
    EXPECT_TRUE(add->isBordered());
    QTest::mouseMove(convert, convert->rect().center());
    EXPECT_TRUE(add->isBordered()); // only the strip's background takes it away
    EXPECT_TRUE(convert->isBordered());
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), strip->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    EXPECT_FALSE(add->isBordered());
    EXPECT_FALSE(convert->isBordered());

    // A caption is part of its button: it borders its picture and clicks it.
    QLabel *caption = w.findChild<QLabel *>(qs("Label1"));
    ASSERT_EQ(caption, strip->captionOf(add));
    EXPECT_EQ(caption->text(), qs("Add Files"));
    QTest::mouseMove(caption, caption->rect().center());
    EXPECT_TRUE(add->isBordered());
    EXPECT_FALSE(convert->isBordered());
    chosenFiles = {qs("/v/a.avi"), qs("/v/b.mts")};
    QTest::mouseClick(caption, Qt::LeftButton, {}, caption->rect().center());
    EXPECT_EQ(controller->sources().count(), 2);
    // Ctrl+C clears the list, Ctrl+Z brings it back.
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(controller->sources().count(), 0);
    EXPECT_TRUE(w.action(qs("undoclear"))->isEnabled());
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(controller->sources().count(), 2);
    EXPECT_FALSE(w.action(qs("undoclear"))->isEnabled());

    ProgressPanel *panel = w.progressPanel();
    panel->show();
    const QPoint before = panel->pos();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 30), panel->mapToGlobal(QPointF(40, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &drag);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(panel->pos(), before + QPoint(30, 20));
    QTest::mousePress(panel, Qt::RightButton, {}, QPoint(10, 10)); // other buttons: nothing
    QMouseEvent other(QEvent::MouseMove, QPointF(60, 60), panel->mapToGlobal(QPointF(60, 60)),
                      Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &other);
    EXPECT_EQ(panel->pos(), before + QPoint(30, 20));
}

TEST_F(MainWindowTest, Screenshots)
{
    ASSERT_TRUE(applySkin(*qApp, qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss")));
    setSetting("profile", qs("13"));
    // A watched folder says so under the list.
    watchFoldersFile = data.filePath(qs("watch-folders.json"));
    QDir().mkpath(clips.path(qs("camera")));
    WatchFolderFile(watchFoldersFile)
        .write({{clips.path(qs("camera")), ListChoices{103, {}}, false}});
    MainWindow &w = open();
    w.resize(w.sizeHint().width(), w.height()); // as it opens on a screen wider than this one
    auto *watching = w.findChild<QLabel *>(qs("lblWatching"));
    ASSERT_NE(watching, nullptr);
    EXPECT_TRUE(watching->isVisible());
    EXPECT_EQ(watching->text(), qs("Watching 1 folder."));
    addProbed({clips.video(qs("holiday.avi"), 3), clips.video(qs("birthday party.avi"), 5)});
    clickRow(0);
    ProgressPanel *panel = w.progressPanel();
    panel->captionFrame()->setTitle(qs("Progress....") + clips.path(qs("holiday.avi")) +
                                    qs(" To ") + clips.path(qs("out/holiday.mp4")));
    panel->fileBar()->setValue(42);
    panel->totalBar()->setValue(50);
    panel->elapsedLabel()->setText(qs("0:00:07"));
    panel->timeLeftLabel()->setText(qs("Time left: 0:00:12"));
    panel->show();
    const QImage image = w.grab().toImage();
    EXPECT_EQ(image.width(), w.width());
    const QString folder = screenshotFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(image.save(QDir(folder).filePath(qs("main-window.png"))));
    qApp->setStyleSheet(QString());
}

// "Tracks…" from the list's pop-up menu: offered for a row that can be
// read, not for one whose file is gone; the window fills when the reading
// ends, the choice ticked in it is the row's, and the list's file keeps it
// for the next start. A picture of the window is left with the screenshots.
TEST_F(MainWindowTest, TracksChosenForARowFromItsPopUpMenu)
{
    ASSERT_TRUE(applySkin(*qApp, qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss")));
    const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    listFile = data.filePath(qs("list.json"));
    MainWindow &w = open();
    const QString film = clips.filmWithTracks(qs("Holiday in Berlin.mkv"));
    addProbed({film, clips.path(qs("gone.mkv"))});
    QAction *tracks = w.action(qs("tracks1"));
    ASSERT_NE(tracks, nullptr);
    const auto popUpOn = [&](int row) {
        clickRow(row);
        SourceListWidget *list = w.sourceList();
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rect.center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.popupMenu()->isVisible(); }, 5000));
        const bool offered = tracks->isEnabled();
        w.popupMenu()->hide();
        return offered;
    };
    EXPECT_FALSE(popUpOn(1));
    ASSERT_TRUE(popUpOn(0));
    tracks->trigger();
    QPointer<QWidget> opened;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (opened = QApplication::activeModalWidget()) && opened->isVisible(); }, 5000));
    auto *dialog = qobject_cast<TracksDialog *>(opened.data());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &w);
    QTableView *table = dialog->table();
    ASSERT_TRUE(QTest::qWaitFor([&] { return table->model()->rowCount() == 3; }, 20000));
    auto *ok = dialog->findChild<QPushButton *>(qs("tracksOk"));
    EXPECT_TRUE(ok->isEnabled());

    // The window grows to show the tracks once they are read.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dialog->size().expandedTo(dialog->minimumSizeHint()) == dialog->size(); },
        5000));
    const QImage picture = dialog->grab().toImage();
    EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(qs("tracks-dialog.png"))));
    // Every column shows its whole text.
    for (int column = 0; column < table->model()->columnCount(); ++column) {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QString text = table->model()->index(row, column).data().toString();
            EXPECT_GE(table->columnWidth(column), table->fontMetrics().horizontalAdvance(text))
                << text;
        }
    }

    // The subtitle dropped and the English sound made the default, by the keys.
    table->setFocus();
    table->setCurrentIndex(table->model()->index(2, TrackPickModel::KeepColumn));
    QTest::keyClick(table, Qt::Key_Space);
    table->setCurrentIndex(table->model()->index(0, TrackPickModel::DefaultColumn));
    QTest::keyClick(table, Qt::Key_Space);
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.isNull() || !opened->isVisible(); }, 5000));
    const TrackPick chosen{{1, 2}, 1};
    EXPECT_EQ(controller->sources().item(0).tracks, chosen);
    EXPECT_TRUE(controller->sources()
                    .data(controller->sources().index(0, 0), Qt::ToolTipRole)
                    .toString()
                    .contains(qs("Tracks: chosen for this row (2 kept)")));

    // The next start finds the choice in the list's file.
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(listFile).contains("\"tracks\""); }, 5000));
    SourceList restarted(nullptr);
    const std::optional<QList<SourceList::SavedRow>> left =
        ListKeeper(restarted, listFile).leftRows();
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->first().item.tracks, chosen);
}

// Every window, opened the way the program opens it (from the main window's
// menus, with the skin and the parent it has in use), can be read: each
// caption, label and option text stands out from what is behind it.
TEST_F(MainWindowTest, EveryWindowCanBeReadAsTheProgramOpensIt)
{
    ASSERT_TRUE(applySkin(*qApp, qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss")));
    const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    TestSourceOnly devices;
    captureDevices = &devices;
    MainWindow &w = open();
    addProbed({clips.video(qs("holiday.avi"), 2)});
    clickRow(0);
    // Today's sound entry: the picture's items are read-only, as are the row's.
    controller->pickEntry(110);
    const auto check = [](QWidget *window) {
        QImage picture;
        const QStringList unreadable = readability::unreadable(window, 4.5, &picture);
        EXPECT_TRUE(unreadable.isEmpty())
            << window->objectName() << ":\n  " << unreadable.join(qs("\n  "));
        picture.save(
            QDir(screenshotFolder()).filePath(qs("readable-") + window->objectName() + qs(".png")));
    };
    check(&w);
    for (const char *action : {"options", "videoclip", "importvideo", "Capture", "About"}) {
        w.action(qs(action))->trigger();
        QPointer<QWidget> opened;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (opened = QApplication::activeModalWidget()) && opened->isVisible(); },
            5000))
            << action;
        EXPECT_EQ(opened->parentWidget(), &w) << action;
        check(opened);
        opened->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened.isNull(); }, 10000)) << action;
    }
    w.action(qs("helphelp"))->trigger();
    auto *help = w.findChild<QWidget *>(qs("HelpWindow"));
    ASSERT_TRUE(help && help->isVisible());
    check(help);
}

// Downloads go where the converted files go, the folder the user looks in.
TEST_F(MainWindowTest, DownloadsGoToTheOutputFolder)
{
    MainWindow &w = open();
    w.action(qs("importvideo"))->trigger();
    QPointer<OnlineVideoWindow> online;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return (online = qobject_cast<OnlineVideoWindow *>(QApplication::activeModalWidget()));
        },
        5000));
    EXPECT_EQ(online->controller().downloadFolder(), clips.path(qs("out")));
    online->close();
}

TEST_F(MainWindowTest, AFailedRowTellsWhyInItsStatusTip)
{
    setSetting("profile", qs("73"));
    MainWindow &w = open();
    addProbed({clips.video(qs("bad.avi"), 1)});
    controller->sheet().setValue(qs("Video Options"), qs("Video Size"), qs("abc"));
    QSignalSpy finished(&controller->batch(), &BatchRun::finished);
    w.convertNow();
    ASSERT_TRUE(finished.wait(30000));
    const QModelIndex status = w.sourceList()->model()->index(0, SourceList::StatusColumn);
    EXPECT_EQ(status.data().toString(), qs("Fail"));
    const QString tip = status.data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(qs("The encoder failed"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(qs("Invalid frame size"))) << tip.toStdString();
    // The message at the end says so, and where to read why, as a warning.
    EXPECT_TRUE(prompt.notices.isEmpty());
    EXPECT_EQ(prompt.warnings.value(0), qs("Conversion completed!\n1 of 1 files failed. Point at "
                                           "\"Fail\" in the Status column to see why."));

    // The profile box shows its whole caption as a tip, and its list opens
    // wide enough for the longest caption.
    auto *combo = w.findChild<ProfileComboWidget *>(qs("ImageCombo1"));
    EXPECT_EQ(combo->toolTip(), combo->currentText());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    combo->showPopup();
    EXPECT_GT(combo->view()->viewport()->width(), widest);
    combo->hidePopup();
}

// A path too long for its cell gives way folder first; the name goes last.
TEST(FileNameColumn, APathGivesWayFolderFirst)
{
    const QFontMetrics metrics(QApplication::font());
    const QString folder = qs("/home/user/Videos/Holiday in Portugal 2026/day two/");
    const QString name = qs("camera_1080i50.mts");
    const int nameWidth = metrics.horizontalAdvance(name);
    const struct
    {
        int width;
        bool wholeName;
        bool someFolder;
    } cases[] = {
        {metrics.horizontalAdvance(folder + name), true, true}, // all of it fits
        {nameWidth + metrics.horizontalAdvance(qs("/home/user/…/")), true, true},
        {nameWidth + metrics.horizontalAdvance(qs("…/")), true, false},
        {nameWidth / 2, false, false},
    };
    for (const auto &c : cases) {
        const QString shown = elidedPath(folder + name, metrics, c.width);
        SCOPED_TRACE(shown.toStdString());
        EXPECT_LE(metrics.horizontalAdvance(shown), c.width);
        EXPECT_EQ(shown.endsWith(name), c.wholeName);
        EXPECT_EQ(shown.startsWith(qs("/home")), c.someFolder);
    }
}
