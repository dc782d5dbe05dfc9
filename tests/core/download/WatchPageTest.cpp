#include "TestSupport.h"

#include "core/download/WatchPage.h"

#include <QDir>

using namespace vantrel;

namespace {

QString page(const char *name)
{
    return QString::fromUtf8(readFile(qs(VANTREL_TESTDATA_DIR "/pages/") + qs(name)));
}

} // namespace

TEST(WatchPage, ExtractBetweenAndUrlDecode)
{
    const struct
    {
        const char *text, *start, *end, *result;
    } cuts[] = {
        {"a[x]b", "[", "]", "x"},
        {"", "[", "]", ""},               // an empty page
        {"[x", "[", "]", ""},             // no end marker
        {"abcdef]g", "[[[", "]", "cdef"}, // no start marker: from its length on
        {"'VIDEO_TITLE': 'a', b", "VIDEO_TITLE': '", "',", "a"},
    };
    for (const auto &c : cuts)
        EXPECT_EQ(extractBetween(qs(c.text), qs(c.start), qs(c.end)), qs(c.result)) << c.text;

    const struct
    {
        const char *text, *decoded;
    } codes[] = {
        {"a+b%20c", "a b c"}, {"x%41", "xA"}, {"x%4", "x4"},      {"%", ""},
        {"%zz1", "%zz1"},     {"%2B", "+"},   {"100%25", "100%"},
    };
    for (const auto &c : codes)
        EXPECT_EQ(urlDecode(qs(c.text)), qs(c.decoded)) << c.text;
    // No length limit.
    EXPECT_EQ(urlDecode(QString(40000, u'a') + qs("%41")).size(), 40001);
}

TEST(WatchPage, ReadsRealPages)
{
    if (!QDir(qs(VANTREL_TESTDATA_DIR "/pages")).exists())
        GTEST_SKIP() << "no real watch pages here";
    const struct
    {
        const char *file, *title, *author, *id, *published, *category, *description, *thumbnail,
            *length, *rating;
        QList<int> formats;
    } pages[] = {
        {"watch-2009-10-26-KVeXIF-txzs.html",
         "Yu-gi-oh the Abridged Series Episode 26",
         "leetendoTV",
         "KVeXIF-txzs",
         "20 de janeiro de 2008",
         "Entretenimento",
         "By LittleKuriboh. Good to see",
         "http://i2.ytimg.com/vi/KVeXIF-txzs/default.jpg",
         "406",
         "5.0",
         {5}},
        {"watch-2009-10-26-TXcCrk3Z3Ac.html",
         "Yu-gi-oh the Abridged Series 26 Mo Money, Mo Card Games",
         "Samusen11",
         "TXcCrk3Z3Ac",
         "24 de janeiro de 2008",
         "Humor",
         "Yu-gi-oh the Abridged Series Episode 26",
         "http://i1.ytimg.com/vi/TXcCrk3Z3Ac/default.jpg",
         "405",
         "5.0",
         {5}},
        // The later layout: its own forms of the title, length, stream map and picture.
        {"watch-2010-04-06-5PsnxDQvQpw-later-layout.html",
         "Everyday Normal Guy",
         "jonlajoie",
         "5PsnxDQvQpw",
         "November 21, 2007",
         "",
         "A rap song by comedian Jon Lajoie.",
         "http://i4.ytimg.com/vi/5PsnxDQvQpw/default.jpg",
         "217",
         "",
         {34, 5}},
        // A removed video: the site's home page, no field at all.
        {"watch-2009-10-26-removed-video-homepage.html", "", "", "", "", "", "", "", "", "", {}},
    };
    for (const auto &p : pages) {
        SCOPED_TRACE(p.file);
        const QString text = page(p.file);
        const VideoPageInfo info = parseVideoPage(text);
        EXPECT_EQ(info.title, qs(p.title));
        EXPECT_EQ(info.author, qs(p.author));
        EXPECT_EQ(info.videoId, qs(p.id));
        EXPECT_EQ(info.published, qs(p.published));
        EXPECT_EQ(info.category, qs(p.category));
        EXPECT_TRUE(qstrlen(p.description) == 0 ? info.description.isEmpty()
                                                : info.description.startsWith(qs(p.description)))
            << info.description.toStdString();
        EXPECT_EQ(info.thumbnail, qs(p.thumbnail));
        EXPECT_EQ(info.length, qs(p.length));
        EXPECT_EQ(info.rating, qs(p.rating));
        StreamLinks links;
        EXPECT_EQ(readStreamLinks(text, links), p.formats);
        for (const int format : p.formats)
            EXPECT_TRUE(urlDecode(*links.of(format)).startsWith(qs("http://v")));
    }
}

TEST(WatchPage, StreamMapAndNames)
{
    // The map 22, 18, 5 gives the MP4 and the FLV stream only; a later page
    // without a format keeps the address an earlier one gave.
    StreamLinks links;
    const QString map = qs("\"fmt_url_map\": \"22%7Chttp%3A%2F%2Fh%2Fa%2C18%7Chttp%3A%2F%2Fh%2Fb"
                           "%2C5%7Chttp%3A%2F%2Fh%2Fc\", ");
    EXPECT_EQ(readStreamLinks(map, links), (QList<int>{22, 5}));
    EXPECT_EQ(links.hd720Mp4, qs("http://h/a"));
    EXPECT_EQ(readStreamLinks(qs("\"fmt_url_map\": \"35%7Cx%2Cjunk%2C5%7Cy\""), links),
              QList<int>{35});
    EXPECT_EQ(links.hd720Mp4, qs("http://h/a"));
    EXPECT_EQ(links.flv, qs("http://h/c")); // the scan ended at the entry without "|"
    EXPECT_EQ(firstRegexGroup(qs("ab12cd"), qs("(\\d+)")), qs("12"));
    EXPECT_EQ(firstRegexGroup(qs("abcd"), qs("(\\d+)")), QString());

    const struct
    {
        const char *title;
        int format;
        const char *name;
    } names[] = {
        {"ab c", 22, "ab c.mp4"},
        {"Yugioh", 34, "Yugioh_Full_HD.flv"},
        {"Yugioh", 35, "Yugioh_HD.flv"},
        {"", 5, "video.flv"},                         // never nameless
        {"../../etc/passwd", 5, "_._etc_passwd.flv"}, // never outside the folder
        {"a\nb\tc?*", 22, "abc__.mp4"},
        {"..", 22, "video.mp4"},
    };
    for (const auto &n : names)
        EXPECT_EQ(streamFileName(qs(n.title), n.format), qs(n.name)) << n.title;
}
