#include "TestSupport.h"

#include "core/settings/IniFile.h"
#include "core/settings/PreferencesController.h"

#include <QFile>
#include <QTemporaryDir>

using namespace vantrel;

namespace {

class PreferencesControllerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString settingsPath() const { return m_dir.filePath(qs("settings.dat")); }
    QString defaultFolder() const { return m_dir.path(); }
    PreferencesController controller() const
    {
        return PreferencesController(settingsPath(), defaultFolder());
    }
    QString stored(const char *key) const { return iniRead(settingsPath(), qs("set"), qs(key)); }

    QTemporaryDir m_dir;
};

Settings someValues(const char *thread)
{
    Settings v;
    v.outputFolder = qs("/videos/out");
    v.existingFile = ExistingFilePolicy::Overwrite;
    v.powerOffAfterBatch = true;
    v.threads = qs(thread);
    return v;
}

} // namespace

TEST_F(PreferencesControllerTest, NoSettingsFileOpensWithDefaults)
{
    const Settings v = controller().load();
    EXPECT_EQ(v.outputFolder, defaultFolder());
    EXPECT_EQ(v.existingFile, ExistingFilePolicy::AddNew);
    EXPECT_FALSE(v.powerOffAfterBatch);
    EXPECT_EQ(v.threads, QString());
}

// What the window opens with for each stored text: the policy and the
// shutdown box follow the numeric reading rule, the thread text is shown as
// stored, an empty folder falls back to the default folder.
TEST_F(PreferencesControllerTest, LoadReadsStoredTexts)
{
    struct Case
    {
        const char *file;
        const char *folder; // null: the default folder
        ExistingFilePolicy policy;
        bool autoShut;
        const char *thread;
    };
    const Case cases[] = {
        {"[Set]\noutputfolder=/a b/c\nexistedfile=1\nautoshut=1\nthread=4\n", "/a b/c",
         ExistingFilePolicy::Overwrite, true, "4"},
        {"[set]\noutputfolder=\nexistedfile=0\nautoshut=0\nthread=\n", nullptr,
         ExistingFilePolicy::AddNew, false, ""},
        {"[SET]\nexistedfile=2\nautoshut=2\n", nullptr, ExistingFilePolicy::Overwrite, false, ""},
        {"[set]\nexistedfile=abc\nautoshut=1abc\nthread=2.5\n", nullptr, ExistingFilePolicy::AddNew,
         true, "2.5"},
        {"[set]\nexistedfile=  1\nautoshut= 1.0\nthread=  3x  \n", nullptr,
         ExistingFilePolicy::Overwrite, true, "3x"},
        {"[set]\nexistedfile=-1\nautoshut=01\nthread=-1\n", nullptr, ExistingFilePolicy::Overwrite,
         true, "-1"},
        {"[other]\noutputfolder=/elsewhere\nexistedfile=1\nautoshut=1\n", nullptr,
         ExistingFilePolicy::AddNew, false, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(settingsPath(), c.file);
        const Settings v = controller().load();
        EXPECT_EQ(v.outputFolder, c.folder ? qs(c.folder) : defaultFolder());
        EXPECT_EQ(v.existingFile, c.policy);
        EXPECT_EQ(v.powerOffAfterBatch, c.autoShut);
        EXPECT_EQ(v.threads, qs(c.thread));
    }
}

// The thread count is checked by its numeric value and stored as the standard
// text of that value; above 8 nothing at all is written.
TEST_F(PreferencesControllerTest, ThreadCountIsCheckedAndStoredAsNumberText)
{
    struct Case
    {
        const char *typed;
        const char *stored; // null: refused
    };
    const Case cases[] = {
        {"3", "3"},     {"8", "8"},       {"", "0"},         {"-1", "-1"},     {"2.5", "2.5"},
        {"0", "0"},     {" 4", "4"},      {"4 ", "4"},       {"6abc", "6"},    {"abc", "0"},
        {"08", "8"},    {"3.0", "3"},     {"-20", "-20"},    {"+2", "2"},      {"8.0", "8"},
        {"9", nullptr}, {"8.5", nullptr}, {"9abc", nullptr}, {" 12", nullptr}, {"100", nullptr},
    };
    const QByteArray before = "; mine\n[Set]\nthread=1\nprofile=13\n";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        writeFile(settingsPath(), before);
        const Expected<Settings> saved = controller().save(someValues(c.typed));
        if (!c.stored) {
            ASSERT_FALSE(saved.ok());
            EXPECT_EQ(saved.error(), qs("Thread error!"));
            EXPECT_EQ(readFile(settingsPath()), before);
            continue;
        }
        ASSERT_TRUE(saved.ok()) << saved.error().toStdString();
        EXPECT_EQ(saved->threads, qs(c.stored));
        EXPECT_EQ(stored("thread"), qs(c.stored));
    }
}

