// The image point records that the image transformation, the resection and
// the intersection read into the shared arrays ImgPointNo, ImgX, ImgY.
#pragma once

#include <cstdint>
#include <string>

namespace tessaro {

class Console;

// Where a list of image records ends: at the first record numbered 0, or
// only at a record that is all zeros (the intersection, where a point may be
// numbered 0).
enum class ListEnd { NumberZero, AllZeros };

// Reads records "number, x, y" from channel 1 into ImgPointNo, ImgX,
// ImgY(1, 2, ...), echoing each as "number , x , y" (print zones) on channel
// 5 as soon as it is read, up to and including the terminating record, which
// is stored too. ImgPointCount is set to the number of records before it,
// which is also returned. `noun` names a record in the messages of a field
// that cannot be read ("image record": "x of an image record").
std::int32_t ReadImageRecords(Console& c, const std::string& noun, ListEnd end);

}  // namespace tessaro
