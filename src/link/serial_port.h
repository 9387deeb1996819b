// The serial port of a KX device: a USB virtual COM port driven through termios.
//
// Reads are timed the way the device protocol expects: a read of n bytes
// returns as soon as n bytes have arrived, at the first 1 ms of silence after
// data, or after n + 1 ms when nothing arrives at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

using TPortHandle = int;
constexpr TPortHandle kInvalidPortHandle = -1;

// Opens `path` for reading and writing, exclusively, in raw mode at `baud`
// (the program always passes 38400), 8 data bits, no parity, one stop bit,
// and discards anything pending in either direction. On failure `handle` is
// kInvalidPortHandle, the result false and `reason` (when given) tells why in
// Russian, for example that the user lacks permission for the device.
bool OpenSerialPort(const std::string& path, TPortHandle& handle, int baud,
                    std::string* reason = nullptr);

// The Russian text OpenSerialPort gives as `reason` when opening `path` failed
// with the system error `error` (an errno value): missing device, port busy,
// no permission, not a serial port, or the system's own description.
std::string SerialOpenErrorText(const std::string& path, int error);

void CloseSerialPort(TPortHandle handle);

// Discards received bytes not yet read.
void PurgeInput(TPortHandle handle);

// Writes all of `bytes`; false when the port refused them (for example, gone).
bool WriteAll(TPortHandle handle, std::string_view bytes);

// Reads up to `n` bytes into `buffer` with the timing described above.
// Returns the count read; 0 when nothing arrived or the port is gone.
std::size_t ReadTimed(TPortHandle handle, char* buffer, std::size_t n);

// The virtual COM ports of USB serial devices (CDC-ACM and USB-serial
// adapters), as the kernel names them ("ttyACM0", "ttyUSB1"): the entries of
// `sysClassTty` named ttyACM* or ttyUSB* that have a `device` link. Ordinary
// serial ports (ttyS*) and consoles are not offered. The names come in natural
// order (ttyACM2 before ttyACM10), since the directory order means nothing to
// a user. `sysClassTty` is the sysfs folder to look in (tests point it at a
// fixture tree); an unreadable folder gives an empty list.
//
// On Windows the equivalent list is made with QueryDosDevice: the device names
// beginning with "COM" (exact case) whose target contains "\VCP" (exact case),
// which is how the devices' USB driver marks its virtual ports.
std::vector<std::string> EnumVirtualComPorts(const std::string& sysClassTty = "/sys/class/tty");

// Device path of a port name: "/dev/" + name, or the name itself when it
// already is a path ("/dev/pts/7").
std::string PortDevicePath(const std::string& name);
