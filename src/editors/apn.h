// The APN triple as devices store it: '"apn","user","pass"'.
#pragma once

#include <string>
#include <string_view>

#include "editors/field_types.h"

// '"' + apn + '","' + user + '","' + pass + '"' (three empty parts give '"","",""').
std::string ApnToText(const TApnTriple& apn);

// Every double quote removed, the rest split at commas: fields 1, 2 and 3; a
// missing field is empty. A comma inside a part thus shifts the rest, and a
// quote inside a part is lost, as on the device.
TApnTriple ApnFromText(std::string_view text);
