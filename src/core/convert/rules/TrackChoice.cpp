#include "core/convert/rules/TrackChoice.h"

#include "core/convert/command/CodecMapping.h"
#include "core/convert/rules/TrackRoles.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TrackChoice", text);
}

using Kind = StreamFacts::Kind;
using Streams = QList<const StreamFacts *>;

// ISO 639-2 names some languages twice: the bibliographic code that
// Matroska files mostly carry, and the terminological one.
const char *const kSameLanguages[][2] = {
    {"alb", "sqi"}, {"arm", "hye"}, {"baq", "eus"}, {"bur", "mya"}, {"chi", "zho"},
    {"cze", "ces"}, {"dut", "nld"}, {"fre", "fra"}, {"geo", "kat"}, {"ger", "deu"},
    {"gre", "ell"}, {"ice", "isl"}, {"mac", "mkd"}, {"mao", "mri"}, {"may", "msa"},
    {"per", "fas"}, {"rum", "ron"}, {"slo", "slk"}, {"tib", "bod"}, {"wel", "cym"},
};

// Subtitles FFmpeg reads as text, which MP4 and WebM hold once converted.
const char *const kTextSubtitles[] = {"subrip",  "srt",  "ass",       "ssa",        "mov_text",
                                      "webvtt",  "text", "subviewer", "subviewer1", "microdvd",
                                      "mpl2",    "pjs",  "realtext",  "sami",       "jacosub",
                                      "vplayer", "stl"};
const char *const kPictureSubtitles[] = {"dvd_subtitle", "hdmv_pgs_subtitle", "dvb_subtitle",
                                         "xsub"};

template <std::size_t N> bool listed(const char *const (&names)[N], const QString &codec)
{
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char *name) { return codec == QLatin1String(name); });
}

QString describe(const StreamFacts &s)
{
    QStringList parts;
    parts << (s.language.isEmpty() ? tr("no language") : s.language);
    if (s.kind == Kind::Audio && s.channels > 0)
        parts << tr("%1 ch").arg(s.channels);
    if (!s.title.isEmpty())
        parts << QLatin1Char('"') + s.title + QLatin1Char('"');
    return tr("Stream %1 (%2)").arg(s.index).arg(parts.join(QStringLiteral(", ")));
}

bool inLanguages(const StreamFacts &s, const QStringList &languages)
{
    return std::any_of(languages.cbegin(), languages.cend(),
                       [&](const QString &l) { return sameLanguage(s.language, l); });
}

// The sound with the most channels, the first of equals.
const StreamFacts *fullest(const Streams &sounds)
{
    const auto most = std::max_element(
        sounds.cbegin(), sounds.cend(),
        [](const StreamFacts *a, const StreamFacts *b) { return a->channels < b->channels; });
    return most == sounds.cend() ? nullptr : *most;
}

