#include "core/convert/command/EncoderCommand.h"

#include <algorithm>

namespace vantrel {

void EncoderCommand::append(CommandRole role, const CommandLine &pieces)
{
    if (!pieces.pieces().empty())
        m_parts.append({role, pieces});
}

void EncoderCommand::append(const QList<CommandPart> &parts)
{
    for (const CommandPart &part : parts)
        append(part.role, part.pieces);
}

bool EncoderCommand::has(CommandRole role) const
{
    return std::any_of(m_parts.cbegin(), m_parts.cend(),
                       [role](const CommandPart &part) { return part.role == role; });
}

void EncoderCommand::replace(CommandRole role, const CommandLine &pieces)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        if (m_parts.at(i).role == role && at < 0)
            at = i;
    }
    if (at < 0) {
        at = 0;
        while (at < m_parts.size() && m_parts.at(at).role != CommandRole::Output)
            ++at;
    }
    remove(role);
    m_parts.insert(std::min(at, m_parts.size()), {role, pieces});
}

void EncoderCommand::remove(CommandRole role)
{
    m_parts.removeIf([role](const CommandPart &part) { return part.role == role; });
}

QStringList EncoderCommand::argumentsOf(CommandRole role) const
{
    QStringList args;
    for (const CommandPart &part : m_parts) {
        if (part.role == role)
            args += part.pieces.arguments();
    }
    return args;
}

QString EncoderCommand::lastValueOf(const QString &option) const
{
    const QStringList args = arguments();
    const qsizetype at = args.lastIndexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

CommandLine EncoderCommand::tableForm() const
{
    CommandLine command;
    for (const CommandPart &part : m_parts)
        command.append(part.pieces);
    return command;
}

} // namespace vantrel
