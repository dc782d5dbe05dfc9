#include "TestSupport.h"

#include "core/tools/ToolLocator.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/UpdateCheckDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <algorithm>

using namespace vantrel;

namespace {

// How many distinct colours an image has, up to `enough`.
int colourCount(const QImage &image, int enough)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < enough; y += 2) {
        for (int x = 0; x < image.width() && colours.size() < enough; x += 2)
            colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

void keepScreenshot(const QImage &image, const QString &name)
{
    const QString keep = screenshotFolder();
    if (!keep.isEmpty())
        image.save(QDir(keep).filePath(name));
}

} // namespace

static AboutDialog::Tools installedTools()
{
    return {ToolLocator::find(ToolLocator::kEncoder), ToolLocator::find(ToolLocator::kPlayer),
            ToolLocator::ytDlp(QString())};
}

TEST(AboutWindow, ShowsItsTextsInOrderAndNoButtons)
{
    AboutDialog about(installedTools());
    about.show();
    const auto *ytDlp = about.findChild<QLabel *>(qs("lblYtDlp"));
    const auto *ffmpeg = about.findChild<QLabel *>(qs("lblFfmpeg"));
    const auto *mplayer = about.findChild<QLabel *>(qs("lblMPlayer"));
    ASSERT_TRUE(ytDlp && ffmpeg && mplayer);
    // Each tool answers in its own time.
    for (const QLabel *tool : {ytDlp, ffmpeg, mplayer})
        QTRY_VERIFY_WITH_TIMEOUT(!tool->text().contains(qs("asking")), 15000);
    EXPECT_EQ(about.windowTitle(), qs("About"));
    EXPECT_TRUE(about.isModal());
    EXPECT_TRUE(about.findChildren<QAbstractButton *>().isEmpty());

    // The text labels as the user reads them: top to bottom.
    QList<QLabel *> labels;
    const QLabel *picture = nullptr;
    for (QLabel *label : about.findChildren<QLabel *>()) {
        if (!label->pixmap().isNull())
            picture = label;
        else
            labels << label;
    }
    std::sort(labels.begin(), labels.end(),
              [](QLabel *a, QLabel *b) { return a->geometry().top() < b->geometry().top(); });
    QStringList texts;
    for (const QLabel *label : labels)
        texts << label->text();
    EXPECT_EQ(texts,
              (QStringList{
                  qs("Thank you for using Vantrel Video Converter"), qs("Version " VANTREL_VERSION),
                  qs("This product includes software developed by the MPlayer Project.\n\n"
                     "This product includes software developed by the FFMpeg Project."),
                  qs("MPlayer is licensed under the GUN General Public License Version 2.\n"
                     "FFmpeg is licensed under the GUN General Public License."),
                  ffmpeg->text(), mplayer->text(), ytDlp->text()}));
    // The versions the installed tools give, as they give them.
    EXPECT_TRUE(QRegularExpression(qs("^FFmpeg \\S+ converts the files\\.$"))
                    .match(ffmpeg->text())
                    .hasMatch())
        << ffmpeg->text();
    EXPECT_TRUE(QRegularExpression(qs("^MPlayer \\S+ reads and plays the files\\.$"))
                    .match(mplayer->text())
                    .hasMatch())
        << mplayer->text();
    EXPECT_TRUE(QRegularExpression(qs("^yt-dlp \\d{4}\\.\\d{2}\\.\\d{2}\\S* reads today's web "
                                      "pages\\.$"))
                    .match(ytDlp->text())
                    .hasMatch())
        << ytDlp->text().toStdString();
    for (const QLabel *label : labels)
        EXPECT_EQ(label->textFormat(), Qt::PlainText);

    ASSERT_NE(picture, nullptr);
    EXPECT_GE(colourCount(picture->pixmap().toImage(), 16), 16); // a picture, not a blank
}

