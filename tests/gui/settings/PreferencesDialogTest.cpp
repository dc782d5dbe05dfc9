#include "TestFakes.h"
#include "TestSupport.h"

#include "core/common/PlatformServices.h"
#include "core/settings/IniFile.h"
#include "gui/settings/PreferencesDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vantrel;

namespace {

class PreferencesDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString settingsPath() const { return m_dir.filePath(qs("settings.dat")); }
    QString defaultFolder() const { return QDir::toNativeSeparators(m_dir.path()); }
    QString stored(const char *key) const { return iniRead(settingsPath(), qs("set"), qs(key)); }

    // Opens the window as the main window does, on the settings file of this test.
    PreferencesDialog &open()
    {
        m_dialog = std::make_unique<PreferencesDialog>(
            PreferencesController(settingsPath(), defaultFolder()), &m_prompt);
        m_dialog->show();
        return *m_dialog;
    }

    template <typename W> W *control(const char *name) const
    {
        W *widget = m_dialog->findChild<W *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit *folderBox() const { return control<QLineEdit>("Text2"); }
    QLineEdit *threadBox() const { return control<QLineEdit>("Text1"); }
    QRadioButton *addNew() const { return control<QRadioButton>("Option1"); }
    QRadioButton *overwrite() const { return control<QRadioButton>("Option2"); }
    QCheckBox *autoShut() const { return control<QCheckBox>("Check1"); }

    // Replaces what a text box holds the way a user does: select all, type.
    static void retype(QLineEdit *box, const QString &text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    // Clicks a check box or option button on its caption; the widgets are
    // wider than what they draw, and only the drawn part takes clicks.
    static void tick(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {},
                          QPoint(button->sizeHint().width() / 2, button->height() / 2));
    }
    void click(const char *button) const
    {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }
    bool accepted() const
    {
        return !m_dialog->isVisible() && m_dialog->result() == QDialog::Accepted;
    }
    bool rejected() const
    {
        return !m_dialog->isVisible() && m_dialog->result() == QDialog::Rejected;
    }

    QTemporaryDir m_dir;
    RecordingPrompt m_prompt;
    std::unique_ptr<PreferencesDialog> m_dialog;
};

} // namespace

TEST_F(PreferencesDialogTest, OpensWithDefaultsWithoutSettingsFile)
{
    open();
    EXPECT_EQ(folderBox()->text(), defaultFolder());
    EXPECT_TRUE(addNew()->isChecked());
    EXPECT_FALSE(overwrite()->isChecked());
    EXPECT_FALSE(autoShut()->isChecked());
    EXPECT_EQ(threadBox()->text(), QString());
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

// The thread box as typed, then OK: refused above 8 with the window kept
// open and the file untouched, otherwise stored as the number's text.
TEST_F(PreferencesDialogTest, OkChecksAndStoresTheThreadCount)
{
    struct Case
    {
        const char *typed;
        const char *stored; // null: refused
    };
    const Case cases[] = {{"9", nullptr}, {"8.5", nullptr}, {"8", "8"}, {"", "0"},
                          {"-1", "-1"},   {"2.5", "2.5"},   {"3", "3"}, {"4x", "4"}};
    const QByteArray before = "[Set]\r\nprofile=13\r\nthread=1\r\n";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        writeFile(settingsPath(), before);
        m_prompt.errors.clear();
        open();
        retype(threadBox(), qs(c.typed));
        click("Command1");
        if (!c.stored) {
            EXPECT_EQ(m_prompt.errors, QStringList{qs("Thread error!")});
            EXPECT_TRUE(m_dialog->isVisible());
            EXPECT_NE(m_dialog->result(), QDialog::Accepted);
            EXPECT_EQ(readFile(settingsPath()), before);
            // The user corrects the count and confirms again.
            retype(threadBox(), qs("2"));
            click("Command1");
            EXPECT_TRUE(accepted());
            EXPECT_EQ(stored("thread"), qs("2"));
            continue;
        }
        EXPECT_TRUE(m_prompt.errors.isEmpty());
        EXPECT_TRUE(accepted());
        EXPECT_EQ(stored("thread"), qs(c.stored));
        EXPECT_EQ(stored("profile"), qs("13"));
    }
}

// The preferred languages: shown as stored, typed as a list; a typed item
// that is no code is refused in a message, the window stays open on the
// languages and nothing is written; corrected, the codes are stored.
TEST_F(PreferencesDialogTest, PreferredLanguagesAreCheckedAndStored)
{
    const QByteArray before = "[Set]\r\nLanguages=ger,eng\r\n";
    writeFile(settingsPath(), before);
    open();
    auto *languages = control<QLineEdit>("languagesEdit");
    EXPECT_EQ(languages->text(), qs("ger, eng"));
    EXPECT_TRUE(languages->toolTip().contains(qs("Preferred languages")));
    QApplication::setActiveWindow(m_dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));

    retype(languages, qs("fra, deutsch"));
    click("Command1");
    ASSERT_EQ(m_prompt.errors.size(), 1);
    EXPECT_TRUE(m_prompt.errors.first().contains(qs("\"deutsch\"")));
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(readFile(settingsPath()), before);
    EXPECT_EQ(m_dialog->focusWidget(), languages);

    retype(languages, qs("FRA de  jpn"));
    click("Command1");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(stored("languages"), qs("fra,ger,jpn"));
}

