// What the program does, row by row: each input, where standard output
// goes, and what must come out (run_program.hpp starts the program).
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "run_program.hpp"

namespace {

std::string repeat(const std::string& text, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += text;
  return s;
}

std::string prompts(int n) { return repeat(kPrompt, n); }

TEST(Cli, AnswersEachInputExactly) {
  const std::string allOnes = repeat("1 ", 31) + "\n";
  const auto once = Feed::kOnce;
  const auto endless = Feed::kEndless;
  const auto captured = Stdout::kCaptured;
  const struct {
    const char* what = "";
    std::string input;
    Feed feed = Feed::kOnce;
    Stdout where = Stdout::kCaptured;
    std::string out;
    int status = 0;
    off_t taken = 0;  // checked where the input is a file
  } cases[] = {
      {"thirteen", "13\n", once, captured, kPrompt + "1 1 0 1 \n", 0},
      // Standard output on a pipe is fully buffered: the answer is only
      // written once the prompt has come through.
      {"prompt shows before the read", "13\n", Feed::kAfterPrompt, captured, kPrompt + "1 1 0 1 \n",
       0},
      {"negatives on lines", "-1\n-20\n5\n", once, captured, prompts(3) + "1 0 1 \n", 0},
      {"two on one line", "-3 5\n", once, captured, prompts(2) + "1 0 1 \n", 0},
      {"zero", "0\n", once, captured, kPrompt + "\n", 0},
      {"plus sign", "+7\n", once, captured, kPrompt + "1 1 1 \n", 0},
      {"white space, no line end", " \t\n 9", once, captured, kPrompt + "1 0 0 1 \n", 0},
      {"letters after", "12abc\n", once, captured, kPrompt + "1 1 0 0 \n", 0},
      {"letters", "abc\n", once, captured, kPrompt + "\n", 0},
      {"largest", "2147483647\n", once, captured, kPrompt + allOnes, 0},
      {"above largest", "99999999999\n", once, captured, kPrompt + allOnes, 0},
      {"negative then letters", "-5 abc", once, captured, prompts(2) + "\n", 0},
      {"empty", "", once, captured, kPrompt, 1},
      {"negative, no line end", "-5", once, captured, prompts(2), 1},
      {"negative, line end", "-5\n", once, captured, prompts(2), 1},
      {"below smallest", "-99999999999\n", once, captured, kPrompt, 1},
      // At a terminal the line is ended, so that the shell's prompt starts
      // on a line of its own; elsewhere the prompts alone tell that no
      // answer came.
      {"empty, at a terminal", "", once, Stdout::kTerminal, kPrompt + "\n", 1},
      {"thirteen, at a terminal", "13\n", once, Stdout::kTerminal, kPrompt + "1 1 0 1 \n", 0},
      // The prompts fit below the limit, the digit line does not.
      {"digit line past a file-size limit", repeat("-1\n", 41) + "2147483647\n", once,
       Stdout::kLimitedFile, (prompts(42) + allOnes).substr(0, kFileSizeLimit), 1},
      // A later prompt fails: the 43rd runs past the limit.
      {"endless negatives, past a file-size limit", "-1\n", endless, Stdout::kLimitedFile,
       prompts(43).substr(0, kFileSizeLimit), 1},
      // Once output has failed, no more input is taken. At exit the C
      // library leaves a file's offset just past what the program took.
      {"input a file", "-1\n5\n", Feed::kFile, captured, prompts(2) + "1 0 1 \n", 0, 4},
      {"full output, input a file", "-1\n5\n", Feed::kFile, Stdout::kFull, "", 1, 0},
      // Once nothing it writes can arrive, the program stops at once, even
      // though the input never ends.
      {"endless negatives, full output", "-1\n", endless, Stdout::kFull, "", 1},
      {"endless negatives, closed output", "-1\n", endless, Stdout::kClosed, "", 1},
      {"endless negatives, reader gone", "-1\n", endless, Stdout::kGoneSigpipeIgnored, "", 1},
      {"reader gone, SIGPIPE at its default", "-1\n", endless, Stdout::kGone, "", 128 + SIGPIPE},
  };
  for (const auto& c : cases) {
    const Outcome r = run(c.input, c.feed, c.where);
    EXPECT_EQ(r.fault, "") << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, c.status) << c.what;
    if (c.feed == Feed::kFile) {
      EXPECT_EQ(r.taken, c.taken) << c.what;
    }
    if (!r.fault.empty()) break;  // a runaway program would run away in every row after
  }
}

}  // namespace
