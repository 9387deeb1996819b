// The command line: commands, their options and their help texts.

#include <array>
#include <string_view>

#include "cli/cli.h"

namespace {

enum TOptionBit : unsigned {
  kOptPort = 1,
  kOptPassword = 2,
  kOptOutput = 4,
  kOptForce = 8,
  kOptHw = 16,
  kOptSw = 32,
};

struct TCommandInfo {
  std::string_view Name;
  unsigned Options;
  std::size_t Args;  // exactly this many arguments
  std::string_view Usage;
  std::string_view Help;
};

constexpr std::string_view kProgram = "tunewell-cli";

// One row per command: what it takes and what it says about itself.
constexpr std::array<TCommandInfo, 7> kCommands{{
    {"ports", 0, 0, "ports",
     "Перечисляет виртуальные COM-порты USB, на которых может быть прибор, по одному\n"
     "в строке. Когда портов нет, ничего не выводит (в stderr: \"Кабель не подключен!\")\n"
     "и завершается с кодом 0.\n"},
    {"info", kOptPort | kOptPassword, 0, "info   [-p ПОРТ] [--password ПАРОЛЬ]",
     "Входит в прибор и выводит строки \"ключ: значение\": hardware, firmware,\n"
     "title (заголовок, как в окне программы), editor (KX-21 ... KX-82 или none),\n"
     "variant и, для аппаратной версии 9.10, gid (12 шестнадцатеричных цифр).\n"},
    {"read", kOptPort | kOptPassword | kOptOutput, 0,
     "read   [-p ПОРТ] [--password ПАРОЛЬ] [-o ФАЙЛ]",
     "Читает конфигурацию прибора и выводит её как файл конфигурации (.cfg), точно\n"
     "так, как его сохраняет окно программы. Без -o текст идёт в stdout; с -o\n"
     "записывается в ФАЙЛ (имя берётся как есть, расширение не меняется).\n"},
    {"write", kOptPort | kOptPassword | kOptForce, 1,
     "write  [-p ПОРТ] [--password ПАРОЛЬ] [--force] ФАЙЛ.cfg",
     "Записывает файл конфигурации в прибор. Файл должен быть сделан для той же\n"
     "аппаратной версии; при другой версии ПО запись отклоняется, если не указан\n"
     "--force (прибор с версией ПО 0.0 принимает файл без проверки версии ПО).\n"},
    {"passwd", kOptPort | kOptPassword, 1, "passwd [-p ПОРТ] [--password ПАРОЛЬ] НОВЫЙ",
     "Меняет пароль доступа прибора на НОВЫЙ (не более 8 символов, можно пустой:\n"
     "\"\"). --password - текущий пароль.\n"},
    {"decode", kOptHw | kOptSw | kOptOutput, 1, "decode --hw ВЕРСИЯ --sw ВЕРСИЯ [-o ФАЙЛ] ОБРАЗ|-",
     "Превращает образ конфигурации (двоичный, как его отдаёт прибор) в файл\n"
     "конфигурации для прибора с аппаратной версией --hw и версией ПО --sw.\n"
     "\"-\" - читать образ из stdin.\n"},
    {"encode", kOptOutput, 1, "encode [-o ФАЙЛ] ФАЙЛ.cfg|-",
     "Превращает файл конфигурации в двоичный образ для прибора его версий\n"
     "(\"versionhw\", \"versionsw\"), без контрольной суммы и кадра.\n"},
}};

constexpr std::string_view kCommonHelp =
    "ПОРТ - имя из списка \"ports\" (ttyACM0) или путь к устройству (/dev/ttyACM0,\n"
    "/dev/pts/7). Без -p берётся единственный найденный порт.\n"
    "Пароль по умолчанию 9072.\n";

constexpr std::string_view kExitHelp =
    "Коды возврата: 0 - успех; 1 - прибор отказал (неверный пароль, запись\n"
    "отклонена); 2 - ошибка в командной строке; 3 - порт не открывается или прибор\n"
    "не отвечает; 4 - файл или образ не годится, версии не подходят.\n";

const TCommandInfo* FindCommand(std::string_view name) {
  for (const TCommandInfo& info : kCommands)
    if (info.Name == name) return &info;
  return nullptr;
}

[[noreturn]] void Usage(const std::string& command, const std::string& message) {
  std::string text = message + "\nПодробнее: " + std::string(kProgram) + " ";
  text += command.empty() ? "--help" : command + " --help";
  throw TCliFailure(kExitUsage, text);
}

struct TOptionInfo {
  std::string_view Long;
  char Short;
  TOptionBit Bit;
  bool TakesValue;
};

constexpr std::array<TOptionInfo, 6> kOptions{{
    {"port", 'p', kOptPort, true},
    {"password", 0, kOptPassword, true},
    {"output", 'o', kOptOutput, true},
    {"force", 0, kOptForce, false},
    {"hw", 0, kOptHw, true},
    {"sw", 0, kOptSw, true},
}};

void Store(TCliOptions& options, TOptionBit bit, std::string value) {
  switch (bit) {
    case kOptPort:
      options.Port = std::move(value);
      break;
    case kOptPassword:
      options.Password = std::move(value);
      break;
    case kOptOutput:
      options.Output = std::move(value);
      break;
    case kOptForce:
      options.Force = true;
      break;
    case kOptHw:
      options.Hw = std::move(value);
      break;
    case kOptSw:
      options.Sw = std::move(value);
      break;
  }
}

}  // namespace

