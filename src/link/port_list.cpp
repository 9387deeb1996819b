// The list of USB virtual COM ports, from sysfs; see serial_port.h.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "link/serial_port.h"

namespace {

namespace fs = std::filesystem;

// CDC-ACM devices and USB-serial adapters; ttyS* are the board's own ports.
constexpr std::array<std::string_view, 2> kUsbPrefixes = {"ttyACM", "ttyUSB"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Compares runs of digits by value and everything else byte by byte, so that
// ttyACM2 comes before ttyACM10.
bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ie = i;
      std::size_t je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      std::string_view da = a.substr(i, ie - i);
      std::string_view db = b.substr(j, je - j);
      da.remove_prefix(std::min(da.find_first_not_of('0'), da.size()));
      db.remove_prefix(std::min(db.find_first_not_of('0'), db.size()));
      if (da.size() != db.size()) return da.size() < db.size();
      if (da != db) return da < db;
      i = ie;
      j = je;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // equal by value ("ttyACM01" and "ttyACM1"): any fixed order
}

bool HasUsbPrefix(std::string_view name) {
  return std::any_of(kUsbPrefixes.begin(), kUsbPrefixes.end(),
                     [&](std::string_view p) { return name.starts_with(p); });
}

}  // namespace

std::vector<std::string> EnumVirtualComPorts(const std::string& sysClassTty) {
  std::vector<std::string> ports;
  std::error_code ec;
  fs::directory_iterator it(sysClassTty, ec);
  if (ec) return ports;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (!HasUsbPrefix(name)) continue;
    // A tty without a device behind it (a leftover node) cannot be opened.
    std::error_code existsError;
    if (!fs::exists(it->path() / "device", existsError)) continue;
    ports.push_back(std::move(name));
  }
  std::sort(ports.begin(), ports.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  return ports;
}
