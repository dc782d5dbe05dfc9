#include "core/convert/rules/HdrRules.h"

#include <QCoreApplication>

#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SourceAdaptation", text);
}

// How each entry that can keep HDR writes it: its encoder's parameter
// option, its 10-bit profile.
struct HdrCodec
{
    const char *codec; // the sheet's label
    const char *paramsOption;
    const char *profile; // "-profile:v" value; empty: the encoder's own
};

constexpr HdrCodec kHdrCodecs[] = {
    {"H.265", "-x265-params", "main10"},
    {"AV1", "-svtav1-params", ""},
    {"VP9", "", "2"},
};

const HdrCodec *hdrCodec(const QString &label)
{
    for (const HdrCodec &c : kHdrCodecs) {
        if (label == QLatin1String(c.codec))
            return &c;
    }
    return nullptr;
}

QString scaled(double value, double unit)
{
    return QString::number(std::llround(value / unit));
}

QString decimal(double value)
{
    return QString::number(value, 'f', 4);
}

// The tags the output is written with: the source's, BT.2020 where it
// tells none.
QString told(const QString &tag, const char *otherwise)
{
    return tag.isEmpty() || tag == QLatin1String("unknown") ? QString::fromLatin1(otherwise) : tag;
}

// zscale's names for the colour tags it reads; another tag is read as BT.2020,
// which HDR pictures use.
QString toneMapInput(const QString &told, const QStringList &known, const char *otherwise)
{
    return known.contains(told) ? told : QString::fromLatin1(otherwise);
}

} // namespace

RunAdaptation toneMapping(const SourceFacts &facts)
{
    const SourceFacts::Range range = facts.range();
    if (range == SourceFacts::Range::Standard)
        return {};
    const StreamFacts &p = *facts.picture();
    const QString primaries = toneMapInput(p.colourPrimaries,
                                           {QStringLiteral("bt709"), QStringLiteral("bt2020"),
                                            QStringLiteral("smpte170m"), QStringLiteral("bt470bg"),
                                            QStringLiteral("smpte431"), QStringLiteral("smpte432")},
                                           "bt2020");
    const QString matrix = toneMapInput(p.colourMatrix,
                                        {QStringLiteral("bt709"), QStringLiteral("bt2020nc"),
                                         QStringLiteral("bt2020c"), QStringLiteral("smpte170m"),
                                         QStringLiteral("bt470bg")},
                                        "bt2020nc");
    RunAdaptation a;
    // Into linear light, to BT.709's colours, the highlights rolled off
    // (mobius keeps what a standard screen can show as it is), and back.
    a.filtersBefore << QStringLiteral("zscale=tin=%1:pin=%2:min=%3:t=linear:npl=100,"
                                      "format=gbrpf32le,zscale=p=bt709,"
                                      "tonemap=tonemap=mobius:desat=0,"
                                      "zscale=t=bt709:m=bt709:r=tv,format=yuv420p")
                           .arg(p.colourTransfer, primaries, matrix);
    a.outputOptions << QStringLiteral("-colorspace") << QStringLiteral("bt709")
                    << QStringLiteral("-color_primaries") << QStringLiteral("bt709")
                    << QStringLiteral("-color_trc") << QStringLiteral("bt709");
    a.notes << (range == SourceFacts::Range::Hlg
                    ? tr("The HDR picture (HLG) was tone-mapped to standard range (BT.709), "
                         "as 8-bit players show it.")
                    : tr("The HDR picture (PQ, HDR10) was tone-mapped to standard range "
                         "(BT.709), as 8-bit players show it."));
    return a;
}

QString x265MasteringDisplay(const StreamFacts::MasteringDisplay &m)
{
    const double c = 0.00002;
    return QStringLiteral("G(%1,%2)B(%3,%4)R(%5,%6)WP(%7,%8)L(%9,%10)")
        .arg(scaled(m.greenX, c), scaled(m.greenY, c), scaled(m.blueX, c), scaled(m.blueY, c),
             scaled(m.redX, c), scaled(m.redY, c), scaled(m.whiteX, c), scaled(m.whiteY, c),
             scaled(m.maxLuminance, 0.0001))
        .arg(scaled(m.minLuminance, 0.0001));
}

