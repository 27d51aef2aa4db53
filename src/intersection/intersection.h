// Space intersection: ground points measured on two or more photographs of
// known exterior orientation.
//
// Entering reads the intersection input from channel 1, echoes it to the
// report (channel 5) and files it in the binary side file (channel 2,
// side_file.h): the photographs with their observations, then one ground
// point record per point number seen on two or more photographs, in the
// order of each point's first observation (ground_points.h). Processing
// walks the ground point records, intersects each point by least squares
// (space_intersection.h), prints residuals and results to BlackBoard and the
// report from the result values, writes the results back into the side file
// and deletes it. The side file is built and read in memory and moves to and
// from the disk in one piece.
#pragma once

#include <functional>

#include "imagetrans/image_transformation.h"
#include "intersection/space_intersection.h"

namespace tessaro {

class Console;

// Reads the intersection input from channel 1 (opened by the console) and
// builds the side file FileName(4), named after the relative orientation
// input. On success ReadyFlag(3) is true, the side file is complete and
// closed, and channel 1 stays open for "Close-Intersection".
//
// A photograph whose point list names fiducial marks twice (calibrated
// coordinates, then measured ones) is brought into the photo system by the
// image transformation with the affine model before it is filed; when that
// transformation is refused, ReadyFlag(3) is cleared and the side file
// deleted. Points seen on more than eight photographs, more than 32767 points
// on one photograph or ground points in one file, or a side file that cannot
// be created are refused with a message. observe is told of those
// transformations as TransformImages tells of its photos.
void ReadIntersectionData(Console& c, const ImageTransObserver& observe = {});

// Intersects every ground point of the side file and writes the residual,
// result and coordinate tables; then deletes the side file. Needs
// ReadyFlag(3) and the side file that entering built. Overwrites
// StationValues(1..n) with the x coordinates of a point's rays and leaves
// Omega, Phi, Kappa (radians) and the rotation M at those of the last ray used.
//
// observe, when given, is told of the result once the points are
// intersected (also when a point stopped the run), before any message.
using IntersectionObserver = std::function<void(Console& c, const IntersectionResult& result)>;
void ComputeIntersection(Console& c, const IntersectionObserver& observe = {});

}  // namespace tessaro
