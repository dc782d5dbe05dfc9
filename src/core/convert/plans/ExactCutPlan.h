#pragma once

#include "core/convert/plans/PassPlan.h"
#include "core/convert/rules/ExactStart.h"

namespace vantrel {

// A copy of a clip that starts on the picture asked for: the pictures from
// the start to the joint are encoded again with the source's codec into a
// transport stream, the picture from the joint to the end is copied into
// another, the sound, subtitles and attachments are copied from the exact
// start into a Matroska piece, and all are joined (FFmpeg's concat reader,
// each picture stream keeping its parameter sets at its key frames) into
// the row's output. The
// pieces lie beside the row's pass statistics and go with them.
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
    enum class Step
    {
        Head,
        Body,
        Sound,
        Join
    };

    EncoderPass headPass() const;
    EncoderPass bodyPass() const;
    EncoderPass soundPass() const;
    QStringList keptStreams() const;
    EncoderPass joinPass() const;
    // How many pictures stand between the start and the joint; none when
    // the picture's rate is not told.
    std::optional<int> picturesAgain() const;
    bool copiesABody() const { return m_exact.joint < m_exact.end; }
    QString piece(const char *name) const;
    // The row command's parts of `roles`, in order.
    QList<CommandPart> partsOf(std::initializer_list<CommandRole> roles) const;

    PassContext m_context;
    ExactStart m_exact;
    EncoderCommand m_command;
    Step m_step = Step::Head;
};

} // namespace vantrel
