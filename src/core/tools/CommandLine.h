#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vantrel {

// A tool command kept as pieces, so that one object renders both the exact
// command text (for display, logs and tests) and the argument list to run.
//
// - A literal is command syntax: its blanks separate arguments.
// - A value is data spliced into the command (a codec name, a bitrate): it
//   never splits, and it joins the literal text directly around it ("128" in
//   "-ab 128000" belongs to the one argument "128000").
// - A path is a value shown in double quotes; it is always one argument of its
//   own, even when empty or full of blanks and quotes.
class CommandLine
{
public:
    enum class Kind
    {
        Literal,
        Value,
        Path
    };
    struct Piece
    {
        Kind kind;
        QString text;
    };

    // A command line of one literal (Latin-1; none for a null text).
    static CommandLine literal(const char *text);
    static CommandLine literal(const QString &text);
    // A command line of the program at `path` alone, to be started with
    // arguments of its own.
    static CommandLine program(const QString &path);

    void appendLiteral(const QString &text);
    void appendValue(const QString &text);
    void appendPath(const QString &path);
    void append(const CommandLine &other);

    const std::vector<Piece> &pieces() const { return m_pieces; }

    // The command as one text; paths are enclosed in double quotes.
    QString text() const;
    // The arguments a process receives, the program first.
    QStringList arguments() const;

private:
    std::vector<Piece> m_pieces;
};

} // namespace vantrel
