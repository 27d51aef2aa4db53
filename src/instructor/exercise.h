// Exercises for a class: the input of one operation drawn from a seed, the
// geometry it was made from, and the tessaro-script session that writes the
// answer key.
#pragma once

#include <cstdint>
#include <string>

#include "instructor/input_files.h"

namespace tessaro {

struct ExerciseOptions {
  std::string operation;  // imagetrans, resection, intersection, relative, absolute
  std::uint64_t seed = 0;
  double noise = 0;  // standard error of the added measuring error, in the input's units
  int points = 0;    // 0: the operation's default
  int photos = 0;
};

struct Exercise {
  TextLines input;  // input.txt
  TextLines truth;  // truth.txt
  TextLines key;    // key.tss
};

// False, with the reason in `why`, for an unknown operation or counts the
// operation cannot use.
bool MakeExercise(const ExerciseOptions& options, Exercise& exercise, std::string& why);

// A student's own seed: the class seed and the name, so that the order of
// the list does not matter and a folder can be made again on its own.
std::uint64_t StudentSeed(std::uint64_t classSeed, const std::string& name);

}  // namespace tessaro
