#include "MediaClips.h"
#include "TestFakes.h"
#include "TestSupport.h"

#include "core/capture/CaptureCommand.h"
#include "core/capture/CaptureController.h"
#include "core/capture/CaptureEngine.h"
#include "core/capture/CaptureProgress.h"
#include "core/tools/ToolLocator.h"
#include "platform/SystemCaptureDevices.h"

#include <QMap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace vantrel;

namespace {

// Waits until the recording holds `milliseconds` of picture, by the
// encoder's own count.
bool recordedFor(const CaptureEngine &engine, qint64 milliseconds)
{
    return QTest::qWaitFor([&] { return engine.statistics().elapsedMs >= milliseconds; }, 30000);
}

// Devices the test decides, with a camera that has the given ranges.
struct FakeDevices : CaptureDevices
{
    struct Controls : CameraControls
    {
        explicit Controls(FakeDevices &owner) : owner(owner) {}
        CameraRange range(CameraProperty p) override { return owner.ranges.value(p); }
        int value(CameraProperty p) override { return owner.values.value(p); }
        bool setValue(CameraProperty p, int value) override
        {
            owner.moves << qMakePair(p, value);
            return true;
        }
        FakeDevices &owner;
    };

    QList<CaptureDevice> devices() override { return list; }
    std::unique_ptr<CameraControls> cameraControls(const CaptureDevice &) override
    {
        return std::make_unique<Controls>(*this);
    }

    QList<CaptureDevice> list;
    QMap<CameraProperty, CameraRange> ranges;
    QMap<CameraProperty, int> values;
    QList<QPair<CameraProperty, int>> moves;
};

// A controller over the real encoder, as the window uses it.
struct Capture
{
    explicit Capture(QList<CaptureDevice> list)
    {
        devices.list = std::move(list);
        engine = std::make_unique<CaptureEngine>(ToolLocator::find(ToolLocator::kEncoder), devices);
        controller = std::make_unique<CaptureController>(*engine, &prompt, QString());
        controller->load();
    }
    ~Capture()
    {
        if (!controller->isExiting())
            exitAndWait();
    }
    bool exitAndWait()
    {
        QSignalSpy closed(controller.get(), &CaptureController::closeRequested);
        controller->exit();
        return closed.count() > 0 || closed.wait(CaptureEngine::kFinishGraceMs + 5000);
    }

    FakeDevices devices;
    RecordingPrompt prompt;
    std::unique_ptr<CaptureEngine> engine;
    std::unique_ptr<CaptureController> controller;
};

bool noEncoderWithin(int ms)
{
    return QTest::qWaitFor([] { return childProcesses(qs("ffmpeg")).isEmpty(); }, ms);
}

} // namespace

TEST(CaptureProgress, ReadsTheEncodersLinesAndWritesTheStatistics)
{
    const struct
    {
        QStringList chunks;
        CaptureStatistics expected;
        const char *text;
    } cases[] = {
        {{qs("frame=250\nfps=25.0\ndrop_frames=3\nout_time_us=10040000\nprogress=continue\n")},
         {250, 3, 10040},
         "250 frames (3 dropped) - 10.04 sec."},
        // A line split between two reads, CR LF ends, a value not known yet.
        {{qs("frame=1"), qs("2\r\nout_time_us=N/A\r\n")},
         {12, 0, 0},
         "12 frames (0 dropped) - 0.00 sec."},
        // The older key, in microseconds too; an error line changes nothing.
        {{qs("out_time_ms=999000\n[avi @ 0x1] Too many packets buffered\n")},
         {0, 0, 999},
         "0 frames (0 dropped) - 1.00 sec."},
        {{qs("frame=7\nout_time_us=61500000\nframe=8")},
         {7, 0, 61500},
         "7 frames (0 dropped) - 61.50 sec."},
    };
    for (const auto &c : cases) {
        CaptureStatistics statistics;
        QString pending;
        for (const QString &chunk : c.chunks)
            readCaptureProgress(chunk, pending, statistics);
        EXPECT_EQ(statistics, c.expected) << c.text;
        EXPECT_EQ(captureStatisticsText(c.expected), qs(c.text));
    }
    EXPECT_EQ(captureStatisticsText({1, 0, 999}), qs("1 frames (0 dropped) - 1.00 sec."));
    EXPECT_EQ(captureStatisticsText({1, 0, 994}), qs("1 frames (0 dropped) - 0.99 sec."));
}

