#include "editors/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "link/codec.h"

namespace {

using TJson = nlohmann::ordered_json;

// Every line ends with CR LF, the last one included; existing CR LF pairs stay.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

std::string SystemError(int err) {
  return std::strerror(err);
}

std::string CannotWrite(const std::string& path, int err) {
  return "Не удалось записать файл «" + path + "»: " + SystemError(err);
}

// Writes all of `content`, retrying short writes and interruptions.
bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string RenderConfigFile(const std::string& editorJson, const TVersions& versions) {
  try {
    TJson j = TJson::parse(editorJson);
    if (j.is_object()) {
      j["versionsw"] = versions.Sw;
      j["versionhw"] = versions.Hw;
      return WithCrLf(j.dump(2, ' ', true));
    }
  } catch (const std::exception&) {
    // Not JSON, or versions that are not UTF-8: the editor's text is written as it is.
  }
  return WithCrLf(editorJson);
}

TVersions ReadFileVersions(const std::string& text) {
  const TJson j = TJson::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object() || j.empty()) return {};
  auto member = [&](const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
  };
  return {member("versionhw"), member("versionsw")};
}

std::string ConfigFileName(const std::string& chosen) {
  const std::size_t slash = chosen.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = chosen.rfind('.');
  // A dot that starts the name (".cfg", ".hidden") is part of the name, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return chosen + ".cfg";
  if (chosen.compare(dot, std::string::npos, ".cfg") == 0) return chosen;
  return chosen.substr(0, dot) + ".cfg";
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "Не удалось открыть файл «" + path + "»: " + SystemError(errno);
    return false;
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "Не удалось прочитать файл «" + path + "»: " + SystemError(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  content = std::move(data);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
  static std::atomic<unsigned> counter{0};
  // O_EXCL with a name of our own keeps the umask's permissions, which a
  // mkstemp file (always 0600) would not.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = CannotWrite(path, errno);
    return false;
  }
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

  int err = 0;
  if (!WriteAll(fd, content) || ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    error = CannotWrite(path, err);
    return false;
  }
  // The new name is durable only once the directory itself is on disk.
  const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::string ConfigWriteFrame(const std::string& image) {
  return BinaryFrame("config", image);
}