QString svtMasteringDisplay(const StreamFacts::MasteringDisplay &m)
{
    return QStringLiteral("G(%1,%2)B(%3,%4)R(%5,%6)WP(%7,%8)L(%9,%10)")
        .arg(decimal(m.greenX), decimal(m.greenY), decimal(m.blueX), decimal(m.blueY),
             decimal(m.redX), decimal(m.redY), decimal(m.whiteX), decimal(m.whiteY),
             decimal(m.maxLuminance))
        .arg(decimal(m.minLuminance));
}

bool keepsHdr(const ConversionJob &job)
{
    return job.options.keepsHdr() && hdrCodec(job.options.videoCodec());
}

RunAdaptation hdrPicture(const SourceFacts &facts, const ConversionJob &job)
{
    const SourceFacts::Range range = facts.range();
    if (range == SourceFacts::Range::Standard)
        return {};
    const StreamFacts &p = *facts.picture();
    // Profile 5 holds no picture another player can show: only its Dolby
    // Vision metadata, which this FFmpeg cannot carry on, makes it right.
    if (p.dolbyVisionProfile == 5) {
        RunAdaptation a = toneMapping(facts);
        a.notes.prepend(tr("The picture is Dolby Vision profile 5, whose colours only a Dolby "
                           "Vision player shows right: it was tone-mapped to standard range."));
        return a;
    }
    if (!keepsHdr(job))
        return toneMapping(facts);
    const HdrCodec &codec = *hdrCodec(job.options.videoCodec());
    const bool pq = range == SourceFacts::Range::Pq;
    const QString primaries = told(p.colourPrimaries, "bt2020");
    const QString transfer = pq ? QStringLiteral("smpte2084") : QStringLiteral("arib-std-b67");
    const QString matrix = told(p.colourMatrix, "bt2020nc");
    RunAdaptation a;
    a.pixelFormat = QStringLiteral("yuv420p10le");
    a.outputOptions << QStringLiteral("-color_primaries") << primaries
                    << QStringLiteral("-color_trc") << transfer << QStringLiteral("-colorspace")
                    << matrix;
    if (*codec.profile)
        a.outputOptions << QStringLiteral("-profile:v") << QLatin1String(codec.profile);
    // Only PQ has static metadata, and only what the source tells is written.
    const std::optional<StreamFacts::MasteringDisplay> &display =
        pq ? p.masteringDisplay : std::nullopt;
    const std::optional<StreamFacts::ContentLight> &light = pq ? p.contentLight : std::nullopt;
    QStringList params;
    if (QLatin1String(codec.paramsOption) == QLatin1String("-x265-params")) {
        params << QStringLiteral("colorprim=") + primaries << QStringLiteral("transfer=") + transfer
               << QStringLiteral("colormatrix=") + matrix;
        if (display || light)
            params << QStringLiteral("hdr10=1") << QStringLiteral("hdr10-opt=1")
                   << QStringLiteral("repeat-headers=1");
        if (display)
            params << QStringLiteral("master-display=") + x265MasteringDisplay(*display);
        if (light)
            params << QStringLiteral("max-cll=%1,%2").arg(light->maxContent).arg(light->maxAverage);
    } else if (*codec.paramsOption) {
        if (display)
            params << QStringLiteral("mastering-display=") + svtMasteringDisplay(*display);
        if (light)
            params << QStringLiteral("content-light=%1,%2")
                          .arg(light->maxContent)
                          .arg(light->maxAverage);
    }
    if (!params.isEmpty())
        a.encoderParams = {QLatin1String(codec.paramsOption), params.join(u':')};
    QString kept = pq ? (display || light ? tr("HDR10 kept (10-bit).")
                                          : tr("HDR (PQ) kept (10-bit); the source tells no "
                                               "mastering display or light levels, so none were "
                                               "written."))
                      : tr("HLG kept (10-bit).");
    if (pq && (display || light) && !*codec.paramsOption)
        kept = tr("HDR (PQ) kept (10-bit); VP9 as this FFmpeg writes it carries no mastering "
                  "display or light levels: H.265 and AV1 keep them.");
    a.notes << kept;
    if (p.dolbyVisionProfile)
        a.notes << tr("The Dolby Vision layer was left out; its %1 base was kept.")
                       .arg(pq ? QStringLiteral("HDR10") : QStringLiteral("HLG"));
    return a;
}

} // namespace vantrel
