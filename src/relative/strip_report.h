// What the relative orientation prints of its adjustment: the corrections of
// each iteration on BlackBoard, and at the end the summary, the image
// residuals and the station parameters on BlackBoard and the section of the
// report. Every line is a print statement of shell/print.h; the columns and
// digit patterns of each table are written once, as layouts, and the window
// and the report share those they have in common.
#pragma once

#include "relative/strip_adjustment.h"
#include "shell/print.h"

namespace tessaro {

// BlackBoard after one iteration's solution: the corrections of the ground
// points, three points a line, then those of the stations, one line per
// photograph (angles in radians).
void PrintCorrections(PrintDestination& window, const Strip& s,
                      const OneBased<double>& corrections);

// The finished adjustment: the summary and the residuals on the window, the
// section of the report, then the station parameters on the window. Angles
// in degrees; the flagged point of each photograph ends in " *Error*".
void PrintStripResult(PrintDestination& window, PrintDestination& report, const Strip& s,
                      const StripResult& r);

}  // namespace tessaro
