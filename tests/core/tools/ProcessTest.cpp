#include "TestSupport.h"

#include "core/tools/Process.h"
#include "core/tools/StopPolicy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <memory>

using vantrel::CommandLine;
using vantrel::Process;
using vantrel::ProcessResult;
using Ending = vantrel::ProcessResult::Ending;

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

// Counts finished and collects the outputReceived texts of one instance.
struct Events
{
    explicit Events(Process &process)
    {
        QObject::connect(&process, &Process::finished, &context,
                         [this](const ProcessResult &result) {
                             ++finished;
                             endings.append(result.ending);
                         });
        QObject::connect(&process, &Process::outputReceived, &context,
                         [this](const QString &text) { chunks.append(text); });
    }
    QObject context;
    int finished = 0;
    QList<Ending> endings;
    QStringList chunks;
};

// Starts the tool and waits until it has ended.
void run(Process &process, const CommandLine &command, const QStringList &extra = {})
{
    process.start(command, extra);
    ASSERT_TRUE(waitFor([&] { return process.result().has_value(); }, 10000));
}

int exitCode(const Process &process)
{
    return process.result().value_or(ProcessResult()).exitCode;
}

} // namespace

TEST(Process, RunCollectsOutputAndHowTheToolEnded)
{
    struct Row
    {
        const char *script;
        const char *output;
        int rc;
        Ending ending = Ending::Exited;
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
        // A crash is told apart from an exit code, also one of the same number.
        {"echo going; kill -SEGV $$", "going\n", 11, Ending::Crashed},
        {"exit 11", "", 11},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.script);
        Process process;
        Events events(process);
        run(process, shell(qs(row.script)));
        EXPECT_FALSE(process.isRunning());
        EXPECT_EQ(process.output(), qs(row.output));
        EXPECT_EQ(exitCode(process), row.rc);
        EXPECT_EQ(process.result()->ending, row.ending);
        EXPECT_EQ(process.result()->succeeded(), row.rc == 0 && row.ending == Ending::Exited);
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
    p.setOutputLimit(100);
    QString seen;
    QObject::connect(&p, &Process::outputReceived, [&seen](const QString &t) { seen += t; });
    run(p, shell(qs("i=0; while [ $i -lt 2000 ]; do echo line$i; i=$((i+1)); done")));
    EXPECT_EQ(p.output().size(), 100);
    EXPECT_TRUE(p.output().endsWith(qs("line1999\n")));
    EXPECT_TRUE(seen.startsWith(qs("line0\n"))); // listeners still get everything
}

TEST(Process, CommandTextIsCommandBlankExtraArguments)
{
    // Programs that are nowhere: only the text of the start is looked at.
    CommandLine probe = literal("vantrel-no-such-probe -v error ");
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
        {probe, {}, qs("vantrel-no-such-probe -v error \"/media/a b.mp4\" ")},
        {probe,
         {qs("-show_format")},
         qs("vantrel-no-such-probe -v error \"/media/a b.mp4\" -show_format")},
        {literal("tool"), {qs("-a"), qs("1")}, qs("tool -a 1")},
        {CommandLine(), {}, qs(" ")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        Process process;
        process.start(row.cmd, row.parameters);
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

    // Values of the command line and extra arguments take the same route.
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
        {"extra arguments", programOnly, awkward},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Process process;
        run(process, row.cmd, row.parameters);
        EXPECT_EQ(exitCode(process), 0);
        EXPECT_EQ(process.output(), expected);
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
        SCOPED_TRACE(program.toStdString());
        Process process;
        Events events(process);
        // Output and code of an earlier run must not survive the failed start.
        run(process, shell(qs("echo earlier; exit 4")));
        ASSERT_EQ(exitCode(process), 4);

        CommandLine missing;
        missing.appendPath(program);
        process.start(missing, {qs("-x")});
        // Refused at once, before start returns: nobody can mistake the tool
        // for a running one.
        EXPECT_FALSE(process.isRunning());
        EXPECT_EQ(process.processId(), 0);
        EXPECT_EQ(events.finished, 2); // once for the earlier run, once now
        EXPECT_EQ(events.endings.last(), Ending::FailedToStart);
        settle();
        EXPECT_EQ(events.finished, 2);
        EXPECT_EQ(process.output(), QString());
        EXPECT_EQ(exitCode(process), 0);
        EXPECT_FALSE(process.result()->started());
        EXPECT_EQ(events.chunks, QStringList{qs("earlier\n")});
    }
}

TEST(Process, EmptyCommandRunsNothing)
{
    Process process;
    Events events(process);
    process.start(CommandLine());
    EXPECT_FALSE(process.isRunning());
    settle();
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(events.endings, QList<Ending>{Ending::FailedToStart});
    EXPECT_EQ(exitCode(process), 0);
    EXPECT_TRUE(process.output().isEmpty());
}

