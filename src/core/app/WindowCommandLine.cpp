#include "core/app/WindowCommandLine.h"

#include <QCoreApplication>
#include <QDir>

namespace vantrel {

WindowCommandLine parseWindowCommandLine(const QStringList &arguments, const QString &currentFolder)
{
    WindowCommandLine line;
    const QDir here(currentFolder);
    bool options = true;
    for (const QString &argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return {WindowCommandLine::Action::Help, {}, {}};
        } else if (options && argument == QLatin1String("--version")) {
            return {WindowCommandLine::Action::Version, {}, {}};
        } else if (options && argument.startsWith(u'-') && argument.size() > 1) {
            if (line.action == WindowCommandLine::Action::Run) {
                line.action = WindowCommandLine::Action::Error;
                line.error =
                    QCoreApplication::translate("vantrel", "unknown option %1").arg(argument);
            }
        } else if (!argument.isEmpty()) {
            line.files << QDir::cleanPath(here.absoluteFilePath(argument));
        }
    }
    if (line.action == WindowCommandLine::Action::Error)
        line.files.clear();
    return line;
}

QString windowUsageText()
{
    return QCoreApplication::translate(
        "vantrel", "Usage: vantrel [--help] [--version] [--] [FILE...]\n"
                   "\n"
                   "Starts Vantrel Video Converter with the files in its list, as if they\n"
                   "were dropped on it: every video and sound file is added, and the others\n"
                   "are named in one message.\n"
                   "When the converter runs already, the files are added to its list and no\n"
                   "second window opens.\n"
                   "\n"
                   "  -h, --help   show this text\n"
                   "  --version    show the version\n"
                   "  --           what follows are files, even when they begin with \"-\"\n"
                   "\n"
                   "The converter from a terminal: vantrel-cli --help.\n");
}

} // namespace vantrel
