// Exercises for a class: the input of one operation drawn from a seed, the
// geometry it was made from, and the tessaro-script session that writes the
// answer key.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

// HMAC-SHA-256 of a message under a key, by nettle.
std::array<unsigned char, 32> HmacSha256(std::string_view key, std::string_view message);

// A student's own seed: HMAC-SHA-256 keyed with the class seed (8 bytes,
// big-endian) over the name as it stands in the class list (UTF-8), its first
// 8 bytes read big-endian. The order of the list does not matter and a folder
// can be made again on its own, yet without the class seed no student's seed
// tells anything of another's, nor of the class seed.
std::uint64_t StudentSeed(std::uint64_t classSeed, const std::string& name);

// The short id the title of input.txt shows instead of the seed: 6 characters
// of Crockford's base 32 (no I, L, O, U to misread) from the first 30 bits of
// HMAC-SHA-256 keyed with the exercise's seed over "exercise id". It is made
// from the seed one way only; the instructor's class list maps it back.
std::string ExerciseId(std::uint64_t seed);

}  // namespace tessaro