TCliOptions ParseCliArgs(const std::vector<std::string>& args) {
  TCliOptions options;
  std::size_t i = 0;
  // Options of the program itself come before the command.
  if (i < args.size() && (args[i] == "-h" || args[i] == "--help")) {
    options.Help = true;
    return options;
  }
  if (i == args.size()) Usage("", "Не указана команда.");
  options.Command = args[i++];
  if (options.Command == "help") {
    options.Help = true;
    options.Command = i < args.size() ? args[i] : "";
    if (!options.Command.empty() && !FindCommand(options.Command))
      Usage("", "Неизвестная команда: " + options.Command);
    return options;
  }
  const TCommandInfo* info = FindCommand(options.Command);
  if (!info) Usage("", "Неизвестная команда: " + options.Command);

  bool onlyArgs = false;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyArgs || arg == "-" || arg.empty() || arg[0] != '-') {
      options.Args.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyArgs = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      options.Help = true;
      continue;
    }
    const TOptionInfo* option = nullptr;
    std::optional<std::string> value;  // given in the same word
    if (arg.starts_with("--")) {
      std::string name = arg.substr(2);
      if (const std::size_t eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
      for (const TOptionInfo& o : kOptions)
        if (o.Long == name) option = &o;
    } else {
      for (const TOptionInfo& o : kOptions)
        if (o.Short != 0 && o.Short == arg[1]) option = &o;
      if (option && arg.size() > 2) value = arg.substr(2);
    }
    if (!option) Usage(options.Command, "Неизвестный ключ: " + arg);
    const std::string shown = "--" + std::string(option->Long);
    if ((info->Options & option->Bit) == 0)
      Usage(options.Command, "Ключ " + shown + " не применяется к команде " + options.Command);
    if (!option->TakesValue) {
      if (value) Usage(options.Command, "Ключ " + shown + " не принимает значения");
      Store(options, option->Bit, {});
      continue;
    }
    if (!value) {
      if (i + 1 == args.size()) Usage(options.Command, "Ключу " + arg + " нужно значение");
      value = args[++i];
    }
    Store(options, option->Bit, std::move(*value));
  }
  if (options.Help) return options;

  if (options.Args.size() != info->Args) {
    if (options.Args.size() > info->Args)
      Usage(options.Command, "Лишний аргумент: " + options.Args[info->Args]);
    Usage(options.Command, "Не хватает аргумента команды " + options.Command);
  }
  if ((info->Options & kOptHw) && (!options.Hw || !options.Sw))
    Usage(options.Command, "Нужны обе версии: --hw и --sw");
  return options;
}

std::string CliHelp(const std::string& command) {
  std::string text;
  if (const TCommandInfo* info = FindCommand(command)) {
    text.append("Использование: ").append(kProgram).append(" ").append(info->Usage);
    text.append("\n\n").append(info->Help);
    if (info->Options & kOptPort) text.append("\n").append(kCommonHelp);
    text.append("\n").append(kExitHelp);
    return text;
  }
  text.append(kProgram).append(
      " - настройка приборов KX через виртуальный COM-порт USB и работа с\n"
      "файлами конфигурации без окна программы.\n\nИспользование:\n");
  for (const TCommandInfo& info : kCommands)
    text.append("  ").append(kProgram).append(" ").append(info.Usage).append("\n");
  text.append("\nСправка по команде: ").append(kProgram).append(" КОМАНДА --help\n\n");
  text.append(kCommonHelp).append("\n").append(kExitHelp);
  return text;
}
