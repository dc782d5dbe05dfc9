#include "TestSupport.h"

#include "core/sources/SourceFileRules.h"

#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

TEST(SourceFileRules, OpenDialogOffersEveryAcceptedTypeFirst)
{
    const auto &filters = openDialogFilters();
    ASSERT_EQ(filters.size(), 20u);
    EXPECT_EQ(qs(filters[0].description), qs("All supported media files"));
    // Every type the program takes, those of 2009 first, in their order.
    ASSERT_EQ(filters[0].patterns.size(), qsizetype(mediaTypes().size()));
    EXPECT_EQ(filters[0].patterns.at(0), qs("*.avi"));
    EXPECT_EQ(filters[0].patterns.at(47), qs("*.nsv"));
    for (const char *today : {"*.dv", "*.webm", "*.m4b", "*.opus", "*.flac", "*.wav"})
        EXPECT_TRUE(filters[0].patterns.contains(qs(today))) << today;
    EXPECT_EQ(qs(filters[1].description),
              qs("Windows Media files (*.avi;*.wmv;*.wma;*.asf;*.ms-dvr;*.dvr-ms)"));
    // The MPEG-2 entry names *.mpv but does not match it.
    EXPECT_TRUE(qs(filters[9].description).contains(qs("*.mpv")));
    EXPECT_FALSE(filters[9].patternList().contains(qs("*.mpv")));
    EXPECT_EQ(qs(filters[19].description), qs("All files (*.*)"));
    // Qt reads the patterns from the last parentheses and shows the rest.
    EXPECT_EQ(filters[3].dialogFilter(),
              qs("Real Media Files (*.rm;*.rmvb;*.rv) (*.rm *.rmvb *.rv)"));
    // Every pattern a family offers is a type the program takes.
    for (const FileFilter &filter : filters) {
        for (const QString &pattern : filter.patterns)
            EXPECT_TRUE(pattern == qs("*") || isAcceptedMediaFile(qs("x") + pattern.mid(1)))
                << pattern;
    }
}

