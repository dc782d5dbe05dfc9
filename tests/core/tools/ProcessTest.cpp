#include "TestSupport.h"

#include "core/tools/Process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using vantrel::CommandLine;
using vantrel::Process;

namespace {

// `sh -c script sh args...`: the script and every argument are one argument each.
CommandLine shell(const QString &script, const QStringList &args = {})
{
    CommandLine cmd;
    cmd.appendLiteral(qs("sh -c "));
    cmd.appendPath(script);
    cmd.appendLiteral(qs(" sh"));
    for (const QString &arg : args)
        cmd.appendPath(arg);
    return cmd;
}

CommandLine literal(const char *text)
{
    CommandLine cmd;
    cmd.appendLiteral(qs(text));
    return cmd;
}

// True while a process of that id exists and has not ended (a zombie has ended).
bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return false;
    const char state = line.at(close + 2);
    return state != 'Z' && state != 'X';
}

bool waitFor(const std::function<bool()> &condition, int ms = 3000)
{
    return QTest::qWaitFor(condition, ms);
}

// Counts Finished and collects the StdOutChanged texts of one instance.
struct Events
{
    explicit Events(Process &process)
    {
        QObject::connect(&process, &Process::Finished, &context, [this] { ++finished; });
        QObject::connect(&process, &Process::StdOutChanged, &context,
                         [this](const QString &text) { chunks.append(text); });
    }
    QObject context;
    int finished = 0;
    QStringList chunks;
};

} // namespace

TEST(Process, SyncLaunchCollectsOutputAndExitCode)
{
    struct Row
    {
        const char *script;
        const char *output;
        int rc;
    };
    const Row rows[] = {
        {"exit 0", "", 0},
        {"exit 3", "", 3},
        {"echo hello; exit 7", "hello\n", 7},
        {"exit 255", "", 255},
        {"printf abc", "abc", 0},
        // Standard error lands in the same text, in the order it was written.
        {"echo out; echo err >&2; echo out2", "out\nerr\nout2\n", 0},
        {"echo only error >&2; exit 1", "only error\n", 1},
        {"printf 'line\\r\\n'", "line\r\n", 0},
        {"echo 'grüße ✓ 日本'", "grüße ✓ 日本\n", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.script);
        Process process;
        Events events(process);
        process.CmdLine = shell(qs(row.script));
        process.Launch();
        EXPECT_FALSE(process.IsActive());
        EXPECT_EQ(process.StdOut(), qs(row.output));
        EXPECT_EQ(process.RC(), row.rc);
        EXPECT_EQ(events.finished, 1);
        EXPECT_EQ(events.chunks.join(QString()), qs(row.output));
        if (qstrlen(row.output) == 0) {
            EXPECT_TRUE(events.chunks.isEmpty());
        }
    }
}

TEST(Process, OutputLimitKeepsTheMostRecentText)
{
    Process p;
    p.CmdLine = shell(qs("i=0; while [ $i -lt 2000 ]; do echo line$i; i=$((i+1)); done"));
    p.OutputLimit = 100;
    QString seen;
    QObject::connect(&p, &Process::StdOutChanged, [&seen](const QString &t) { seen += t; });
    p.Launch();
    EXPECT_EQ(p.StdOut().size(), 100);
    EXPECT_TRUE(p.StdOut().endsWith(qs("line1999\n")));
    EXPECT_TRUE(seen.startsWith(qs("line0\n"))); // listeners still get everything
}

