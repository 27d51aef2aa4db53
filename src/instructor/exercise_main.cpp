// tessaro-exercise: an exercise for every student, with its answer key.
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "instructor/exercise.h"
#include "shell/system_reason.h"

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: tessaro-exercise OPERATION --seed N [--noise SIGMA] [--points K] [--photos P]\n"
    "                        [--class FILE] [--force] --out DIR\n";

const char kHelp[] =
    "Writes an exercise of one operation of Tessaro into DIR:\n"
    "  input.txt   the input file, made from a true geometry drawn from the seed,\n"
    "              rounded to a student's measuring precision; its title shows the\n"
    "              exercise's id, not the seed. Hand out this file alone.\n"
    "  truth.txt   that geometry (stations, ground points, transformations)\n"
    "  key.tss     the tessaro-script session that, run in DIR, writes the\n"
    "              answer key report key-report.txt\n"
    "\n"
    "OPERATION     imagetrans, resection, intersection, relative or absolute\n"
    "--seed N      the instructor's secret (0 to 2^64-1): whoever knows it can make\n"
    "              every key. Draw it at random (od -An -N8 -tu8 /dev/urandom) and\n"
    "              keep it; the same seed gives the same files on every machine\n"
    "--noise SIGMA standard error of a measuring error added before rounding, in\n"
    "              the units of the input (mm; model units for absolute); 0 by default\n"
    "--points K    image points per photo (imagetrans), control points (resection),\n"
    "              new points (intersection), model points (absolute)\n"
    "--photos P    photos (imagetrans), photographs (intersection), strip length\n"
    "              (relative)\n"
    "--class FILE  one student name a line ('#' lines and empty ones skipped): one\n"
    "              folder DIR/NAME per student, each with its own seed, a keyed hash\n"
    "              (HMAC-SHA-256) of N and the name; DIR/class-ids.txt maps the id\n"
    "              in each title to the student and the seed\n"
    "--force       write into DIR even when it is not empty (files of the same\n"
    "              names are replaced); without it a folder that holds anything\n"
    "              is refused, so that a second run cannot replace edited files\n"
    "--help, --version\n";

bool Write(const fs::path& path, const tessaro::TextLines& lines) {
  std::ofstream file(path, std::ios::binary);
  for (const std::string& line : lines) file << line << '\n';
  file.close();
  if (!file) std::cerr << "tessaro-exercise: cannot write " << path.string() << '\n';
  return static_cast<bool>(file);
}

// 0 when written, 2 for options the operation cannot use, 1 when a file
// cannot be written.
int WriteExercise(const tessaro::ExerciseOptions& options, const fs::path& dir) {
  tessaro::Exercise exercise;
  std::string why;
  if (!tessaro::MakeExercise(options, exercise, why)) {
    std::cerr << "tessaro-exercise: " << why << '\n';
    return 2;
  }
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) {
    std::cerr << "tessaro-exercise: cannot create " << dir.string() << ": " << error.message()
              << '\n';
    return 1;
  }
  const bool written = Write(dir / "input.txt", exercise.input) &&
                       Write(dir / "truth.txt", exercise.truth) &&
                       Write(dir / "key.tss", exercise.key);
  return written ? 0 : 1;
}

// A name as a folder name: letters, digits, '-', '_' and '.' kept, anything
// else (blanks, slashes) becomes '_'.
std::string FolderName(const std::string& name) {
  std::string folder;
  for (unsigned char c : name)
    folder += std::isalnum(c) || c == '-' || c == '_' || c == '.' || c >= 0x80
                  ? static_cast<char>(c)
                  : '_';
  return folder;
}

// A folder that exists and holds anything (or a file of that name).
bool Occupied(const fs::path& dir) {
  std::error_code error;
  if (!fs::exists(dir, error)) return false;
  return !fs::is_directory(dir, error) || !fs::is_empty(dir, error);
}

struct Student {
  std::string name, folder;
};