TEST(CaptureCommand, EachKindOfDeviceIsStoredAsItShouldBe)
{
    const QString live = qs(" -map 0:v -vf fps=15,scale=320:240:force_original_aspect_ratio="
                            "decrease,pad=320:240:(ow-iw)/2:(oh-ih)/2 -pix_fmt rgb24 -f rawvideo "
                            "pipe:1");
    const QString start =
        qs("\"ffmpeg\" -hide_banner -nostats -loglevel error -progress pipe:2 -y ");
    const CaptureDevice camera{qs("Cam"),
                               CaptureDevice::Kind::Camera,
                               {qs("-f"), qs("v4l2"), qs("-i"), qs("/dev/video0")},
                               qs("/dev/video0")};
    const CaptureDevice dv{qs("DV: Sony"),
                           CaptureDevice::Kind::DvCamcorder,
                           {qs("-f"), qs("iec61883"), qs("-i"), qs("auto")},
                           QString()};
    const struct
    {
        CaptureRequest request;
        QString text;
    } cases[] = {
        {{qs("ffmpeg"), testSourceDevice(), QString()},
         start + qs("-re -f lavfi -i testsrc=size=640x480:rate=25") + live},
        {{qs("ffmpeg"), camera, qs("/v/-a b.avi")},
         start + qs("-f v4l2 -i /dev/video0 -map 0:v -c:v mjpeg -q:v 3 -f avi \"/v/-a b.avi\"") +
             live},
        {{qs("ffmpeg"), dv, qs("/v/dv.avi")},
         start + qs("-f iec61883 -i auto -map 0 -c:v copy -c:a pcm_s16le -f avi \"/v/dv.avi\"") +
             live},
    };
    for (const auto &c : cases)
        EXPECT_EQ(captureCommand(c.request).text(), c.text);
    // A relative name is made absolute: the encoder never takes it for an option.
    const QStringList args = captureCommand({qs("ffmpeg"), camera, qs("-x.avi")}).arguments();
    EXPECT_TRUE(args.contains(QDir::current().absoluteFilePath(qs("-x.avi"))));
}

TEST(CaptureEngine, RecordsTheTestPictureAndStopFinishesTheFile)
{
    Capture capture({testSourceDevice()});
    CaptureController &c = *capture.controller;
    MediaClips clips;
    const QString file = clips.path(qs("-my clip 'one' $x.avi"));
    QStringList texts;
    QObject::connect(&c, &CaptureController::statisticsChanged,
                     [&texts](const QString &text) { texts << text; });
    QByteArray picture;
    QObject::connect(capture.engine.get(), &CaptureEngine::livePicture,
                     [&picture](const QByteArray &rgb) { picture = rgb; });
    QSignalSpy finished(capture.engine.get(), &CaptureEngine::recordingFinished);

    c.setCaptureFile(file);
    c.startCapture();
    EXPECT_FALSE(c.startEnabled());
    EXPECT_FALSE(c.previewEnabled());
    ASSERT_TRUE(recordedFor(*capture.engine, 2500));
    const double recorded = capture.engine->statistics().elapsedMs / 1000.0;
    c.stopCapture();
    EXPECT_TRUE(c.startEnabled() && c.previewEnabled());
    ASSERT_TRUE(finished.wait(CaptureEngine::kFinishGraceMs + 2000));
    EXPECT_EQ(finished.at(0).at(0).toString(), file);

    const FileFacts facts = inspect(file);
    EXPECT_EQ(facts.format, qs("avi"));
    EXPECT_EQ(facts.codecs, QStringList{qs("mjpeg")});
    EXPECT_GE(facts.seconds, recorded - 0.3);
    EXPECT_LT(facts.seconds, recorded + 2.0); // what came before the stop key took effect
    // Twice a second, in the window's form, growing.
    ASSERT_GE(texts.size(), 3);
    static const QRegularExpression form(qs(R"(^(\d+) frames \(\d+ dropped\) - \d+\.\d\d sec\.$)"));
    for (const QString &text : texts)
        EXPECT_TRUE(form.match(text).hasMatch()) << text.toStdString();
    EXPECT_LT(form.match(texts.first()).captured(1).toInt(),
              form.match(texts.last()).captured(1).toInt());
    EXPECT_EQ(c.statisticsText(), texts.last()); // kept after the recording
    // The live picture came, in colour.
    ASSERT_EQ(picture.size(), kLivePictureBytes);
    EXPECT_GT(std::count_if(picture.cbegin(), picture.cend(), [](char b) { return b != 0; }),
              kLivePictureBytes / 2);

    // Stop leaves the picture running; Exit ends it.
    EXPECT_TRUE(capture.engine->isBusy());
    EXPECT_TRUE(capture.exitAndWait());
    EXPECT_TRUE(noEncoderWithin(2000));
    EXPECT_TRUE(capture.prompt.errors.isEmpty()) << capture.prompt.errors.join(u'\n').toStdString();
}

