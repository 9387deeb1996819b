// Windows-1251, the only code page the devices speak. Texts in models are
// Windows-1251 byte strings; the window and JSON files use UTF-8.
#pragma once

#include <string>
#include <string_view>

std::string Cp1251ToUtf8(std::string_view text);
// Characters Windows-1251 cannot hold become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp1251(std::string_view text);

// The bytes a password typed as UTF-8 is sent as. False, with a Russian
// `problem`, when it cannot be sent as typed: characters the device's code page
// lacks would silently become '?', and "<" or ">" would end the frame early and
// set a different password than the one typed, locking the technician out.
bool DevicePassword(std::string_view typed, std::string& bytes, std::string& problem);
