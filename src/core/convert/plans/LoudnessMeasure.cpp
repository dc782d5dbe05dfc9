#include "core/convert/plans/LoudnessMeasure.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace vantrel {

QList<LoudnessMeasure> parseLoudnessSummaries(const QString &messages)
{
    // "[Parsed_ebur128_0 @ 0x...] Summary:\n\n  Integrated loudness:\n    I: -21.8 LUFS\n
    //  Threshold: -31.8 LUFS\n\n  Loudness range:\n    LRA: 0.0 LU\n ...  True peak:\n
    //  Peak: -18.1 dBFS"
    static const QRegularExpression kSummary(QStringLiteral(
        "Parsed_ebur128_(\\d+) @ [^\\]]*\\] Summary:\\s+Integrated loudness:\\s+I:\\s+(\\S+) "
        "LUFS\\s+Threshold:\\s+(\\S+) LUFS\\s+"
        "Loudness range:\\s+LRA:\\s+(\\S+) LU\\b(?:[^\\[]*?True peak:\\s+Peak:\\s+(\\S+) dBFS)?"));
    const auto value = [](const QString &text, bool *ok) {
        if (text == QLatin1String("-inf")) {
            *ok = true;
            return -std::numeric_limits<double>::infinity();
        }
        return text.toDouble(ok);
    };
    std::vector<std::pair<int, LoudnessMeasure>> found; // by the meter's place
    QRegularExpressionMatchIterator matches = kSummary.globalMatch(messages);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        bool ok[4] = {true, true, true, true};
        LoudnessMeasure measure;
        measure.integrated = value(match.captured(2), &ok[0]);
        measure.threshold = value(match.captured(3), &ok[1]);
        measure.range = value(match.captured(4), &ok[2]);
        measure.truePeak = match.captured(5).isEmpty() ? -std::numeric_limits<double>::infinity()
                                                       : value(match.captured(5), &ok[3]);
        if (ok[0] && ok[1] && ok[2] && ok[3])
            found.emplace_back(match.captured(1).toInt(), measure);
    }
    // The meters sum up as the chain ends, in no set order.
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<LoudnessMeasure> summaries;
    for (const auto &[place, measure] : found)
        summaries << measure;
    return summaries;
}

} // namespace vantrel