TEST(AboutWindow, EscapeClosesItAndMissingToolsAreNamed)
{
    AboutDialog about(
        {qs("/nonexistent/ffmpeg"), qs("/nonexistent/mplayer"), qs("/nonexistent/yt-dlp")});
    about.show();
    const std::pair<const char *, const char *> tools[] = {
        {"lblFfmpeg", "FFmpeg"}, {"lblMPlayer", "MPlayer"}, {"lblYtDlp", "yt-dlp"}};
    for (const auto &[name, tool] : tools) {
        const auto *label = about.findChild<QLabel *>(qs(name));
        ASSERT_NE(label, nullptr) << name;
        QTRY_VERIFY(label->text().startsWith(qs(tool) + qs(": not found")));
    }
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutWindow, RendersToPng)
{
    AboutDialog about(installedTools());
    about.show();
    for (const char *tool : {"lblFfmpeg", "lblMPlayer", "lblYtDlp"})
        QTRY_VERIFY_WITH_TIMEOUT(
            !about.findChild<QLabel *>(qs(tool))->text().contains(qs("asking")), 15000);
    const QImage image = about.grab().toImage();
    EXPECT_GE(image.width(), 300);
    EXPECT_GE(colourCount(image, 32), 32);
    QTemporaryDir out;
    EXPECT_TRUE(image.save(out.filePath(qs("about.png"))));
    keepScreenshot(image, qs("about.png"));
    keepScreenshot(AboutDialog::emblem(256).toImage(), qs("emblem.png"));
}

// The guide is compiled in: it shows with no help file anywhere near the
// program or the current folder.
TEST(HelpWindow, ShowsTheCompiledInGuide)
{
    QTemporaryDir empty;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(empty.path()));
    HelpWindow help;
    QDir::setCurrent(previous);

    QTextBrowser *browser = help.browser();
    EXPECT_EQ(browser->source(), QUrl(qs("qrc:/help/index.html")));
    EXPECT_EQ(browser->documentTitle(), qs("Vantrel Video Converter Help"));
    const QString text = browser->toPlainText();
    for (const char *section :
         {"Adding files", "Choosing a profile", "The option sheet", "Trimming a clip", "Converting",
          "Preferences", "The command line", "vantrel-cli convert", "Thread error!"}) {
        EXPECT_TRUE(text.contains(qs(section))) << section;
    }
}

TEST(HelpWindow, EveryLinkInsideTheGuideHasItsTarget)
{
    HelpWindow help;
    const QString html = help.browser()->toHtml();
    QSet<QString> anchors;
    const QRegularExpression anchor(qs("name=\"([^\"]+)\""));
    for (auto it = anchor.globalMatch(html); it.hasNext();)
        anchors.insert(it.next().captured(1));
    const QRegularExpression link(qs("href=\"#([^\"]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(anchors.contains(target)) << target.toStdString();
    }
    EXPECT_GE(links, 8);
}

TEST(HelpWindow, OpensBesideTheMainWindowWithoutBlockingIt)
{
    QWidget owner;
    owner.show();
    HelpWindow *help = HelpWindow::showFor(&owner);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->isWindow());
    EXPECT_EQ(help->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    // A second Help command brings the same window back.
    help->close();
    EXPECT_EQ(HelpWindow::showFor(&owner), help);
    EXPECT_TRUE(help->isVisible());
    keepScreenshot(help->grab().toImage(), qs("help.png"));
    // Escape closes it, as it closes the program's other windows.
    help->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help->findChild<QWidget *>(qs("HelpBrowser")), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

// "Check for Updates" names every tool's version, yt-dlp's with its age and
// what to do when it is too old, and downloads nothing.
TEST(UpdateCheckWindow, NamesEachToolAndYtDlpsAge)
{
    const AboutDialog::Tools tools = installedTools();
    UpdateCheckDialog check({tools.encoder, tools.player, tools.ytDlp});
    check.show();
    QStringList texts;
    for (const char *name : {"lblProgram", "lblFfmpeg", "lblMPlayer", "lblYtDlp"}) {
        const auto *label = check.findChild<QLabel *>(qs(name));
        ASSERT_TRUE(label) << name;
        QTRY_VERIFY_WITH_TIMEOUT(!label->text().contains(qs("asking")), 15000);
        texts << label->text();
    }
    EXPECT_TRUE(texts[1].startsWith(qs("FFmpeg 5"))) << texts[1].toStdString();
    EXPECT_FALSE(texts[2].contains(qs("not found"))) << texts[2].toStdString();
    // Debian 12's yt-dlp of 2023 is years old here.
    EXPECT_TRUE(texts[3].contains(qs(" old")) && texts[3].contains(tools.ytDlp))
        << texts[3].toStdString();
    keepScreenshot(check.grab().toImage(), qs("check-for-updates.png"));
}
