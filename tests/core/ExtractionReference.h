// The outline extraction written out plainly, step by step, as the yardstick
// for COutlineExtractor: the chain scan restarts from the first polyline
// after every join, every new outline tests every polyline, every outline
// tests every other one, and nothing is cached. It shares no code with the
// extractor except the geometry primitives, so that the two only agree when
// both follow the same rules.
//
// Two rules differ from the first description, in both implementations:
// a line running across both ends of a chain closes it instead of counting
// as a retrace, and outline areas are exact rather than float sums (so a
// 200 x 200 square is no larger than the 0.04 limit).
//
// Slow by design (quadratic and worse); meant for small test drawings and
// for the benchmark's comparison.
#pragma once

#include "plotlib/Polyline.h"

namespace extraction_reference {

// Gives `pen` to the polylines of every outer outline of `drawing`. Returns
// the number of closed outlines left after the area filter.
int ExtractOutlines(CPolylineIArray& drawing, int pen);

} // namespace extraction_reference