TEST(Process, StartReturnsWhileToolRuns)
{
    Process process;
    Events events(process);
    QString outputAtFinish;
    QObject::connect(&process, &Process::finished, &events.context,
                     [&] { outputAtFinish = process.output(); });
    process.start(shell(qs("echo start; sleep 1; echo end; exit 2")));
    EXPECT_TRUE(process.isRunning());
    EXPECT_NE(process.processId(), 0);
    EXPECT_FALSE(process.result().has_value());

    ASSERT_TRUE(waitFor([&] { return !events.chunks.isEmpty(); }));
    EXPECT_EQ(events.chunks.constFirst(), qs("start\n"));
    EXPECT_EQ(process.output(), qs("start\n"));
    EXPECT_TRUE(process.isRunning());
    EXPECT_EQ(events.finished, 0);

    ASSERT_TRUE(waitFor([&] { return events.finished > 0; }));
    EXPECT_FALSE(process.isRunning());
    EXPECT_EQ(process.output(), qs("start\nend\n"));
    EXPECT_EQ(outputAtFinish, process.output());
    EXPECT_EQ(events.chunks.join(QString()), process.output());
    EXPECT_EQ(exitCode(process), 2);
    EXPECT_EQ(process.processId(), 0);
    settle();
    EXPECT_EQ(events.finished, 1);
}

TEST(Process, StopEndsRunningTool)
{
    Process process;
    Events events(process);
    process.start(shell(qs("echo ready; exec sleep 30")));
    const qint64 pid = process.processId();
    ASSERT_TRUE(waitFor([&] { return process.output() == qs("ready\n"); }));
    process.stop();
    EXPECT_FALSE(process.isRunning());
    EXPECT_EQ(process.result()->ending, Ending::Stopped);
    EXPECT_FALSE(process.result()->succeeded()); // a stopped tool is no success, whatever its code
    EXPECT_EQ(process.output(), qs("ready\n"));
    EXPECT_EQ(events.finished, 1);
    EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
    settle();
    EXPECT_EQ(events.finished, 1);
}

TEST(Process, StopFromOutputHandler)
{
    Process process;
    Events events(process);
    qint64 pid = 0;
    QObject::connect(&process, &Process::outputReceived, &events.context, [&] {
        pid = process.processId();
        process.stop();
    });
    run(process, shell(qs("echo ready; exec sleep 30")));
    EXPECT_FALSE(process.isRunning());
    EXPECT_EQ(events.endings, QList<Ending>{Ending::Stopped});
    EXPECT_EQ(process.output(), qs("ready\n"));
    EXPECT_EQ(events.finished, 1);
    ASSERT_NE(pid, 0);
    EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
}

TEST(Process, StopAfterEndKeepsTheResult)
{
    int finished = 0;
    QObject context;
    auto process = std::make_unique<Process>();
    QObject::connect(process.get(), &Process::finished, &context, [&] { ++finished; });
    run(*process, shell(qs("echo done; exit 3")));
    ASSERT_EQ(finished, 1);
    EXPECT_EQ(exitCode(*process), 3);

    // Nothing runs: a stop changes nothing and reports nothing.
    process->stop();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(exitCode(*process), 3);
    EXPECT_EQ(process->result()->ending, Ending::Exited);
    EXPECT_EQ(process->output(), qs("done\n"));
    process->stop();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(process->isRunning());

    process.reset();
    EXPECT_EQ(finished, 1);
    settle(); // anything posted by the release runs without harm
}

TEST(Process, StartAgainStartsOver)
{
    Process process;
    Events events(process);
    run(process, shell(qs("echo first; exit 3")));
    ASSERT_EQ(exitCode(process), 3);
    run(process, shell(qs("echo second")));
    EXPECT_EQ(process.output(), qs("second\n"));
    EXPECT_EQ(exitCode(process), 0);
    EXPECT_EQ(events.finished, 2);
}

TEST(Process, StartWhileRunningStopsThePreviousTool)
{
    Process process;
    Events events(process);
    process.start(literal("sleep 30"));
    const qint64 first = process.processId();
    ASSERT_TRUE(waitFor([&] { return processAlive(first); }));
    process.start(shell(qs("echo next")));
    ASSERT_TRUE(waitFor([&] { return process.result().has_value(); }));
    EXPECT_EQ(process.output(), qs("next\n"));
    EXPECT_EQ(events.endings, (QList<Ending>{Ending::Stopped, Ending::Exited}));
    EXPECT_TRUE(waitFor([&] { return !processAlive(first); }));
}

