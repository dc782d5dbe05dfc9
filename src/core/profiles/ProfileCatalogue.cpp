#include "core/profiles/ProfileCatalogue.h"

namespace vantrel {

const std::vector<CatalogueEntry> &profileCatalogue()
{
    // number, kind, caption, picture. The product names are shown as written
    // ("Vison" included).
    static const std::vector<CatalogueEntry> entries = {
        {1, EntryKind::Group, "Apple iPad", 44},
        {2, EntryKind::Profile, "Apple iPad MPEG-4 Movie(*.mp4)", 0},
        {3, EntryKind::Profile, "Apple iPod Movie for 480p TV Out(*.mp4)", 0},
        {4, EntryKind::Profile, "Apple iPod Movie for 576p TV Out(*.mp4)", 0},
        {5, EntryKind::Profile, "Apple iPod Movie for 720p TV Out(*.mp4)", 0},
        {6, EntryKind::Group, "Apple iPod", 1},
        {7, EntryKind::Profile, "Apple iPod Video MPEG-4 Movie(*.mp4)", 0},
        {8, EntryKind::Profile, "Apple iPod Nano/Classic MPEG-4 Movie(*.mp4)", 0},
        {9, EntryKind::Profile, "Apple iPod Movie for 480p TV Out(*.mp4)", 0},
        {10, EntryKind::Profile, "Apple iPod Movie for 576p TV Out(*.mp4)", 0},
        {11, EntryKind::Profile, "Apple iPod Touch MPEG-4 Movie(*.mp4)", 0},
        {12, EntryKind::Group, "Apple iPhone", 10},
        {13, EntryKind::Profile, "Apple iPhone MPEG-4 Movie(*.mp4)", 0},
        {14, EntryKind::Profile, "Apple iPhone Movie for 480p TV Out(*.mp4)", 0},
        {15, EntryKind::Profile, "Apple iPhone Movie for 576p TV Out(*.mp4)", 0},
        {16, EntryKind::Group, "Apple TV", 2},
        {17, EntryKind::Profile, "Apple TV MPEG-4 Movie(*.mp4)", 0},
        {18, EntryKind::Profile, "Apple TV MPEG-4 AVC Movie(*.mp4)", 0},
        {19, EntryKind::Group, "Google Android", 9},
        {20, EntryKind::Profile, "Google Android MPEG-4 Movie(*.mp4)", 0},
        {21, EntryKind::Profile, "Google Nexus One MPEG-4 Movie(*.mp4)", 0},
        {22, EntryKind::Profile, "Sony Ericsson Xperia MPEG-4 Movie(*.mp4)", 0},
        {23, EntryKind::Profile, "HTC Desire MPEG-4 Movie(*.mp4)", 0},
        {24, EntryKind::Profile, "IS01 MPEG-4 Movie(*.mp4)", 0},
        {25, EntryKind::Group, "Sony PSP", 15},
        {26, EntryKind::Profile, "Sony PSP MPEG-4 Movie(*.mp4)", 0},
        {27, EntryKind::Profile, "Sony PSP MPEG-4 AVC Movie(*.mp4)", 0},
        {28, EntryKind::Group, "Sony PS3", 38},
        {29, EntryKind::Profile, "Sony PS3 MPEG-4 AVC Movie(480p)(*.mp4)", 0},
        {30, EntryKind::Profile, "Sony PS3 MPEG-4 AVC Movie(720p)(*.mp4)", 0},
        {31, EntryKind::Profile, "Sony PS3 MPEG-4 AVC Movie(1080p)(*.mp4)", 0},
        {32, EntryKind::Group, "Sony Walkman", 17},
        {33, EntryKind::Profile, "Sony Walkman MPEG-4 Movie(*.mp4)", 0},
        {34, EntryKind::Profile, "Sony Walkman MPEG-4 AVC Movie(*.mp4)", 0},
        {35, EntryKind::Profile, "Sony Walkman WMV9 Movie(*.wmv)", 0},
        {36, EntryKind::Group, "Microsoft Zune", 22},
        {37, EntryKind::Profile, "Microsoft Zune WMV Movie(*.wmv)", 0},
        {38, EntryKind::Profile, "Microsoft Zune MPEG-4 Movie(*.mp4)", 0},
        {39, EntryKind::Profile, "Microsoft Zune HD WMV Movie(*.wmv)", 0},
        {40, EntryKind::Profile, "Microsoft Zune HD MPEG-4 Movie(*.mp4)", 0},
        {41, EntryKind::Group, "Archos", 3},
        {42, EntryKind::Profile, "Archos 105 Movie(*.wmv)", 0},
        {43, EntryKind::Profile, "Archos 404/405 Movie(*.wmv)", 0},
        {44, EntryKind::Profile, "Archos 504/604 Movie(*.wmv)", 0},
        {45, EntryKind::Profile, "Archos 605/705/TV+ Movie(*.wmv)", 0},
        {46, EntryKind::Profile, "Archos AV500 Movie(*.wmv)", 0},
        {47, EntryKind::Profile, "Archos AV700 Movie(*.wmv)", 0},
        {48, EntryKind::Group, "Creative Zen", 21},
        {49, EntryKind::Profile, "Creative Zen X-Fi Movie(*.avi)", 0},
        {50, EntryKind::Profile, "Creative Zen Vison Movie(*.avi)", 0},
        {51, EntryKind::Profile, "Creative Zen Vison M Movie(*.avi)", 0},
        {52, EntryKind::Profile, "Creative Zen Vison W Movie(*.avi)", 0},
        {53, EntryKind::Group, "iRiver", 31},
        {54, EntryKind::Profile, "iRiver E10 Movie(*.avi)", 0},
        {55, EntryKind::Profile, "iRiver U10/Clix Movie(*.avi)", 0},
        {56, EntryKind::Profile, "iRiver B20/X20/Clix 2/E100/Lplayer Movie(*.avi)", 0},
        {57, EntryKind::Profile, "iRiver Spinn/D28/DICPLE D30 Movie(*.avi)", 0},
        {58, EntryKind::Profile, "iRiver P10/P20 Movie(*.avi)", 0},
        {59, EntryKind::Profile, "iRiver PMP-120/140/IMP-1000/1100 Movie(*.avi)", 0},
        {60, EntryKind::Group, "Sandisk Sansa", 16},
        {61, EntryKind::Profile, "Sandisk Sansa AVI Movie(*.avi)", 0},
        {62, EntryKind::Profile, "Sandisk Sansa WMV Movie(*.wmv)", 0},
        {63, EntryKind::Profile, "Sandisk Sansa MPEG-4 Movie(*.mp4)", 0},
        {64, EntryKind::Group, "Microsoft Xbox 360", 20},
        {65, EntryKind::Profile, "Xbox WMV Movie(*.wmv)", 0},
        {66, EntryKind::Profile, "Xbox AVI Movie(*.avi)", 0},
        {67, EntryKind::Profile, "Xbox MPEG-4 Movie(*.mp4)", 0},
        {68, EntryKind::Group, "Nintendo Wii", 18},
        {69, EntryKind::Profile, "Nintendo Wii AVI Movie(*.avi)", 0},
        {70, EntryKind::Group, "Mobile Phone", 12},
        {71, EntryKind::Profile, "Mobile Phone 3GP Movie(*.3gp)", 0},
        {72, EntryKind::Profile, "Mobile Phone 3GP2 Movie(*.3g2)", 0},
        {73, EntryKind::Profile, "Mobile Phone MPEG-4 Movie(*.mp4)", 0},
        {74, EntryKind::Profile, "Nokia N-series MPEG-4 Movie(*.mp4)", 0},
        {75, EntryKind::Group, "BlackBerry", 11},
        {76, EntryKind::Profile, "BlackBerry MPEG-4 Movie(*.mp4)", 0},
        {77, EntryKind::Group, "Nokia", 30},
        {78, EntryKind::Profile, "Nokia N-Series MPEG-4 Movie(*.mp4)", 0},
        {79, EntryKind::Group, "Windows Mobile", 31},
        {80, EntryKind::Profile, "Palm Treo Series Movie(*.wmv)", 0},
        {81, EntryKind::Profile, "General Pocket PC Movie(*.wmv)", 0},
        {82, EntryKind::Group, "Flash Video", 5},
        {83, EntryKind::Profile, "Flash Video Movie(*.flv)", 0},
        {84, EntryKind::Profile, "Flash SWF(*.swf)", 0},
        {85, EntryKind::Group, "Toshiba Gigabeat", 8},
        {86, EntryKind::Profile, "Toshiba Gigabeat WMV Movie(*.wmv)", 0},
        {87, EntryKind::Group, "Common Used Video Formats", 41},
        {88, EntryKind::Profile, "DVD Video NTSC Movie(*.mpg)", 0},
        {89, EntryKind::Profile, "DVD Video PAL Movie(*.mpg)", 0},
        {90, EntryKind::Profile, "MPEG-I Movie(*.mpg)", 0},
        {91, EntryKind::Profile, "MPEG-II Movie(*.mpg)", 0},
        {92, EntryKind::Profile, "Customized AVI Movie(*.avi)", 0},
        {93, EntryKind::Profile, "Customized WMV Movie(*.wmv)", 0},
        {94, EntryKind::Profile, "Customized MP4 Movie(*.mp4)", 0},
        {95, EntryKind::Group, "Common Used Audio Formats", 6},
        {96, EntryKind::Profile, "MP3 Audio(*.mp3)", 0},
        {97, EntryKind::Profile, "OGG Vorbis Audio(*.ogg)", 0},
        {98, EntryKind::Profile, "WAVE Audio(*.wav)", 0},
        {99, EntryKind::Profile, "AAC Audio(*.aac)", 0},
        {100, EntryKind::Profile, "WMA Audio(*.wma)", 0},
        {101, EntryKind::Profile, "M4A Audio(*.m4a)", 0},
        // Today's formats come after the old entries, so that a stored entry
        // number keeps its meaning. No "." before the extension: it starts there.
        {102, EntryKind::Group, "Today's Video Formats", 45},
        {103, EntryKind::Profile, "MP4 H264/AAC Movie, plays everywhere(*.mp4)", 0},
        {104, EntryKind::Profile, "MP4 H265/AAC Movie, about half the size(*.mp4)", 0},
        {105, EntryKind::Profile, "WebM VP9/Opus Movie(*.webm)", 0},
        {106, EntryKind::Profile, "WebM AV1/Opus Movie(*.webm)", 0},
        {107, EntryKind::Profile, "MKV, same streams (no re-encoding)(*.mkv)", 0},
        {108, EntryKind::Profile, "MP4, same streams (no re-encoding)(*.mp4)", 0},
        {109, EntryKind::Group, "Today's Audio Formats", 46},
        {110, EntryKind::Profile, "Opus Audio(*.opus)", 0},
        {111, EntryKind::Profile, "FLAC Audio(*.flac)", 0},
    };
    return entries;
}

const CatalogueEntry *catalogueEntry(int number)
{
    if (number < kFirstEntry || number > kLastEntry)
        return nullptr;
    return &profileCatalogue()[static_cast<std::size_t>(number - 1)];
}

std::optional<QString> outputExtensionOfCaption(const QString &caption)
{
    const qsizetype dot = caption.indexOf(u'.');
    if (dot < 0)
        return std::nullopt;
    // Up to the pattern's ")": four characters for the old three-letter
    // extensions, more for ".webm", ".opus" and ".flac".
    const qsizetype close = caption.indexOf(u')', dot);
    return caption.mid(dot, close < 0 ? 4 : close - dot);
}

std::optional<QString> outputExtension(int entryNumber)
{
    const CatalogueEntry *entry = catalogueEntry(entryNumber);
    if (!entry)
        return std::nullopt;
    return outputExtensionOfCaption(entry->captionText());
}

} // namespace vantrel
