#pragma once

#include "TestSupport.h"

#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The window program as a person starts it: the built `vantrel` with its
// own data, home and runtime folders, on the test's X server. Its windows
// are found and typed into with xdotool, as a person would.
class RunningProgram
{
public:
    static bool canRun()
    {
        return !qEnvironmentVariableIsEmpty("DISPLAY") &&
               !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    }

    // `extra` adds to (or replaces) the environment the program gets.
    RunningProgram(const QStringList &args, const QString &folder = QString(),
                   const QProcessEnvironment &extra = QProcessEnvironment())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VANTREL_DATA_DIR"), m_data.path());
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vantrel.*.info=true"));
        env.insert(extra);
        m_process.setProcessEnvironment(env);
        if (!folder.isEmpty())
            m_process.setWorkingDirectory(folder);
        m_process.start(QStringLiteral(VANTREL_GUI_PATH), args);
        EXPECT_TRUE(m_process.waitForStarted(10000));
    }

    ~RunningProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QString dataFolder() const { return m_data.path(); }
    bool isRunning() const { return m_process.state() == QProcess::Running; }

    // The ids of the program's visible windows whose title matches `title`
    // (a regular expression).
    QStringList windows(const QString &title) const
    {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--all"),
                      QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                      QString::number(m_process.processId()), QStringLiteral("--name"), title});
        search.waitForFinished(5000);
        return QString::fromLatin1(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    // The first such window, once it shows; empty when none does in time.
    QString waitForWindow(const QString &title, int timeoutMs = 20000) const
    {
        QString found;
        [[maybe_unused]] const bool shown = QTest::qWaitFor(
            [&] {
                found = windows(title).value(0);
                return !found.isEmpty() || !isRunning();
            },
            timeoutMs);
        return found;
    }

    // Types keys ("Return", "ctrl+o") into a window, as the focused one.
    void key(const QString &window, const QString &keys) const
    {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        // Typed through the X server's test extension: a sent event would be
        // taken for a forgery and ignored.
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    }

    // Clicks at a point of a window, as a person does with the mouse.
    static void click(const QString &window, const QPoint &at)
    {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                           QStringLiteral("--window"), window, QString::number(at.x()),
                           QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    }

    // Types text into whatever has the keyboard.
    static void type(const QString &text)
    {
        QProcess::execute(
            QStringLiteral("xdotool"),
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }

    // Where a window is on the screen.
    static QRect geometry(const QString &window)
    {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"),
                      {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
        xdotool.waitForFinished(5000);
        QHash<QString, int> values;
        for (const QString &line :
             QString::fromLatin1(xdotool.readAllStandardOutput()).split(u'\n'))
            values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
        return {values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT"))};
    }

    // Waits until the log holds `pattern` `count` times.
    bool waitForLog(const QRegularExpression &pattern, int count = 1, int timeoutMs = 60000)
    {
        return QTest::qWaitFor([&] { return int(log().count(pattern)) >= count || !isRunning(); },
                               timeoutMs) &&
               int(log().count(pattern)) >= count;
    }

    // Asks the program to end as the system does; how it ended.
    struct Ending
    {
        QProcess::ExitStatus status = QProcess::CrashExit;
        int exitCode = -1;
    };
    Ending terminate()
    {
        if (isRunning())
            ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        EXPECT_TRUE(m_process.waitForFinished(15000));
        return {m_process.exitStatus(), m_process.exitCode()};
    }

    // Ends it at once, as a crash or the machine's end would.
    void killNow()
    {
        m_process.kill();
        EXPECT_TRUE(m_process.waitForFinished(10000));
    }

    // What it wrote on stderr so far (its log).
    QString log()
    {
        m_log += QString::fromUtf8(m_process.readAllStandardError());
        return m_log;
    }

private:
    QTemporaryDir m_data;
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_log;
};
