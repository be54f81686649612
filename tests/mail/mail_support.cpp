#include "mail_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/texts/codepages.h"
#include "mail/report_message.h"
#include "tests/support/files.h"

namespace mailtest {
namespace {

using Clock = std::chrono::steady_clock;

// Waits for a child until the deadline; true (and the status) when it ended.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int* status) {
  for (;;) {
    const pid_t done = waitpid(pid, status, WNOHANG);
    if (done == pid) return true;
    if (done < 0) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void KillAndReap(pid_t pid) {
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
}

std::vector<char*> Arguments(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  return args;
}

}  // namespace

std::string WithoutSubmissionHeaders(const std::string& delivered) {
  std::string text = delivered;
  for (const char* name : {"Date: ", "Message-ID: "}) {
    if (text.starts_with(name)) text.erase(0, text.find('\n') + 1);
  }
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int SendMessage(const char* stamp, const char* shop, const char* reportPath, std::string* reason) {
  MailHandOver handOver;
  const int result = SendReportMail(stamp, shop, reportPath, &handOver);
  if (reason != nullptr) *reason = host::MazoviaToUtf8(handOver.reason);
  return result;
}

std::optional<std::string> Run(const std::vector<std::string>& argv, int timeoutSeconds) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDERR_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> args = Arguments(argv);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  std::string output;
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd watch{out[0], POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  if (!WaitUntil(pid, deadline, &status)) {
    KillAndReap(pid);
    return std::nullopt;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

nlohmann::json ParseMessage(const std::filesystem::path& message,
                            const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const auto output = Run({"/usr/bin/python3", MAIL_TEST_DIR "/read_message.py",
                           std::filesystem::absolute(message).string(),
                           std::filesystem::absolute(folder).string()});
  if (!output) return nlohmann::json();
  return nlohmann::json::parse(*output, nullptr, false);
}

void MailTest::TearDown() {
  EXPECT_EQ(host::OpenFiles(), 0);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  EXPECT_EQ(host::UnknownFrees(), 0);
  PluginInProcess::TearDown();
}

SmtpServer::SmtpServer(const std::filesystem::path& folder, Config config)
    : spool_(folder / "spool") {
  std::filesystem::create_directories(spool_);
  std::vector<std::string> argv = {"/usr/bin/python3", MAIL_TEST_DIR "/smtp_server.py",
                                   "--spool",          spool_.string(),
                                   "--user",           config.user,
                                   "--password",       config.password};
  if (config.tls) {
    certificate_ = folder / "server.crt";
    const std::filesystem::path key = folder / "server.key";
    const auto made = Run({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                           "ec_paramgen_curve:prime256v1", "-nodes",
                           "-days", "1", "-subj", "/CN=localhost", "-addext",
                           "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", key.string(),
                           "-out", certificate_.string()});
    if (!made) return;
    argv.insert(argv.end(), {"--cert", certificate_.string(), "--key", key.string()});
    if (config.plainLogin) argv.push_back("--plain-login");
  }

  int in[2];
  int out[2];
  if (pipe(in) != 0) return;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  const std::string log = (folder / "smtp_server.log").string();
  const pid_t pid = fork();
  if (pid < 0) return;
  if (pid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err >= 0) dup2(err, STDERR_FILENO);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    std::vector<char*> args = Arguments(argv);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  pid_ = pid;
  input_ = in[1];
  fcntl(input_, F_SETFD, FD_CLOEXEC);

  // The first line it prints names the port; it must come within a few seconds.
  std::string line;
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  char c = 0;
  while (Clock::now() < deadline) {
    pollfd watch{out[0], POLLIN, 0};
    if (poll(&watch, 1, 100) <= 0) continue;
    if (read(out[0], &c, 1) != 1) break;
    if (c == '\n') break;
    line += c;
  }
  close(out[0]);
  if (line.rfind("PORT ", 0) == 0) port_ = std::atoi(line.c_str() + 5);
  if (port_ <= 0) Stop();
}

SmtpServer::~SmtpServer() { Stop(); }

std::vector<std::filesystem::path> SmtpServer::Messages() const {
  std::vector<std::filesystem::path> messages;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(spool_, error)) {
    if (entry.path().extension() == ".eml") messages.push_back(entry.path());
  }
  std::sort(messages.begin(), messages.end());
  return messages;
}

nlohmann::json SmtpServer::Envelope(const std::filesystem::path& message) const {
  std::filesystem::path envelope = message;
  envelope.replace_extension(".json");
  return nlohmann::json::parse(testsupport::ReadBytes(envelope), nullptr, false);
}

bool SmtpServer::Stop() {
  if (pid_ <= 0) return true;
  if (input_ >= 0) close(input_);
  input_ = -1;
  int status = 0;
  const bool ended = WaitUntil(pid_, Clock::now() + std::chrono::seconds(5), &status);
  if (!ended) KillAndReap(pid_);
  pid_ = -1;
  return ended;
}

}  // namespace mailtest
