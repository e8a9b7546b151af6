// tobinary: write a number in binary. The manual page, doc/tobinary.1.in,
// says what it reads and writes and when it fails.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "binary.hpp"

int main() {
  // Negative until a read delivers a number, so that input which ends before
  // any number is not taken for an answer of 0.
  std::int32_t value = -1;

  for (;;) {
    // Checked, as once nothing can reach the reader prompting on would never
    // end. Flushed here, though the read below would flush it too, so that a
    // failed write is known before any more input is taken.
    if (!(std::cout << "Enter a positive number?").flush()) {
      return EXIT_FAILURE;
    }
    std::cin >> value;
    // A failed read may still deliver a value: 0 for text that holds no
    // number, 2147483647 for a number above it. Both are answers.
    if (value >= 0) {
      break;
    }
    // Once the input has ended or failed, no further read can change the
    // value; asking again would loop forever. At a terminal the line is
    // ended, so that the shell's next prompt does not follow ours on it;
    // elsewhere the output stays the prompts alone, which a reader can tell
    // from an answer.
    if (!std::cin) {
      if (isatty(STDOUT_FILENO) == 1) {
        std::cout << '\n' << std::flush;
      }
      return EXIT_FAILURE;
    }
  }

  std::vector<std::int32_t> digits;
  convert(value, digits);
  reverse(digits);
  printData(digits);
  // printData flushes, so nothing is left buffered. Some file systems (NFS,
  // FUSE) report a failed write only when the file is closed: closing here
  // is the last chance to tell that the answer did not arrive.
  if (!std::cout || close(STDOUT_FILENO) != 0) {
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
