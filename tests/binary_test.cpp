#include "binary.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

namespace {

using Digits = std::vector<std::int32_t>;

TEST(Convert, AppendsDigitsLeastSignificantFirst) {
  Digits power30(30, 0);
  power30.push_back(1);
  Digits min_digits(31, 0);
  min_digits.push_back(-1);
  const struct {
    std::int32_t value = 0;
    Digits before;
    Digits after;
  } cases[] = {
      {0, {}, {}},
      {0, {1, 0}, {1, 0}},
      {1, {}, {1}},
      {6, {}, {0, 1, 1}},
      {13, {}, {1, 0, 1, 1}},
      {2, {7, 7}, {7, 7, 0, 1}},  // appends, never clears
      {1 << 30, {}, power30},
      {std::numeric_limits<std::int32_t>::max(), {}, Digits(31, 1)},
      // Never passed by the program; documents that a negative value ends
      // the loop without overflow, as signed division does.
      {std::numeric_limits<std::int32_t>::min(), {}, min_digits},
  };
  for (const auto& c : cases) {
    Digits digits = c.before;
    convert(c.value, digits);
    EXPECT_EQ(digits, c.after) << "value " << c.value;
  }
}

TEST(Reverse, ReversesInPlace) {
  const struct {
    Digits before;
    Digits after;
  } cases[] = {
      {{}, {}}, {{1}, {1}}, {{1, 2}, {2, 1}}, {{1, 2, 3}, {3, 2, 1}}, {{1, 2, 3, 4}, {4, 3, 2, 1}},
  };
  for (const auto& c : cases) {
    Digits digits = c.before;
    reverse(digits);
    EXPECT_EQ(digits, c.after);
  }
}

// printData writes to std::cout itself: its buffer is swapped for one that
// keeps what it receives and counts the flushes.
struct CoutCapture : std::stringbuf {
  std::streambuf* saved = std::cout.rdbuf(this);
  int flushes = 0;
  ~CoutCapture() override { std::cout.rdbuf(saved); }
  int sync() override {
    ++flushes;
    return std::stringbuf::sync();
  }
};

TEST(PrintData, WritesEachDigitAndASpaceThenFlushesTheLine) {
  const struct {
    Digits digits;
    const char* line = "";
  } cases[] = {
      {{1, 1, 0, 1}, "1 1 0 1 \n"},
      {{1}, "1 \n"},
      {{}, "\n"},
  };
  for (const auto& c : cases) {
    CoutCapture out;
    printData(c.digits);
    EXPECT_EQ(out.str(), c.line);
    EXPECT_EQ(out.flushes, 1) << "the line must be flushed";
  }
}

}  // namespace
