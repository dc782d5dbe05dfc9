#include "TestSupport.h"

#include "core/sources/SourceFileRules.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using namespace vantrel;

TEST(SourceFileRules, OpenDialogOffersSeventeenTypesInOrder)
{
    const auto &filters = openDialogFilters();
    ASSERT_EQ(filters.size(), 17u);
    EXPECT_EQ(qs(filters[0].description), qs("All supported media files"));
    EXPECT_EQ(filters[0].patterns.size(), 48u);
    EXPECT_EQ(filters[0].patternList().constFirst(), qs("*.avi"));
    EXPECT_EQ(filters[0].patternList().constLast(), qs("*.nsv"));
    EXPECT_EQ(qs(filters[1].description),
              qs("Windows Media files (*.avi;*.wmv;*.wma;*.asf;*.ms-dvr;*.dvr-ms)"));
    // The MPEG-2 entry names *.mpv but does not match it.
    EXPECT_TRUE(qs(filters[9].description).contains(qs("*.mpv")));
    EXPECT_FALSE(filters[9].patternList().contains(qs("*.mpv")));
    EXPECT_EQ(qs(filters[16].description), qs("All files (*.*)"));
    // Qt reads the patterns from the last parentheses and shows the rest.
    EXPECT_EQ(filters[3].dialogFilter(),
              qs("Real Media Files (*.rm;*.rmvb;*.rv) (*.rm *.rmvb *.rv)"));
}

TEST(SourceFileRules, DropAcceptsKnownVideoEndingsInAnyCase)
{
    const struct
    {
        const char *path;
        bool accepted;
    } cases[] = {
        {"/v/clip.AVI", true},
        {"/v/clip.avi", true},
        {"/v/a.Mpeg", true},
        {"/v/a.rmvb", true},
        {"/v/a.3g2", true},
        {"/v/a.divx", true},
        {"/v/notes.platform", true}, // ends in "rm": no dot is needed
        {"/v/theqt", true},
        {"/v/movie.m4v", false},
        {"/v/a.vob", false},
        {"/v/a.ts", false},
        {"/v/a.ogg", false},
        {"/v/b.txt", false},
        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isDropAccepted(qs(c.path)), c.accepted) << c.path;
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
