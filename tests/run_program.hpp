// Runs the built program as a user would: a given standard input, standard
// output and error read through pipes, the exit status checked. A program
// that runs away is killed at a deadline or once it has written too much,
// so that a fault fails its row instead of hanging the suite.
//
// The program is the one that TOBINARY_PROGRAM names (an installed or
// packaged one, say), or else the one built beside the tests; the words of
// TOBINARY_LAUNCHER (for example "valgrind -q") go in front of it, so that
// the same rows can run it under a checker or an emulator.
#ifndef TOBINARY_TESTS_RUN_PROGRAM_HPP
#define TOBINARY_TESTS_RUN_PROGRAM_HPP

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

inline const std::string kPrompt = "Enter a positive number?";

// How the input is given: all at once then ended, written only once the
// first prompt has been read back, repeated for as long as it is taken, or
// as a regular file, whose offset afterwards tells how much the program took.
enum class Feed : std::uint8_t { kOnce, kAfterPrompt, kEndless, kFile };
// Where standard output goes. kGone is a pipe whose reader has gone;
// kLimitedFile a file that may grow to kFileSizeLimit bytes, with SIGXFSZ ignored
// so that a write past it fails instead of ending the program.
enum class Stdout : std::uint8_t {
  kCaptured,
  kTerminal,
  kFull,
  kClosed,
  kGone,
  kGoneSigpipeIgnored,
  kLimitedFile
};
constexpr rlim_t kFileSizeLimit = 1024;

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string fault;
  off_t taken = -1;  // bytes of a file input that the program took
};

// Starts the program with the input fed as asked and standard output where
// asked, and waits for it to end, for at most 10 seconds.
Outcome run(const std::string& input, Feed feed, Stdout where);

#endif