TEST(Process, CommandTextIsCmdLineBlankParameters)
{
    CommandLine probe = literal("ffprobe -v error ");
    probe.appendPath(qs("/media/a b.mp4"));
    struct Row
    {
        CommandLine cmd;
        QStringList parameters;
        QString text;
    };
    const Row rows[] = {
        {literal("tool"), {}, qs("tool ")},
        {literal("tool -x"), {}, qs("tool -x ")},
        {probe, {}, qs("ffprobe -v error \"/media/a b.mp4\" ")},
        {probe, {qs("-show_format")}, qs("ffprobe -v error \"/media/a b.mp4\" -show_format")},
        {literal("tool"), {qs("-a"), qs("1")}, qs("tool -a 1")},
        {CommandLine(), {}, qs(" ")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        Process process;
        process.CmdLine = row.cmd;
        process.Parameters = row.parameters;
        EXPECT_EQ(process.commandText(), row.text);
    }
}

TEST(Process, ArgumentsReachTheProgramIntact)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The program itself sits at a path that a shell would split and expand.
    const QString folder = dir.filePath(qs("dir with blank $(x) 'q'"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString script = folder + qs("/tool \"ü\".sh");
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '[%s]' \"$@\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    const QString marker = dir.filePath(qs("expanded"));

    const QStringList awkward = {
        qs("-n"),
        qs("--version"),
        qs("two words"),
        qs("  padded  "),
        qs(""),
        qs("double \"quoted\""),
        qs("single 'quoted'"),
        qs("$(touch ") + marker + qs(")"),
        qs("`touch ") + marker + qs("`"),
        qs("$HOME ${PATH} *"),
        qs("a;b|c&d>e<f"),
        qs("back\\slash"),
        qs("tab\there"),
        qs("new\nline"),
        qs("ünïcødé ✓ 日本語 😀"),
    };
    QString expected;
    for (const QString &arg : awkward)
        expected += qs("[") + arg + qs("]");

    // Values of the command line and extra parameters take the same route.
    CommandLine asValues;
    asValues.appendPath(script);
    for (const QString &arg : awkward)
        asValues.appendPath(arg);
    CommandLine programOnly;
    programOnly.appendPath(script);
    struct Row
    {
        const char *name;
        CommandLine cmd;
        QStringList parameters;
    };
    const Row rows[] = {
        {"command-line values", asValues, {}},
        {"parameters", programOnly, awkward},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Process process;
        process.CmdLine = row.cmd;
        process.Parameters = row.parameters;
        process.Launch();
        EXPECT_EQ(process.RC(), 0);
        EXPECT_EQ(process.StdOut(), expected);
    }
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(Process, MissingProgramLeavesInstanceIdle)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notExecutable = dir.filePath(qs("plain.sh"));
    {
        QFile file(notExecutable);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho ran\n");
    }
    const QString programs[] = {
        qs("/nonexistent/folder/tool"), qs("vantrel-no-such-tool"), notExecutable,
        dir.path(), // a folder
    };
    for (const QString &program : programs) {
        for (const bool async : {false, true}) {
            SCOPED_TRACE(program.toStdString() + (async ? " async" : " sync"));
            Process process;
            Events events(process);
            // Output and code of an earlier run must not survive the failed start.
            process.CmdLine = shell(qs("echo earlier; exit 4"));
            process.Launch();
            ASSERT_EQ(process.RC(), 4);

            process.CmdLine = CommandLine();
            process.CmdLine.appendPath(program);
            process.Parameters = {qs("-x")};
            process.Async = async;
            QElapsedTimer timer;
            timer.start();
            process.Launch();
            EXPECT_LT(timer.elapsed(), 1000);
            // Refused at once, also when Launch does not wait: nobody can
            // mistake the tool for a running one.
            EXPECT_FALSE(process.IsActive());
            EXPECT_EQ(process.processId(), 0);
            EXPECT_EQ(events.finished, 2); // once for the earlier run, once now
            QTest::qWait(100);
            EXPECT_EQ(events.finished, 2);
            EXPECT_EQ(process.StdOut(), QString());
            EXPECT_EQ(process.RC(), 0);
            EXPECT_EQ(events.chunks, QStringList{qs("earlier\n")});
        }
    }
}

TEST(Process, EmptyCommandRunsNothing)
{
    for (const bool async : {false, true}) {
        Process process;
        Events events(process);
        process.Async = async;
        process.Launch();
        EXPECT_FALSE(process.IsActive());
        QTest::qWait(50);
        EXPECT_EQ(events.finished, 1);
        EXPECT_EQ(process.RC(), 0);
        EXPECT_TRUE(process.StdOut().isEmpty());
    }
}

TEST(Process, AsyncLaunchReturnsWhileToolRuns)
{
    Process process;
    Events events(process);
    QString outputAtFinish;
    QObject::connect(&process, &Process::Finished, &events.context,
                     [&] { outputAtFinish = process.StdOut(); });
    process.Async = true;
    process.CmdLine = shell(qs("echo start; sleep 1; echo end; exit 2"));
    QElapsedTimer timer;
    timer.start();
    process.Launch();
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_TRUE(process.IsActive());
    EXPECT_NE(process.processId(), 0);

    ASSERT_TRUE(waitFor([&] { return !events.chunks.isEmpty(); }));
    EXPECT_EQ(events.chunks.constFirst(), qs("start\n"));
    // Reading again by hand neither loses nor repeats anything.
    process.Read();
    process.Read();
    EXPECT_EQ(process.StdOut(), qs("start\n"));
    EXPECT_TRUE(process.IsActive());
    EXPECT_EQ(events.finished, 0);

    ASSERT_TRUE(waitFor([&] { return events.finished > 0; }));
    EXPECT_FALSE(process.IsActive());
    EXPECT_EQ(process.StdOut(), qs("start\nend\n"));
    EXPECT_EQ(outputAtFinish, process.StdOut());
    EXPECT_EQ(events.chunks.join(QString()), process.StdOut());
    EXPECT_EQ(process.RC(), 2);
    EXPECT_EQ(process.processId(), 0);
    QTest::qWait(300);
    EXPECT_EQ(events.finished, 1);
}

TEST(Process, AbortEndsRunningTool)
{
    struct Row
    {
        int code;
        int rc;
    };
    const Row rows[] = {{5, 5}, {0, 0}, {-1, -1}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.code);
        Process process;
        Events events(process);
        process.Async = true;
        process.CmdLine = shell(qs("echo ready; exec sleep 30"));
        process.Launch();
        const qint64 pid = process.processId();
        ASSERT_TRUE(waitFor([&] { return process.StdOut() == qs("ready\n"); }));
        process.Abort(row.code);
        EXPECT_FALSE(process.IsActive());
        EXPECT_EQ(process.RC(), row.rc);
        EXPECT_EQ(process.StdOut(), qs("ready\n"));
        EXPECT_EQ(events.finished, 1);
        EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
        QTest::qWait(50);
        EXPECT_EQ(events.finished, 1);
    }
}

TEST(Process, AbortFromOutputHandlerEndsSyncLaunch)
{
    Process process;
    Events events(process);
    process.CmdLine = shell(qs("echo ready; exec sleep 30"));
    qint64 pid = 0;
    QObject::connect(&process, &Process::StdOutChanged, &events.context, [&] {
        pid = process.processId();
        process.Abort(5);
    });
    QElapsedTimer timer;
    timer.start();
    process.Launch();
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_FALSE(process.IsActive());
    EXPECT_EQ(process.RC(), 5);
    EXPECT_EQ(process.StdOut(), qs("ready\n"));
    EXPECT_EQ(events.finished, 1);
    ASSERT_NE(pid, 0);
    EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
}

TEST(Process, AbortAfterEndKeepsResultAndRaisesFinishedAgain)
{
    for (const bool async : {false, true}) {
        SCOPED_TRACE(async ? "async" : "sync");
        int finished = 0;
        QObject context;
        auto process = std::make_unique<Process>();
        QObject::connect(process.get(), &Process::Finished, &context, [&] { ++finished; });
        process->Async = async;
        process->CmdLine = shell(qs("echo done; exit 3"));
        process->Launch();
        ASSERT_TRUE(waitFor([&] { return finished == 1; }));
        EXPECT_EQ(process->RC(), 3);

        process->Abort(5);
        EXPECT_EQ(finished, 2);
        EXPECT_EQ(process->RC(), 3);
        EXPECT_EQ(process->StdOut(), qs("done\n"));
        process->Abort(0);
        EXPECT_EQ(finished, 3);
        EXPECT_EQ(process->RC(), 3);
        EXPECT_FALSE(process->IsActive());

        process.reset();
        EXPECT_EQ(finished, 4);
        QTest::qWait(20); // anything posted by the release runs without harm
    }
}

TEST(Process, LaunchAgainStartsOver)
{
    Process process;
    Events events(process);
    process.CmdLine = shell(qs("echo first; exit 3"));
    process.Launch();
    ASSERT_EQ(process.RC(), 3);
    process.CmdLine = shell(qs("echo second"));
    process.Launch();
    EXPECT_EQ(process.StdOut(), qs("second\n"));
    EXPECT_EQ(process.RC(), 0);
    EXPECT_EQ(events.finished, 2);
}

TEST(Process, LaunchWhileRunningEndsThePreviousTool)
{
    Process process;
    process.Async = true;
    process.CmdLine = literal("sleep 30");
    process.Launch();
    const qint64 first = process.processId();
    ASSERT_TRUE(waitFor([&] { return processAlive(first); }));
    process.CmdLine = shell(qs("echo next"));
    process.Launch();
    ASSERT_TRUE(waitFor([&] { return !process.IsActive(); }));
    EXPECT_EQ(process.StdOut(), qs("next\n"));
    EXPECT_TRUE(waitFor([&] { return !processAlive(first); }));
}

TEST(Process, OutputBeyondPipeBufferIsNotStalled)
{
    constexpr int kSize = 1024 * 1024;
    struct Row
    {
        const char *script;
        bool async;
    };
    const Row rows[] = {
        {"head -c 1048576 /dev/zero | tr '\\0' x", false},
        {"head -c 1048576 /dev/zero | tr '\\0' x", true},
        {"head -c 1048576 /dev/zero | tr '\\0' x >&2", false},
        {"head -c 1048576 /dev/zero | tr '\\0' x >&2; exit 6", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.script) + (row.async ? " async" : " sync"));
        Process process;
        Events events(process);
        process.Async = row.async;
        process.CmdLine = shell(qs(row.script));
        QElapsedTimer timer;
        timer.start();
        process.Launch();
        ASSERT_TRUE(waitFor([&] { return events.finished == 1; }, 4000));
        EXPECT_LT(timer.elapsed(), 4000);
        EXPECT_EQ(process.StdOut().size(), kSize);
        EXPECT_EQ(process.StdOut().count(u'x'), kSize);
    }
}

