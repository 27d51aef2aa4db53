// Image transformation: measured image coordinates into photo coordinates.
//
// Film photos are brought into the photo system through their fiducial
// marks: a plane model (1 similarity, 2 affine, 3 bilinear), written in the
// common form
//   X = A1 + A2*x + A3*y + A4*x*y,   Y = B1 + B2*x + B3*y + B4*x*y,
// is fitted by least squares to the measured fiducials against their
// calibrated coordinates, the user accepts or rejects the fit, and the image
// points are transformed with it. Digital images (mode -1: y axis down,
// 0: y axis up) only have their origin moved from the image corner to the
// image centre.
//
// Reading happens in two steps on input channel 1: the header (title and
// counts) when the data are entered, the body (fiducials, then photo after
// photo) when they are processed. Everything read is echoed to the report on
// channel 5. An unreadable field raises InputError, which the console shows.
#pragma once

#include <cstdint>
#include <functional>

#include "imagetrans/plane_transform.h"

namespace tessaro {

class Console;

// Reads the title and the counts TransPhotoCount and FiducialCount from
// channel 1, echoing the title to the report. ReadyFlag(1) is false while it
// reads and true once the counts are in; channel 1 stays open after them.
void ReadImageTransHeader(Console& c);

// Reads the rest of the file from where channel 1 stands (the calibrated
// fiducials, or the image size of digital images, then TransPhotoCount
// photos), transforms each photo right after reading it and writes its
// report section. Uses FiducialCount and TransPhotoCount as the caller left
// them. On return channel 1 is closed, and refusal is that of the last film
// photo: 0 accepted, 1 rejected by the user or refused (mode not defined),
// the solver's error code when the normal matrix was singular; digital
// photos leave it as it was. After an accepted film photo, ImgPointNo, ImgX
// and ImgY(1..ImgPointCount) hold its image points in photo coordinates.
// All state lives in the console and the arguments, so the intersection
// input may call it on its own file.
//
// observe, when given, is told of every photo: of a film photo's fit while
// its question is asked (asking true), and of each photo once it is
// reported (false), before a message about it. A picture of the run is
// drawn from it; the report does not depend on it.
using ImageTransObserver = std::function<void(Console& c, const Calibration& calibration,
                                              const PhotoTransformation& photo, bool asking)>;
void TransformImages(Console& c, std::int16_t& refusal, const ImageTransObserver& observe = {});

}  // namespace tessaro
