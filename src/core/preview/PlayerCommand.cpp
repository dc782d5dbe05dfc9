#include "core/preview/PlayerCommand.h"

namespace vantrel {

const QString PlayerCommand::kVideoOutputs = QStringLiteral("xv,gl,x11,");

QString PlayerCommand::fileArgument(const QString &path)
{
    if (path.startsWith(QLatin1Char('-')))
        return QStringLiteral("./") + path;
    return path;
}

CommandLine PlayerCommand::build() const
{
    CommandLine command;
    command.appendPath(playerPath);
    command.appendLiteral(QStringLiteral(" -slave"));
    if (offsetSeconds) {
        command.appendLiteral(QStringLiteral(" -ss "));
        command.appendValue(QString::number(*offsetSeconds));
    }
    command.appendLiteral(QStringLiteral(" -wid "));
    command.appendValue(QString::number(windowId));
    // The blanks between the fixed options are the player's separators; their
    // count does not matter.
    command.appendLiteral(QStringLiteral(" -framedrop   -colorkey  0  -nokeepaspect   -framedrop   "
                                         "-autosync   100   -vo "));
    command.appendValue(kVideoOutputs);
    command.appendLiteral(QStringLiteral("  -vf   screenshot "));
    command.appendPath(fileArgument(file));
    return command;
}

} // namespace vantrel
