#include "core/sources/SourceFileRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

namespace vantrel {

namespace {

// In the order the open dialog's first type lists them: the 48 types the
// dialog offered in 2009, the drop's Flash files, then today's camera, web
// and sound files.
const std::vector<MediaType> kMediaTypes = {
    {"avi", "video/x-msvideo"},
    {"wmv", "video/x-ms-wmv"},
    {"wma", "audio/x-ms-wma"},
    {"asf", "application/vnd.ms-asf"},
    {"mov", "video/quicktime"},
    {"mp4", "video/mp4"},
    {"3gp", "video/3gpp"},
    {"3g2", "video/3gpp2"},
    {"rm", "application/vnd.rn-realmedia"},
    {"rmvb", "application/vnd.rn-realmedia"},
    {"flv", "video/x-flv"},
    {"mkv", "video/x-matroska"},
    {"m2ts", "video/mp2t"},
    {"m1v", nullptr},
    {"mpe", "video/mpeg"},
    {"mpg", "video/mpeg"},
    {"mpeg", "video/mpeg"},
    {"m2v", nullptr},
    {"divx", "video/x-msvideo"},
    {"ogm", "video/x-ogm+ogg"},
    {"vro", nullptr},
    {"dr", nullptr},
    {"amv", nullptr},
    {"ms-dvr", nullptr},
    {"dvr-ms", nullptr},
    {"m4v", "video/mp4"},
    {"qt", "video/quicktime"},
    {"3gp2", "video/3gpp2"},
    {"3gpp", "video/3gpp"},
    {"mpeg4", nullptr},
    {"rv", "video/vnd.rn-realvideo"},
    {"f4v", "video/mp4"},
    {"avs", nullptr},
    {"mts", "video/mp2t"},
    {"tod", nullptr},
    {"mpv", nullptr},
    {"dat", nullptr},
    {"mpeg1", nullptr},
    {"vob", "video/mpeg"},
    {"mpeg2", nullptr},
    {"m2p", nullptr},
    {"mod", nullptr}, // a camera's MPEG; the desktop takes it for a tracker module
    {"ts", "video/mp2t"},
    {"tp", nullptr},
    {"m2t", "video/mp2t"},
    {"ogv", "video/ogg"},
    {"ogg", "video/ogg"},
    {"nsv", "video/x-nsv"},
    {"swf", "application/vnd.adobe.flash.movie"},
    {"dv", "video/dv"},
    {"webm", "video/webm"},
    {"mxf", "application/mxf"},
    {"m4a", "audio/mp4"},
    {"m4b", "audio/x-m4b"},
    {"mp3", "audio/mpeg"},
    {"aac", "audio/aac"},
    {"ac3", "audio/ac3"},
    {"wav", "audio/x-wav"},
    {"flac", "audio/flac"},
    {"opus", "audio/x-opus+ogg"},
    {"oga", "audio/ogg"},
    {"mka", "audio/x-matroska"},
};

QStringList patterns(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *pattern : list)
        out << QLatin1String(pattern);
    return out;
}

QStringList allMediaPatterns()
{
    QStringList out;
    for (const MediaType &type : kMediaTypes)
        out << QStringLiteral("*.") + QLatin1String(type.extension);
    return out;
}

} // namespace

std::optional<QString> unusableNameReason(const QString &path)
{
    // A name that really holds the replacement character is there to be found.
    if (!path.contains(QChar::ReplacementCharacter) || QFileInfo::exists(path))
        return std::nullopt;
    return QCoreApplication::translate(
               "SourceFileRules", "The name of \"%1\" holds bytes that are not text, so the "
                                  "tools cannot be given the file. Rename it and add it again.")
        .arg(path);
}

std::optional<QString> unusableSourceReason(const QString &path)
{
    if (std::optional<QString> name = unusableNameReason(path))
        return name;
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode) ||
        S_ISBLK(status.st_mode) || S_ISDIR(status.st_mode))
        return std::nullopt; // missing files and folders are told when read
    return QCoreApplication::translate("SourceFileRules",
                                       "\"%1\" is a pipe or a device, not a video or sound file: "
                                       "reading it might never end.")
        .arg(path);
}

std::optional<QString> unreadableReason(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    if (info.isDir())
        return QCoreApplication::translate("SourceFileRules",
                                           "\"%1\" is a folder, not a video or sound file.")
            .arg(path);
    // Opening a pipe or a device could wait for a writer: only a plain file
    // is opened to learn the system's reason.
    QString reason;
    if (info.isFile()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
    } else if (!info.isReadable()) {
        reason = QCoreApplication::translate("SourceFileRules", "no permission to read it");
    }
    if (reason.isEmpty())
        return std::nullopt;
    return QCoreApplication::translate("SourceFileRules", "\"%1\" cannot be read: %2.")
        .arg(path, reason);
}

QStringList FileFilter::patternList() const
{
    return patterns;
}

QString FileFilter::dialogFilter() const
{
    return QCoreApplication::translate("FileFilter", description) + QStringLiteral(" (") +
           patternList().join(QLatin1Char(' ')) + QLatin1Char(')');
}

