// Runs the built program as a user would: a given standard input, standard
// output and error read through pipes, the exit status checked. A program
// that runs away is killed at a deadline or once it has written too much,
// so that a fault fails its row instead of hanging the suite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string kPrompt = "Enter a positive number?";
// Generous, for a program under valgrind or an emulator; a sound run of any
// row takes milliseconds.
constexpr auto kDeadline = std::chrono::seconds(10);
constexpr std::size_t kCap = 1 << 20;  // bytes of output, more than any row writes

std::string repeat(const std::string& text, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += text;
  return s;
}

std::string prompts(int n) { return repeat(kPrompt, n); }

// TOBINARY_PROGRAM replaces the program built beside the tests (an installed
// or packaged one, say); TOBINARY_LAUNCHER (for example "valgrind -q") is
// put in front of it, so that the same rows can run it under a checker or
// an emulator.
std::vector<std::string> command() {
  std::vector<std::string> words;
  if (const char* launcher = std::getenv("TOBINARY_LAUNCHER")) {
    std::istringstream in(launcher);
    for (std::string word; in >> word;) words.push_back(word);
  }
  const char* program = std::getenv("TOBINARY_PROGRAM");
  words.emplace_back(program != nullptr && *program != '\0' ? program : TOBINARY_PATH);
  return words;
}

// How the input is given: all at once then ended, written only once the
// first prompt has been read back, repeated for as long as it is taken, or
// as a regular file, whose offset afterwards tells how much the program took.
enum class Feed : std::uint8_t { kOnce, kAfterPrompt, kEndless, kFile };
// Where standard output goes. kGone is a pipe whose reader has gone;
// kFileLimit a file that may grow to kFileLimit bytes, with SIGXFSZ ignored
// so that a write past it fails instead of ending the program.
enum class Stdout : std::uint8_t {
  kCaptured,
  kTerminal,
  kFull,
  kClosed,
  kGone,
  kGoneSigpipeIgnored,
  kFileLimit
};
constexpr rlim_t kFileLimit = 1024;

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + the signal that ended it
  std::string fault;
  off_t taken = -1;  // bytes of a file input that the program read
};

struct Terminal {};

