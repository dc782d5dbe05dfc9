#pragma once

#include "core/convert/command/CommandShapes.h"
#include "core/tools/CommandLine.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// One stretch of an encoder command: what it does, and its pieces.
struct CommandPart
{
    CommandRole role;
    CommandLine pieces;
};

// An encoder command as a value: its stretches, each with its role, in the
// order the profile tables write them. It renders two ways: as the tables
// write it (`text`, what vantrel-cli's `command` prints and the tables'
// tests hold), and as the installed encoder runs it (encoderRunArguments,
// what `command --as-run` prints and the batch starts). Work of several
// passes is several of these values.
class EncoderCommand
{
public:
    void append(CommandRole role, const CommandLine &pieces);
    void append(const QList<CommandPart> &parts);
    // Every stretch of `role` goes; `pieces` takes the place of the first
    // (or stands before the output when there was none).
    void replace(CommandRole role, const CommandLine &pieces);
    void remove(CommandRole role);

    const QList<CommandPart> &parts() const { return m_parts; }
    bool has(CommandRole role) const;
    // The arguments of the stretches of `role`, in order.
    QStringList argumentsOf(CommandRole role) const;
    // The value after the last `option` of the whole command ("-s", "-r");
    // empty when the command has none.
    QString lastValueOf(const QString &option) const;

    // The command as the tables write it, as one command line.
    CommandLine tableForm() const;
    QString text() const { return tableForm().text(); }
    QStringList arguments() const { return tableForm().arguments(); }

private:
    QList<CommandPart> m_parts;
};

} // namespace vantrel