const std::vector<FileFilter> &openDialogFilters()
{
    static const std::vector<FileFilter> filters = {
        {QT_TRANSLATE_NOOP("FileFilter", "All supported media files"), allMediaPatterns()},
        {QT_TRANSLATE_NOOP("FileFilter",
                           "Windows Media files (*.avi;*.wmv;*.wma;*.asf;*.ms-dvr;*.dvr-ms)"),
         patterns({"*.avi", "*.wmv", "*.wma", "*.asf", "*.ms-dvr", "*.dvr-ms"})},
        {QT_TRANSLATE_NOOP(
             "FileFilter",
             "Mov/MP4 Files (*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4)"),
         patterns(
             {"*.mov", "*.mp4", "*.3gp", "*.3g2", "*.m4v", "*.qt", "*.3gp2", "*.3gpp", "*.mpeg4"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Real Media Files (*.rm;*.rmvb;*.rv)"),
         patterns({"*.rm", "*.rmvb", "*.rv"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Flash Video files (*.flv;*.f4v)"),
         patterns({"*.flv", "*.f4v"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Matroska Video files (*.mkv)"), patterns({"*.mkv"})},
        {QT_TRANSLATE_NOOP("FileFilter", "AviSynth Scripts (*.avs)"), patterns({"*.avs"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Sony High Definition Video File (*.m2ts;*.mts;*.tod)"),
         patterns({"*.m2ts", "*.mts", "*.tod"})},
        {QT_TRANSLATE_NOOP("FileFilter",
                           "MPEG-1 Video File (*.m1v;*.mpe;*.mpg;*.mpeg;*.mpv;*.dat;*.mpeg1)"),
         patterns({"*.m1v", "*.mpe", "*.mpg", "*.mpeg", "*.mpv", "*.dat", "*.mpeg1"})},
        {QT_TRANSLATE_NOOP(
             "FileFilter",
             "MPEG-2 Video File (*.m2v;*.mpe;*.mpg;*.mpeg;*.mpv;*.vob;*.mpeg2;*.m2p;*.mod)"),
         patterns({"*.m2v", "*.mpe", "*.mpg", "*.mpeg", "*.vob", "*.mpeg2", "*.m2p", "*.mod"})},
        {QT_TRANSLATE_NOOP("FileFilter", "MPEG Transport Stream Files (*.ts;*.tp;*.m2t)"),
         patterns({"*.ts", "*.tp", "*.m2t"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Divx Video File (*.divx)"), patterns({"*.divx"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Ogg Media File (*.ogm;*.ogv;*.ogg)"),
         patterns({"*.ogm", "*.ogv", "*.ogg"})},
        {QT_TRANSLATE_NOOP("FileFilter", "DVD-VR Video File(*.vro)"), patterns({"*.vro"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Nullsoft Stream Video Files (*.nsv)"),
         patterns({"*.nsv"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Other Video File(*.dr;*.amv)"),
         patterns({"*.dr", "*.amv"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Camera and phone video (*.mts;*.m2ts;*.ts;*.dv;*.mod;"
                                         "*.tod;*.mov;*.mp4;*.m4v;*.3gp;*.mxf)"),
         patterns({"*.mts", "*.m2ts", "*.ts", "*.dv", "*.mod", "*.tod", "*.mov", "*.mp4", "*.m4v",
                   "*.3gp", "*.mxf"})},
        {QT_TRANSLATE_NOOP("FileFilter", "WebM Video files (*.webm)"), patterns({"*.webm"})},
        {QT_TRANSLATE_NOOP("FileFilter", "Sound files (*.mp3;*.m4a;*.m4b;*.aac;*.ac3;*.wav;*.flac;"
                                         "*.opus;*.ogg;*.oga;*.mka;*.wma)"),
         patterns({"*.mp3", "*.m4a", "*.m4b", "*.aac", "*.ac3", "*.wav", "*.flac", "*.opus",
                   "*.ogg", "*.oga", "*.mka", "*.wma"})},
        {QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"), patterns({"*"})},
    };
    return filters;
}

QStringList ChosenFiles::paths() const
{
    QStringList out;
    for (const QString &name : names)
        out << folder + name;
    return out;
}

ChosenFiles splitChosenFiles(const QStringList &selectedPaths)
{
    ChosenFiles chosen;
    if (selectedPaths.isEmpty())
        return chosen; // cancelled: nothing to add
    const QFileInfo first(selectedPaths.constFirst());
    chosen.folder = QDir::toNativeSeparators(first.absolutePath());
    if (!chosen.folder.endsWith(QDir::separator()))
        chosen.folder += QDir::separator();
    for (const QString &path : selectedPaths)
        chosen.names << QFileInfo(path).fileName();
    return chosen;
}

const std::vector<MediaType> &mediaTypes()
{
    return kMediaTypes;
}

bool isAcceptedMediaFile(const QString &path)
{
    const QString extension = QFileInfo(path).suffix();
    return std::any_of(kMediaTypes.cbegin(), kMediaTypes.cend(), [&](const MediaType &type) {
        return extension.compare(QLatin1String(type.extension), Qt::CaseInsensitive) == 0;
    });
}

FileSorting sortAddedFiles(const QStringList &paths)
{
    FileSorting sorting;
    QStringList otherTypes;
    QStringList unusable;
    for (const QString &path : paths) {
        if (!isAcceptedMediaFile(path))
            otherTypes << path;
        else if (const std::optional<QString> reason = unusableSourceReason(path))
            unusable << *reason;
        else
            sorting.accepted << path;
    }
    QStringList parts;
    if (!otherTypes.isEmpty())
        parts << QCoreApplication::translate("SourceFileRules", "Only Video files are allowed!") +
                     QLatin1Char('\n') +
                     QCoreApplication::translate("SourceFileRules", "Not added:") +
                     QLatin1Char('\n') + otherTypes.join(QLatin1Char('\n'));
    parts += unusable;
    sorting.refusal = parts.join(QStringLiteral("\n\n"));
    sorting.unusableNames = !unusable.isEmpty();
    return sorting;
}

} // namespace vantrel