// The test reads end 0; the program writes to end 1.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  // A pseudo-terminal in place of the pipe, without output processing, so
  // that the bytes read are those the program wrote.
  explicit Pipe(Terminal /*unused*/) : fds_{posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC), -1} {
    termios mode{};
    if (fds_[0] >= 0 && grantpt(fds_[0]) == 0 && unlockpt(fds_[0]) == 0) {
      fds_[1] = open(ptsname(fds_[0]), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    if (fds_[1] < 0 || tcgetattr(fds_[1], &mode) != 0) {
      closeEnd(0);
      return;
    }
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    if (tcsetattr(fds_[1], TCSANOW, &mode) != 0) closeEnd(0);
  }
  ~Pipe() {
    closeEnd(0);
    closeEnd(1);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int operator[](int end) const { return fds_[end]; }
  void closeEnd(int end) {
    if (fds_[end] >= 0) ::close(fds_[end]);
    fds_[end] = -1;
  }
  bool ok() const { return fds_[0] >= 0; }

 private:
  int fds_[2];
};

// input: the program's standard input; file: the descriptor of the file
// that kFileLimit writes to.
bool spawn(Stdout where, int input, const Pipe& out, const Pipe& err, int file, pid_t* pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  if (where == Stdout::kFull) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  } else if (where == Stdout::kClosed) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else if (where == Stdout::kFileLimit) {
    posix_spawn_file_actions_adddup2(&actions, file, 1);
  } else {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // The tests ignore SIGPIPE and SIGXFSZ so that a program that stops
  // reading, or a file that may not grow, cannot end them; the program gets
  // the defaults unless the row asks otherwise.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  if (where != Stdout::kGoneSigpipeIgnored) sigaddset(&defaults, SIGPIPE);
  if (where != Stdout::kFileLimit) sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> words = command();
  // The exec family takes char* for historical reasons and writes nothing;
  // the last element stays the null pointer that ends the list.
  std::vector<char*> argv(words.size() + 1, nullptr);
  std::transform(words.begin(), words.end(), argv.begin(),
                 [](const std::string& word) { return const_cast<char*>(word.c_str()); });
  const int failed = posix_spawnp(pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0;
}

// Appends what the pipe holds to text; closes it at its end.
void drain(Pipe& pipe, std::string& text) {
  char buf[4096];
  const ssize_t n = read(pipe[0], buf, sizeof buf);
  if (n > 0) text.append(buf, static_cast<std::size_t>(n));
  if (n == 0 || (n < 0 && errno != EAGAIN)) pipe.closeEnd(0);
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// A file of no name, where wanted, gone when the row ends; the program gets
// it only as the descriptor its row names.
File unnamedFile(bool wanted) {
  File file(wanted ? std::tmpfile() : nullptr, &std::fclose);
  if (file && fcntl(fileno(file.get()), F_SETFD, FD_CLOEXEC) != 0) file.reset();
  return file;
}

// The file's content, read from its start.
std::string contents(int fd) {
  std::string text;
  char buf[4096];
  ssize_t n = 0;
  while ((n = pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()))) > 0) {
    text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

Outcome run(const std::string& input, Feed feed, Stdout where) {
  if (signal(SIGPIPE, SIG_IGN) == SIG_ERR || signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
    return {"", "", -1, "cannot ignore SIGPIPE and SIGXFSZ"};
  }
  Pipe in, err;
  Pipe out = where == Stdout::kTerminal ? Pipe(Terminal{}) : Pipe();
  if (!in.ok() || !out.ok() || !err.ok()) {
    return {"", "", -1,
            where == Stdout::kTerminal ? "no pseudo-terminal (is /dev/pts mounted?)" : "no pipes"};
  }
  if (where != Stdout::kCaptured && where != Stdout::kTerminal) out.closeEnd(0);
  // Files of no name, gone when the row ends.
  const File tmp = unnamedFile(where == Stdout::kFileLimit);
  const int file = tmp ? fileno(tmp.get()) : -1;
  const File inputFile = unnamedFile(feed == Feed::kFile);
  const int inFile = inputFile ? fileno(inputFile.get()) : -1;
  if ((where == Stdout::kFileLimit && file < 0) ||
      (feed == Feed::kFile && (inFile < 0 || pwrite(inFile, input.data(), input.size(), 0) !=
                                                 static_cast<ssize_t>(input.size())))) {
    return {"", "", -1, "no file"};
  }
  // The program inherits the file-size limit; the test writes no file
  // while it is lowered.
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return {"", "", -1, "no file-size limit"};
  rlimit lowered = saved;
  if (where == Stdout::kFileLimit) lowered.rlim_cur = std::min(saved.rlim_cur, kFileLimit);
  pid_t pid = 0;
  const bool started = setrlimit(RLIMIT_FSIZE, &lowered) == 0 &&
                       spawn(where, feed == Feed::kFile ? inFile : in[0], out, err, file, &pid);
  if (setrlimit(RLIMIT_FSIZE, &saved) != 0) std::abort();  // every later file would be cut
  if (!started) return {"", "", -1, "cannot start the program"};
  in.closeEnd(0);
  if (feed == Feed::kFile) in.closeEnd(1);
  out.closeEnd(1);
  err.closeEnd(1);
  for (const int fd : {in[1], out[0], err[0]}) {
    if (fd >= 0) fcntl(fd, F_SETFL, O_NONBLOCK);
  }

  Outcome r;
  std::size_t sent = 0;
  int wstatus = 0;
  bool exited = false;
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  for (;;) {
    exited = exited || waitpid(pid, &wstatus, WNOHANG) == pid;
    if (exited && out[0] < 0 && err[0] < 0) break;
    if (r.out.size() + r.err.size() > kCap) r.fault = "wrote more than the cap";
    if (std::chrono::steady_clock::now() > deadline) r.fault = "still running at the deadline";
    if (!r.fault.empty()) {
      kill(pid, SIGKILL);
      if (!exited) exited = waitpid(pid, &wstatus, 0) == pid;
      r.out.resize(std::min<std::size_t>(r.out.size(), 1000));  // enough to see what went on
      break;
    }
    const bool hold = feed == Feed::kAfterPrompt && r.out.size() < kPrompt.size();
    pollfd fds[] = {{hold ? -1 : in[1], POLLOUT, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    if (poll(fds, 3, 10) < 0 && errno != EINTR) {
      r.fault = "poll failed";
      continue;
    }
    if (fds[0].revents != 0) {
      if (feed == Feed::kEndless) sent %= input.size();
      const ssize_t n = write(in[1], input.data() + sent, input.size() - sent);
      if (n > 0) sent += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EAGAIN) || (feed != Feed::kEndless && sent == input.size())) {
        in.closeEnd(1);
      }
    }
    if (fds[1].revents != 0) drain(out, r.out);
    if (fds[2].revents != 0) drain(err, r.err);
  }
  if (file >= 0) r.out = contents(file);
  if (inFile >= 0) r.taken = lseek(inFile, 0, SEEK_CUR);
  if (exited && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
  if (exited && WIFSIGNALED(wstatus)) r.status = 128 + WTERMSIG(wstatus);
  return r;
}

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
      {"six", "6\n", once, captured, kPrompt + "1 1 0 \n", 0},
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
      {"leading zeros", "0013\n", once, captured, kPrompt + "1 1 0 1 \n", 0},
      {"letters after", "12abc\n", once, captured, kPrompt + "1 1 0 0 \n", 0},
      {"letters", "abc\n", once, captured, kPrompt + "\n", 0},
      {"largest", "2147483647\n", once, captured, kPrompt + allOnes, 0},
      {"above largest", "99999999999\n", once, captured, kPrompt + allOnes, 0},
      {"negative then letters", "-5 abc", once, captured, prompts(2) + "\n", 0},
      {"empty", "", once, captured, kPrompt, 1},
      {"white space only", " \n\t", once, captured, kPrompt, 1},
      {"negative, no line end", "-5", once, captured, prompts(2), 1},
      {"negative, line end", "-5\n", once, captured, prompts(2), 1},
      {"below smallest", "-99999999999\n", once, captured, kPrompt, 1},
      {"many negatives", repeat("-1\n", 10000), once, captured, prompts(10001), 1},
      // At a terminal the line is ended, so that the shell's prompt starts
      // on a line of its own; elsewhere the prompts alone tell that no
      // answer came.
      {"empty, at a terminal", "", once, Stdout::kTerminal, kPrompt + "\n", 1},
      {"negative, at a terminal", "-5\n", once, Stdout::kTerminal, prompts(2) + "\n", 1},
      {"thirteen, at a terminal", "13\n", once, Stdout::kTerminal, kPrompt + "1 1 0 1 \n", 0},
      {"full output", "13\n", once, Stdout::kFull, "", 1},
      // The prompts fit below the limit, the digit line does not.
      {"digit line past a file-size limit", repeat("-1\n", 41) + "2147483647\n", once,
       Stdout::kFileLimit, (prompts(42) + allOnes).substr(0, kFileLimit), 1},
      {"closed output", "13\n", once, Stdout::kClosed, "", 1},
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
