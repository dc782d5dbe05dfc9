#pragma once

#include <QString>

namespace vantrel {

// Finds the external tools: a tool in the program folder wins, else the one
// on PATH.
class ToolLocator
{
public:
    static const QString kEncoder;   // "ffmpeg"
    static const QString kPlayer;    // "mplayer"
    static const QString kMediaInfo; // "ffprobe", ships with the encoder
    static const QString kYtDlp;     // "yt-dlp", reads today's web pages

    // The full path of the tool, or empty when it is nowhere to be found.
    static QString find(const QString &name);
    // The tool the program runs: its full path, or its bare name when it is
    // missing, so that starting it fails with a clear "not found".
    static QString program(const QString &name);

    static QString encoder() { return program(kEncoder); }
    static QString player() { return program(kPlayer); }
    static QString mediaInfo() { return program(kMediaInfo); }
    // yt-dlp: the path the settings give when it names an executable file
    // (the user chose it), else the user's own in ~/.local/bin (where pipx
    // installs it), else the one on PATH.
    static QString ytDlp(const QString &configured);

    // A message naming the missing tool and how to get it.
    static QString missingToolMessage(const QString &name);
};

} // namespace vantrel
