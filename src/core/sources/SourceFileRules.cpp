#include "core/sources/SourceFileRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantrel {

namespace {

// The endings a drop accepts. Fewer than the dialog offers: a dropped .m4v,
// .vob, .ts or .ogg is refused.
constexpr const char *kDropEndings[] = {"AVI", "MPG",  "WMV", "FLV", "ASF", "MOV", "QT",  "MPEG",
                                        "RM",  "RMVB", "MP4", "3GP", "3G2", "SWF", "MKV", "DIVX"};

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
    QStringList list;
    for (const char *pattern : patterns)
        list << QString::fromLatin1(pattern);
    return list;
}

QString FileFilter::dialogFilter() const
{
    return QCoreApplication::translate("FileFilter", description) + QStringLiteral(" (") +
           patternList().join(QLatin1Char(' ')) + QLatin1Char(')');
}

const std::vector<FileFilter> &openDialogFilters()
{
    static const std::vector<FileFilter> filters = {
        {QT_TRANSLATE_NOOP("FileFilter", "All supported media files"),
         {"*.avi",    "*.wmv",  "*.wma",  "*.asf",  "*.mov",  "*.mp4",   "*.3gp", "*.3g2",
          "*.rm",     "*.rmvb", "*.flv",  "*.mkv",  "*.m2ts", "*.m1v",   "*.mpe", "*.mpg",
          "*.mpeg",   "*.m2v",  "*.divx", "*.ogm",  "*.vro",  "*.dr",    "*.amv", "*.ms-dvr",
          "*.dvr-ms", "*.m4v",  "*.qt",   "*.3gp2", "*.3gpp", "*.mpeg4", "*.rv",  "*.f4v",
          "*.avs",    "*.mts",  "*.tod",  "*.mpv",  "*.dat",  "*.mpeg1", "*.vob", "*.mpeg2",
          "*.m2p",    "*.mod",  "*.ts",   "*.tp",   "*.m2t",  "*.ogv",   "*.ogg", "*.nsv"}},
        {QT_TRANSLATE_NOOP("FileFilter",
                           "Windows Media files (*.avi;*.wmv;*.wma;*.asf;*.ms-dvr;*.dvr-ms)"),
         {"*.avi", "*.wmv", "*.wma", "*.asf", "*.ms-dvr", "*.dvr-ms"}},
        {QT_TRANSLATE_NOOP(
             "FileFilter",
             "Mov/MP4 Files (*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4)"),
         {"*.mov", "*.mp4", "*.3gp", "*.3g2", "*.m4v", "*.qt", "*.3gp2", "*.3gpp", "*.mpeg4"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Real Media Files (*.rm;*.rmvb;*.rv)"),
         {"*.rm", "*.rmvb", "*.rv"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Flash Video files (*.flv;*.f4v)"), {"*.flv", "*.f4v"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Matroska Video files (*.mkv)"), {"*.mkv"}},
        {QT_TRANSLATE_NOOP("FileFilter", "AviSynth Scripts (*.avs)"), {"*.avs"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Sony High Definition Video File (*.m2ts;*.mts;*.tod)"),
         {"*.m2ts", "*.mts", "*.tod"}},
        {QT_TRANSLATE_NOOP("FileFilter",
                           "MPEG-1 Video File (*.m1v;*.mpe;*.mpg;*.mpeg;*.mpv;*.dat;*.mpeg1)"),
         {"*.m1v", "*.mpe", "*.mpg", "*.mpeg", "*.mpv", "*.dat", "*.mpeg1"}},
        {QT_TRANSLATE_NOOP(
             "FileFilter",
             "MPEG-2 Video File (*.m2v;*.mpe;*.mpg;*.mpeg;*.mpv;*.vob;*.mpeg2;*.m2p;*.mod)"),
         {"*.m2v", "*.mpe", "*.mpg", "*.mpeg", "*.vob", "*.mpeg2", "*.m2p", "*.mod"}},
        {QT_TRANSLATE_NOOP("FileFilter", "MPEG Transport Stream Files (*.ts;*.tp;*.m2t)"),
         {"*.ts", "*.tp", "*.m2t"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Divx Video File (*.divx)"), {"*.divx"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Ogg Media File (*.ogm;*.ogv;*.ogg)"),
         {"*.ogm", "*.ogv", "*.ogg"}},
        {QT_TRANSLATE_NOOP("FileFilter", "DVD-VR Video File(*.vro)"), {"*.vro"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Nullsoft Stream Video Files (*.nsv)"), {"*.nsv"}},
        {QT_TRANSLATE_NOOP("FileFilter", "Other Video File(*.dr;*.amv)"), {"*.dr", "*.amv"}},
        {QT_TRANSLATE_NOOP("FileFilter", "All files (*.*)"), {"*"}},
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

bool isDropAccepted(const QString &path)
{
    for (const char *ending : kDropEndings) {
        if (path.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace vantrel
