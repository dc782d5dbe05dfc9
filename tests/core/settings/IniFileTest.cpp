#include "TestSupport.h"

#include "core/settings/AppPaths.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "core/tools/ToolLocator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vantrel;

TEST(IniDocument, ReadsWithoutCaseAndTrimsValues)
{
    const IniDocument doc = IniDocument::parse("; comment\n"
                                               "[Other]\nprofile=7\n"
                                               "[SET]\n"
                                               "  OutputFolder =   /home/u/My Videos  \n"
                                               "thread=2.5\r\n"
                                               "eq=a=b\n"
                                               "noequals\n"
                                               "thread=9\n"
                                               "[set]\nautoshut=1\n");
    EXPECT_EQ(doc.value(qs("set"), qs("outputfolder")), qs("/home/u/My Videos"));
    EXPECT_EQ(doc.value(qs("Set"), qs("THREAD")), qs("2.5")); // the first one wins
    EXPECT_EQ(doc.value(qs("set"), qs("eq")), qs("a=b"));
    EXPECT_EQ(doc.value(qs("set"), qs("profile")), QString()); // other section
    EXPECT_EQ(doc.value(qs("other"), qs("profile")), qs("7"));
    EXPECT_EQ(doc.value(qs("set"), qs("autoshut")), QString()); // only the first [set] counts
    EXPECT_FALSE(doc.contains(qs("set"), qs("noequals")));
    EXPECT_EQ(doc.value(qs("missing"), qs("x")), QString());
}

TEST(IniDocument, WritingKeepsEveryOtherLine)
{
    const QByteArray original = "; keep me\r\n"
                                "[Set]\r\n"
                                "Profile=13\r\n"
                                "thread=2\r\n"
                                "\r\n"
                                "[Window]\r\n"
                                "x=1\r\n";
    IniDocument doc = IniDocument::parse(original);
    EXPECT_EQ(doc.content(), original);
    doc.setValue(qs("set"), qs("profile"), qs("96"));
    doc.setValue(qs("SET"), qs("autoshut"), qs("1"));
    doc.setValue(qs("window"), qs("y"), qs("2"));
    doc.setValue(qs("New"), qs("k"), qs("v"));
    EXPECT_EQ(doc.content(), QByteArray("; keep me\r\n"
                                        "[Set]\r\n"
                                        "profile=96\r\n"
                                        "thread=2\r\n"
                                        "autoshut=1\r\n"
                                        "\r\n"
                                        "[Window]\r\n"
                                        "x=1\r\n"
                                        "y=2\r\n"
                                        "[New]\r\n"
                                        "k=v\r\n"));
}

TEST(IniDocument, EdgeShapesOfText)
{
    IniDocument empty = IniDocument::parse(QByteArray());
    empty.setValue(qs("Set"), qs("profile"), qs("5"));
    EXPECT_EQ(empty.content(), QByteArray("[Set]\nprofile=5\n"));

    IniDocument noFinalNewline = IniDocument::parse("[Set]\nthread=1");
    noFinalNewline.setValue(qs("set"), qs("autoshut"), qs("0"));
    EXPECT_EQ(noFinalNewline.content(), QByteArray("[Set]\nthread=1\nautoshut=0\n"));

    IniDocument bom = IniDocument::parse("\xEF\xBB\xBF[set]\nprofile=3\n");
    EXPECT_EQ(bom.value(qs("set"), qs("profile")), qs("3"));

    // A value never starts a line of its own.
    IniDocument injected = IniDocument::parse(QByteArray());
    injected.setValue(qs("Set"), qs("outputfolder"), qs("/a\n[Set]\nautoshut=1"));
    EXPECT_EQ(injected.value(qs("set"), qs("autoshut")), QString());

    // Long values are kept whole.
    const QString longFolder = qs("/") + QString(300, u'x') + qs("/ünï cødé");
    IniDocument longValue = IniDocument::parse(QByteArray());
    longValue.setValue(qs("Set"), qs("outputfolder"), longFolder);
    EXPECT_EQ(IniDocument::parse(longValue.content()).value(qs("set"), qs("outputfolder")),
              longFolder);
}