bool isForced(const StreamFacts &s)
{
    static const QRegularExpression forced(QStringLiteral("\\bforced\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    return s.disposition.forced || forced.match(s.title).hasMatch();
}

class Chooser
{
public:
    Chooser(const SourceFacts &facts, const ConversionJob &job, bool soundOnly)
        : m_facts(facts), m_job(job), m_soundOnly(soundOnly),
          m_languages(job.options.languages().ok() ? *job.options.languages() : QStringList())
    {
        for (const StreamFacts &s : facts.streams) {
            if (s.coverPicture || facts.unusableReason(s))
                continue; // the stream rules name unusable streams
            if (s.kind == Kind::Audio)
                m_sounds << &s;
            else if (s.kind == Kind::Subtitle)
                m_subtitles << &s;
        }
    }

    TrackChoice choose()
    {
        const SoundTracks soundRule =
            m_job.options.soundTracks().ok() ? *m_job.options.soundTracks() : SoundTracks::Best;
        const SubtitleTracks subtitleRule = m_job.options.subtitleTracks().ok()
                                                ? *m_job.options.subtitleTracks()
                                                : SubtitleTracks::None;
        Streams sounds;
        if (m_job.options.soundWanted())
            sounds = m_job.tracks ? picked(m_sounds) : soundsBy(soundRule);
        sounds = withDefaultFirst(sounds);
        if (m_soundOnly && sounds.size() > 1) {
            m_choice.notes
                << tr("%1 was kept: a sound file holds one sound.").arg(describe(*sounds.front()));
            sounds = sounds.mid(0, 1);
        }
        for (const StreamFacts *s : std::as_const(sounds))
            m_choice.sounds << KeptSound{s, copies(*s)};
        if (!m_soundOnly) {
            if (m_job.tracks)
                keepSubtitles(picked(m_subtitles));
            else
                keepSubtitles(subtitlesBy(subtitleRule, sounds));
        }
        for (const KeptSound &kept : std::as_const(m_choice.sounds)) {
            if (kept.copied)
                m_choice.notes << tr("%1 was copied as it is: it already is what the profile "
                                     "writes.")
                                      .arg(describe(*kept.stream));
        }
        m_choice.asBuilt = !m_job.tracks && soundRule == SoundTracks::Best &&
                           m_choice.subtitles.isEmpty() && !m_choice.burned &&
                           std::none_of(m_choice.sounds.cbegin(), m_choice.sounds.cend(),
                                        [](const KeptSound &k) { return k.copied; });
        if (!m_choice.asBuilt)
            m_choice.notes.prepend(summary());
        return m_choice;
    }

private:
    // "Kept: sounds eng 6 ch (plays first), fre 2 ch; subtitles eng, fre (forced)."
    QString summary() const
    {
        const auto named = [](const StreamFacts &t) {
            QString name = t.language.isEmpty() ? tr("no language") : t.language;
            if (t.kind == Kind::Audio && t.channels > 0)
                name += QLatin1Char(' ') + tr("%1 ch").arg(t.channels);
            if (t.disposition.forced)
                name += QLatin1Char(' ') + tr("(forced)");
            return name;
        };
        QStringList sounds;
        for (const KeptSound &k : m_choice.sounds)
            sounds << named(*k.stream);
        if (sounds.size() > 1)
            sounds.front() += QLatin1Char(' ') + tr("(plays first)");
        QStringList subtitles;
        for (const KeptSubtitle &k : m_choice.subtitles)
            subtitles << named(*k.stream);
        QStringList parts;
        parts << (sounds.isEmpty() ? tr("no sound")
                                   : tr("sounds %1").arg(sounds.join(QStringLiteral(", "))));
        parts << (subtitles.isEmpty()
                      ? tr("no subtitles")
                      : tr("subtitles %1").arg(subtitles.join(QStringLiteral(", "))));
        return tr("Kept: %1.").arg(parts.join(QStringLiteral("; ")));
    }

    // The row's own choice, in the source's order.
    Streams picked(const Streams &of) const
    {
        Streams kept;
        for (const StreamFacts *s : of) {
            if (m_job.tracks->kept.contains(s->index))
                kept << s;
        }
        return kept;
    }

    Streams soundsBy(SoundTracks rule)
    {
        Streams kept;
        Streams main;
        std::copy_if(m_sounds.cbegin(), m_sounds.cend(), std::back_inserter(main),
                     [](const StreamFacts *s) { return isMainTrack(*s); });
        switch (rule) {
        case SoundTracks::Best:
            if (const StreamFacts *best = m_facts.sound())
                kept << best;
            return kept; // the others are left out as they always were
        case SoundTracks::Languages:
            for (const QString &language : std::as_const(m_languages)) {
                Streams ofLanguage;
                std::copy_if(
                    main.cbegin(), main.cend(), std::back_inserter(ofLanguage),
                    [&](const StreamFacts *s) { return sameLanguage(s->language, language); });
                if (const StreamFacts *best = fullest(ofLanguage); best && !kept.contains(best))
                    kept << best;
            }
            if (kept.isEmpty() && !m_sounds.isEmpty()) {
                const auto original =
                    std::find_if(main.cbegin(), main.cend(),
                                 [](const StreamFacts *s) { return s->disposition.original; });
                const StreamFacts *fallback = original != main.cend() ? *original
                                              : !main.isEmpty()       ? main.front()
                                                                      : m_sounds.front();
                kept << fallback;
                m_choice.notes << tr("No sound is in the preferred languages (%1): %2 was kept.")
                                      .arg(m_languages.isEmpty()
                                               ? tr("none are set")
                                               : m_languages.join(QStringLiteral(", ")),
                                           describe(*fallback));
            }
            break;
        case SoundTracks::Main:
            kept = main;
            if (kept.isEmpty() && !m_sounds.isEmpty()) {
                kept << m_sounds.front();
                m_choice.notes << tr("The source has no main sound: %1 was kept.")
                                      .arg(describe(*m_sounds.front()));
            }
            break;
        case SoundTracks::All:
            kept = m_sounds;
            break;
        }
        for (const StreamFacts *s : std::as_const(m_sounds)) {
            if (!kept.contains(s))
                m_choice.notes << leftOutWhy(*s, kept, rule == SoundTracks::Languages);
        }
        return kept;
    }

    QString leftOutWhy(const StreamFacts &s, const Streams &kept, bool byLanguage) const
    {
        const TrackRole role = trackRole(s);
        QString why;
        if (role != TrackRole::Main)
            why = trackRolePhrase(role);
        else if (byLanguage && !inLanguages(s, m_languages))
            why = tr("not in the preferred languages");
        else if (std::any_of(kept.cbegin(), kept.cend(), [&](const StreamFacts *k) {
                     return sameLanguage(k->language, s.language);
                 }))
            why = tr("another sound of its language was kept");
        else
            why = tr("not asked for");
        return tr("%1 was left out: %2.").arg(describe(s), why);
    }

    // The sound that plays first leads: the row's choice, else the main
    // sound the source marks default, else the first main one.
    Streams withDefaultFirst(Streams sounds) const
    {
        if (sounds.size() < 2)
            return sounds;
        auto lead = sounds.end();
        if (m_job.tracks && m_job.tracks->defaultSound) {
            lead = std::find_if(sounds.begin(), sounds.end(), [&](const StreamFacts *s) {
                return s->index == *m_job.tracks->defaultSound;
            });
        } else if (m_job.options.soundTracks().ok() &&
                   *m_job.options.soundTracks() == SoundTracks::Languages) {
            return sounds; // in the order of the languages
        }
        if (lead == sounds.end())
            lead = std::find_if(sounds.begin(), sounds.end(), [](const StreamFacts *s) {
                return s->disposition.isDefault && isMainTrack(*s);
            });
        if (lead == sounds.end())
            lead = std::find_if(sounds.begin(), sounds.end(),
                                [](const StreamFacts *s) { return isMainTrack(*s); });
        if (lead != sounds.end())
            std::rotate(sounds.begin(), lead, lead + 1);
        return sounds;
    }

    bool copies(const StreamFacts &s) const
    {
        const OptionValues &o = m_job.options;
        const Expected<std::optional<double>> &loudness = o.loudness();
        const Expected<std::optional<qint64>> &limit = o.sizeLimit();
        if (!loudness || loudness->has_value() || !limit || limit->has_value())
            return false; // the sound is measured and filtered, or its share of a size is set
        const std::optional<QString> encoder = todayAudioEncoder(o.audioCodec());
        if (!encoder)
            return false;
        // The decoder's name of what the encoder writes: "libopus" writes "opus".
        const QString codec =
            encoder->startsWith(QLatin1String("lib")) ? encoder->mid(3) : *encoder;
        if (s.codec != codec || (o.channels() && *o.channels() != s.channels) ||
            (o.sampleRate() && *o.sampleRate() != s.sampleRate))
            return false;
        if (!o.soundKbps())
            return true; // a lossless sound has no rate to keep under
        return s.bitsPerSecond && *s.bitsPerSecond <= qint64(*o.soundKbps()) * 1000;
    }

    Streams subtitlesBy(SubtitleTracks rule, const Streams &sounds)
    {
        Streams kept;
        switch (rule) {
        case SubtitleTracks::None:
            return kept;
        case SubtitleTracks::Languages:
            for (const StreamFacts *s : std::as_const(m_subtitles)) {
                if (inLanguages(*s, m_languages) && trackRole(*s) != TrackRole::Commentary)
                    kept << s;
                else
                    m_choice.notes
                        << tr("%1 was left out: %2.")
                               .arg(describe(*s), inLanguages(*s, m_languages)
                                                      ? trackRolePhrase(trackRole(*s))
                                                      : tr("not in the preferred languages"));
            }
            return kept;
        case SubtitleTracks::All:
            return m_subtitles;
        case SubtitleTracks::ForcedBurned:
            burnForced(sounds);
            return kept;
        }
        return kept;
    }

    // The forced subtitle of the sound that plays first: the lines spoken
    // in another language, drawn into the picture.
    void burnForced(const Streams &sounds)
    {
        const QString language = sounds.isEmpty() ? QString() : sounds.front()->language;
        Streams forced;
        std::copy_if(m_subtitles.cbegin(), m_subtitles.cend(), std::back_inserter(forced),
                     [](const StreamFacts *s) { return isForced(*s); });
        const auto ofLanguage =
            std::find_if(forced.cbegin(), forced.cend(),
                         [&](const StreamFacts *s) { return sameLanguage(s->language, language); });
        const StreamFacts *burned =
            ofLanguage != forced.cend() ? *ofLanguage
            : forced.size() == 1 && (language.isEmpty() || forced.front()->language.isEmpty())
                ? forced.front()
                : nullptr;
        if (!burned) {
            m_choice.notes << (language.isEmpty() ? tr("No forced subtitle was found to burn in.")
                                                  : tr("No forced subtitle is in the sound's "
                                                       "language (%1): none was burned in.")
                                                        .arg(language));
            return;
        }
        if (!isPictureSubtitle(burned->codec) && !listed(kTextSubtitles, burned->codec)) {
            m_choice.notes << tr("%1 could not be burned in: this FFmpeg cannot draw %2 subtitles.")
                                  .arg(describe(*burned), burned->codec);
            return;
        }
        m_choice.burned = burned;
        m_choice.notes << tr("%1, forced, was burned into the picture.").arg(describe(*burned));
    }

    void keepSubtitles(const Streams &subtitles)
    {
        const bool webm = m_job.outputExtension == QLatin1String(".webm");
        const QString container = webm ? QStringLiteral("WebM") : QStringLiteral("MP4");
        for (const StreamFacts *s : subtitles) {
            if (listed(kTextSubtitles, s->codec)) {
                m_choice.subtitles << KeptSubtitle{s, webm ? QStringLiteral("webvtt")
                                                           : QStringLiteral("mov_text")};
            } else if (isPictureSubtitle(s->codec)) {
                m_choice.notes << tr("%1 was left out: %2 holds only text subtitles, and these "
                                     "are pictures. \"MKV, same streams\" keeps them; \"Forced "
                                     "only, burned in\" draws a forced one into the picture.")
                                      .arg(describe(*s), container);
            } else {
                m_choice.notes << tr("%1 was left out: %2 cannot hold %3 subtitles.")
                                      .arg(describe(*s), container,
                                           s->codec.isEmpty() ? tr("unknown") : s->codec);
            }
        }
    }

    const SourceFacts &m_facts;
    const ConversionJob &m_job;
    bool m_soundOnly;
    QStringList m_languages;
    Streams m_sounds;
    Streams m_subtitles;
    TrackChoice m_choice;
};

} // namespace

bool sameLanguage(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    return std::any_of(std::begin(kSameLanguages), std::end(kSameLanguages), [&](const auto &pair) {
        const QLatin1String bib(pair[0]);
        const QLatin1String term(pair[1]);
        return (a.compare(bib, Qt::CaseInsensitive) == 0 &&
                b.compare(term, Qt::CaseInsensitive) == 0) ||
               (a.compare(term, Qt::CaseInsensitive) == 0 &&
                b.compare(bib, Qt::CaseInsensitive) == 0);
    });
}

bool isPictureSubtitle(const QString &codec)
{
    return listed(kPictureSubtitles, codec);
}

TrackChoice chooseTracks(const SourceFacts &facts, const ConversionJob &job, bool soundOnly)
{
    return Chooser(facts, job, soundOnly).choose();
}

} // namespace vantrel
