#pragma once

#include "TestSupport.h"

#include <QByteArray>
#include <QFile>

// A DVD picture subtitle (VobSub: an .idx and a .sub) that this FFmpeg can
// read but not make from text: one white bar of 120x16 pixels near the
// bottom of a 160x120 picture, shown from 0.1 s for `seconds`.
inline QString writeVobSub(const QString &idxPath, double seconds)
{
    const int width = 120, height = 16, x = 20, y = 96;
    const auto word = [](QByteArray &to, int value) {
        to.append(char(value >> 8)).append(char(value & 0xff));
    };
    // Each line "fill to its end with colour 1", top field then bottom.
    QByteArray lines;
    for (int i = 0; i < height; ++i)
        word(lines, 0x0001);
    const int x2 = x + width - 1, y2 = y + height - 1;
    QByteArray show;
    show.append("\x03\x00\x10\x04\x00\xf0\x05", 7); // colours, alpha, then the area
    show.append(char(x >> 4)).append(char(((x & 15) << 4) | (x2 >> 8))).append(char(x2 & 255));
    show.append(char(y >> 4)).append(char(((y & 15) << 4) | (y2 >> 8))).append(char(y2 & 255));
    show.append('\x06');
    word(show, 4);              // the top field's lines
    word(show, 4 + height);     // the bottom field's
    show.append("\x01\xff", 2); // shown from now
    const int first = 4 + lines.size();
    const int second = first + 4 + show.size();
    QByteArray control;
    word(control, 0);
    word(control, second);
    control += show;
    word(control, int(seconds * 90000 / 1024)); // hidden after the time
    word(control, second);
    control.append("\x02\xff", 2);
    QByteArray unit;
    word(unit, 4 + lines.size() + control.size());
    word(unit, first);
    unit += lines + control;

    // In an MPEG program stream pack: private stream 1, sub-stream 0x20.
    const qint64 pts = 9000;
    QByteArray pes("\x81\x80\x05", 3);
    pes.append(char(0x21 | ((pts >> 29) & 0x0e))).append(char((pts >> 22) & 0xff));
    pes.append(char(((pts >> 14) & 0xfe) | 1)).append(char((pts >> 7) & 0xff));
    pes.append(char(((pts << 1) & 0xfe) | 1)).append('\x20');
    pes += unit;
    QByteArray sub("\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01\x01\x89\xc3\xf8\x00\x00\x01\xbd", 18);
    word(sub, pes.size());
    sub += pes;
    const int padding = 2048 - sub.size() - 6;
    sub.append("\x00\x00\x01\xbe", 4);
    word(sub, padding);
    sub.append(QByteArray(padding, '\xff'));

    QString subPath = idxPath;
    subPath.replace(subPath.size() - 4, 4, qs(".sub"));
    QFile subFile(subPath);
    EXPECT_TRUE(subFile.open(QIODevice::WriteOnly));
    subFile.write(sub);
    QFile idx(idxPath);
    EXPECT_TRUE(idx.open(QIODevice::WriteOnly));
    idx.write("# VobSub index file, v7 (do not modify this line!)\nsize: 160x120\npalette: "
              "000000, ffffff, 808080, 000000, 000000, 000000, 000000, 000000, 000000, 000000, "
              "000000, 000000, 000000, 000000, 000000, 000000\nid: en, index: 0\n"
              "timestamp: 00:00:00:100, filepos: 000000000\n");
    return idxPath;
}
