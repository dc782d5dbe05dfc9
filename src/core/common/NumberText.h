#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The numeric value of a text: the number at its start, after leading blanks
// ("2", "2abc" and "  2" all give 2). A text without a leading number gives 0.
double leadingNumber(const QString &text);

// The usual text of a number: "3" for 3, "2.5" for 2.5, "-1" for -1.
QString numberText(double value);

// A size for people: "16 GB", "1.5 MB", "800 kB", "12 bytes" (units of 1024,
// one decimal at most).
QString byteSizeText(qint64 bytes);

// Rounds to the nearest whole number; halves go to the even neighbour.
double roundHalfEven(double value);

// Reads a whole text as a number and converts it to a 16-bit signed integer,
// rounding half to even ("12.2" gives 12). Empty, non-numeric or out-of-range
// texts give no value.
std::optional<qint16> toInt16(const QString &text);

} // namespace vantrel
