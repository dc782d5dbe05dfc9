#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace vantrel {

// The option set of the batch, as texts exactly as the option sheet shows them.
struct ConversionOptions
{
    QString videoCodec;
    QString videoSize;
    QString videoBitrate;
    QString videoFramerate;
    QString aspectRatio;
    QString audioCodec;
    QString audioBitrate;
    QString sampleRate;
    QString audioChannel;
    QString disableAudio;
    // Today's entries: the size the file must fit under, and the loudness
    // its sound is brought to (see OutputTargets).
    QString fitSize;
    QString loudness;
    // Which sounds and subtitles a conversion keeps ("Best one", "None").
    QString soundTracks;
    QString subtitles;
    // Whether an HDR picture stays HDR in 10 bits ("Keep (10-bit)") or
    // becomes standard range ("Standard range (8-bit)").
    QString hdr;
    // The preferred languages, from the preferences (or the command line),
    // not the sheet: ISO 639-2 codes, "eng,deu", first preferred first.
    QString languages;
};

// Where each option lives in the option sheet.
struct OptionField
{
    const char *category;
    const char *item;
    QString ConversionOptions::*field;
};

const std::vector<OptionField> &conversionOptionFields();

// Reads the options through a lookup by (category caption, item caption).
using OptionLookup = std::function<QString(const QString &category, const QString &item)>;
ConversionOptions readConversionOptions(const OptionLookup &lookup);

} // namespace vantrel
