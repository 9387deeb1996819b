// tunewell-cli as a technician runs it: the built program, started as a
// process, against a simulated device on a pseudo-terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "editors/config_file.h"
#include "editors/editor_select.h"
#include "sim/sim_device.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kReadOk = "Конфигурация прочитана успешно!";
const char* const kWriteOk = "Конфигурация записана успешно!";
const char* const kBadFile = "Формат файла конфигурации неверный!";
const char* const kOtherDevice = "Конфигурация предназначена для другого устройства!";
const char* const kOtherFirmware = "Версия ПО не соотвествует версии конфигурации";
const char* const kLoadError = "Ошибка загрузки конфигурации!";
const char* const kReadError = "Ошибка чтения конфигурации !";
const char* const kNoAnswer = "Устройство не отвечает";

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
  double Seconds = 0;
};

// Runs the built program (or `program`) with `args`, feeding `input` to its
// stdin. A program that has not ended after a minute is killed and reported as
// exit -1.
TRun RunTool(const std::vector<std::string>& args, const std::string& input = {},
             const char* program = TW_CLI_PATH) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
    posix_spawn_file_actions_addclose(&actions, fd);

  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  TRun run;
  if (spawned != 0) {
    close(in[1]);
    close(out[0]);
    close(err[0]);
    return run;
  }
  // stdin is written whole up front where it fits in the pipe; the inputs
  // here are small images and files.
  signal(SIGPIPE, SIG_IGN);
  std::size_t written = 0;
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
  if (input.empty()) {
    close(in[1]);
    fds[2].fd = -1;
  }
  const auto limit = start + std::chrono::seconds(60);
  bool killed = false;
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (std::chrono::steady_clock::now() > limit) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (poll(fds, 3, 100) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
      } else {
        (i == 0 ? run.Out : run.Err).append(buffer, static_cast<std::size_t>(n));
      }
    }
    if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = write(fds[2].fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        close(fds[2].fd);
        fds[2].fd = -1;
      }
    }
  }
  for (const pollfd& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.Exit = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Slurp(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void Spit(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

fs::path Fixture(const std::string& name) {
  return fs::path(TW_FIXTURES_DIR) / name;
}

bool Sent(const TSimDevice& sim, const std::string& prefix) {
  for (const std::string& r : sim.Requests())
    if (r.starts_with(prefix)) return true;
  return false;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("tw_cli_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }
  fs::path Temp(const std::string& name) const { return FDir / name; }

  fs::path FDir;
};

TSimOptions Device(std::uint8_t swMinor, std::uint8_t swMajor, std::uint8_t hwMinor,
                   std::uint8_t hwMajor) {
  TSimOptions o;
  o.SwMinor = swMinor;
  o.SwMajor = swMajor;
  o.HwMinor = hwMinor;
  o.HwMajor = hwMajor;
  return o;
}

// --- the device -----------------------------------------------------------

TEST_F(CliTest, InfoNamesTheDeviceAndItsEditor) {
  struct TRow {
    TSimOptions Sim;
    std::string Gid;
    std::string Expected;
  };
  const std::vector<TRow> rows = {
      {Device(5, 2, 3, 9), "",
       "hardware: 9.3\nfirmware: 2.5\ntitle: KX-41 v 9.3    FirmWare v 2.5\n"
       "editor: KX-41\nvariant: 0\n"},
      {Device(5, 2, 10, 9), std::string("\x03\x0B\x00\x00\x00\x01", 6),
       "hardware: 9.10\nfirmware: 2.5\ntitle: KX-41 v 9.10    FirmWare v 2.5\n"
       "editor: KX-41\nvariant: 2\ngid: 030B00000001\n"},
      {Device(0, 0, 10, 9), std::string(6, '\0'),
       "hardware: 9.10\nfirmware: 0.0\ntitle: KX-41 v 9.10\n"
       "editor: KX-44\nvariant: 2\ngid: 000000000000\n"},
      {Device(1, 2, 0, 3), "",
       "hardware: 3.0\nfirmware: 2.1\ntitle: Прибор v3.0    FirmWare v 2.1\n"
       "editor: none\nvariant: 0\n"},
  };
  for (const TRow& row : rows) {
    TSimOptions options = row.Sim;
    if (!row.Gid.empty()) options.Gid = row.Gid;
    TSimDevice sim(options);
    const TRun run = RunTool({"info", "-p", sim.Path()});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, row.Expected);
    EXPECT_TRUE(Sent(sim, "<login<9072>>"));
    // Only 9.10 devices are asked for their GID.
    EXPECT_EQ(Sent(sim, "<producer<?>>"), !row.Gid.empty()) << row.Expected;
  }
}

TEST_F(CliTest, ReadGivesTheWindowsFileAndWriteSendsTheSameImageBack) {
  const std::string image = Slurp(Fixture("kx41_full.bin"));
  const std::string cfg = Slurp(Fixture("kx41_full.cfg"));
  ASSERT_FALSE(image.empty());
  ASSERT_FALSE(cfg.empty());

  TSimOptions options = Device(5, 2, 3, 9);
  options.Image = image;
  TSimDevice source(options);
  const TRun toStdout = RunTool({"read", "-p", source.Path()});
  ASSERT_EQ(toStdout.Exit, 0) << toStdout.Err;
  EXPECT_EQ(toStdout.Out, cfg);
  EXPECT_NE(toStdout.Err.find(kReadOk), std::string::npos);

  // An explicit -o name is used as given.
  const fs::path file = Temp("saved.txt");
  const TRun toFile = RunTool({"read", "-p", source.Path(), "-o", file.string()});
  ASSERT_EQ(toFile.Exit, 0) << toFile.Err;
  EXPECT_TRUE(toFile.Out.empty());
  EXPECT_EQ(Slurp(file), cfg);

  TSimDevice target(Device(5, 2, 3, 9));
  const TRun write = RunTool({"write", "-p", target.Path(), file.string()});
  ASSERT_EQ(write.Exit, 0) << write.Err;
  EXPECT_NE(write.Err.find(kWriteOk), std::string::npos);
  EXPECT_EQ(target.LastWrittenImage(), image);
}

TEST_F(CliTest, ReadOfADeviceWithoutEditorTouchesNothing) {
  TSimDevice sim(Device(1, 2, 0, 3));
  const TRun run = RunTool({"read", "-p", sim.Path(), "-o", Temp("x.cfg").string()});
  EXPECT_EQ(run.Exit, 4);
  EXPECT_FALSE(Sent(sim, "<config<"));
  EXPECT_FALSE(fs::exists(Temp("x.cfg")));
}

TEST_F(CliTest, WrongPasswordIsRefusedAndTheRightOneAccepted) {
  TSimOptions options = Device(5, 2, 3, 9);
  options.Password = "5555";
  TSimDevice sim(options);

  const TRun wrong = RunTool({"info", "-p", sim.Path()});
  EXPECT_EQ(wrong.Exit, 1);
  EXPECT_NE(wrong.Err.find("Неверный пароль!"), std::string::npos) << wrong.Err;
  EXPECT_TRUE(wrong.Out.empty());

  const TRun right = RunTool({"info", "-p", sim.Path(), "--password", "5555"});
  EXPECT_EQ(right.Exit, 0) << right.Err;
  EXPECT_TRUE(Sent(sim, "<login<5555>>"));
}

TEST_F(CliTest, SilentDeviceOrMissingPortEndsQuicklyWithExit3) {
  TSimDevice sim;
  sim.SetSilent(true);
  for (const char* command : {"info", "read"}) {
    const TRun run = RunTool({command, "-p", sim.Path()});
    EXPECT_EQ(run.Exit, 3) << command;
    EXPECT_NE(run.Err.find(kNoAnswer), std::string::npos) << run.Err;
    EXPECT_LT(run.Seconds, 15.0) << command;
  }

  const TRun missing = RunTool({"info", "-p", "/dev/no-such-tty"});
  EXPECT_EQ(missing.Exit, 3);
  EXPECT_NE(missing.Err.find("Ошиба открытия порта!"), std::string::npos) << missing.Err;
}

// The device answers the login, then nothing more: the command that was under
// way ends with exit 3 instead of waiting, and claims nothing.
TEST_F(CliTest, DeviceFallingSilentAfterLoginEndsWithExit3) {
  for (const char* command : {"read", "write"}) {
    SCOPED_TRACE(command);
    TSimDevice sim(Device(5, 2, 3, 9));
    // Time to catch the login before its answer leaves, well within the
    // 300 ms the link waits for a first byte.
    sim.SetAnswerDelay(100);
    const fs::path out = Temp("silent.cfg");
    std::vector<std::string> args{command, "-p", sim.Path()};
    if (command == std::string("read"))
      args.insert(args.end(), {"-o", out.string()});
    else
      args.push_back(Fixture("kx41_full.cfg").string());
    auto running = std::async(std::launch::async, [&] { return RunTool(args); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Sent(sim, "<login<") && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sim.SetSilent(true);
    const TRun run = running.get();
    EXPECT_EQ(run.Exit, 3) << run.Err;
    EXPECT_NE(run.Err.find(kNoAnswer), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("успешно"), std::string::npos) << run.Err;
    EXPECT_LT(run.Seconds, 15.0);
    EXPECT_FALSE(fs::exists(out));
    // The login did go through: the command itself was left unanswered.
    EXPECT_TRUE(Sent(sim, command == std::string("read") ? "<config<?>>" : "<config<#"));
  }
}

// The device refuses the write: nothing is claimed, the detail is shown.
TEST_F(CliTest, RefusedWriteReportsTheDevicesDetail) {
  TSimOptions options = Device(5, 2, 3, 9);
  options.WriteError = "7";
  TSimDevice sim(options);
  const TRun run = RunTool({"write", "-p", sim.Path(), Fixture("kx41_full.cfg").string()});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("Ошибка записи конфигурации 7 !"), std::string::npos) << run.Err;
  EXPECT_EQ(run.Err.find(kWriteOk), std::string::npos);
}

// A file as the window would have saved it for other versions.
std::string Refiled(const std::string& cfg, const std::string& hw, const std::string& sw) {
  if (!hw.empty()) return RenderConfigFile(cfg, {hw, sw});
  nlohmann::ordered_json json = nlohmann::ordered_json::parse(cfg);
  json.erase("versionhw");
  json.erase("versionsw");
  return json.dump(2, ' ', true);
}

TEST_F(CliTest, WriteChecksTheFilesVersionsAgainstTheDevice) {
  const std::string cfg = Slurp(Fixture("kx41_full.cfg"));
  const std::string image = Slurp(Fixture("kx41_full.bin"));
  ASSERT_FALSE(cfg.empty());
  struct TRow {
    std::string FileHw, FileSw;
    bool Force;
    int Exit;
    const char* Message;
  };
  const std::vector<TRow> rows = {
      {"", "", false, 4, kBadFile},           {"", "", true, 4, kBadFile},
      {"9.10", "2.5", true, 4, kOtherDevice}, {"9.3", "2.3", false, 4, kOtherFirmware},
      {"9.3", "2.3", true, 0, kWriteOk},      {"9.3", "2.5", false, 0, kWriteOk},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.FileHw + "/" + row.FileSw + (row.Force ? " --force" : ""));
    const fs::path file = Temp("w.cfg");
    Spit(file, Refiled(cfg, row.FileHw, row.FileSw));
    TSimDevice sim(Device(5, 2, 3, 9));
    std::vector<std::string> args{"write", "-p", sim.Path(), file.string()};
    if (row.Force) args.push_back("--force");
    const TRun run = RunTool(args);
    EXPECT_EQ(run.Exit, row.Exit) << run.Err;
    EXPECT_NE(run.Err.find(row.Message), std::string::npos) << run.Err;
    EXPECT_EQ(Sent(sim, "<config<#"), row.Exit == 0);
    EXPECT_EQ(sim.LastWrittenImage(), row.Exit == 0 ? image : "");
  }
}

TEST_F(CliTest, DeviceWithFirmware00TakesAFileOfAnyFirmware) {
  // Devices reporting firmware "0.0" that have an editor; the first one the
  // project models is used.
  struct TCandidate {
    TSimOptions Sim;
    std::string Hw;
  };
  const std::vector<TCandidate> candidates = {{Device(0, 0, 10, 9), "9.10"},
                                              {Device(0, 0, 5, 7), "7.5"},
                                              {Device(0, 0, 1, 6), "6.1"},
                                              {Device(0, 0, 1, 5), "5.1"}};
  for (const TCandidate& c : candidates) {
    const TEditorChoice choice = ChooseEditor(c.Hw, "0.0");
    std::unique_ptr<IKXConfig> model = CreateConfigModel(choice.Kind);
    const fs::path file = Temp("zero.cfg");
    if (!model) {
      // Not modelled yet: the version check still passes, the editor is missing.
      Spit(file, RenderConfigFile("{\"a\": 1}", {c.Hw, "3.7"}));
      TSimDevice sim(c.Sim);
      const TRun run = RunTool({"write", "-p", sim.Path(), file.string()});
      EXPECT_EQ(run.Exit, 4) << c.Hw;
      EXPECT_EQ(run.Err.find(kOtherFirmware), std::string::npos) << run.Err;
      EXPECT_NE(run.Err.find(EditorName(choice.Kind)), std::string::npos) << run.Err;
      continue;
    }
    model->Init(choice.Variant);
    Spit(file, RenderConfigFile(model->ToJson(), {c.Hw, "3.7"}));
    TSimDevice sim(c.Sim);
    const TRun run = RunTool({"write", "-p", sim.Path(), file.string()});
    EXPECT_EQ(run.Exit, 0) << c.Hw << ": " << run.Err;
    EXPECT_EQ(sim.LastWrittenImage(), model->ToDevice());
    return;
  }
}

TEST_F(CliTest, PasswdChangesTheDevicesPassword) {
  TSimDevice sim(Device(5, 2, 3, 9));
  const TRun run = RunTool({"passwd", "-p", sim.Path(), "1234"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(Sent(sim, "<password<1234>>"));
  EXPECT_EQ(sim.Password(), "1234");

  // The old default no longer opens it; the new one does, and changes it again.
  EXPECT_EQ(RunTool({"info", "-p", sim.Path()}).Exit, 1);
  const TRun again = RunTool({"passwd", "-p", sim.Path(), "--password", "1234", "87654321"});
  EXPECT_EQ(again.Exit, 0) << again.Err;
  EXPECT_EQ(sim.Password(), "87654321");
}

// kxsim started as a technician starts it, in the background: its first line
// of output is the terminal to use.
class TKxsim {
 public:
  explicit TKxsim(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<std::string> all{TW_KXSIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&FPid, TW_KXSIM_PATH, &actions, nullptr, argv.data(), environ) != 0) FPid = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    char c = 0;
    while (FPid != 0 && std::chrono::steady_clock::now() < limit) {
      pollfd pfd{out[0], POLLIN, 0};
      if (poll(&pfd, 1, 100) <= 0) continue;
      if (read(out[0], &c, 1) != 1 || c == '\n') break;
      FPath.push_back(c);
    }
    close(out[0]);
  }
  ~TKxsim() {
    if (FPid == 0) return;
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
  const std::string& Path() const { return FPath; }

 private:
  pid_t FPid = 0;
  std::string FPath;
};

// What is typed on kxsim's command line reaches the program as the device's
// own Windows-1251 text would.
TEST_F(CliTest, KxsimTakesTypedTextAsTheDeviceWouldHoldIt) {
  {
    TKxsim sim({"--password", "пароль"});
    ASSERT_FALSE(sim.Path().empty());
    const TRun run = RunTool({"info", "-p", sim.Path(), "--password", "пароль"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
  }
  {
    TKxsim sim({"--write-error", "занят"});
    ASSERT_FALSE(sim.Path().empty());
    const TRun run = RunTool({"write", "-p", sim.Path(), Fixture("kx41_full.cfg").string()});
    EXPECT_EQ(run.Exit, 1) << run.Err;
    EXPECT_NE(run.Err.find("Ошибка записи конфигурации занят !"), std::string::npos) << run.Err;
  }
}

// Options kxsim cannot honour stop it at once with exit 2, before it offers a
// terminal that would misbehave (or, for an image no frame can carry, die at
// the first read).
TEST_F(CliTest, KxsimRefusesOptionsItCannotHonour) {
  const fs::path big = Temp("big.bin");
  Spit(big, std::string(16383, 'x'));
  const std::vector<std::vector<std::string>> rows = {
      {"--gid", "-1-1-1-1-1-1"}, {"--gid", "+f0000000000"}, {"--gid", " 10000000000"},
      {"--password", "a>b"},     {"--image", big.string()},
  };
  for (const auto& args : rows) {
    const TRun run = RunTool(args, {}, TW_KXSIM_PATH);
    EXPECT_EQ(run.Exit, 2) << args[0] << " " << args[1] << "\n" << run.Out;
    EXPECT_TRUE(run.Out.empty()) << args[1];
    EXPECT_FALSE(run.Err.empty()) << args[1];
  }
}

// --- the command line -------------------------------------------------------

TEST_F(CliTest, UsageErrorsExit2WithoutTouchingTheDevice) {
  TSimDevice sim;
  const std::string port = sim.Path();
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"frobnicate"},
      {"info", "-p", port, "--bogus"},
      {"info", "-p"},
      {"info", "-p", port, "--force"},
      {"info", "-p", port, "extra"},
      {"read", "-p", port, "--hw", "9.3"},
      {"write", "-p", port},
      {"write", "-p", port, "a.cfg", "b.cfg"},
      {"passwd", "-p", port},
      {"passwd", "-p", port, "123456789"},
      {"passwd", "-p", port, "a>b"},
      {"passwd", "-p", port, "--force", "1"},
      {"decode", "--hw", "9.3", "image.bin"},
      {"decode", "--sw", "2.5", "image.bin"},
      {"decode", "--hw", "9.3", "--sw", "2.5"},
      {"encode"},
      {"encode", "-p", port, "a.cfg"},
      {"ports", "extra"},
      {"help", "frobnicate"},
  };
  for (const auto& args : rows) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    const TRun run = RunTool(args);
    EXPECT_EQ(run.Exit, 2) << line << "\n" << run.Err;
    EXPECT_TRUE(run.Out.empty()) << line;
    EXPECT_FALSE(run.Err.empty()) << line;
  }
  EXPECT_FALSE(Sent(sim, "<login<"));
}

TEST_F(CliTest, HelpForTheProgramAndEveryCommand) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--help"}, "encode"},           {{"help"}, "passwd"},
      {{"ports", "--help"}, "ports"},   {{"info", "-h"}, "info"},
      {{"read", "--help"}, "-o"},       {{"write", "--help"}, "--force"},
      {{"passwd", "--help"}, "НОВЫЙ"},  {{"decode", "--help"}, "--hw"},
      {{"encode", "--help"}, "encode"}, {{"help", "write"}, "--force"},
  };
  for (const auto& [args, word] : rows) {
    const TRun run = RunTool(args);
    EXPECT_EQ(run.Exit, 0) << args[0];
    EXPECT_NE(run.Out.find("Использование"), std::string::npos) << args[0];
    EXPECT_NE(run.Out.find(word), std::string::npos) << args[0];
  }
}

TEST_F(CliTest, PortsListsWithoutFailing) {
  const TRun run = RunTool({"ports"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  // Either ports, one a line, or none and the window's message.
  if (run.Out.empty())
    EXPECT_NE(run.Err.find("Кабель не подключен!"), std::string::npos);
  else
    EXPECT_EQ(run.Out.back(), '\n');
}

// --- files and images ---------------------------------------------------------

// One row per editor: its fixture image and file, made for these versions.
struct TFixtureRow {
  const char* Image;
  const char* File;
  const char* Hw;
  const char* Sw;
};
const TFixtureRow kFixtureRows[] = {
    {"kx41_full.bin", "kx41_full.cfg", "9.3", "2.5"},
};

TEST_F(CliTest, DecodeAndEncodeRoundTripEveryEditorsFixture) {
  for (const TFixtureRow& row : kFixtureRows) {
    SCOPED_TRACE(row.Image);
    const std::string image = Slurp(Fixture(row.Image));
    const std::string cfg = Slurp(Fixture(row.File));
    ASSERT_FALSE(image.empty());
    ASSERT_FALSE(cfg.empty());
    const std::string imagePath = Fixture(row.Image).string();
    const std::string cfgPath = Fixture(row.File).string();

    const TRun decoded = RunTool({"decode", "--hw", row.Hw, "--sw", row.Sw, imagePath});
    EXPECT_EQ(decoded.Exit, 0) << decoded.Err;
    EXPECT_EQ(decoded.Out, cfg);

    const TRun fromStdin = RunTool({"decode", "--hw", row.Hw, "--sw", row.Sw, "-"}, image);
    EXPECT_EQ(fromStdin.Exit, 0) << fromStdin.Err;
    EXPECT_EQ(fromStdin.Out, cfg);

    const TRun encoded = RunTool({"encode", cfgPath});
    EXPECT_EQ(encoded.Exit, 0) << encoded.Err;
    EXPECT_EQ(encoded.Out, image);

    const fs::path out = Temp("image.bin");
    const TRun toFile = RunTool({"encode", "-o", out.string(), "-"}, cfg);
    EXPECT_EQ(toFile.Exit, 0) << toFile.Err;
    EXPECT_TRUE(toFile.Out.empty());
    EXPECT_EQ(Slurp(out), image);
  }
}

TEST_F(CliTest, DecodeAndEncodeRefuseWhatTheyCannotUse) {
  const std::string image = Slurp(Fixture("kx41_full.bin"));
  const std::string cfg = Slurp(Fixture("kx41_full.cfg"));
  ASSERT_FALSE(cfg.empty());
  const fs::path shortImage = Temp("short.bin");
  Spit(shortImage, image.substr(0, 10));
  const fs::path noVersions = Temp("noversions.cfg");
  Spit(noVersions, Refiled(cfg, "", ""));
  const fs::path notJson = Temp("not.cfg");
  Spit(notJson, "not json at all");
  const fs::path wrongTypes = Temp("wrongtypes.cfg");
  {
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(cfg);
    for (auto& [key, value] : json.items())
      if (value.is_string() && key != "versionhw" && key != "versionsw") value = 12345;
    Spit(wrongTypes, json.dump(2));
  }
  const std::string imagePath = Fixture("kx41_full.bin").string();
  struct TRow {
    std::vector<std::string> Args;
    const char* Message;  // empty: any message
  };
  const std::vector<TRow> rows = {
      {{"decode", "--hw", "3.0", "--sw", "2.1", imagePath}, "none"},
      {{"decode", "--hw", "9.3", "--sw", "2.5", shortImage.string()}, kReadError},
      {{"decode", "--hw", "9.3", "--sw", "2.5", Temp("missing.bin").string()}, ""},
      {{"encode", noVersions.string()}, kBadFile},
      {{"encode", notJson.string()}, kBadFile},
      {{"encode", wrongTypes.string()}, kLoadError},
      {{"encode", "-o", (Temp("no-dir") / "x.bin").string(), Fixture("kx41_full.cfg").string()},
       ""},
  };
  for (const TRow& row : rows) {
    const TRun run = RunTool(row.Args);
    EXPECT_EQ(run.Exit, 4) << row.Args.back() << "\n" << run.Err;
    EXPECT_TRUE(run.Out.empty()) << row.Args.back();
    EXPECT_FALSE(run.Err.empty());
    EXPECT_NE(run.Err.find(row.Message), std::string::npos) << run.Err;
  }
}

}  // namespace
