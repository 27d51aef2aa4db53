// How a solve or an iteration of any operation ends.
//
// Every adjustment of the system ends in one of a few ways: a direct solve
// succeeds, the corrections fall below the convergence limit, the iteration
// limit comes first, a correction is too large to apply, the fit grows worse
// near the end, the normal matrix is not positive definite, or a datum cannot
// be used at all. Each operation reports these in its own words; this type
// only names them, with the item that failed where there is one.
//
// CholeskySolve keeps its numeric error codes and TransformImages its 16-bit
// refusal flag at their interfaces; Outcome is what the arithmetic behind
// them returns to its procedure.
#pragma once

#include <cstdint>

namespace tessaro {

enum class Ending {
  Solved,        // a direct solve (no iteration) succeeded
  Converged,     // no correction exceeded the convergence limit
  LimitReached,  // the iteration limit came before convergence
  Diverged,      // a correction beyond the divergence limit (not applied)
  GotWorse,      // the fit grew worse in the last iterations
  Singular,      // the normal matrix is not positive definite
  Refused,       // a datum cannot be used (item: which one)
};

struct Outcome {
  Ending ending = Ending::Solved;
  // Singular: the solver's error code (kCholeskyNotPositiveDefinite, ...).
  int code = 0;
  // Singular: the row at which the factor stopped, 0 when not known.
  // Refused: the 1-based position of the datum (point, ray, record).
  std::int64_t item = 0;

  // The result values are complete: a solve or a converged iteration.
  bool Succeeded() const { return ending == Ending::Solved || ending == Ending::Converged; }
  bool operator==(const Outcome&) const = default;

  static Outcome Solved() { return {}; }
  static Outcome Converged() { return {Ending::Converged}; }
  static Outcome LimitReached() { return {Ending::LimitReached}; }
  static Outcome Diverged() { return {Ending::Diverged}; }
  static Outcome GotWorse() { return {Ending::GotWorse}; }
  static Outcome Singular(int code, std::int64_t row = 0) { return {Ending::Singular, code, row}; }
  static Outcome Refused(std::int64_t item) { return {Ending::Refused, 0, item}; }
};

}  // namespace tessaro