TEST(Process, OutputBeyondPipeBufferIsNotStalled)
{
    constexpr int kSize = 1024 * 1024;
    const char *scripts[] = {
        "head -c 1048576 /dev/zero | tr '\\0' x",
        "head -c 1048576 /dev/zero | tr '\\0' x >&2; exit 6",
    };
    for (const char *script : scripts) {
        SCOPED_TRACE(script);
        Process process;
        Events events(process);
        process.start(shell(qs(script)));
        // A stalled pipe would never end.
        ASSERT_TRUE(waitFor([&] { return events.finished == 1; }, 30000));
        EXPECT_EQ(process.output().size(), kSize);
        EXPECT_EQ(process.output().count(u'x'), kSize);
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
        process.start(shell(QStringLiteral("printf 'a%1'; sleep 0.2; printf '%2b\\n'")
                                .arg(qs(row.first), qs(row.rest))));
        ASSERT_TRUE(waitFor([&] { return events.finished == 1; }));
        const QString expected = qs("a") + qs(row.text) + qs("b\n");
        EXPECT_EQ(process.output(), expected);
        EXPECT_EQ(events.chunks.join(QString()), expected);
        for (const QString &chunk : std::as_const(events.chunks))
            EXPECT_FALSE(chunk.contains(QChar::ReplacementCharacter)) << chunk.toStdString();
    }
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
        QObject::connect(process, &Process::finished, &context, [&] { ++finished; });
        process->start(literal("sleep 30"));
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
    Process process;
    Events events(process);
    CommandLine broken;
    broken.appendPath(script);
    process.start(broken);
    EXPECT_TRUE(waitFor([&] { return !process.isRunning(); }));
    settle();
    EXPECT_EQ(events.finished, 1);
    EXPECT_EQ(events.endings, QList<Ending>{Ending::FailedToStart});
    EXPECT_EQ(exitCode(process), 0);
    EXPECT_TRUE(process.output().isEmpty());
}

TEST(Process, OwnerMayDeleteProcessFromFinished)
{
    // An owner of a tool it does not wait for may drop it when it is done.
    struct Row
    {
        const char *name;
        const char *script;
        bool stopFromOutput;
    };
    const Row rows[] = {
        {"tool ends", "echo done", false},
        {"tool stopped", "echo ready; exec sleep 30", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QObject context;
        bool deleted = false;
        auto *process = new Process;
        qint64 pid = 0;
        QObject::connect(process, &Process::finished, &context, [&] {
            if (!deleted) {
                deleted = true;
                delete process;
            }
        });
        if (row.stopFromOutput) {
            QObject::connect(process, &Process::outputReceived, &context, [&] {
                pid = process->processId();
                process->stop();
            });
        }
        process->start(shell(qs(row.script)));
        EXPECT_TRUE(waitFor([&] { return deleted; }));
        EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }));
    }
}

// A tool asked to finish ends by itself when it listens, and is ended once
// its grace has passed when it does not; a later run is never touched.
TEST(StopPolicy, AskedFirstEndedAfterTheGrace)
{
    const struct
    {
        const char *script;
        Ending ending;
    } cases[] = {
        {"read line; echo \"got $line\"", Ending::Exited}, // listens
        {"exec sleep 30", Ending::Stopped},                // does not
    };
    for (const auto &c : cases) {
        Process process;
        Events events(process);
        process.start(shell(qs(c.script)));
        ASSERT_TRUE(process.isRunning());
        vantrel::StopPolicy{"finish\n", 200}.apply(process);
        ASSERT_TRUE(waitFor([&] { return events.finished == 1; }, 10000)) << c.script;
        EXPECT_EQ(events.endings.value(0), c.ending) << c.script;
    }

    Process process;
    process.start(shell(qs("exec sleep 30")));
    vantrel::StopPolicy{"", 200}.apply(process);
    process.start(shell(qs("sleep 1; echo later")));
    Events events(process);
    ASSERT_TRUE(waitFor([&] { return events.finished == 1; }, 10000));
    EXPECT_EQ(events.endings.value(0), Ending::Exited);
    EXPECT_TRUE(process.output().contains(qs("later")));
}

// A tool inherits the standard three descriptors and nothing else: not a
// descriptor this program opened without close-on-exec (as a signal socket
// once was), nor one it inherited itself.
TEST(Process, ToolInheritsOnlyTheStandardDescriptors)
{
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    Process process;
    process.start(literal("sleep 30"));
    ASSERT_TRUE(process.isRunning());
    const QString fds = QStringLiteral("/proc/%1/fd").arg(process.processId());
    // The listing is the tool's once the child has become it.
    ASSERT_TRUE(waitFor([&] {
        return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(process.processId()))
            .endsWith(QLatin1String("/sleep"));
    }));
    // The tool itself may hold a file a moment as it starts (sleep reads
    // its locale); a descriptor handed down stays.
    const auto listing = [&fds] {
        QStringList open =
            QDir(fds).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        open.sort();
        return open;
    };
    EXPECT_TRUE(waitFor([&] {
        return listing() == QStringList({qs("0"), qs("1"), qs("2")});
    })) << listing().join(u' ').toStdString();
    process.stop();
    ::close(leaky);
}
