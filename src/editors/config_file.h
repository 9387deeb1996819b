// Configuration files (".cfg"): the editor's JSON object plus "versionsw" and
// "versionhw", written indented, plain ASCII (every other character as a \u
// escape), CR LF line ends. Shared by the window and the command line.
#pragma once

#include <string>

#include "editors/editor_select.h"

// The file text for an editor's ToJson text. When the editor's text is not a
// JSON object it is returned unchanged (with CR LF line ends).
std::string RenderConfigFile(const std::string& editorJson, const TVersions& versions);

// "versionhw" / "versionsw" of a file's text; empty texts when the text is not a
// JSON object with at least one member, or when a member is missing.
TVersions ReadFileVersions(const std::string& text);

// The save name: extension exactly ".cfg" ("conf.txt" and "conf.CFG" give
// "conf.cfg"; "conf" gives "conf.cfg").
std::string ConfigFileName(const std::string& chosen);

// Reads a whole file; false and a Russian `error` when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& content, std::string& error);

// Writes `content` to a temporary file beside `path` and renames it over
// `path`, so a failed write never destroys an existing file. False and a
// Russian `error` on failure.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

// The frame that writes a configuration image to the device:
// "<config<#" + prefix + image + Crc8(image) + ">>".
std::string ConfigWriteFrame(const std::string& image);
