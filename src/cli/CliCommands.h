#pragma once

#include "cli/CliText.h"
#include "core/settings/Settings.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QStringList>

#include <optional>

class QCommandLineParser;
class QTextStream;

namespace vantrel::cli {

// Exit codes of vantrel-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

// The commands that answer at once: profiles, sheet, command. `args` are the
// command's arguments without the program name and the command word.
int runProfiles(const QStringList &args, QTextStream &out, QTextStream &err);
int runSheet(const QStringList &args, QTextStream &out, QTextStream &err);
int runCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// Parses one command's arguments with the options already added to `parser`
// (plus --help). `usage` follows the command word on the help's first line.
// Returns the exit code when the command ends here (the help was printed, or
// a usage error), none when it goes on.
std::optional<int> parseArguments(QCommandLineParser &parser, const QString &command,
                                  const QString &usage, const QString &description,
                                  const QStringList &args, QTextStream &out, QTextStream &err);

// --threads TEXT, the encoder's thread setting, for every command that builds
// an encoder command; the settings file's when not given.
QCommandLineOption threadsOption();

// A text as one field of a record line: backslash, tab, line feed and
// carriage return written as \\, \t, \n and \r, so that a file name can
// never split a record or a line, and every other control character as \xNN
// (ESC as \x1b), so that a name or a page can never command the terminal.
QString escapedField(const QString &text);

// The settings file the commands read, with the folder outputs go to while
// none is chosen.
SettingsFile cliSettingsFile();

// One converted file's record, "status<TAB>source<TAB>output", and the lines
// of its reason or notes indented under it, each escaped as a field.
void printRecord(QTextStream &out, const QString &status, const QString &source,
                 const QString &output, const QString &messages);

// Prints "vantrel-cli: " and the message on one line, escaped as a field.
void printError(QTextStream &err, const QString &message);
// Prints the one-line error and returns kExitUsage.
int usageError(QTextStream &err, const QString &message);

} // namespace vantrel::cli