TEST_F(PreferencesDialogTest, CancelAfterEditingWritesNothing)
{
    for (const bool byEscape : {false, true}) {
        SCOPED_TRACE(byEscape ? "Escape" : "Cancel");
        const QByteArray before = "; kept\n[set]\noutputfolder=/old\nexistedfile=0\nthread=1\n";
        writeFile(settingsPath(), before);
        open();
        retype(folderBox(), qs("/new/place"));
        tick(overwrite());
        tick(autoShut());
        retype(threadBox(), qs("5"));
        ASSERT_TRUE(overwrite()->isChecked());
        ASSERT_TRUE(autoShut()->isChecked());
        if (byEscape)
            QTest::keyClick(threadBox(), Qt::Key_Escape);
        else
            click("Command2");
        EXPECT_TRUE(rejected());
        EXPECT_EQ(readFile(settingsPath()), before);
    }
    // Without a settings file, none is created either.
    QFile::remove(settingsPath());
    open();
    retype(threadBox(), qs("4"));
    click("Command2");
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

TEST_F(PreferencesDialogTest, EnterConfirms)
{
    open();
    retype(threadBox(), qs("6"));
    QTest::keyClick(threadBox(), Qt::Key_Return);
    EXPECT_TRUE(accepted());
    EXPECT_EQ(stored("thread"), qs("6"));
    EXPECT_EQ(stored("outputfolder"), defaultFolder());
    EXPECT_EQ(stored("existedfile"), qs("0"));
    EXPECT_EQ(stored("autoshut"), qs("0"));
}

TEST_F(PreferencesDialogTest, BrowsePutsTheChosenFolderInTheBox)
{
    struct Call
    {
        QWidget *parent;
        QString caption;
        QString start;
    };
    QList<Call> calls;
    QString answer;
    open();
    m_dialog->setFolderChooser([&](QWidget *parent, const QString &caption, const QString &start,
                                   const FolderAnswer &done) {
        calls.append({parent, caption, start});
        done(answer);
    });

    // Cancelled: the box keeps its text, and Cancel then saves nothing.
    retype(folderBox(), qs("/typed/folder"));
    click("Command4");
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].parent, m_dialog.get());
    EXPECT_EQ(calls[0].caption, applicationTitle());
    EXPECT_EQ(calls[0].start, qs("/typed/folder"));
    EXPECT_EQ(folderBox()->text(), qs("/typed/folder"));

    answer = qs("/chosen/with space");
    click("Command4");
    EXPECT_EQ(folderBox()->text(), qs("/chosen/with space"));
    EXPECT_TRUE(m_dialog->isVisible());
    click("Command2");
    EXPECT_FALSE(QFile::exists(settingsPath()));

    // Chosen and confirmed: stored.
    open();
    m_dialog->setFolderChooser([&](QWidget *, const QString &, const QString &,
                                   const FolderAnswer &done) { done(answer); });
    click("Command4");
    click("Command1");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(stored("outputfolder"), qs("/chosen/with space"));
}

TEST_F(PreferencesDialogTest, FolderWithBlanksIsSavedTrimmed)
{
    open();
    retype(folderBox(), qs("   /home/me/Converted Videos   "));
    click("Command1");
    EXPECT_TRUE(accepted());
    EXPECT_EQ(stored("outputfolder"), qs("/home/me/Converted Videos"));
    EXPECT_TRUE(readFile(settingsPath()).contains("outputfolder=/home/me/Converted Videos\n"));
}

TEST_F(PreferencesDialogTest, SavedValuesShowOnReopening)
{
    open();
    retype(folderBox(), qs("/srv/output"));
    tick(overwrite());
    tick(autoShut());
    retype(threadBox(), qs("4"));
    click("Command1");
    ASSERT_TRUE(accepted());
    EXPECT_TRUE(readFile(settingsPath()).startsWith("[Set]"));

    open();
    EXPECT_EQ(folderBox()->text(), qs("/srv/output"));
    EXPECT_TRUE(overwrite()->isChecked());
    EXPECT_TRUE(autoShut()->isChecked());
    EXPECT_EQ(threadBox()->text(), qs("4"));

    // Back to the first choices.
    tick(addNew());
    tick(autoShut());
    retype(threadBox(), QString());
    click("Command1");
    ASSERT_TRUE(accepted());
    open();
    EXPECT_TRUE(addNew()->isChecked());
    EXPECT_FALSE(autoShut()->isChecked());
    EXPECT_EQ(threadBox()->text(), qs("0"));
    EXPECT_EQ(stored("existedfile"), qs("0"));
    EXPECT_EQ(stored("autoshut"), qs("0"));
}

