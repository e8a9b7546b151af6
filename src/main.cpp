// tobinary: prompt for a number until one of 0 or more arrives, then write
// its binary digits, most significant first, each followed by a space.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "binary.hpp"

int main() {
  // Negative until a read delivers a number, so that input which ends before
  // any number is not taken for an answer of 0.
  std::int32_t value = -1;
  int status = EXIT_SUCCESS;

  for (;;) {
    // std::cin is tied to std::cout: the prompt is flushed before each read.
    std::cout << "Enter a positive number?";
    std::cin >> value;
    // A failed read may still deliver a value: 0 for text that holds no
    // number, 2147483647 for a number above it. Both are answers.
    if (value >= 0) {
      break;
    }
    // Once the input has ended or failed, no further read can change the
    // value; asking again would loop forever.
    if (!std::cin) {
      status = EXIT_FAILURE;
      break;
    }
  }

  if (status == EXIT_SUCCESS) {
    std::vector<std::int32_t> digits;
    convert(value, digits);
    reverse(digits);
    printData(digits);
  }

  // A write that failed, here or earlier, must not end as success.
  if (!std::cout.flush()) {
    status = EXIT_FAILURE;
  }
  return status;
}