TEST(IniFile, ReadsAndWritesFilesAndNeverFailsLoudly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(qs("settings.dat"));
    EXPECT_EQ(iniRead(file, qs("set"), qs("profile")), QString()); // no file

    EXPECT_TRUE(iniWrite(file, qs("Set"), qs("profile"), qs("13")));
    EXPECT_EQ(readFile(file), QByteArray("[Set]\nprofile=13\n"));
    EXPECT_EQ(iniRead(file, qs("set"), qs("PROFILE")), qs("13"));

    // A corrupt file reads as missing keys, and writing keeps its bytes.
    static const char raw[] = "\x00\xff\xfe[se\x01t]\n\x80\x81=\x82\n";
    const QByteArray garbage(raw, sizeof raw - 1);
    writeFile(file, garbage);
    EXPECT_EQ(iniRead(file, qs("set"), qs("profile")), QString());
    EXPECT_TRUE(iniWrite(file, qs("Set"), qs("profile"), qs("2")));
    EXPECT_TRUE(readFile(file).startsWith(garbage));
    EXPECT_EQ(iniRead(file, qs("set"), qs("profile")), qs("2"));

    // Unwritable places fail quietly and leave nothing behind.
    const QString noFolder = dir.filePath(qs("missing/settings.dat"));
    EXPECT_FALSE(iniWrite(noFolder, qs("Set"), qs("profile"), qs("1")));
    EXPECT_EQ(iniRead(noFolder, qs("set"), qs("profile")), QString());
    EXPECT_EQ(iniRead(dir.path(), qs("set"), qs("profile")), QString()); // a folder
    EXPECT_FALSE(iniWrite(dir.path(), qs("Set"), qs("profile"), qs("1")));
}

TEST(SettingsFile, ReadsEachKeyByItsRule)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(qs("settings.dat"));
    const SettingsFile settings(file, qs("/fallback"));
    EXPECT_EQ(settings.read().outputFolder, qs("/fallback"));
    EXPECT_EQ(settings.read().existingFile, ExistingFilePolicy::AddNew);
    EXPECT_EQ(settings.read().threads, QString());
    EXPECT_FALSE(settings.read().powerOffAfterBatch);

    writeFile(file, "[SET]\noutputfolder=   /videos/out \nexistedfile=2\nthread=2.5\nautoshut=1\n");
    EXPECT_EQ(settings.read().outputFolder, qs("/videos/out"));
    EXPECT_EQ(settings.read().existingFile, ExistingFilePolicy::Overwrite);
    EXPECT_EQ(settings.read().threads, qs("2.5"));
    EXPECT_TRUE(settings.read().powerOffAfterBatch);

    writeFile(file, "[set]\nexistedfile=abc\nautoshut=2\nthread= 3 cores\n");
    EXPECT_EQ(settings.read().existingFile, ExistingFilePolicy::AddNew);
    EXPECT_FALSE(settings.read().powerOffAfterBatch);
    EXPECT_EQ(settings.read().threads, qs("3 cores"));

    Settings changed = settings.read();
    changed.powerOffAfterBatch = true;
    EXPECT_TRUE(settings.writePreferences(changed));
    EXPECT_TRUE(settings.read().powerOffAfterBatch);
    EXPECT_TRUE(readFile(file).contains("autoshut=1"));

    // Rows at once: a file from before the key converts one at a time; a
    // count beyond the machine is held to it, and said.
    const struct
    {
        const char *stored;
        int read;
        bool told;
    } simultaneous[] = {{nullptr, 1, false},
                        {"1", 1, false},
                        {"0", 1, true},
                        {"1000", maxSimultaneousConversions(), true}};
    for (const auto &c : simultaneous) {
        writeFile(file,
                  c.stored ? QByteArray("[Set]\nsimultaneous=") + c.stored : QByteArray("[Set]\n"));
        EXPECT_EQ(settings.read().simultaneous, c.read) << c.stored;
        EXPECT_EQ(!settings.read().warnings.isEmpty(), c.told) << c.stored;
    }

    // A yt-dlp chosen by hand must be one; else the one on PATH runs, and
    // the user is told.
    writeFile(file, "[Set]\nytdlp=/bin/sh\n");
    EXPECT_TRUE(settings.read().warnings.isEmpty());
    EXPECT_EQ(ToolLocator::ytDlp(settings.read().ytDlp), qs("/bin/sh"));
    writeFile(file, "[Set]\nytdlp=" + file.toUtf8() + "\n"); // a file, not a program
    EXPECT_EQ(settings.read().warnings.size(), 1);
    EXPECT_NE(ToolLocator::ytDlp(settings.read().ytDlp), file);
}

