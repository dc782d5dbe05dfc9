#include "core/tools/CommandLine.h"

namespace vantrel {

CommandLine CommandLine::literal(const char *text)
{
    return literal(QString::fromLatin1(text));
}

CommandLine CommandLine::literal(const QString &text)
{
    CommandLine line;
    line.appendLiteral(text);
    return line;
}

CommandLine CommandLine::program(const QString &path)
{
    CommandLine command;
    command.appendPath(path);
    return command;
}

void CommandLine::appendLiteral(const QString &text)
{
    if (!text.isEmpty())
        m_pieces.push_back({Kind::Literal, text});
}

void CommandLine::appendValue(const QString &text)
{
    if (!text.isEmpty())
        m_pieces.push_back({Kind::Value, text});
}

void CommandLine::appendPath(const QString &path)
{
    m_pieces.push_back({Kind::Path, path});
}

void CommandLine::append(const CommandLine &other)
{
    m_pieces.insert(m_pieces.end(), other.m_pieces.begin(), other.m_pieces.end());
}

QString CommandLine::text() const
{
    QString result;
    for (const Piece &piece : m_pieces) {
        if (piece.kind == Kind::Path)
            result += QLatin1Char('"') + piece.text + QLatin1Char('"');
        else
            result += piece.text;
    }
    return result;
}

QStringList CommandLine::arguments() const
{
    QStringList args;
    QString current;
    bool open = false; // an argument has started, possibly still empty
    const auto finish = [&] {
        if (open)
            args.append(current);
        current.clear();
        open = false;
    };
    for (const Piece &piece : m_pieces) {
        switch (piece.kind) {
        case Kind::Literal:
            for (const QChar c : piece.text) {
                if (c == u' ') {
                    finish();
                } else {
                    current += c;
                    open = true;
                }
            }
            break;
        case Kind::Value:
            current += piece.text;
            open = true;
            break;
        case Kind::Path:
            finish();
            args.append(piece.text);
            break;
        }
    }
    finish();
    return args;
}

} // namespace vantrel
