#include "TestSupport.h"

#include "core/download/YtDlp.h"
#include "core/tools/ToolVersion.h"

using namespace vantrel;

// Each tool's version as its own first line states it, in the forms builds
// of it write; anything else (another tool, an error) is no version.
TEST(ToolVersion, EachToolsFirstLineGivesItsVersion)
{
    using Parse = QString (*)(const QString &);
    const struct
    {
        Parse parse;
        const char *output;
        const char *version;
    } cases[] = {
        {&ffmpegVersion,
         "ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
         "built with gcc 12 (Debian 12.2.0-14+deb12u1)\nconfiguration: --prefix=/usr\n",
         "5.1.9-0+deb12u1"},
        {&ffmpegVersion, "ffmpeg version n6.1.1 Copyright (c) 2000-2023\n", "n6.1.1"},
        {&ffmpegVersion, "ffmpeg version N-112847-g6b5a4f8 Copyright (c) 2000-2023\n",
         "N-112847-g6b5a4f8"},
        {&ffmpegVersion, "ffprobe version 5.1.9 Copyright\n", ""},
        {&ffmpegVersion, "/bin/sh: 1: ffmpeg: not found\n", ""},
        {&mplayerVersion,
         "MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\nUsage:   mplayer [options] "
         "[url|path/]filename\n",
         "UNKNOWN-12"},
        {&mplayerVersion,
         "Creating config file: /home/a/.mplayer/config\n"
         "MPlayer 1.5-12.2.0 (C) 2000-2022 MPlayer Team\n",
         "1.5-12.2.0"},
        {&mplayerVersion, "MPlayer SVN-r38151-snapshot-9.3.0 (C) 2000-2019 MPlayer Team\n",
         "SVN-r38151-snapshot-9.3.0"},
        {&mplayerVersion, "mpv 0.35.1 Copyright © 2000-2023 mpv/MPlayer/mplayer2 projects\n", ""},
        {&ytDlpVersion, "2023.03.04\n", "2023.03.04"},
        {&ytDlpVersion, "2024.12.13.232604\n", "2024.12.13.232604"},
        {&ytDlpVersion, "Traceback (most recent call last):\n  File \"/usr/bin/yt-dlp\"\n", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.parse(qs(c.output)), qs(c.version)) << c.output;
}