// The preferred languages as stored: codes of three letters as they are,
// lower-cased; ISO 639-1 codes as their 639-2 ones; what is no code, the
// repeats and those past the eighth left out and said; none left, or no
// key, the desktop's language.
TEST(SettingsFile, PreferredLanguagesAreCleanedCodes)
{
    const QString desktop = desktopLanguages().join(u',');
    ASSERT_EQ(desktop.size(), 3);
    const struct
    {
        const char *stored;
        QString read; // comma-separated
        bool told;
    } cases[] = {
        {"", desktop, false},
        {"eng", qs("eng"), false},
        {" ENG , Deu,fra ", qs("eng,deu,fra"), false},
        {"eng deu;jpn", qs("eng,deu,jpn"), false},
        {"de,fr", qs("ger,fre"), false},
        {"eng,eng,ENG,deu", qs("eng,deu"), false},
        {"english,deu", qs("deu"), true},
        {"e1g,dé u,deu", qs("deu"), true},
        {"xx,,,", desktop, true},
        {"english", desktop, true},
        {"aaa,bbb,ccc,ddd,eee,fff,ggg,hhh,iii", qs("aaa,bbb,ccc,ddd,eee,fff,ggg,hhh"), true},
    };
    for (const auto &c : cases) {
        QString warning;
        EXPECT_EQ(preferredLanguages(qs(c.stored), &warning).join(u','), c.read) << c.stored;
        EXPECT_EQ(!warning.isEmpty(), c.told) << c.stored << warning.toStdString();
    }

    // Read from the file with its warning, and written back as codes.
    QTemporaryDir dir;
    const QString file = dir.filePath(qs("settings.dat"));
    const SettingsFile settings(file, dir.path());
    EXPECT_EQ(settings.read().preferredLanguages, desktopLanguages()); // no file
    writeFile(file, "[Set]\nLanguages=jpn,klingon\n");
    EXPECT_EQ(settings.read().preferredLanguages, QStringList{qs("jpn")});
    EXPECT_EQ(settings.read().warnings.size(), 1);
    Settings changed = settings.read();
    changed.preferredLanguages = {qs("fra"), qs("eng")};
    EXPECT_TRUE(settings.writePreferences(changed));
    EXPECT_EQ(iniRead(file, qs("set"), qs("languages")), qs("fra,eng"));
    EXPECT_EQ(settings.read(), changed);
}

TEST(SettingsFile, RestoresAndStoresTheProfileSelection)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(qs("settings.dat"));
    const SettingsFile settings(file, dir.path());
    EXPECT_FALSE(settings.read().profile.has_value()); // no file

    settings.writeProfile(std::nullopt);
    EXPECT_FALSE(QFile::exists(file)); // nothing written without a selection

    settings.writeProfile(96);
    EXPECT_EQ(iniRead(file, qs("Set"), qs("profile")), qs("96"));
    EXPECT_EQ(settings.read().profile, 96);

    iniWrite(file, qs("SET"), qs("PROFILE"), qs("13"));
    EXPECT_EQ(settings.read().profile, 13);
    settings.writeProfile(std::nullopt);
    EXPECT_EQ(settings.read().profile, 13);
}

TEST(AppPaths, DataFolderIsTheWritableProgramFolderUnlessOverridden)
{
    const QByteArray saved = qgetenv("VANTREL_DATA_DIR");
    qunsetenv("VANTREL_DATA_DIR");
    EXPECT_EQ(AppPaths::dataFolder(), AppPaths::programFolder());
    QTemporaryDir dir;
    const QString custom = dir.filePath(qs("my data"));
    qputenv("VANTREL_DATA_DIR", custom.toUtf8());
    EXPECT_EQ(AppPaths::dataFolder(), QDir::toNativeSeparators(custom));
    EXPECT_TRUE(QDir(custom).exists());
    EXPECT_EQ(AppPaths::settingsFile(), AppPaths::join(custom, qs("settings.dat")));
    EXPECT_EQ(AppPaths::statisticsFile(), AppPaths::join(custom, qs("curconvert.log")));
    if (saved.isNull())
        qunsetenv("VANTREL_DATA_DIR");
    else
        qputenv("VANTREL_DATA_DIR", saved);
}
