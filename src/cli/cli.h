// tunewell-cli: the device and its configuration files from the command line.
//
// The commands drive the same link (TThreadCom over the serial port) and the
// same configuration models as the window, so a file read here opens there and
// the other way round.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Exit codes; scripts rely on them.
enum TCliExit : int {
  kExitOk = 0,
  kExitRefused = 1,   // the device said no: wrong password, refused write
  kExitUsage = 2,     // the command line itself is wrong
  kExitNoDevice = 3,  // no port, the port cannot be opened, no answer in time
  kExitBadInput = 4,  // a file or image that cannot be used, versions that do not fit
};

// Ends a command with a message for stderr and an exit code.
class TCliFailure : public std::runtime_error {
 public:
  TCliFailure(TCliExit code, const std::string& message)
      : std::runtime_error(message), FCode(code) {}
  TCliExit Code() const { return FCode; }

 private:
  TCliExit FCode;
};

struct TCliOptions {
  std::string Command;                  // "ports", "info", ...; empty: none given
  std::optional<std::string> Port;      // -p / --port
  std::optional<std::string> Password;  // --password, as typed (UTF-8)
  std::optional<std::string> Output;    // -o / --output
  std::optional<std::string> Hw;        // --hw
  std::optional<std::string> Sw;        // --sw
  bool Force = false;                   // --force
  bool Help = false;                    // -h / --help, or the command "help"
  std::vector<std::string> Args;        // the rest, in order ("-" included)
};

// Reads the command line (without the program name). Throws TCliFailure with
// kExitUsage for unknown commands and options, options the command does not
// take, missing values and a wrong number of arguments.
TCliOptions ParseCliArgs(const std::vector<std::string>& args);

// Help text of the program (empty command) or of one command.
std::string CliHelp(const std::string& command);

// Runs one command line; data goes to `out`, messages to `err`. Returns the
// exit code.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err);
