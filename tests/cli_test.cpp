// Runs the built program as a user would: a given standard input, standard
// output and error captured, the exit status checked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string kPrompt = "Enter a positive number?";

std::string repeat(const std::string& text, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += text;
  return s;
}

std::string prompts(int n) { return repeat(kPrompt, n); }

// TOBINARY_LAUNCHER (for example "valgrind -q --error-exitcode=1") is put
// in front of the program, so that the same tests can run it under a checker.
std::vector<std::string> command() {
  std::vector<std::string> words;
  if (const char* launcher = std::getenv("TOBINARY_LAUNCHER")) {
    std::istringstream in(launcher);
    for (std::string word; in >> word;) words.push_back(word);
  }
  words.emplace_back(TOBINARY_PATH);
  return words;
}

int spawn(const posix_spawn_file_actions_t* actions, pid_t* pid) {
  std::vector<std::string> words = command();
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  std::transform(words.begin(), words.end(), std::back_inserter(argv),
                 [](std::string& word) { return word.data(); });
  argv.push_back(nullptr);
  return posix_spawnp(pid, argv[0], actions, nullptr, argv.data(), environ);
}

int exitStatus(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File tempFile(const std::string& content = "") {
  File file(std::tmpfile(), &std::fclose);
  if (!file || std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    throw std::runtime_error("cannot write a temporary file");
  }
  std::rewind(file.get());
  return file;
}

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string s;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) s.append(buf, n);
  return s;
}

enum class Stdout { kCaptured, kFull, kClosed };

struct Outcome {
  std::string out;
  std::string err;
  int status;
};

Outcome run(const std::string& input, Stdout where) {
  const File in = tempFile(input), out = tempFile(), err = tempFile();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fileno(in.get()), 0);
  if (where == Stdout::kCaptured) {
    posix_spawn_file_actions_adddup2(&actions, fileno(out.get()), 1);
  } else if (where == Stdout::kFull) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  } else {
    posix_spawn_file_actions_addclose(&actions, 1);
  }
  posix_spawn_file_actions_adddup2(&actions, fileno(err.get()), 2);
  pid_t pid = 0;
  const int spawned = spawn(&actions, &pid);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {"", "cannot start " TOBINARY_PATH, -1};
  const int status = exitStatus(pid);
  return {contents(out.get()), contents(err.get()), status};
}

TEST(Cli, AnswersEachInputExactly) {
  const std::string allOnes = repeat("1 ", 31) + "\n";
  const struct {
    const char* what;
    std::string input;
    Stdout where;
    std::string out;
    int status;
  } cases[] = {
      {"six", "6\n", Stdout::kCaptured, kPrompt + "1 1 0 \n", 0},
      {"thirteen", "13\n", Stdout::kCaptured, kPrompt + "1 1 0 1 \n", 0},
      {"negatives on lines", "-1\n-20\n5\n", Stdout::kCaptured, prompts(3) + "1 0 1 \n", 0},
      {"two on one line", "-3 5\n", Stdout::kCaptured, prompts(2) + "1 0 1 \n", 0},
      {"zero", "0\n", Stdout::kCaptured, kPrompt + "\n", 0},
      {"plus sign", "+7\n", Stdout::kCaptured, kPrompt + "1 1 1 \n", 0},
      {"white space, no line end", " \t\n 9", Stdout::kCaptured, kPrompt + "1 0 0 1 \n", 0},
      {"leading zeros", "0013\n", Stdout::kCaptured, kPrompt + "1 1 0 1 \n", 0},
      {"letters after", "12abc\n", Stdout::kCaptured, kPrompt + "1 1 0 0 \n", 0},
      {"letters", "abc\n", Stdout::kCaptured, kPrompt + "\n", 0},
      {"largest", "2147483647\n", Stdout::kCaptured, kPrompt + allOnes, 0},
      {"above largest", "99999999999\n", Stdout::kCaptured, kPrompt + allOnes, 0},
      {"negative then letters", "-5 abc", Stdout::kCaptured, prompts(2) + "\n", 0},
      {"empty", "", Stdout::kCaptured, kPrompt, 1},
      {"white space only", " \n\t", Stdout::kCaptured, kPrompt, 1},
      {"negative, no line end", "-5", Stdout::kCaptured, prompts(2), 1},
      {"negative, line end", "-5\n", Stdout::kCaptured, prompts(2), 1},
      {"below smallest", "-99999999999\n", Stdout::kCaptured, kPrompt, 1},
      {"many negatives", repeat("-1\n", 10000), Stdout::kCaptured, prompts(10001), 1},
      {"full output", "13\n", Stdout::kFull, "", 1},
      {"closed output", "13\n", Stdout::kClosed, "", 1},
  };
  for (const auto& c : cases) {
    const Outcome r = run(c.input, c.where);
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, c.status) << c.what;
  }
}

// Reads from fd until it holds `want` bytes, it ends, or the time is up.
std::string readFor(int fd, std::size_t want, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::string got;
  char buf[256];
  while (got.size() < want) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

// On a pipe standard output is fully buffered, so the prompt shows only if
// the program flushes it before it waits for input.
TEST(Cli, PromptIsVisibleBeforeTheProgramWaits) {
  int in[2];
  int out[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  for (const int fd : {in[0], in[1], out[0], out[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  pid_t pid = 0;
  const int spawned = spawn(&actions, &pid);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  ASSERT_EQ(spawned, 0);

  const auto limit = std::chrono::seconds(60);  // generous: a checker may run it
  EXPECT_EQ(readFor(out[0], kPrompt.size(), limit), kPrompt);
  const std::string answer = "13\n";
  EXPECT_EQ(write(in[1], answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
  close(in[1]);
  EXPECT_EQ(readFor(out[0], 1024, limit), "1 1 0 1 \n");
  close(out[0]);
  EXPECT_EQ(exitStatus(pid), 0);
}

}  // namespace
