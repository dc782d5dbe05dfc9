#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// What `vantrel [options] [FILE...]` asks for: the window with these files
// added (as if dropped on the list), or help, or the version, or a usage
// error. "--" ends the options, so that a file named "-x" can be given.
struct WindowCommandLine
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Error
    };

    Action action = Action::Run;
    QStringList files; // absolute paths
    QString error;     // for Error: what was wrong
};

// `arguments` without the program's name; relative files are taken from
// `currentFolder`. Help and version win over anything else on the line.
WindowCommandLine parseWindowCommandLine(const QStringList &arguments,
                                         const QString &currentFolder);

QString windowUsageText();

} // namespace vantrel
