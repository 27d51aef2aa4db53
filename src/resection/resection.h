// Space resection: the exterior orientation of one photograph (Xo, Yo, Zo,
// Omega, Phi, Kappa) adjusted from control points by iterated weighted least
// squares on the collinearity equations.
//
// ReadResectionInput reads the whole file from channel 1 into the module's
// data, echoing every record to the report. Resection(mode) does everything
// after: mode 1 prepares (matches the image records to control, turns the
// angles into radians), the others are the five commands of Form1. Every
// mode first needs the data entered (ReadyFlag(2)).
#pragma once

#include <functional>

#include "resection/adjustment.h"

namespace tessaro {

class Console;

// Reads title, header, control points, station record and image points from
// channel 1 (control and image lists end with a record numbered 0, which is
// echoed and stored too), closes channel 1 and sets ReadyFlag(2). An
// unreadable field raises InputError, which the console shows.
void ReadResectionInput(Console& c);

// Runs one mode of the resection (kPrepareResection ... kMakeResection of
// shell/commands.h); unknown modes do nothing.
//
// observe, when given, is told of "Make Resection" after every iteration,
// before it is shown: what the adjustment works from and its result so far.
using ResectionObserver = std::function<void(Console& c, const ResectionObservations& observations,
                                             const ResectionResult& result)>;
void Resection(Console& c, int mode, const ResectionObserver& observe = {});

}  // namespace tessaro
