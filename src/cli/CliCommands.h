#pragma once

#include <QStringList>

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

// Prints the one-line error and returns kExitUsage.
int usageError(QTextStream &err, const QString &message);

} // namespace vantrel::cli
