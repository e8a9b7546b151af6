// The plumbing behind run(): spawning the program, its pipes or
// pseudo-terminal, the files it reads or writes, the file-size limit, and
// the deadline and output cap that stop a program that runs away.
#include "run_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

extern char** environ;

namespace {

// Generous, for a program under valgrind or an emulator; a sound run of any
// row takes milliseconds.
constexpr auto kDeadline = std::chrono::seconds(10);
constexpr std::size_t kCap = 1 << 20;  // bytes of output, more than any row writes

// The launcher's words, then the program (see run_program.hpp).
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
// that kLimitedFile writes to.
bool spawn(Stdout where, int input, const Pipe& out, const Pipe& err, int file, pid_t* pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  if (where == Stdout::kFull) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  } else if (where == Stdout::kClosed) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else if (where == Stdout::kLimitedFile) {
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
  if (where != Stdout::kLimitedFile) sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> words = command();
  // The exec family takes char* for historical reasons and writes nothing;
  // the last element stays the null pointer that ends the list.
  std::vector<char*> argv(words.size() + 1, nullptr);
  std::transform(words.begin(), words.end(), argv.begin(),
                 [](const std::string& word) { return const_cast<char*>(word.c_str()); });
  // A preloaded library (libfaketime, under reprotest) may open a file as
  // the program starts and so take a closed descriptor 1: where the row
  // closes it, the program starts without one.
  std::vector<char*> env;
  for (char** var = environ; *var != nullptr; ++var) {
    if (where != Stdout::kClosed || std::string(*var).rfind("LD_PRELOAD=", 0) != 0) {
      env.push_back(*var);
    }
  }
  env.push_back(nullptr);
  const int failed = posix_spawnp(pid, argv[0], &actions, &attr, argv.data(), env.data());
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

}  // namespace

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
  const File tmp = unnamedFile(where == Stdout::kLimitedFile);
  const int file = tmp ? fileno(tmp.get()) : -1;
  const File inputFile = unnamedFile(feed == Feed::kFile);
  const int inFile = inputFile ? fileno(inputFile.get()) : -1;
  if ((where == Stdout::kLimitedFile && file < 0) ||
      (feed == Feed::kFile && (inFile < 0 || pwrite(inFile, input.data(), input.size(), 0) !=
                                                 static_cast<ssize_t>(input.size())))) {
    return {"", "", -1, "no file"};
  }
  // The program inherits the file-size limit; the test writes no file
  // while it is lowered.
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return {"", "", -1, "no file-size limit"};
  rlimit lowered = saved;
  if (where == Stdout::kLimitedFile) lowered.rlim_cur = std::min(saved.rlim_cur, kFileSizeLimit);
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