// The preferred languages as typed (the window splits them at commas and
// blanks): stored as codes without repeats, or refused with the item that
// is no code, writing nothing.
TEST_F(PreferencesControllerTest, LanguagesAreCheckedAndStoredAsCodes)
{
    const struct
    {
        QStringList typed;
        const char *stored; // null: refused
        const char *refusalNames;
    } cases[] = {
        {{qs("eng"), qs("deu")}, "eng,deu", nullptr},
        {{qs("FRA"), qs("fr"), qs("fre")}, "fra,fre", nullptr},
        {{qs("jpn"), qs("jpn")}, "jpn", nullptr},
        {{}, nullptr, nullptr}, // the desktop's language
        {{qs("eng"), qs("german")}, nullptr, "\"german\""},
        {{qs("e1g")}, nullptr, "\"e1g\""},
        {{qs("zz")}, nullptr, "\"zz\""},
        {{qs("aaa"), qs("bbb"), qs("ccc"), qs("ddd"), qs("eee"), qs("fff"), qs("ggg"), qs("hhh"),
          qs("iii")},
         nullptr,
         "At most 8"},
    };
    const QByteArray before = "[Set]\nLanguages=ita\n";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed.join(u',').toStdString());
        writeFile(settingsPath(), before);
        Settings values = controller().load();
        values.preferredLanguages = c.typed;
        const Expected<Settings> saved = controller().save(values);
        if (c.refusalNames) {
            ASSERT_FALSE(saved.ok());
            EXPECT_TRUE(saved.error().contains(qs(c.refusalNames))) << saved.error().toStdString();
            EXPECT_EQ(readFile(settingsPath()), before);
            continue;
        }
        ASSERT_TRUE(saved.ok()) << saved.error().toStdString();
        const QString expected = c.stored ? qs(c.stored) : desktopLanguages().join(u',');
        EXPECT_EQ(stored("languages"), expected);
        EXPECT_EQ(controller().load().preferredLanguages.join(u','), expected);
        EXPECT_TRUE(controller().load().warnings.isEmpty());
    }
}

TEST_F(PreferencesControllerTest, RefusalWithoutSettingsFileCreatesNone)
{
    EXPECT_FALSE(controller().save(someValues("9")).ok());
    EXPECT_FALSE(QFile::exists(settingsPath()));
}

// Each choice is written as its key's text, the folder without surrounding
// blanks, all in the section as the writers spell it, beside the lines that
// were there.
TEST_F(PreferencesControllerTest, SaveWritesTheFourKeys)
{
    struct Case
    {
        const char *folder;
        ExistingFilePolicy policy;
        bool autoShut;
        const char *folderText, *existedText, *autoShutText;
    };
    const Case cases[] = {
        {"   /tmp/my videos  ", ExistingFilePolicy::AddNew, false, "/tmp/my videos", "0", "0"},
        {"/tmp/out", ExistingFilePolicy::Overwrite, true, "/tmp/out", "1", "1"},
        {"not a folder at all", ExistingFilePolicy::AddNew, true, "not a folder at all", "0", "1"},
        {"   ", ExistingFilePolicy::Overwrite, false, "", "1", "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder);
        writeFile(settingsPath(), "[Set]\r\nprofile=29\r\n");
        Settings v;
        v.outputFolder = qs(c.folder);
        v.existingFile = c.policy;
        v.powerOffAfterBatch = c.autoShut;
        v.threads = qs("2");
        const Expected<Settings> saved = controller().save(v);
        ASSERT_TRUE(saved.ok());
        EXPECT_EQ(saved->outputFolder, qs(c.folderText));
        EXPECT_EQ(stored("outputfolder"), qs(c.folderText));
        EXPECT_EQ(stored("existedfile"), qs(c.existedText));
        EXPECT_EQ(stored("autoshut"), qs(c.autoShutText));
        EXPECT_EQ(stored("profile"), qs("29"));
        const QByteArray file = readFile(settingsPath());
        EXPECT_EQ(file.count("[Set]"), 1) << file.constData();
        EXPECT_FALSE(file.contains("[set]"));
    }
}

TEST_F(PreferencesControllerTest, SavedValuesComeBackOnTheNextOpening)
{
    Settings v = someValues(" 2.5 ");
    v.outputFolder = qs("  /srv/out  ");
    ASSERT_TRUE(controller().save(v).ok());
    Settings expected = v;
    expected.outputFolder = qs("/srv/out");
    expected.threads = qs("2.5");
    EXPECT_EQ(controller().load(), expected);

    // And back to the other choices, which are stored as "0".
    v.existingFile = ExistingFilePolicy::AddNew;
    v.powerOffAfterBatch = false;
    ASSERT_TRUE(controller().save(v).ok());
    expected.existingFile = ExistingFilePolicy::AddNew;
    expected.powerOffAfterBatch = false;
    EXPECT_EQ(controller().load(), expected);

    // An emptied folder opens as the default folder again.
    v.outputFolder.clear();
    ASSERT_TRUE(controller().save(v).ok());
    EXPECT_EQ(controller().load().outputFolder, defaultFolder());
}