TEST(CaptureEngine, ExitWhileRecordingFinishesTheFileBeforeClosing)
{
    MediaClips clips;
    const QString file = clips.path(qs("exit.avi"));
    {
        Capture capture({testSourceDevice()});
        capture.controller->setCaptureFile(file);
        capture.controller->startCapture();
        ASSERT_TRUE(recordedFor(*capture.engine, 1000));
        ASSERT_TRUE(capture.exitAndWait());
        EXPECT_FALSE(capture.engine->isBusy());
    }
    EXPECT_TRUE(noEncoderWithin(1000));
    const FileFacts facts = inspect(file);
    EXPECT_EQ(facts.format, qs("avi"));
    EXPECT_NEAR(facts.seconds, 1.5, 0.7);
}

TEST(CaptureController, DevicesSlidersFilesAndFailures)
{
    // No device: nothing to record or preview.
    {
        Capture none({});
        EXPECT_TRUE(none.controller->deviceNames().isEmpty());
        EXPECT_TRUE(none.controller->noDeviceText().startsWith(qs("No camera")));
        EXPECT_FALSE(none.controller->startEnabled() || none.controller->stopEnabled() ||
                     none.controller->previewEnabled());
        for (int i = 0; i < kCameraPropertyCount; ++i)
            EXPECT_FALSE(none.controller->slider(CameraProperty(i)).enabled) << i;
        none.controller->startCapture();
        none.controller->preview();
        EXPECT_FALSE(none.engine->isBusy());
    }

    // The sliders take the device's ranges; what it lacks is disabled and kept.
    CaptureDevice camera = testSourceDevice();
    camera.name = qs("Cam");
    Capture capture({camera, testSourceDevice()});
    CaptureController &c = *capture.controller;
    capture.devices.ranges = {{CameraProperty::Pan, {0, -36000, 36000, 3600, 0, 0}},
                              {CameraProperty::Zoom, {0, 100, 500, 1, 100, 0}}};
    capture.devices.values = {{CameraProperty::Pan, 7200}, {CameraProperty::Zoom, 150}};
    c.chooseDevice(0);
    EXPECT_EQ(c.deviceNames(), (QStringList{qs("Cam"), qs("Test picture")}));
    EXPECT_TRUE(c.noDeviceText().isEmpty());
    const struct
    {
        CameraProperty property;
        bool enabled;
        int minimum, maximum, value;
    } sliders[] = {{CameraProperty::Pan, true, -36000, 36000, 7200},
                   {CameraProperty::Tilt, false, -180, 180, 0},
                   {CameraProperty::Roll, false, -180, 180, 0},
                   {CameraProperty::Zoom, true, 100, 500, 150}};
    for (const auto &s : sliders) {
        const CameraSlider &slider = c.slider(s.property);
        EXPECT_EQ(slider.enabled, s.enabled) << int(s.property);
        EXPECT_EQ(slider.minimum, s.minimum) << int(s.property);
        EXPECT_EQ(slider.maximum, s.maximum) << int(s.property);
        EXPECT_EQ(slider.value, s.value) << int(s.property);
    }
    c.moveSlider(CameraProperty::Zoom, 300);
    c.moveSlider(CameraProperty::Tilt, 5); // not the device's
    EXPECT_EQ(capture.devices.moves,
              (QList<QPair<CameraProperty, int>>{{CameraProperty::Zoom, 300}}));

    // Cancel in the save dialog keeps the file.
    c.setCaptureFile(qs("/v/a.avi"));
    c.fileChosen(QString());
    EXPECT_EQ(c.captureFile(), qs("/v/a.avi"));
    c.fileChosen(qs("/v/b.avi"));
    EXPECT_EQ(c.captureFile(), qs("/v/b.avi"));

    // A file that cannot be written is refused in words; nothing starts.
    MediaClips clips;
    for (const QString &bad : {clips.path(qs("no/such/folder/a.avi")), clips.folder(), QString()}) {
        capture.prompt.errors.clear();
        c.setCaptureFile(bad);
        c.startCapture();
        EXPECT_FALSE(capture.engine->isCapturing()) << bad.toStdString();
        EXPECT_TRUE(c.startEnabled());
        EXPECT_EQ(capture.prompt.errors.size(), 1) << bad.toStdString();
    }
    EXPECT_TRUE(capture.prompt.errors.value(0).contains(qs("record")))
        << capture.prompt.errors.value(0).toStdString();

    // A recording never replaces a file unless the save dialog agreed to it.
    const QString kept = clips.path(qs("kept.avi"));
    writeFile(kept, "an earlier recording");
    c.setCaptureFile(kept);
    c.startCapture();
    EXPECT_EQ(c.captureFile(), clips.path(qs("kept_New.avi")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(c.captureFile()); }, 5000));
    EXPECT_EQ(readFile(kept), "an earlier recording");
    c.stopCapture();
    c.fileChosen(kept);
    c.startCapture();
    EXPECT_EQ(c.captureFile(), kept);
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(kept).startsWith("RIFF"); }, 30000));
    EXPECT_TRUE(capture.exitAndWait());
    EXPECT_EQ(inspect(kept).format, qs("avi"));

    // A device that fails says why and gives the buttons back.
    capture.prompt.errors.clear();
    capture.devices.list.clear();
    Capture broken({{qs("Gone"),
                     CaptureDevice::Kind::Camera,
                     {qs("-f"), qs("v4l2"), qs("-i"), clips.path(qs("video9"))},
                     QString()}});
    broken.controller->setCaptureFile(clips.path(qs("b.avi")));
    broken.controller->startCapture();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !broken.prompt.errors.isEmpty(); }, 10000));
    EXPECT_TRUE(broken.prompt.errors.first().startsWith(qs("The recording stopped.\n")))
        << broken.prompt.errors.first().toStdString();
    EXPECT_TRUE(broken.controller->startEnabled() && broken.controller->previewEnabled());
    EXPECT_FALSE(broken.engine->isBusy());
}

