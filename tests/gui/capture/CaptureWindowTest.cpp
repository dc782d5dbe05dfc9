#include "MediaClips.h"
#include "TestFakes.h"
#include "TestSupport.h"

#include "core/capture/CaptureController.h"
#include "core/capture/CaptureEngine.h"
#include "core/tools/ToolLocator.h"
#include "gui/capture/CaptureWindow.h"
#include "gui/capture/LivePictureWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

using namespace vantrel;

namespace {

QPushButton *button(const QWidget &window, const char *name)
{
    return window.findChild<QPushButton *>(qs(name));
}

} // namespace

// The window recording the test picture: the buttons, the statistics line,
// the live picture, Browse, and Exit while recording finishing the file
// before the window goes.
TEST(CaptureWindow, RecordsShowsThePictureAndExitFinishesTheFile)
{
    MediaClips clips;
    TestSourceOnly devices;
    RecordingPrompt prompt;
    CaptureEngine engine(ToolLocator::find(ToolLocator::kEncoder), devices);
    CaptureController controller(engine, &prompt, clips.path(qs("first.avi")));
    CaptureWindow window(controller, engine);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), qs("Capture Video From DV"));
    for (const QSlider *slider : window.findChildren<QSlider *>(qs("Slider")))
        EXPECT_FALSE(slider->isEnabled()); // the test picture has no camera to steer

    auto *file = window.findChild<QLineEdit *>(qs("Text1"));
    EXPECT_EQ(file->text(), clips.path(qs("first.avi")));
    const QString chosen = clips.path(qs("my capture.avi"));
    QString answer;
    window.setFileChooser(
        [&answer](QWidget *, const QString &, const FolderAnswer &done) { done(answer); });
    QTest::mouseClick(button(window, "Command5"), Qt::LeftButton); // Cancel
    EXPECT_EQ(file->text(), clips.path(qs("first.avi")));
    answer = chosen;
    QTest::mouseClick(button(window, "Command5"), Qt::LeftButton);
    EXPECT_EQ(file->text(), chosen);

    QTest::mouseClick(button(window, "Command1"), Qt::LeftButton);
    EXPECT_FALSE(button(window, "Command1")->isEnabled());
    EXPECT_FALSE(button(window, "Command3")->isEnabled());
    auto *statistics = window.findChild<QLabel *>(qs("Label2"));
    EXPECT_EQ(statistics->text(), qs("00:00:00"));
    static const QRegularExpression form(
        qs(R"(^[1-9]\d* frames \(\d+ dropped\) - \d+\.\d\d sec\.$)"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.match(statistics->text()).hasMatch(); }, 5000))
        << statistics->text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.livePicture()->picture().isNull(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.statistics().elapsedMs >= 1500; }, 30000));
    const QString folder = screenshotFolder();
    if (!folder.isEmpty())
        window.grab().save(QDir(folder).filePath(qs("capture-window.png")));

    QTest::mouseClick(button(window, "Command4"), Qt::LeftButton); // Exit while recording
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
    EXPECT_FALSE(engine.isBusy());
    EXPECT_TRUE(childProcesses(qs("ffmpeg")).isEmpty());
    const FileFacts facts = inspect(chosen);
    EXPECT_EQ(facts.format, qs("avi"));
    EXPECT_GT(facts.seconds, 1.0);
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(u'\n').toStdString();
}
