#include "core/profiles/ProfileDefaults.h"

#include "core/profiles/OptionSheet.h"
#include "core/records/OutputTargets.h"

#include <vector>

namespace vantrel {

namespace {

using Item = DefaultItem;

ChoiceRule none()
{
    return {};
}
ChoiceRule emptied()
{
    return {ChoiceOp::Empty, {}};
}
ChoiceRule choiceList(ChoiceOp op, std::initializer_list<const char *> texts)
{
    ChoiceRule rule{op, {}};
    for (const char *text : texts)
        rule.choices.append(QString::fromUtf8(text));
    return rule;
}
ChoiceRule replace(std::initializer_list<const char *> texts)
{
    return choiceList(ChoiceOp::Replace, texts);
}
ChoiceRule append(std::initializer_list<const char *> texts)
{
    return choiceList(ChoiceOp::Append, texts);
}

// Values an entry writes, in the item order Video Codec, Video Size, Video
// Bitrate, Video Framerate, Audio Codec, Audio Bitrate, Sample Rate; null
// leaves the value alone. Texts are written as they stand, also where they are
// not among the item's choices ("29.976", "29.970", "1200").
struct ValueRow
{
    int entry;
    std::array<const char *, kDefaultItemCount> values;
};

// Choice-list operations of a range of entries. Video Codec, Video Size and
// Audio Codec have their own columns; other lists are named where they change.
struct ChoiceRow
{
    struct Range
    {
        int first;
        int last;
    } entries;
    ChoiceRule videoCodec;
    ChoiceRule videoSize;
    ChoiceRule audioCodec;
    std::vector<std::pair<Item, ChoiceRule>> others;
};

const std::vector<ValueRow> &profileValues()
{
    static const std::vector<ValueRow> rows = {
        // clang-format off
        {2, {"x264", "1024x768", "768", "25", "aac", "128", "44100"}}, // "Apple iPad MPEG-4 Movie(*.mp4)"
        {3, {"x264", "640x480", "768", "25", "aac", "128", "44100"}}, // "Apple iPod Movie for 480p TV Out(*.mp4)"
        {4, {"x264", "720x576", "768", "25", "aac", "128", "44100"}}, // "Apple iPod Movie for 576p TV Out(*.mp4)"
        {5, {"x264", "1280x720", "768", "25", "aac", "128", "44100"}}, // "Apple iPod Movie for 720p TV Out(*.mp4)"
        {7, {"xvid", "320x240", "512", "25", "aac", "64", "44100"}}, // "Apple iPod Video MPEG-4 Movie(*.mp4)"
        {8, {"xvid", "320x240", "512", "25", "aac", "160", "44100"}}, // "Apple iPod Nano/Classic MPEG-4 Movie(*.mp4)"
        {9, {"xvid", "640x480", "512", "25", "aac", "128", "44100"}}, // "Apple iPod Movie for 480p TV Out(*.mp4)"
        {10, {"xvid", "768x576", "512", "25", "aac", "128", "44100"}}, // "Apple iPod Movie for 576p TV Out(*.mp4)"
        {11, {"xvid", "320x240", "768", "25", "aac", "128", "44100"}}, // "Apple iPod Touch MPEG-4 Movie(*.mp4)"
        {13, {"x264", "480x320", "768", "25", "aac", "128", "44100"}}, // "Apple iPhone MPEG-4 Movie(*.mp4)"
        {14, {"x264", "640x480", "768", "25", "aac", "128", "44100"}}, // "Apple iPhone Movie for 480p TV Out(*.mp4)"
        {15, {"x264", "768x576", "768", "25", "aac", "128", "44100"}}, // "Apple iPhone Movie for 576p TV Out(*.mp4)"
        {17, {"xvid", "720x432", "512", "25", "aac", "128", "44100"}}, // "Apple TV MPEG-4 Movie(*.mp4)"
        {18, {"x264", "768x576", "1500", "24", "aac", "64", "44100"}}, // "Apple TV MPEG-4 AVC Movie(*.mp4)"
        {20, {"x264", "480x320", "768", "25", "aac", "128", "44100"}}, // "Google Android MPEG-4 Movie(*.mp4)"
        {21, {"x264", "800x480", "1200", "25", "aac", "128", "44100"}}, // "Google Nexus One MPEG-4 Movie(*.mp4)"
        {22, {"x264", "854x480", "1200", "25", "aac", "128", "44100"}}, // "Sony Ericsson Xperia MPEG-4 Movie(*.mp4)"
        {23, {"x264", "800x480", "1200", "25", "aac", "128", "44100"}}, // "HTC Desire MPEG-4 Movie(*.mp4)"
        {24, {"x264", "960x480", "1200", "25", "aac", "128", "44100"}}, // "IS01 MPEG-4 Movie(*.mp4)"
        {26, {"mpeg4", "368x208", "512", "29.97", "aac", "64", "24000"}}, // "Sony PSP MPEG-4 Movie(*.mp4)"
        {27, {"x264", "368x208", "512", "29.97", "aac", "64", "48000"}}, // "Sony PSP MPEG-4 AVC Movie(*.mp4)"
        {29, {"x264", "720x480", "2000", "29.976", "aac", "96", "48000"}}, // "Sony PS3 MPEG-4 AVC Movie(480p)(*.mp4)"
        {30, {"x264", "720x576", "2000", "29.976", "aac", "128", "48000"}}, // "Sony PS3 MPEG-4 AVC Movie(720p)(*.mp4)"
        {31, {"x264", "1440x1080", "2000", "23.976", "aac", "128", "48000"}}, // "Sony PS3 MPEG-4 AVC Movie(1080p)(*.mp4)"
        {33, {"xvid", "320x240", "768", "25", "aac", "128", "44100"}}, // "Sony Walkman MPEG-4 Movie(*.mp4)"
        {34, {"x264", "320x240", "512", "25", "aac", "128", "44100"}}, // "Sony Walkman MPEG-4 AVC Movie(*.mp4)"
        {35, {"WMV V9", "320x240", "768", nullptr, "WMA9", "128", "44100"}}, // "Sony Walkman WMV9 Movie(*.wmv)"
        {37, {"WMV V9", "320x240", "768", nullptr, "WMA9", nullptr, nullptr}}, // "Microsoft Zune WMV Movie(*.wmv)"
        {38, {"mpeg4", nullptr, "512", "25", "aac", "128", "44100"}}, // "Microsoft Zune MPEG-4 Movie(*.mp4)"
        {39, {"WMV V9", "480x272", "1500", nullptr, "WMA9", nullptr, nullptr}}, // "Microsoft Zune HD WMV Movie(*.wmv)"
        {40, {"mpeg4", "480x272", "1500", "25", "aac", "128", "44100"}}, // "Microsoft Zune HD MPEG-4 Movie(*.mp4)"
        {42, {"WMV V9", "160x128", "256", "25", "WMA9", "128", "44100"}}, // "Archos 105 Movie(*.wmv)"
        {43, {"WMV V9", "320x240", "256", "25", "WMA9", "128", "44100"}}, // "Archos 404/405 Movie(*.wmv)"
        {44, {"WMV V9", "480x272", "512", "25", "WMA9", "128", "44100"}}, // "Archos 504/604 Movie(*.wmv)"
        {45, {"WMV V9", "800x480", "512", "25", "WMA9", "128", "44100"}}, // "Archos 605/705/TV+ Movie(*.wmv)"
        {46, {"WMV V9", "800x480", "512", "25", "WMA9", "128", "44100"}}, // "Archos AV500 Movie(*.wmv)"
        {47, {"WMV V9", "800x480", "512", "25", "WMA9", "128", "44100"}}, // "Archos AV700 Movie(*.wmv)"
        {49, {"mpeg4", "320x240", "384", "25", "mp3", "96", "44100"}}, // "Creative Zen X-Fi Movie(*.avi)"
        {50, {"mpeg4", "320x240", "384", "25", "mp3", "96", "44100"}}, // "Creative Zen Vison Movie(*.avi)"
        {51, {"mpeg4", "320x240", "384", "25", "mp3", "96", "44100"}}, // "Creative Zen Vison M Movie(*.avi)"
        {52, {"mpeg4", "480x272", "384", "25", "mp3", "96", "44100"}}, // "Creative Zen Vison W Movie(*.avi)"
        {54, {"mpeg4", "128x128", "256", "15", "mp3", "128", "44100"}}, // "iRiver E10 Movie(*.avi)"
        {55, {"mpeg4", "220x176", "256", "15", "mp3", "128", "44100"}}, // "iRiver U10/Clix Movie(*.avi)"
        {56, {"mpeg4", "320x240", "384", "15", "mp3", "96", "44100"}}, // "iRiver B20/X20/Clix 2/E100/Lplayer Movie(*.avi)"
        {57, {"mpeg4", "480x270", "384", "15", "mp3", "96", "44100"}}, // "iRiver Spinn/D28/DICPLE D30 Movie(*.avi)"
        {58, {"mpeg4", "640x272", "512", "25", "mp3", "128", "44100"}}, // "iRiver P10/P20 Movie(*.avi)"
        {59, {"mpeg4", "640x480", "512", "25", "mp3", "128", "44100"}}, // "iRiver PMP-120/140/IMP-1000/1100 Movie(*.avi)"
        {61, {"mpeg4", "320x240", "512", "20", "aac", "64", "24000"}}, // "Sandisk Sansa AVI Movie(*.avi)"
        {62, {"WMV V9", "320x240", "768", nullptr, "WMA9", "64", "24000"}}, // "Sandisk Sansa WMV Movie(*.wmv)"
        {63, {"mpeg4", "368x208", "512", "24", "aac", "64", "24000"}}, // "Sandisk Sansa MPEG-4 Movie(*.mp4)"
        {65, {"WMV V8", "1280x720", "768", "30", "WMA9", "128", nullptr}}, // "Xbox WMV Movie(*.wmv)"
        {66, {"mpeg4", "720x576", "1024", "30", "mp3", "128", "44100"}}, // "Xbox AVI Movie(*.avi)"
        {67, {"mpeg4", "1280x720", "1500", "30", "aac", "128", "48000"}}, // "Xbox MPEG-4 Movie(*.mp4)"
        {69, {"mjpeg", "720x480", "768", "25", "pcm", "128", nullptr}}, // "Nintendo Wii AVI Movie(*.avi)"
        {71, {"h263", "176x144", "64", "15", "amr_nb", "12.2", "8000"}}, // "Mobile Phone 3GP Movie(*.3gp)"
        {72, {"h263", "176x144", "64", "15", "amr_nb", "12.2", "8000"}}, // "Mobile Phone 3GP2 Movie(*.3g2)"
        {73, {"mpeg4", "176x144", "128", "15", "aac", "64", "11025"}}, // "Mobile Phone MPEG-4 Movie(*.mp4)"
        {74, {"mpeg4", "320x176", "128", "15", "aac", "64", "24000"}}, // "Nokia N-series MPEG-4 Movie(*.mp4)"
        {76, {"mpeg4", "320x240", "512", "24", "aac", "64", "44100"}}, // "BlackBerry MPEG-4 Movie(*.mp4)"
        {78, {"mpeg4", "320x176", "128", nullptr, "aac", "64", nullptr}}, // "Nokia N-Series MPEG-4 Movie(*.mp4)"
        {80, {"WMV V9", "320x240", "384", nullptr, "WMA9", "64", nullptr}}, // "Palm Treo Series Movie(*.wmv)"
        {81, {"WMV V9", "320x240", "768", nullptr, "WMA9", "64", nullptr}}, // "General Pocket PC Movie(*.wmv)"
        {83, {"FLV", "320x240", "512", "25", "mp3", "64", "44100"}}, // "Flash Video Movie(*.flv)"
        {84, {"SWF", "320x240", "512", "25", "mp3", "64", "44100"}}, // "Flash SWF(*.swf)"
        {86, {"WMV V9", "320x240", "512", nullptr, "WMA9", "64", nullptr}}, // "Toshiba Gigabeat WMV Movie(*.wmv)"
        {88, {"mpeg2video", "720x480", "8000", "25", "ac3", "128", "48000"}}, // "DVD Video NTSC Movie(*.mpg)"
        {89, {"mpeg2video", "720x576", "8000", "25", "ac3", "128", "48000"}}, // "DVD Video PAL Movie(*.mpg)"
        {90, {"mpeg1video", "352x240", "1152", "29.970", "mp2", "224", "44100"}}, // "MPEG-I Movie(*.mpg)"
        {91, {"mpeg2video", "720x480", "1800", "29.970", "mp2", "128", "44100"}}, // "MPEG-II Movie(*.mpg)"
        {92, {"xvid", "720x480", "768", "25", "mp3", "128", "44100"}}, // "Customized AVI Movie(*.avi)"
        {93, {"WMV V9", "720x480", "768", nullptr, "WMA", "128", nullptr}}, // "Customized WMV Movie(*.wmv)"
        {94, {"x264", "320x240", "768", "25", "aac", "128", "44100"}}, // "Customized MP4 Movie(*.mp4)"
        {96, {nullptr, nullptr, nullptr, nullptr, "mp3", "128", "44100"}}, // "MP3 Audio(*.mp3)"
        {97, {nullptr, nullptr, nullptr, nullptr, "ogg", "128", "44100"}}, // "OGG Vorbis Audio(*.ogg)"
        {98, {nullptr, nullptr, nullptr, nullptr, "wav", "128", "44100"}}, // "WAVE Audio(*.wav)"
        {99, {nullptr, nullptr, nullptr, nullptr, "aac", "128", "44100"}}, // "AAC Audio(*.aac)"
        {100, {nullptr, nullptr, nullptr, nullptr, "WMA9", nullptr, nullptr}}, // "WMA Audio(*.wma)"
        {101, {nullptr, nullptr, nullptr, nullptr, "aac", "128", "44100"}}, // "M4A Audio(*.m4a)"
        // clang-format on
    };
    return rows;
}

const std::vector<ChoiceRow> &profileChoices()
{
    static const std::vector<ChoiceRow> rows = {
        {{2, 3},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"480x320", "640x480", "1024x768", "1280x720"}),
         replace({"aac"}),
         {}},
        {{4, 4},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"720x576", "480x320", "640x480", "1024x768", "1280x720"}),
         replace({"aac"}),
         {}},
        {{5, 5},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"480x320", "640x480", "1024x768", "1280x720"}),
         replace({"aac"}),
         {}},
        {{7, 8},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"320x240", "480x270", "480x320", "640x480"}),
         replace({"aac"}),
         {}},
        {{9, 9}, replace({"xvid", "mpeg4", "x264"}), replace({"640x480"}), replace({"aac"}), {}},
        {{10, 10}, replace({"xvid", "mpeg4", "x264"}), replace({"768x576"}), replace({"aac"}), {}},
        {{11, 11},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"320x240", "480x270", "480x320", "640x480"}),
         replace({"aac"}),
         {}},
        {{13, 14},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"480x320", "480x270", "720x405", "640x480"}),
         replace({"aac"}),
         {}},
        {{15, 15},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"480x320", "480x270", "720x405", "640x480", "768x576"}),
         replace({"aac"}),
         {}},
        {{17, 17},
         replace({"xvid", "mpeg4"}),
         replace({"320x240", "480x320", "480x270", "720x432", "640x480"}),
         replace({"aac"}),
         {}},
        {{18, 18},
         replace({"x264"}),
         replace({"320x240", "480x320", "480x270", "720x432", "640x480", "768x576", "960x540",
                  "1280x720"}),
         replace({"aac"}),
         {}},
        {{20, 20},
         replace({"xvid", "x264", "mpeg4"}),
         replace({"480x320", "480x270", "720x405", "640x480"}),
         replace({"aac"}),
         {}},
        {{21, 21},
         replace({"xvid", "x264", "mpeg4"}),
         replace({"480x320", "480x270", "720x405", "640x480", "800x480"}),
         replace({"aac"}),
         {}},
        {{22, 22},
         replace({"xvid", "x264", "mpeg4"}),
         replace({"480x320", "640x480", "800x480", "854x480"}),
         replace({"aac"}),
         {}},
        {{23, 23},
         replace({"xvid", "x264", "mpeg4"}),
         replace({"480x320", "480x270", "720x405", "640x480", "800x480"}),
         replace({"aac"}),
         {}},
        {{24, 24},
         replace({"xvid", "x264", "mpeg4"}),
         replace({"320x240", "640x480", "800x480", "960x480"}),
         replace({"aac"}),
         {}},
        {{26, 26},
         replace({"mpeg4"}),
         replace({"368x208", "320x240", "160x112"}),
         replace({"aac"}),
         {}},
        {{27, 27},
         replace({"x264"}),
         replace({"368x208", "320x240", "160x112", "480x272"}),
         replace({"aac"}),
         {}},
        {{29, 29},
         replace({"x264"}),
         replace({"480x272", "640x480", "720x480", "720x576"}),
         replace({"aac"}),
         {{Item::VideoBitrate, append({"2000", "2500", "3000"})}}},
        {{30, 30},
         replace({"x264"}),
         replace({"480x272", "640x480", "720x480", "720x576", "1280x720"}),
         replace({"aac"}),
         {{Item::VideoBitrate, append({"2000", "2500", "3000"})}}},
        {{31, 31},
         replace({"x264"}),
         replace(
             {"480x272", "640x480", "720x480", "720x576", "1280x720", "1440x1080", "1920x1080"}),
         replace({"aac"}),
         {{Item::VideoBitrate, append({"2000", "2500", "3000"})}}},
        {{33, 33},
         replace({"xvid", "mpeg4"}),
         replace({"320x240", "220x176", "176x144", "160x112"}),
         replace({"aac"}),
         {}},
        {{34, 34},
         replace({"x264"}),
         replace({"320x240", "220x176", "176x144", "160x112"}),
         replace({"aac"}),
         {}},
        {{35, 35}, replace({"WMV V9"}), replace({"320x240"}), replace({"WMA9"}), {}},
        {{37, 37}, replace({"WMV V9", "WMV V8"}), replace({"320x240"}), replace({"WMA9"}), {}},
        {{38, 38}, replace({"mpeg4", "xvid"}), emptied(), replace({"aac"}), {}},
        {{39, 39},
         replace({"WMV V9", "WMV V8"}),
         replace({"320x240", "480x272", "720x480", "720x576", "1280x720"}),
         replace({"WMA9"}),
         {}},
        {{40, 40},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "480x272", "720x480", "720x576", "1280x720"}),
         replace({"aac"}),
         {}},
        {{42, 42}, replace({"WMV V9"}), replace({"160x128"}), replace({"WMA9"}), {}},
        {{43, 43},
         replace({"WMV V9"}),
         replace({"320x240", "160x128", "640x480", "720x576"}),
         replace({"WMA9"}),
         {}},
        {{44, 44},
         replace({"WMV V9"}),
         replace({"320x240", "160x128", "480x272", "640x480", "720x576"}),
         replace({"WMA9"}),
         {}},
        {{45, 47},
         replace({"WMV V9"}),
         replace({"320x240", "160x128", "480x272", "640x480", "720x576", "800x480"}),
         replace({"WMA9"}),
         {}},
        {{49, 49},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "220x176", "176x144", "160x112"}),
         replace({"mp3"}),
         {}},
        {{50, 50},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "220x176", "176x144", "160x112", "640x480"}),
         replace({"mp3"}),
         {}},
        {{51, 51},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "220x176", "176x144", "160x112"}),
         replace({"mp3"}),
         {}},
        {{52, 52},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "220x176", "176x144", "160x112", "480x272"}),
         replace({"mp3"}),
         {}},
        {{54, 54}, replace({"mpeg4", "xvid"}), replace({"128x128"}), replace({"mp3"}), {}},
        {{55, 56},
         replace({"mpeg4", "xvid"}),
         replace({"320x240", "220x176", "176x144", "160x112"}),
         replace({"mp3"}),
         {}},
        {{57, 57},
         replace({"mpeg4", "xvid"}),
         replace({"480x270", "320x240", "220x176", "176x144", "160x112"}),
         replace({"mp3"}),
         {}},
        {{58, 58},
         replace({"mpeg4", "xvid"}),
         replace({"640x480", "640x368", "640x272", "480x360", "320x240", "220x176", "176x144",
                  "160x112"}),
         replace({"mp3"}),
         {}},
        {{59, 59},
         replace({"mpeg4", "xvid"}),
         replace({"720x480", "640x480", "640x368", "640x272", "480x360", "320x240"}),
         replace({"mp3"}),
         {}},
        {{61, 61},
         replace({"mpeg4"}),
         replace({"640x480", "512x384", "480x576", "480x480", "480x320", "320x240", "224x176",
                  "160x112"}),
         replace({"aac"}),
         {}},
        {{62, 62},
         replace({"WMV V9", "WMV V8"}),
         replace({"640x480", "512x384", "480x576", "480x480", "480x320", "320x240", "224x176",
                  "160x112"}),
         replace({"WMA9"}),
         {}},
        {{63, 63},
         replace({"mpeg4"}),
         replace({"368x208", "320x240", "160x112"}),
         replace({"aac"}),
         {}},
        {{65, 65},
         replace({"WMV V9", "WMV V8"}),
         replace({"320x240", "640x480", "720x480", "720x576", "1024x768", "1280x720", "1280x1024",
                  "1366x768", "1920x1080"}),
         replace({"WMA9"}),
         {}},
        {{66, 66},
         replace({"mpeg4"}),
         replace({"320x240", "512x384", "640x480", "720x480", "720x576", "1024x768", "1280x720"}),
         replace({"mp3"}),
         {}},
        {{67, 67},
         replace({"xvid", "mpeg4", "x264"}),
         replace({"320x240", "640x480", "720x480", "720x576", "1024x768", "1280x720", "1280x1024",
                  "1366x768", "1920x1080"}),
         replace({"aac"}),
         {}},
        {{69, 69},
         replace({"mjpeg"}),
         replace({"848x480", "720x576", "720x480", "640x480", "512x384", "480x576", "480x480",
                  "480x320", "480x272", "368x208", "320x240", "352x288", "352x240"}),
         replace({"pcm"}),
         {}},
        {{71, 72},
         replace({"h263", "mpeg4"}),
         replace({"128x96", "176x144", "352x288", "704x576", "1408x1152"}),
         replace({"amr_nb", "faac"}),
         {}},
        {{73, 73},
         replace({"mpeg4", "xvid"}),
         replace({"128x96", "160x120", "176x144", "220x176", "320x240", "352x288", "640x480"}),
         replace({"aac"}),
         {}},
        {{74, 74},
         replace({"mpeg4", "xvid"}),
         replace({"128x96", "160x120", "176x144", "220x176", "320x176", "352x288", "240x180",
                  "320x240", "640x360", "640x480", "800x480"}),
         replace({"aac"}),
         {}},
        {{76, 76},
         replace({"mpeg4"}),
         replace({"480x360", "480x320", "160x112", "320x240"}),
         replace({"aac"}),
         {}},
        {{78, 78},
         replace({"mpeg4", "xvid"}),
         replace({"128x96", "176x144", "220x176", "320x176", "320x240", "352x288", "640x480"}),
         replace({"aac"}),
         {}},
        {{80, 80},
         replace({"WMV V9", "WMV V8"}),
         replace({"320x240", "720x576", "640x480"}),
         replace({"WMA9"}),
         {{Item::VideoBitrate, append({"384"})}}},
        {{81, 81},
         replace({"WMV V9", "WMV V8"}),
         replace({"320x240", "720x576", "720x480", "640x480", "512x384", "480x576", "480x480",
                  "480x320", "480x272", "368x208", "352x288", "352x240"}),
         replace({"WMA9"}),
         {{Item::VideoBitrate, append({"384"})}}},
        {{83, 83},
         replace({"FLV"}),
         replace({"128x96", "176x144", "220x176", "320x240", "704x576", "640x480"}),
         replace({"mp3"}),
         {}},
        {{84, 84},
         replace({"SWF"}),
         replace({"128x96", "176x144", "220x176", "320x240", "704x576", "640x480"}),
         replace({"mp3"}),
         {}},
        {{86, 86},
         replace({"WMV V9"}),
         replace({"320x240"}),
         replace({"WMA9"}),
         {{Item::VideoBitrate, replace({"768", "512", "384", "256"})}}},
        {{88, 88},
         replace({"mpeg2video"}),
         replace({"720x480", "704x480", "352x480", "352x240"}),
         replace({"ac3"}),
         {{Item::VideoBitrate, replace({"8000", "5000", "2000"})},
          {Item::VideoFramerate, replace({"25"})},
          {Item::AudioBitrate, replace({"128", "192"})}}},
        {{89, 89},
         replace({"mpeg2video"}),
         replace({"720x576", "704x576", "352x576", "352x288"}),
         replace({"ac3"}),
         {{Item::VideoBitrate, replace({"8000", "5000", "2000"})},
          {Item::AudioBitrate, replace({"128", "192"})}}},
        {{90, 90},
         replace({"mpeg1video"}),
         replace({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576",
                  "640x480", "720x480", "720x576", "704x576", "320x240"}),
         replace({"mp2"}),
         {}},
        {{91, 91},
         replace({"mpeg2video"}),
         replace({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576",
                  "640x480", "720x480", "720x576", "704x576", "320x240", "720x480", "720x576",
                  "1080x720", "1280x720", "1440x1080", "1920x1080"}),
         replace({"ac3", "mp2"}),
         {{Item::VideoBitrate, append({"1800"})}}},
        {{92, 92},
         replace({"xvid", "mpeg4", "msmpeg4", "msmpeg4v2", "mjpeg", "wmv1", "wmv2", "mpeg2",
                  "mpeg1", "h263p", "x264", "huffyuv", "ffv1"}),
         replace({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576",
                  "640x480", "720x480", "720x576", "704x576", "320x240", "720x480", "720x576",
                  "1080x720", "1280x720", "1440x1080", "1920x1080"}),
         replace({"ac3", "mp3", "mp2", "aac"}),
         {{Item::VideoBitrate,
           replace({"768", "2000", "4000", "5000", "6000", "8000", "10000", "12000"})}}},
        {{93, 93},
         replace({"WMV V9", "WMV V8"}),
         replace({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576",
                  "640x480", "720x480", "720x576", "704x576", "320x240", "720x480", "720x576",
                  "1080x720", "1280x720", "1440x1080", "1920x1080"}),
         replace({"WMA"}),
         {{Item::VideoBitrate,
           replace({"768", "2000", "4000", "5000", "6000", "8000", "10000", "12000"})}}},
        {{94, 94},
         replace({"x264", "mpeg4", "xvid"}),
         replace({"128x96", "176x144", "352x240", "352x288", "480x272", "480x480", "480x576",
                  "640x480", "720x480", "720x576", "704x576", "320x240", "720x480", "720x576",
                  "1080x720", "1280x720", "1440x1080", "1920x1080"}),
         replace({"aac"}),
         {}},
        {{96, 96}, none(), none(), replace({"mp3"}), {}},
        {{97, 97}, none(), none(), replace({"ogg"}), {}},
        {{98, 98}, none(), none(), replace({"wav"}), {}},
        {{99, 99}, none(), none(), replace({"aac"}), {}},
        {{100, 100}, none(), none(), replace({"WMA9"}), {}},
        {{101, 101}, none(), none(), replace({"aac"}), {}},
    };
    return rows;
}

