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
    // count does not matter. The player keeps the picture's shape unless told
    // otherwise.
    command.appendLiteral(QStringLiteral(" -framedrop   -colorkey  0  -framedrop   "
                                         "-autosync   100   -vo "));
    command.appendValue(kVideoOutputs);
    command.appendLiteral(QStringLiteral("  -vf   "));
    // The player's turns: 1 a quarter clockwise, 2 a quarter the other way;
    // half a turn is both flips.
    switch (rotation) {
    case 90:
        command.appendLiteral(QStringLiteral("rotate=1,"));
        break;
    case 180:
        command.appendLiteral(QStringLiteral("flip,mirror,"));
        break;
    case 270:
        command.appendLiteral(QStringLiteral("rotate=2,"));
        break;
    default:
        break;
    }
    command.appendLiteral(QStringLiteral("screenshot "));
    command.appendPath(fileArgument(file));
    return command;
}

} // namespace vantrel