TEST(Process, Utf8SplitAcrossReadsDecodesIntact)
{
    // Each character is written in two parts with a pause between them, so the
    // runner reads them separately.
    struct Row
    {
        const char *first; // octal escapes for printf
        const char *rest;
        const char *text;
    };
    const Row rows[] = {
        {"\\303", "\\251", "é"},           {"\\342", "\\234\\223", "✓"},
        {"\\342\\234", "\\223", "✓"},      {"\\360", "\\237\\230\\200", "😀"},
        {"\\360\\237\\230", "\\200", "😀"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        Process process;
        Events events(process);
        process.Async = true;
        process.CmdLine = shell(QStringLiteral("printf 'a%1'; sleep 0.2; printf '%2b\\n'")
                                    .arg(qs(row.first), qs(row.rest)));
        process.Launch();
        ASSERT_TRUE(waitFor([&] { return events.finished == 1; }));
        const QString expected = qs("a") + qs(row.text) + qs("b\n");
        EXPECT_EQ(process.StdOut(), expected);
        EXPECT_EQ(events.chunks.join(QString()), expected);
        for (const QString &chunk : std::as_const(events.chunks))
            EXPECT_FALSE(chunk.contains(QChar::ReplacementCharacter)) << chunk.toStdString();
    }
}

TEST(Process, StartAndElapsedTime)
{
    Process process;
    EXPECT_EQ(process.ElapsedTime(), qs("0:00:00"));
    process.CmdLine = literal("sleep 1");
    const QDateTime before = QDateTime::currentDateTime();
    process.Launch();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_EQ(process.ElapsedTime(), qs("0:00:01"));
    EXPECT_GE(process.StartTime(), before);
    EXPECT_LE(process.StartTime(), after.addSecs(-1));
}

TEST(Process, DestroyingRunningProcessEndsTool)
{
    struct Row
    {
        const char *name;
        bool registeredParent; // released through its QObject parent
    };
    const Row rows[] = {{"deleted", false}, {"parent deleted", true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        int finished = 0;
        QObject context;
        auto parent = std::make_unique<QObject>();
        Process *process = new Process(row.registeredParent ? parent.get() : nullptr);
        QObject::connect(process, &Process::Finished, &context, [&] { ++finished; });
        process->Async = true;
        process->CmdLine = literal("sleep 30");
        process->Launch();
        const qint64 pid = process->processId();
        ASSERT_TRUE(waitFor([&] { return processAlive(pid); }));
        if (row.registeredParent)
            parent.reset();
        else
            delete process;
        EXPECT_EQ(finished, 1);
        EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
    }
}

TEST(Process, StartFailureOfAFoundProgram)
{
    // The file is there and executable, but the system cannot run it.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath(qs("broken.sh"));
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/nonexistent/interpreter\necho ran\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    for (const bool async : {false, true}) {
        SCOPED_TRACE(async ? "async" : "sync");
        Process process;
        Events events(process);
        process.Async = async;
        process.CmdLine.appendPath(script);
        process.Launch();
        EXPECT_TRUE(waitFor([&] { return !process.IsActive(); }));
        QTest::qWait(100);
        EXPECT_EQ(events.finished, 1);
        EXPECT_EQ(process.RC(), 0);
        EXPECT_TRUE(process.StdOut().isEmpty());
    }
}

TEST(Process, OwnerMayDeleteProcessFromFinished)
{
    // An owner of a tool it does not wait for may drop it when it is done.
    struct Row
    {
        const char *name;
        const char *script;
        bool abortFromOutput;
    };
    const Row rows[] = {
        {"tool ends", "echo done", false},
        {"tool aborted", "echo ready; exec sleep 30", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QObject context;
        bool deleted = false;
        auto *process = new Process;
        process->Async = true;
        process->CmdLine = shell(qs(row.script));
        qint64 pid = 0;
        QObject::connect(process, &Process::Finished, &context, [&] {
            if (!deleted) {
                deleted = true;
                delete process;
            }
        });
        if (row.abortFromOutput) {
            QObject::connect(process, &Process::StdOutChanged, &context, [&] {
                pid = process->processId();
                process->Abort(1);
            });
        }
        process->Launch();
        EXPECT_TRUE(waitFor([&] { return deleted; }));
        EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
    }
}