// The command line, "Open With", a drop and the open dialog take the same
// types; every refused file is named in one message, the others are added.
TEST(SourceFileRules, TheSameTypesAreTakenEveryWayAndTheOthersNamed)
{
    const struct
    {
        const char *path;
        bool accepted;
    } cases[] = {
        {"/v/clip.AVI", true},        {"/v/a.Mpeg", true},         {"/v/cam.MTS", true},
        {"/v/cam.m2ts", true},        {"/v/tape.dv", true},        {"/v/web.webm", true},
        {"/v/book.m4b", true},        {"/v/song.opus", true},      {"/v/take.flac", true},
        {"/v/voice.wav", true},       {"/v/a.ts", true},           {"/v/movie.m4v", true},
        {"/v/a.vob", true},           {"/v/my.holiday.mov", true}, {"/v/b.txt", false},
        {"/v/notes.platform", false}, // ends in "rm", but that is no extension
        {"/v/theqt", false},          {"/v/a.ts.part", false},     {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isAcceptedMediaFile(qs(c.path)), c.accepted) << c.path;

    const FileSorting sorted = sortAddedFiles({qs("/v/a.mov"), qs("/v/b.mts"), qs("/v/notes.txt"),
                                               qs("/v/c.dv"), qs("/v/x.doc"), qs("/v/d.m4b")});
    EXPECT_EQ(sorted.accepted,
              (QStringList{qs("/v/a.mov"), qs("/v/b.mts"), qs("/v/c.dv"), qs("/v/d.m4b")}));
    EXPECT_EQ(sorted.refusal,
              qs("Only Video files are allowed!\nNot added:\n/v/notes.txt\n/v/x.doc"));
    EXPECT_FALSE(sorted.unusableNames);
    EXPECT_TRUE(sortAddedFiles({qs("/v/a.mov")}).refusal.isEmpty());
}

// "Open With" offers the program for the types it takes: the desktop entry
// lists the MIME type of every one the desktop knows, and nothing else.
TEST(SourceFileRules, TheDesktopEntryNamesTheSameTypes)
{
    const QString entry =
        QString::fromUtf8(readFile(qs(VANTREL_SOURCE_DIR "/packaging/vantrel.desktop")));
    const QRegularExpressionMatch line =
        QRegularExpression(qs("^MimeType=(.*)$"), QRegularExpression::MultilineOption).match(entry);
    ASSERT_TRUE(line.hasMatch());
    QStringList listed = line.captured(1).split(u';', Qt::SkipEmptyParts);
    QStringList wanted;
    const QMimeDatabase mimes;
    for (const MediaType &type : mediaTypes()) {
        if (!type.mimeType)
            continue;
        wanted << qs(type.mimeType);
        // The desktop's own database agrees on the type of the extension.
        bool known = false;
        for (const QMimeType &found : mimes.mimeTypesForFileName(qs("x.") + qs(type.extension)))
            known = known || found.inherits(qs(type.mimeType));
        EXPECT_TRUE(known) << type.extension << " " << type.mimeType;
    }
    wanted.removeDuplicates();
    wanted.sort();
    listed.sort();
    EXPECT_EQ(listed, wanted);
}

TEST(SourceFileRules, ChosenFilesSplitIntoFolderAndNames)
{
    const ChosenFiles three = splitChosenFiles({qs("/v/b.avi"), qs("/v/a b.avi"), qs("/v/c.mkv")});
    EXPECT_EQ(three.folder, qs("/v/"));
    EXPECT_EQ(three.names, (QStringList{qs("b.avi"), qs("a b.avi"), qs("c.mkv")}));
    EXPECT_EQ(three.paths(), (QStringList{qs("/v/b.avi"), qs("/v/a b.avi"), qs("/v/c.mkv")}));
    EXPECT_EQ(splitChosenFiles({qs("/a.avi")}).paths(), QStringList{qs("/a.avi")}); // the root
    EXPECT_TRUE(splitChosenFiles({}).paths().isEmpty());                            // cancelled
}

TEST(SourceFileRules, NamesThatAreNotTextAreRefusedWhenAdded)
{
    QTemporaryDir dir;
    // A Latin-1 name from an old disk: its é is no UTF-8.
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.avi";
    ASSERT_EQ(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)), 0);
    const QString shown = QFile::decodeName(latin1);
    ASSERT_TRUE(shown.contains(QChar::ReplacementCharacter));
    const std::optional<QString> refusal = unusableNameReason(shown);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_TRUE(refusal->contains(shown) && refusal->contains(qs("Rename")))
        << refusal->toStdString();

    // A name that really holds the replacement character is found by it.
    const QString real = dir.filePath(qs("real \uFFFD.avi"));
    writeFile(real, "x");
    EXPECT_FALSE(unusableNameReason(real).has_value());
    EXPECT_FALSE(unusableNameReason(qs("/any/plain ünï name.avi")).has_value());
}

// What never ends is refused at the door: a FIFO or a character device under
// a media name. Plain files, folders (told when read) and missing names pass.
TEST(SourceFileRules, PipesAndDevicesAreRefusedWhenAdded)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(qs("stream.mp4"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(qs("zero.mp3"));
    ASSERT_TRUE(QFile::link(qs("/dev/zero"), zero));
    const QString plain = dir.filePath(qs("clip.avi"));
    writeFile(plain, "x");
    const struct
    {
        QString path;
        bool refused;
    } cases[] = {{fifo, true},
                 {zero, true},
                 {qs("/dev/null.mp4"), false},
                 {plain, false},
                 {dir.path(), false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(unusableSourceReason(c.path).has_value(), c.refused);
    }
    const FileSorting sorted = sortAddedFiles({fifo, plain});
    EXPECT_EQ(sorted.accepted, QStringList{plain});
    EXPECT_TRUE(sorted.refusal.contains(qs("is a pipe or a device")))
        << sorted.refusal.toStdString();
}
