// The commands of tunewell-cli. They follow the window's own flows (save,
// open and write of a configuration, password change) with the window's
// messages, and choose editors only through ChooseEditor / CreateConfigModel,
// so every model the project gains is served here without change.

#include "cli/cli.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "cli/device_session.h"
#include "editors/config_file.h"
#include "editors/cp1251.h"
#include "editors/editor_select.h"
#include "editors/kx_config.h"
#include "link/codec.h"
#include "link/serial_port.h"

namespace {

// The window's texts.
constexpr const char* kNoCable = "Кабель не подключен!";
constexpr const char* kReadOk = "Конфигурация прочитана успешно!";
constexpr const char* kWriteOk = "Конфигурация записана успешно!";
constexpr const char* kReadError = "Ошибка чтения конфигурации !";
constexpr const char* kBadFile = "Формат файла конфигурации неверный!";
constexpr const char* kOtherDevice = "Конфигурация предназначена для другого устройства!";
constexpr const char* kOtherFirmware = "Версия ПО не соотвествует версии конфигурации";
constexpr const char* kLoadError = "Ошибка загрузки конфигурации!";

constexpr const char* kDefaultPassword = "9072";
constexpr std::size_t kMaxPasswordLength = 8;
// The window shows at most this much of a refusal's detail.
constexpr std::size_t kMaxErrorDetail = 100;

constexpr std::string_view kConfigReply = "<config><config>";
constexpr std::string_view kConfigError = "<config><error>";
constexpr std::string_view kProducerReply = "<producer><producer>";

struct TContext {
  const TCliOptions& Options;
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
};

// A device text (Windows-1251) for the terminal.
std::string Shown(std::string_view deviceText) {
  return Cp1251ToUtf8(deviceText);
}

// A password typed in the terminal as the device takes it; one that cannot be
// sent as typed is refused.
std::string PasswordForDevice(const std::string& typed, const std::string& command) {
  std::string bytes;
  std::string problem;
  if (!DevicePassword(typed, bytes, problem))
    throw TCliFailure(kExitUsage, problem + "\nПодробнее: tunewell-cli " + command + " --help");
  return bytes;
}

std::string ChoosePort(const TContext& c) {
  if (c.Options.Port) return *c.Options.Port;
  // As the connect button does: one port is taken at once.
  const std::vector<std::string> ports = EnumVirtualComPorts();
  if (ports.empty()) throw TCliFailure(kExitNoDevice, kNoCable);
  if (ports.size() > 1) {
    std::string names;
    for (const std::string& p : ports) names += (names.empty() ? "" : ", ") + p;
    throw TCliFailure(kExitUsage,
                      "Найдено несколько портов (" + names + "); укажите нужный ключом -p.");
  }
  return ports.front();
}

// Opens the port, waits for the device and logs in.
struct TLoggedIn {
  explicit TLoggedIn(const TContext& c)
      : Password(c.Options.Password ? PasswordForDevice(*c.Options.Password, c.Options.Command)
                                    : kDefaultPassword),
        Session(ChoosePort(c)) {
    Versions = Session.WaitForDevice();
    Session.Login(Password);
  }
  std::string Password;  // checked before the port is opened
  TDeviceSession Session;
  TVersions Versions;
};

// The model for the versions, initialised with its variant.
std::unique_ptr<IKXConfig> ModelFor(const TVersions& versions) {
  const TEditorChoice choice = ChooseEditor(versions.Hw, versions.Sw);
  std::unique_ptr<IKXConfig> model = CreateConfigModel(choice.Kind);
  if (!model)
    throw TCliFailure(kExitBadInput, "Нет редактора для прибора " +
                                         DeviceTitle(versions.Hw, versions.Sw) + " (" +
                                         EditorName(choice.Kind) + ").");
  model->Init(choice.Variant);
  return model;
}

std::string ReadInput(const TContext& c, const std::string& name) {
  if (name == "-") {
    std::string data{std::istreambuf_iterator<char>(c.In), std::istreambuf_iterator<char>()};
    if (c.In.bad()) throw TCliFailure(kExitBadInput, "Не удалось прочитать stdin.");
    return data;
  }
  std::string data, error;
  if (!ReadWholeFile(name, data, error)) throw TCliFailure(kExitBadInput, error);
  return data;
}

void WriteOutput(const TContext& c, const std::string& data) {
  if (!c.Options.Output) {
    c.Out.write(data.data(), static_cast<std::streamsize>(data.size()));
    c.Out.flush();
    if (!c.Out) throw TCliFailure(kExitBadInput, "Не удалось вывести результат.");
    return;
  }
  std::string error;
  if (!WriteFileAtomically(*c.Options.Output, data, error)) throw TCliFailure(kExitBadInput, error);
}

// The configuration image as a file's text, as the window's save flow writes it.
std::string DecodeImage(const std::string& image, const TVersions& versions) {
  std::unique_ptr<IKXConfig> model = ModelFor(versions);
  try {
    model->FromDevice(image);
  } catch (const std::exception&) {
    throw TCliFailure(kExitBadInput, kReadError);
  }
  return RenderConfigFile(model->ToJson(), versions);
}

// A file's text as an image for a device of `versions`, as the window's open
// flow followed by a write builds it.
std::string EncodeFile(const std::string& text, const TVersions& versions) {
  std::unique_ptr<IKXConfig> model = ModelFor(versions);
  if (!model->FromJson(text)) throw TCliFailure(kExitBadInput, kLoadError);
  try {
    return model->ToDevice();
  } catch (const TFieldTooLong& e) {
    throw TCliFailure(kExitBadInput, e.what());
  }
}

int Ports(const TContext& c) {
  const std::vector<std::string> ports = EnumVirtualComPorts();
  if (ports.empty()) c.Err << kNoCable << '\n';
  for (const std::string& p : ports) c.Out << p << '\n';
  return kExitOk;
}

int Info(const TContext& c) {
  TLoggedIn device(c);
  const TVersions& v = device.Versions;
  const TEditorChoice choice = ChooseEditor(v.Hw, v.Sw);
  std::ostringstream text;
  text << "hardware: " << v.Hw << '\n'
       << "firmware: " << v.Sw << '\n'
       << "title: " << DeviceTitle(v.Hw, v.Sw) << '\n'
       << "editor: " << EditorName(choice.Kind) << '\n'
       << "variant: " << choice.Variant << '\n';
  // Only these devices carry a GID; the window asks them right after login.
  if (v.Hw == "9.10") {
    const std::string reply = device.Session.Request("<producer<?>>");
    if (!reply.starts_with(kProducerReply))
      throw TCliFailure(kExitRefused, "Прибор не сообщил GID.");
    text << "gid: " << HexEncode(reply.substr(kProducerReply.size(), 6)) << '\n';
  }
  c.Out << text.str();
  return kExitOk;
}

int Read(const TContext& c) {
  TLoggedIn device(c);
  // Refuse before any traffic when nothing could show the configuration.
  ModelFor(device.Versions);
  const std::string reply = device.Session.Request("<config<?>>", TDeviceSession::kConfigReadWait);
  if (!reply.starts_with(kConfigReply)) {
    std::string message = kReadError;
    if (reply.starts_with(kConfigError))
      message += "\nОтвет прибора: " + Shown(reply.substr(kConfigError.size(), kMaxErrorDetail));
    throw TCliFailure(kExitRefused, message);
  }
  WriteOutput(c, DecodeImage(reply.substr(kConfigReply.size()), device.Versions));
  c.Err << kReadOk << '\n';
  return kExitOk;
}

int Write(const TContext& c) {
  // The file is checked before the device is touched.
  const std::string text = ReadInput(c, c.Options.Args[0]);
  const TVersions file = ReadFileVersions(text);
  if (file.Hw.empty() || file.Sw.empty()) throw TCliFailure(kExitBadInput, kBadFile);

  TLoggedIn device(c);
  const TVersions& v = device.Versions;
  if (file.Hw != v.Hw) throw TCliFailure(kExitBadInput, kOtherDevice);
  // A device reporting firmware "0.0" takes any file of its hardware.
  if (file.Sw != v.Sw && v.Sw != "0.0" && !c.Options.Force)
    throw TCliFailure(kExitBadInput, std::string(kOtherFirmware) + " (файл: " + file.Sw +
                                         ", прибор: " + v.Sw +
                                         ").\nЧтобы записать всё равно, добавьте --force.");
  const std::string image = EncodeFile(text, v);
  std::string frame;
  try {
    frame = ConfigWriteFrame(image);
  } catch (const TLengthError&) {
    throw TCliFailure(kExitBadInput, "Образ конфигурации слишком велик для записи.");
  }
  const std::string reply = device.Session.Request(frame, TDeviceSession::kConfigWriteWait);
  if (reply.starts_with("<config><ok>")) {
    c.Err << kWriteOk << '\n';
    return kExitOk;
  }
  // The window takes the text after "<config><error>"; any other answer is
  // shown whole after the command's label.
  const std::size_t skip = reply.starts_with(kConfigError) ? kConfigError.size() : 8;
  const std::string detail = Shown(reply.substr(skip, kMaxErrorDetail));
  throw TCliFailure(kExitRefused, "Ошибка записи конфигурации " + detail + " !");
}

int Passwd(const TContext& c) {
  const std::string& typed = c.Options.Args[0];
  const std::string password = PasswordForDevice(typed, c.Options.Command);
  if (password.size() > kMaxPasswordLength)
    throw TCliFailure(kExitUsage, "Новый пароль длиннее " + std::to_string(kMaxPasswordLength) +
                                      " символов.\nПодробнее: tunewell-cli passwd --help");
  TLoggedIn device(c);
  const std::string reply = device.Session.Request(TextFrame("password", password));
  if (reply.starts_with("<password><error>"))
    throw TCliFailure(kExitRefused, "Прибор не принял новый пароль.");
  c.Err << "Пароль доступа изменён.\n";
  return kExitOk;
}

int Decode(const TContext& c) {
  const TVersions versions{*c.Options.Hw, *c.Options.Sw};
  const std::string image = ReadInput(c, c.Options.Args[0]);
  WriteOutput(c, DecodeImage(image, versions));
  return kExitOk;
}

int Encode(const TContext& c) {
  const std::string text = ReadInput(c, c.Options.Args[0]);
  const TVersions versions = ReadFileVersions(text);
  if (versions.Hw.empty() || versions.Sw.empty()) throw TCliFailure(kExitBadInput, kBadFile);
  WriteOutput(c, EncodeFile(text, versions));
  return kExitOk;
}

int Dispatch(const TContext& c) {
  const std::string& command = c.Options.Command;
  if (command == "ports") return Ports(c);
  if (command == "info") return Info(c);
  if (command == "read") return Read(c);
  if (command == "write") return Write(c);
  if (command == "passwd") return Passwd(c);
  if (command == "decode") return Decode(c);
  return Encode(c);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
  try {
    const TCliOptions options = ParseCliArgs(args);
    if (options.Help) {
      out << CliHelp(options.Command);
      return kExitOk;
    }
    return Dispatch(TContext{options, in, out, err});
  } catch (const TCliFailure& e) {
    err << e.what() << '\n';
    return e.Code();
  } catch (const std::exception& e) {
    // A fault of our own; still say what it was rather than abort.
    err << "Внутренняя ошибка: " << e.what() << '\n';
    return kExitBadInput;
  }
}
