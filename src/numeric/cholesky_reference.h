// The straightforward CholeskySolve: the method of cholesky.h written as
// plainly as it reads, one double operation at a time. CholeskySolve gives
// the same bits faster; this version is its reference in the tests and its
// fallback for inputs on which its shortcuts would not be exact.
#pragma once

#include "numeric/cholesky.h"

namespace tessaro {

// Same contract as CholeskySolve (no work arrays).
void CholeskySolveReference(OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                            int& ErrCode);

// The same with rows 1..firstRow-1 of A already factored (as they stand
// after those rows of the factorization): the method resumes at row firstRow.
void CholeskySolveReferenceFromRow(OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                                   int firstRow, int& ErrCode);

}  // namespace tessaro
