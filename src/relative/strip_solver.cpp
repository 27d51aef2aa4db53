// One iteration's normal equations of the strip and their solution; the
// class is declared, with its contract, in strip_adjustment.h.
#include "numeric/cholesky.h"
#include "numeric/packed.h"
#include "relative/strip_adjustment.h"
#include "shell/memory_bound.h"

namespace tessaro {

StripSolver::StripSolver(const Strip& s, ArrowheadNormals& normals,
                         const OneBased<double>& StationSigma)
    : s_(s), normals_(normals), sigma_(StationSigma), n_(UnknownCount(s)) {}

int StripSolver::Solve(const StripModel& m, OneBased<double>& NormalVector,
                       RaggedTable<double>& Residual, IterationSums& sums) {
  dense_ = false;
  sums = BuildNormalEquations(s_, m, sigma_, PointSigma(s_), normals_, NormalVector, Residual);
  const int err = normals_.FactorAndSolve(NormalVector);
  return err == kArrowheadNotCovered ? SolveDense(m, NormalVector, Residual, sums) : err;
}

int StripSolver::InverseDiagonal(const StripModel& m, OneBased<double>& NormalVector,
                                 RaggedTable<double>& Residual, IterationSums& sums,
                                 OneBased<double>& d) {
  if (!dense_ && normals_.InverseDiagonal(d) == kCholeskyOk) return kCholeskyOk;
  if (!dense_) {
    if (const int err = SolveDense(m, NormalVector, Residual, sums); err != kCholeskyOk) return err;
  }
  d = diagonal_;
  return kCholeskyOk;
}

int StripSolver::SolveDense(const StripModel& m, OneBased<double>& NormalVector,
                            RaggedTable<double>& Residual, IterationSums& sums) {
  if (!NormalMatrixTooLarge(NormalMatrixBytes(n_)).empty()) return kCholeskyNotPositiveDefinite;
  dense_ = true;
  OneBased<double> NormalMatrix(PackedSize(n_));
  sums = BuildNormalEquations(s_, m, sigma_, PointSigma(s_), NormalMatrix, NormalVector, Residual);
  int err = 0;
  CholeskySolve(NormalMatrix, NormalVector, n_, kSolveAndInvert, err);
  diagonal_ = OneBased<double>(n_);
  for (std::int32_t r = 1; r <= n_; ++r) diagonal_(r) = NormalMatrix(PackedIndex(r, r));
  return err;
}

}  // namespace tessaro
