// Relative orientation of a strip: two or more overlapping photographs are
// oriented in a free model system by one simultaneous bundle adjustment.
//
// Photograph 1 is held at the origin with zero angles and photograph 2 keeps
// its base component X = 0.37 * FrameSize (about 60 per cent overlap); all
// other station parameters and every ground point are adjusted, each tied to
// its starting value by a weighted pseudo-observation. Input file (channel 1,
// free format): title; PhotoCount, FrameSize, ImageSigma; then for each
// photograph its number and focal length, its image points (number, x, y,
// reduced to the principal point) and a record "0,0,0".
#pragma once

#include <functional>

#include "relative/strip_adjustment.h"

namespace tessaro {

class Console;

// "Process Relative Orient": reads the file chosen for the relative
// orientation twice from its first character (a counting pass that echoes
// the title to the report, then a storing pass), numbers the ground points,
// refuses too few common points and single points (a strip of one
// photograph that passes these checks has nothing to adjust and is refused
// at its header, as a strip without photographs), iterates the adjustment
// with its figures on BlackBoard and a message per iteration, asks whether to
// change the flight direction when the solution diverges or the normal
// matrix is singular, and appends the section to the report. Channel 1 stays
// open at the end of the file after a finished run. An unreadable field
// raises InputError, which the console shows.
//
// observe, when given, is told of every iteration before it is shown: the
// strip as read and the adjustment's result so far.
using StripObserver =
    std::function<void(Console& c, const Strip& strip, const StripResult& result)>;
void RelativeOrientation(Console& c, const StripObserver& observe = {});

}  // namespace tessaro
