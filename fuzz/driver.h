// What the fuzzing harnesses share: a per-process scratch folder that every
// run works in, and one whole console session of an operation on a fuzzed
// input file, answered by a scripted user who never lets it hang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaro::fuzz {

// Moves the process into a fresh scratch folder (removed at exit) holding
// copies of the example files; called once per process.
void EnterScratchFolder();

// Brings the scratch folder back to the example files alone: a run may have
// written, emptied or added files there.
void ResetScratchFolder();

// How an operation is driven from the console's buttons.
struct Session {
  const char* open;     // the Open button of the input
  const char* enter;    // its Enter button
  const char* process;  // its Process button (the resection: Make Resection)
  const char* close;    // its Close button
};

// Writes data as the input file, then presses Open-OutputFile, Open, Enter,
// Process, Close and Exit as a student would, answering every prompt with a
// short default.
void RunSession(const Session& session, const std::uint8_t* data, std::size_t size);

}  // namespace tessaro::fuzz