// Group headers: each receives the fixed part of its group's rule, so values
// common to the group are set and per-profile choice lists are emptied; the
// audio header receives the rule of its first profile. Entry 1 has no rule.
const std::vector<ValueRow> &headerValues()
{
    static const std::vector<ValueRow> rows = {
        // clang-format off
        {6, {"x264", nullptr, "768", "25", "aac", "128", "44100"}}, // "Apple iPod"
        {12, {"xvid", nullptr, nullptr, "25", "aac", nullptr, "44100"}}, // "Apple iPhone"
        {16, {"x264", nullptr, nullptr, nullptr, "aac", "128", nullptr}}, // "Apple TV"
        {19, {nullptr, nullptr, nullptr, nullptr, "aac", nullptr, "44100"}}, // "Google Android"
        {25, {nullptr, nullptr, nullptr, "25", "aac", "128", "44100"}}, // "Sony PSP"
        {28, {nullptr, nullptr, "512", "29.97", "aac", "64", nullptr}}, // "Sony PS3"
        {32, {"x264", nullptr, nullptr, nullptr, "aac", nullptr, nullptr}}, // "Sony Walkman"
        {36, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Microsoft Zune"
        {41, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Archos"
        {48, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Creative Zen"
        {53, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "iRiver"
        {60, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Sandisk Sansa"
        {64, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Microsoft Xbox 360"
        {68, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Nintendo Wii"
        {70, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Mobile Phone"
        {75, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "BlackBerry"
        {77, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Nokia"
        {79, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Windows Mobile"
        {82, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Flash Video"
        {85, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Toshiba Gigabeat"
        {87, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}}, // "Common Used Video Formats"
        {95, {nullptr, nullptr, nullptr, nullptr, "mp3", "128", "44100"}}, // "Common Used Audio Formats"
        // clang-format on
    };
    return rows;
}

const std::vector<ChoiceRow> &headerChoices()
{
    static const std::vector<ChoiceRow> rows = {
        {{6, 6}, replace({"xvid", "mpeg4", "x264"}), emptied(), replace({"aac"}), {}},
        {{12, 12}, replace({"xvid", "mpeg4", "x264"}), emptied(), replace({"aac"}), {}},
        {{16, 16}, replace({"xvid", "mpeg4", "x264"}), emptied(), replace({"aac"}), {}},
        {{19, 19}, emptied(), emptied(), replace({"aac"}), {}},
        {{25, 25}, emptied(), emptied(), replace({"aac"}), {}},
        {{28, 28}, emptied(), emptied(), replace({"aac"}), {}},
        {{32, 32}, replace({"x264"}), emptied(), replace({"aac"}), {}},
        {{36, 36}, emptied(), emptied(), emptied(), {}},
        {{41, 41}, emptied(), emptied(), emptied(), {}},
        {{48, 48}, emptied(), emptied(), emptied(), {}},
        {{53, 53}, emptied(), emptied(), emptied(), {}},
        {{60, 60}, emptied(), emptied(), emptied(), {}},
        {{64, 64}, emptied(), emptied(), emptied(), {}},
        {{68, 68}, emptied(), emptied(), emptied(), {}},
        {{70, 70}, emptied(), emptied(), emptied(), {}},
        {{75, 75}, emptied(), emptied(), emptied(), {}},
        {{77, 77}, emptied(), emptied(), emptied(), {}},
        {{79, 79}, emptied(), emptied(), emptied(), {}},
        {{82, 82}, emptied(), emptied(), emptied(), {}},
        {{85, 85}, emptied(), emptied(), emptied(), {}},
        {{87, 87}, emptied(), emptied(), emptied(), {{Item::VideoBitrate, emptied()}}},
        {{95, 95}, none(), none(), replace({"mp3"}), {}},
    };
    return rows;
}

void addValues(ProfileDefaults &rule, const std::vector<ValueRow> &rows, int entry)
{
    for (const ValueRow &row : rows) {
        if (row.entry != entry)
            continue;
        for (std::size_t i = 0; i < kDefaultItemCount; ++i) {
            if (row.values[i])
                rule.values[i] = QString::fromUtf8(row.values[i]);
        }
    }
}

void addChoices(ProfileDefaults &rule, const std::vector<ChoiceRow> &rows, int entry)
{
    for (const ChoiceRow &row : rows) {
        if (entry < row.entries.first || entry > row.entries.last)
            continue;
        rule.choices[static_cast<std::size_t>(Item::VideoCodec)] = row.videoCodec;
        rule.choices[static_cast<std::size_t>(Item::VideoSize)] = row.videoSize;
        rule.choices[static_cast<std::size_t>(Item::AudioCodec)] = row.audioCodec;
        for (const auto &[item, choiceRule] : row.others)
            rule.choices[static_cast<std::size_t>(item)] = choiceRule;
    }
}

} // namespace

namespace {

// ---- today's entries -----------------------------------------------------------

// Today's entries set the whole of the video and audio options: each item's
// value, its choices, and whether it applies at all (an item that does not is
// shown read-only). A size or a rate "Same as source" sends nothing, so the
// source's own stays; a quality "CRF n" is constant quality, a number a
// bitrate in kbit/s.
struct TodayItem
{
    const char *item;
    const char *value;
    std::vector<const char *> choices;
    bool applies = true;
};

struct TodayRow
{
    int entry;
    std::vector<TodayItem> items;
};

const std::vector<const char *> kTodaySizes = {"Same as source", "3840x2160", "1920x1080",
                                               "1280x720", "854x480"};
const std::vector<const char *> kTodayRates = {"Same as source", "24", "25", "30", "50", "60"};
const std::vector<const char *> kTodayAspects = {"Same as source", "16:9", "4:3"};
const std::vector<const char *> kTodaySoundRates = {"96", "128", "160", "192", "256", "320"};
const std::vector<const char *> kTodaySampleRates = {"Same as source", "44100", "48000"};
const std::vector<const char *> kOpusSampleRates = {"Same as source", "48000", "24000"};
const std::vector<const char *> kTodayChannels = {"Same as source", "2", "1"};
const std::vector<const char *> kBitrates = {"1000", "2000", "4000", "8000"};
const std::vector<const char *> kSoundRules = {"Best one", "Preferred languages", "All main tracks",
                                               "All tracks"};
// A sound file holds one sound.
const std::vector<const char *> kOneSoundRules = {"Best one", "Preferred languages"};
const std::vector<const char *> kSubtitleRules = {"None", "Preferred languages", "All",
                                                  "Forced only, burned in"};

std::vector<const char *> qualities(std::initializer_list<const char *> crfs)
{
    std::vector<const char *> list(crfs);
    list.insert(list.end(), kBitrates.begin(), kBitrates.end());
    return list;
}

const std::vector<const char *> kHdrChoices = {"Keep (10-bit)", "Standard range (8-bit)"};

// Video items of an entry that converts the picture with `codec`, keeping
// an HDR picture HDR when `hdr` says so; an entry that holds no `hdr`
// choice writes standard range only.
std::vector<TodayItem> video(const char *codec, const char *quality,
                             std::initializer_list<const char *> qualityChoices,
                             const char *hdr = nullptr)
{
    return {
        {"Video Codec", codec, {codec}},
        {"Video Size", "Same as source", kTodaySizes},
        {"Video Bitrate", quality, qualities(qualityChoices)},
        {"Video Framerate", "Same as source", kTodayRates},
        {"Aspect Ratio", "Same as source", kTodayAspects},
        {"Fit To Size", "Off", fitSizeChoices()},
        {"Subtitles", "None", kSubtitleRules},
        hdr ? TodayItem{"HDR", hdr, kHdrChoices}
            : TodayItem{"HDR", "Standard range (8-bit)", {}, false},
    };
}

// Video items of an entry that keeps no picture, or copies it (with every
// subtitle).
std::vector<TodayItem> noVideo(const char *codec, const char *subtitles)
{
    return {
        {"Video Codec", codec, {codec}, false}, {"Video Size", "", {}, false},
        {"Video Bitrate", "", {}, false},       {"Video Framerate", "", {}, false},
        {"Aspect Ratio", "", {}, false},        {"Fit To Size", "", {}, false},
        {"Subtitles", subtitles, {}, false},
        {"HDR", "", {}, false},
    };
}

// Audio items of an entry that converts the sound with `codec`, keeping
// sounds by `soundRules`.
std::vector<TodayItem> sound(const char *codec, bool bitrate,
                             const std::vector<const char *> &sampleRates,
                             const std::vector<const char *> &soundRules = kSoundRules)
{
    return {
        {"Audio Codec", codec, {codec}},
        {"Audio Bitrate", bitrate ? "160" : "",
         bitrate ? kTodaySoundRates : std::vector<const char *>(), bitrate},
        {"Sample Rate", "Same as source", sampleRates},
        {"Audio Channel", "Same as source", kTodayChannels},
        {"Disable Audio", "No", {"No", "Yes"}},
        {"Loudness", "Same as source", loudnessChoices()},
        {"Sound Tracks", "Best one", soundRules},
    };
}

std::vector<TodayItem> copiedSound()
{
    return {
        {"Audio Codec", "Copy", {"Copy"}, false},
        {"Audio Bitrate", "", {}, false},
        {"Sample Rate", "", {}, false},
        {"Audio Channel", "", {}, false},
        {"Disable Audio", "No", {"No", "Yes"}, false},
        {"Loudness", "", {}, false},
        {"Sound Tracks", "All tracks", {}, false},
    };
}

std::vector<TodayItem> join(std::vector<TodayItem> first, const std::vector<TodayItem> &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::vector<TodayRow> &todayRows()
{
    static const std::vector<TodayRow> rows = {
        {103, join(video("H.264", "CRF 23", {"CRF 23", "CRF 18", "CRF 28"}),
                   sound("AAC", true, kTodaySampleRates))},
        {104, join(video("H.265", "CRF 28", {"CRF 28", "CRF 23", "CRF 32"}, "Keep (10-bit)"),
                   sound("AAC", true, kTodaySampleRates))},
        {105, join(video("VP9", "CRF 32", {"CRF 32", "CRF 24", "CRF 40"},
                         "Standard range (8-bit)"),
                   sound("Opus", true, kOpusSampleRates))},
        {106, join(video("AV1", "CRF 35", {"CRF 35", "CRF 28", "CRF 45"}, "Keep (10-bit)"),
                   sound("Opus", true, kOpusSampleRates))},
        {107, join(noVideo("Copy", "All"), copiedSound())},
        {108, join(noVideo("Copy", "All"), copiedSound())},
        {110, join(noVideo("None", ""), sound("Opus", true, kOpusSampleRates, kOneSoundRules))},
        {111, join(noVideo("None", ""), sound("FLAC", false, kTodaySampleRates, kOneSoundRules))},
    };
    return rows;
}

const TodayRow *todayRow(int entry)
{
    for (const TodayRow &row : todayRows()) {
        if (row.entry == entry)
            return &row;
    }
    return nullptr;
}

const QString kVideoOptions = QStringLiteral("Video Options");
const QString kAudioOptions = QStringLiteral("Audio Options");

QString categoryOf(const char *item)
{
    return QLatin1String(item).startsWith(QLatin1String("Video")) ||
                   QLatin1String(item) == QLatin1String("Aspect Ratio") ||
                   QLatin1String(item) == QLatin1String("Fit To Size") ||
                   QLatin1String(item) == QLatin1String("Subtitles") ||
                   QLatin1String(item) == QLatin1String("HDR")
               ? kVideoOptions
               : kAudioOptions;
}

// Whether the sheet shows a today's entry's options: its codecs are named
// in the words of today's rows, which the old entries never use.
bool holdsTodayOptions(const OptionSheet &sheet)
{
    for (const TodayRow &row : todayRows()) {
        for (const TodayItem &item : row.items) {
            const QString caption = QString::fromUtf8(item.item);
            if ((caption == QLatin1String("Video Codec") ||
                 caption == QLatin1String("Audio Codec")) &&
                sheet.value(categoryOf(item.item), caption) == QLatin1String(item.value))
                return true;
        }
    }
    return false;
}

void applyTodayRow(OptionSheet &sheet, const TodayRow &row)
{
    for (const TodayItem &rule : row.items) {
        const QString category = categoryOf(rule.item);
        const QString item = QString::fromUtf8(rule.item);
        sheet.clearChoices(category, item);
        for (const char *choice : rule.choices)
            sheet.appendChoice(category, item, QString::fromUtf8(choice));
        sheet.setValue(category, item, QString::fromUtf8(rule.value));
        sheet.setReadOnly(category, item, !rule.applies);
    }
}

} // namespace

bool isTodayEntry(int entry)
{
    return entry > kLastClassicEntry;
}

ItemAddressText defaultItemAddress(DefaultItem item)
{
    static constexpr ItemAddressText addresses[kDefaultItemCount] = {
        {"Video Options", "Video Codec"},   {"Video Options", "Video Size"},
        {"Video Options", "Video Bitrate"}, {"Video Options", "Video Framerate"},
        {"Audio Options", "Audio Codec"},   {"Audio Options", "Audio Bitrate"},
        {"Audio Options", "Sample Rate"},
    };
    return addresses[static_cast<std::size_t>(item)];
}

bool ProfileDefaults::changesNothing() const
{
    for (std::size_t i = 0; i < kDefaultItemCount; ++i) {
        if (values[i] || choices[i].op != ChoiceOp::None)
            return false;
    }
    return true;
}

ProfileDefaults profileDefaults(int entry)
{
    ProfileDefaults rule;
    addValues(rule, profileValues(), entry);
    addValues(rule, headerValues(), entry);
    addChoices(rule, profileChoices(), entry);
    addChoices(rule, headerChoices(), entry);
    return rule;
}

void applyProfileDefaults(OptionSheet &sheet, std::optional<int> selectedEntry)
{
    if (!selectedEntry)
        return;
    if (const TodayRow *today = todayRow(*selectedEntry)) {
        applyTodayRow(sheet, *today);
        return;
    }
    // An old entry after one of today's starts from the sheet as built, as
    // its rule knows nothing of today's words ("Same as source", "CRF 23").
    if (!isTodayEntry(*selectedEntry) && holdsTodayOptions(sheet)) {
        for (const TodayItem &item : todayRows().front().items)
            sheet.resetItem(categoryOf(item.item), QString::fromUtf8(item.item));
    }
    const ProfileDefaults rule = profileDefaults(*selectedEntry);
    for (std::size_t i = 0; i < kDefaultItemCount; ++i) {
        const ItemAddressText address = defaultItemAddress(static_cast<DefaultItem>(i));
        const QString category = QString::fromUtf8(address.category);
        const QString item = QString::fromUtf8(address.item);
        const ChoiceRule &choices = rule.choices[i];
        if (choices.op == ChoiceOp::Replace || choices.op == ChoiceOp::Empty)
            sheet.clearChoices(category, item);
        if (choices.op == ChoiceOp::Replace || choices.op == ChoiceOp::Append) {
            for (const QString &choice : choices.choices)
                sheet.appendChoice(category, item, choice);
        }
        if (rule.values[i])
            sheet.setValue(category, item, *rule.values[i]);
    }
}

} // namespace vantrel
