// How much memory one normal matrix may take.
//
// A dense normal matrix grows with the square of its unknowns, and even the
// strip's arrowhead one can. One that would take more than a quarter
// of the computer's physical memory is refused before it is allocated: the
// user gets a message instead of a program that dies for lack of memory or a
// machine that swaps for hours. In a web page the memory is the largest
// heap the WebAssembly module may grow to (2 GB, the most every browser
// grants a page; cmake/Web.cmake), not the computer's, and the message
// names it as the page's.
#pragma once

#include <cstdint>
#include <string>

namespace tessaro {

// Bytes of the packed normal matrix of n unknowns (with its unused position 0).
double NormalMatrixBytes(std::int64_t n);

// Bytes of physical memory (4 GB when the system does not say); in a web
// page the heap's maximum.
double PhysicalMemory();

// Empty when a normal matrix of so many bytes fits in a quarter of the
// physical memory; otherwise the reason, for the operation's own message:
// "its normal matrix needs 810020 MB, more than a quarter of this computer's
// memory (4000 MB)" ("... of the memory this web page may use ..." in a
// page), megabytes of 10^6 bytes rounded up.
std::string NormalMatrixTooLarge(double bytes);

}  // namespace tessaro
