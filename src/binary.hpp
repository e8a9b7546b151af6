// Turning a value into its binary digits and writing them as one line.
//
// The digit vector holds one digit per element. convert() appends the digits
// least significant first, as halving yields them; reverse() then puts the
// most significant first, which is the order printData() writes them in.
#ifndef TOBINARY_BINARY_HPP
#define TOBINARY_BINARY_HPP

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <utility>
#include <vector>

// Halving is signed division, not a shift, so a negative value, which the
// program never passes, yields digits of 0 and -1 and the loop still ends.
inline void convert(std::int32_t value, std::vector<std::int32_t>& digits) {
  while (value != 0) {
    digits.push_back(value % 2);
    value /= 2;
  }
}

inline void reverse(std::vector<std::int32_t>& digits) {
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n / 2; ++i) {
    std::swap(digits[i], digits[n - 1 - i]);
  }
}

// The space after the last digit is part of the line's format. The line is
// flushed so that a failed write shows in std::cout's state, which main()
// tests before it closes standard output.
inline void printData(const std::vector<std::int32_t>& digits) {
  for (const std::int32_t digit : digits) {
    std::cout << digit << " ";
  }
  std::cout << '\n' << std::flush;
}

#endif
