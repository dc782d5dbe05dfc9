#pragma once

#include "core/convert/command/RunAdaptation.h"
#include "core/convert/plans/PassPlan.h"
#include "core/convert/rules/ExactStart.h"

namespace vantrel {

// A copy of a clip that starts and ends on the pictures asked for: the
// pictures from the start to the joint, and from the tail to the end, are
// encoded again with the source's codec into transport streams, the picture
// between them is copied into another, the sound, subtitles and attachments
// are copied from the exact start into a piece in the output's container,
// and all are joined
// (FFmpeg's concat reader, each picture stream keeping its parameter sets
// at its key frames) into the row's output. The pieces lie beside the row's
// pass statistics and go with them.
class ExactCutPlan : public PassPlan
{
public:
    ExactCutPlan(PassContext context, ExactStart exact);

    PassStep begin(const EncoderCommand &command) override;
    PassStep next(const PassOutcome &outcome) override;
    EncoderCommand leaves() const override { return m_command; }
    QList<EncoderPass> outline(Outline &at) const override;
    QStringList notes() const override;

    // The list FFmpeg's concat reader takes: the pieces in order.
    static QByteArray concatList(const QStringList &pieces);

private:
    QList<EncoderPass> passes() const;
    // Pictures from `from` to `to` encoded again, decoded from `keyFrame`.
    EncoderPass encodedPass(double keyFrame, double from, double to, const char *name,
                            const QString &title) const;
    // A pass that writes a piece at `path`, with the row's threads.
    EncoderPass piecePass(EncoderCommand command, const QString &path, const QString &title,
                          double weight, double weightAfter) const;
    CommandLine pictureMap() const; // "-map 0:N", the picture alone
    EncoderPass bodyPass() const;
    EncoderPass soundPass() const;
    EncoderPass joinPass() const;
    QStringList keptStreams() const;
    bool encodesHead() const;
    bool copiesABody() const;
    // How many pictures stand from `from` to `to`; none when the picture's
    // rate is not told.
    std::optional<int> pictures(double from, double to) const;
    QString picturesText(double from, double to) const;
    QString piece(const char *name) const;
    // The piece of sound and subtitles, in the output's container.
    QString soundPiece() const;
    // The row command's parts of `roles`, in order.
    QList<CommandPart> partsOf(std::initializer_list<CommandRole> roles) const;

    PassContext m_context;
    ExactStart m_exact;
    RunAdaptation m_kept; // what the copy keeps of the source, and its flags
    EncoderCommand m_command;
    QList<EncoderPass> m_passes;
    int m_at = 0;
};

} // namespace vantrel