TEST_F(PreferencesDialogTest, TabVisitsTheControlsTopToBottom)
{
    open();
    QApplication::setActiveWindow(m_dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    folderBox()->setFocus();
    QStringList visited;
    for (int i = 0; i < 9; ++i) {
        visited << m_dialog->focusWidget()->objectName();
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
    }
    // Tab enters the option group at its checked button and leaves it after.
    EXPECT_EQ(visited,
              (QStringList{qs("Text2"), qs("Command4"), qs("Option1"), qs("Check1"), qs("Text1"),
                           qs("SpinJobs"), qs("languagesEdit"), qs("Command1"), qs("Command2")}));
    EXPECT_EQ(m_dialog->focusWidget()->objectName(), qs("Text2")); // round again
}

TEST_F(PreferencesDialogTest, RendersToPng)
{
    writeFile(settingsPath(), "[Set]\noutputfolder=/home/me/Videos\nthread=2\n");
    // With the program's skin: no rule of the main window's parts reaches
    // this window's groups, which share their object names.
    qApp->setStyleSheet(
        QString::fromUtf8(readFile(qs(VANTREL_SOURCE_DIR "/resources/skins/frmmain.qss"))));
    open();
    // With a watched folder, as the main window opens it.
    const QString foldersFile = m_dir.filePath(qs("watch-folders.json"));
    WatchFolderFile(foldersFile).write({{qs("/home/me/Camera"), ListChoices{103, {}}, true}});
    m_dialog->setWatchFolders(WatchFolderEditor(foldersFile, ListChoices{}, m_dir.path()));
    m_dialog->adjustSize();
    const QImage image = m_dialog->grab().toImage();
    for (const QGroupBox *group : m_dialog->findChildren<QGroupBox *>()) {
        const QPoint inside = group->geometry().bottomRight() - QPoint(6, 6);
        EXPECT_GT(qGray(image.pixel(inside)), 200) << group->objectName().toStdString();
    }
    EXPECT_GE(image.width(), 300);
    EXPECT_GE(image.height(), 200);
    QTemporaryDir out;
    EXPECT_TRUE(image.save(out.filePath(qs("preferences.png"))));
    const QString keep = screenshotFolder();
    if (!keep.isEmpty())
        image.save(QDir(keep).filePath(qs("preferences.png")));
    // The window fits its texts: no control is squeezed below its size hint.
    for (QWidget *w : m_dialog->findChildren<QWidget *>()) {
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w)) {
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
        }
    }
    qApp->setStyleSheet(QString());
}

// A watched folder is added with the profile and sheet of the moment, once;
// sub-folders are ticked per folder; outputs that would land in a watched
// folder are refused; "OK" writes the folders and the settle time.
TEST_F(PreferencesDialogTest, WatchFoldersAreAddedOnceAndChecked)
{
    const QString watched = m_dir.filePath(qs("camera"));
    ASSERT_TRUE(QDir().mkpath(watched));
    const QString foldersFile = m_dir.filePath(qs("watch-folders.json"));
    const ListChoices current{103, {{qs("Audio Options"), qs("Sound Tracks"), qs("All tracks")}}};
    open();
    m_dialog->setWatchFolders(WatchFolderEditor(foldersFile, current, m_dir.path()));
    m_dialog->setFolderChooser(
        [&](QWidget *, const QString &, const QString &, FolderAnswer done) { done(watched); });
    auto *list = control<QListWidget>("watchList");
    click("watchAdd");
    click("watchAdd");
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith(watched)) << list->item(0)->text().toStdString();
    EXPECT_EQ(m_prompt.errors.size(), 1); // watched already
    list->setCurrentRow(0);
    tick(control<QCheckBox>("watchSubfolders"));
    control<QSpinBox>("watchSettle")->setValue(30);

    retype(folderBox(), watched + qs("/converted"));
    click("Command1");
    ASSERT_EQ(m_prompt.errors.size(), 2);
    EXPECT_TRUE(m_prompt.errors.last().contains(qs("sub-folders")));
    EXPECT_FALSE(QFile::exists(foldersFile));

    retype(folderBox(), m_dir.filePath(qs("out")));
    click("Command1");
    EXPECT_TRUE(accepted());
    const QList<WatchFolder> kept = WatchFolderFile(foldersFile).read();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.first(), (WatchFolder{watched, current, true}));
    EXPECT_EQ(stored("WatchSettle"), qs("30"));
}
