#pragma once

#include <vector>

namespace vantrel {

// The body layouts of the encoder command; which one a profile uses is given
// by the profile command table.
enum class Shape
{
    A,
    A2,
    B,
    B2,
    C,
    D,
    E,
    F,
    G
};

// The command template of a shape. Placeholders in braces stand for values:
// {F}, {M}, {A} are the profile's fragments, {OUT} the quoted output path, the
// others the option values of the job.
const char *shapeTemplate(Shape shape);

// Shapes that convert only the sound, and the whole source: the clip times
// are not sent.
bool isAudioOnlyShape(Shape shape);
const char *headTemplate();
const char *tailTemplate();

struct EntryRange
{
    int first;
    int last;
};

// One row of the profile command table: the entries it covers, their shape
// and the literal fragments spliced into it (null where the shape has none).
struct ProfileCommandRow
{
    std::vector<EntryRange> entries;
    Shape shape;
    const char *fragmentF;
    const char *fragmentM;
    const char *fragmentA;
};

const std::vector<ProfileCommandRow> &profileCommandTable();
// The row that covers entry number `entry`, or null.
const ProfileCommandRow *profileCommandRow(int entry);

} // namespace vantrel
