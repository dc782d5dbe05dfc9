#pragma once

#include "core/convert/command/RunAdaptation.h"
#include "core/records/ConversionJob.h"
#include "core/tools/SourceFacts.h"

namespace vantrel {

// Whether `job` keeps an HDR picture HDR: its entry writes 10 bits with HDR
// signalling (H.265, AV1, VP9) and its "HDR" item says "Keep (10-bit)".
bool keepsHdr(const ConversionJob &job);

// An HDR picture (PQ or HLG) as `job` writes it: kept, in 10 bits with the
// source's primaries, transfer and matrix and, for PQ, its mastering display
// and content light levels as the source tells them (none invented), or
// tone-mapped to standard range. Dolby Vision keeps its HDR10 or HLG base
// layer; profile 5, which has none, is tone-mapped. An SDR picture is left
// to the other rules.
RunAdaptation hdrPicture(const SourceFacts &facts, const ConversionJob &job);

// An HDR picture (PQ or HLG) becomes BT.709 SDR for 8-bit players.
RunAdaptation toneMapping(const SourceFacts &facts);

// x265's "master-display" of a mastering display: G(x,y)B(x,y)R(x,y)WP(x,y)
// in 0.00002 and L(max,min) in 0.0001 cd/m².
QString x265MasteringDisplay(const StreamFacts::MasteringDisplay &m);
// SVT-AV1's: the same order, as decimals.
QString svtMasteringDisplay(const StreamFacts::MasteringDisplay &m);

} // namespace vantrel