// The whole class list, checked before anything is written: every name a
// folder of its own that is allowed. False with the message said.
bool ReadClass(const std::string& classFile, std::vector<Student>& students) {
  std::ifstream names(classFile);
  if (!names) {
    std::cerr << "tessaro-exercise: cannot read the class list " << classFile << ": "
              << tessaro::OpenFailureReason(classFile, errno) << '\n';
    return false;
  }
  std::set<std::string> folders;
  std::string line;
  for (int number = 1; std::getline(names, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Windows editors start a UTF-8 file with a byte-order mark; it is not a
    // part of the first name (which makes the seed).
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::string name = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    const std::string folder = FolderName(name);
    if (folder == "." || folder == ".." || !folders.insert(folder).second) {
      std::cerr << "tessaro-exercise: " << classFile << ", line " << number << ": the name \""
                << name << "\" gives the folder \"" << folder
                << "\", which is taken or not allowed; nothing was written\n";
      return false;
    }
    students.push_back({name, folder});
  }
  return true;
}

// The instructor's list of the class: the id each student's title shows, the
// seed that made the folder (tessaro-exercise OPERATION --seed SEED makes it
// again) and the name, tab-separated. With it the ids give the seeds.
bool WriteClassIds(const fs::path& dir, std::uint64_t classSeed,
                   const std::vector<Student>& students) {
  std::error_code error;
  fs::create_directories(dir, error);
  tessaro::TextLines lines = {
      "# The exercise ids of the class: id, seed, name. The instructor's: do not hand it out.",
  };
  for (const Student& s : students) {
    const std::uint64_t seed = tessaro::StudentSeed(classSeed, s.name);
    lines.push_back(tessaro::ExerciseId(seed) + '\t' + std::to_string(seed) + '\t' + s.name);
  }
  return Write(dir / "class-ids.txt", lines);
}

int Fail(const std::string& what) {
  std::cerr << "tessaro-exercise: " << what << '\n' << kUsage;
  return 2;
}

template <typename T>
bool ParseWhole(const std::string& text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  tessaro::ExerciseOptions options;
  std::string out, classFile;
  bool seeded = false, force = false;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--help") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "tessaro-exercise " TESSARO_VERSION "\n";
      return 0;
    }
    const bool takesValue = arg == "--seed" || arg == "--noise" || arg == "--points" ||
                            arg == "--photos" || arg == "--out" || arg == "--class";
    if (takesValue && k + 1 >= argc) return Fail(arg + " needs a value");
    const std::string value = takesValue ? argv[++k] : "";
    if (arg == "--seed") {
      if (!ParseWhole(value, options.seed))
        return Fail("--seed needs a whole number, found \"" + value + "\"");
      seeded = true;
    } else if (arg == "--noise") {
      char* end = nullptr;
      options.noise = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0')
        return Fail("--noise needs a number, found \"" + value + "\"");
    } else if (arg == "--points" || arg == "--photos") {
      int& count = arg == "--points" ? options.points : options.photos;
      if (!ParseWhole(value, count) || count < 1)
        return Fail(arg + " needs a whole number from 1, found \"" + value + "\"");
    } else if (arg == "--out") {
      out = value;
    } else if (arg == "--class") {
      classFile = value;
    } else if (arg == "--force") {
      force = true;
    } else if (!arg.empty() && arg[0] != '-' && options.operation.empty()) {
      options.operation = arg;
    } else {
      return Fail("unexpected argument \"" + arg + "\"");
    }
  }
  if (options.operation.empty()) return Fail("no OPERATION");
  if (!seeded) return Fail("no --seed");
  if (out.empty()) return Fail("no --out DIR");
  std::vector<Student> students;
  if (!classFile.empty() && !ReadClass(classFile, students)) return 1;
  if (!force && Occupied(out)) {
    std::cerr << "tessaro-exercise: " << out
              << " is not empty; nothing was written (name a new folder, or --force)\n";
    return 2;
  }
  if (classFile.empty()) return WriteExercise(options, out);
  // A student who knows the program and their name can try small class seeds
  // one after another until the id in their title comes out. (A single
  // exercise is as often a try-out or a test, and stays quiet.)
  if (options.seed < 1000000000000000ULL)
    std::cerr << "tessaro-exercise: warning: a class seed below 10^15 can be found by trying; "
                 "draw it at random (od -An -N8 -tu8 /dev/urandom)\n";
  const std::uint64_t classSeed = options.seed;
  for (const Student& s : students) {
    options.seed = tessaro::StudentSeed(classSeed, s.name);
    if (const int status = WriteExercise(options, fs::path(out) / s.folder); status != 0)
      return status;
  }
  return WriteClassIds(out, classSeed, students) ? 0 : 1;
}
