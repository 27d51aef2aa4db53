// Absolute orientation: a model brought into the ground system.
//
// Points measured in a model (or any local three-dimensional) system are
// transformed into the ground system by a seven-parameter conformal
// transformation, three translations, one scale and three angles, adjusted
// by least squares on control points that are full (X, Y, Z), horizontal
// only (Z = 0) or vertical only (X = Y = 0).
//
// "Enter Absolute Orient Data" reads the whole file on channel 1 and pairs
// the control points with the measured points of the same number;
// "Process Absolute Orient" adjusts, writes the report section on channel 5
// and transforms every measured point. An unreadable field raises
// InputError, which the console shows.
#pragma once

#include <functional>

#include "absolute/conformal_transform.h"

namespace tessaro {

class Console;

// Reads the title, Sxyz, the control records and the measured records from
// channel 1 and echoes the title to the report. Refuses, with a message,
// fewer than two horizontal or three vertical control points; otherwise
// sets the starting translation to the control centroid, the redundancy
// 2*horizontal + vertical - 7, pairs control with measured points (a
// message for each control point without a partner, which is then dropped),
// sets every standard error to Sxyz, and sets OpenFlag(7) and ReadyFlag(5).
// Channel 1 stays open.
void ReadAbsoluteOrientationData(Console& c);

// Adjusts the seven parameters on the paired control points, writes the
// control points, residuals, parameters, So, RMSE and convergence to the
// report, then transforms every measured point, prints it and keeps the
// transformed coordinates in place of the model coordinates. A singular
// normal matrix shows "Error in Matrix inversion" and reports nothing.
//
// observe, when given, is told of the solution before it is reported or
// its failure shown, while the module still holds the model coordinates.
using AbsoluteObserver = std::function<void(Console& c, const AbsoluteSolution& solution)>;
void ComputeAbsoluteOrientation(Console& c, const AbsoluteObserver& observe = {});

}  // namespace tessaro