TEST(SystemCaptureDevices, FindsDvCamcordersAndSkipsWhatIsNoCamera)
{
    QTemporaryDir sys;
    const auto write = [&sys](const QString &file, const char *text) {
        QDir(sys.path()).mkpath(QFileInfo(sys.filePath(file)).path());
        writeFile(sys.filePath(file), text);
    };
    write(qs("fw0/guid"), "0x0011060000001234\n"); // the computer's own controller
    write(qs("fw0/units"), "\n");
    write(qs("fw1/guid"), "0x080046010234abcd\n");
    write(qs("fw1/vendor_name"), "Sony\n");
    write(qs("fw1/model_name"), "DCR-TRV900\n");
    write(qs("fw1/units"), "0x00a02d:0x010001\n");
    write(qs("fw2/guid"), "0x0000000000000042\n"); // names only in its unit
    write(qs("fw2.0/specifier_id"), "0x00a02d\n");
    write(qs("fw3/guid"), "0x0000000000000043\n"); // a disk, not a camera
    write(qs("fw3/units"), "0x00609e:0x010483\n");
    write(qs("video0"), "not a device");

    const QList<CaptureDevice> found = SystemCaptureDevices(sys.path(), sys.path()).devices();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found.at(0).name, qs("DV: Sony DCR-TRV900"));
    EXPECT_EQ(found.at(0).kind, CaptureDevice::Kind::DvCamcorder);
    EXPECT_EQ(found.at(0).inputArguments,
              (QStringList{qs("-f"), qs("iec61883"), qs("-dvtype"), qs("dv"), qs("-dvguid"),
                           qs("0x080046010234abcd"), qs("-i"), qs("auto")}));
    EXPECT_EQ(found.at(1).name, qs("DV: 0x0000000000000042"));
    // Whatever this machine has is listed by name with the encoder's input.
    for (const CaptureDevice &device : SystemCaptureDevices().devices()) {
        EXPECT_FALSE(device.name.isEmpty());
        EXPECT_TRUE(device.inputArguments.contains(qs("-i"))) << device.name.toStdString();
    }
}
