// Configuration files: the envelope with the versions, file names, reading and
// atomic writing, and the frame that carries an image to the device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "editors/config_file.h"
#include "editors/kx4x/kx41_config.h"
#include "link/codec.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// A fresh directory per test, removed afterwards.
class TTempDir {
 public:
  TTempDir() {
    std::string tmpl = (fs::temp_directory_path() / "tw_editors_XXXXXX").string();
    FPath = ::mkdtemp(tmpl.data());
  }
  ~TTempDir() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
  }
  fs::path operator/(const std::string& name) const { return FPath / name; }
  const fs::path& Path() const { return FPath; }

 private:
  fs::path FPath;
};

std::string Slurp(const fs::path& p) {
  std::string content, error;
  EXPECT_TRUE(ReadWholeFile(p.string(), content, error)) << error;
  return content;
}

std::size_t EntriesIn(const fs::path& dir) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(File, RenderAddsVersionsAndEndsLinesWithCrLf) {
  TKX41Config c;
  c.Init(0);
  c.Data().Phone[0] = "\xCF";  // Cyrillic П
  const std::string file = RenderConfigFile(c.ToJson(), {"9.10", "2.5"});

  const auto j = nlohmann::ordered_json::parse(file);
  EXPECT_EQ(j["versionsw"], "2.5");
  EXPECT_EQ(j["versionhw"], "9.10");
  EXPECT_EQ(j.size(), 15u);
  EXPECT_EQ(std::prev(j.end()).key(), "versionhw");
  EXPECT_EQ(std::prev(j.end(), 2).key(), "versionsw");

  EXPECT_NE(file.find("\\u041f"), std::string::npos);
  for (std::size_t i = 0; i < file.size(); ++i) {
    const auto ch = static_cast<unsigned char>(file[i]);
    EXPECT_TRUE(ch < 0x80) << "plain ASCII at " << i;
    if (ch == '\n') {
      EXPECT_TRUE(i > 0 && file[i - 1] == '\r') << "bare LF at " << i;
    }
    if (ch == '\r') {
      EXPECT_TRUE(i + 1 < file.size() && file[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_EQ(file.substr(file.size() - 3), "}\r\n");
  EXPECT_EQ(ReadFileVersions(file).Hw, "9.10");

  TKX41Config back;
  back.Init(0);
  EXPECT_TRUE(back.FromJson(file));
  EXPECT_EQ(back.ToJson(), c.ToJson());
}

TEST(File, RenderKeepsTextsThatAreNoObject) {
  EXPECT_EQ(RenderConfigFile("not json\nsecond", {"9.3", "2.5"}), "not json\r\nsecond\r\n");
  EXPECT_EQ(RenderConfigFile("[1,\r\n2]", {"9.3", "2.5"}), "[1,\r\n2]\r\n");
  // Versions that are no UTF-8 cannot be rendered; the editor's text is kept.
  EXPECT_EQ(RenderConfigFile("{\"a\": 1}", {"9.3", "\xFF"}), "{\"a\": 1}\r\n");
  // Versions already present are replaced, not repeated.
  const std::string again =
      RenderConfigFile(RenderConfigFile("{\"a\": 1}", {"9.3", "2.5"}), {"9.4", "2.6"});
  EXPECT_EQ(again,
            "{\r\n  \"a\": 1,\r\n  \"versionsw\": \"2.6\",\r\n  \"versionhw\": \"9.4\"\r\n}\r\n");
}

TEST(File, ReadFileVersions) {
  struct TCase {
    std::string text, hw, sw;
  };
  const TCase cases[] = {
      {R"({"versionsw": "2.5", "versionhw": "9.10"})", "9.10", "2.5"},
      {R"({"versionhw": "7.5"})", "7.5", ""},
      {R"({"phone": []})", "", ""},
      {R"({"versionsw": 25, "versionhw": "9.3"})", "9.3", ""},
      {R"({"versionsw": "2.5", "versionhw": null})", "", "2.5"},
      {"{}", "", ""},
      {R"(["versionhw", "9.3"])", "", ""},
      {"not json", "", ""},
      {"", "", ""},
      {"{\r\n  \"versionhw\": \"5.2\",\r\n  \"versionsw\": \"1.3\"\r\n}\r\n", "5.2", "1.3"},
  };
  for (const auto& c : cases) {
    const TVersions v = ReadFileVersions(c.text);
    EXPECT_EQ(v.Hw, c.hw) << c.text;
    EXPECT_EQ(v.Sw, c.sw) << c.text;
  }
}

TEST(File, ConfigFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"conf.txt", "conf.cfg"},
      {"conf.CFG", "conf.cfg"},
      {"conf", "conf.cfg"},
      {"conf.cfg", "conf.cfg"},
      {"dir.v1/conf", "dir.v1/conf.cfg"},
      {"/home/t/a.b.json", "/home/t/a.b.cfg"},
      {"conf.", "conf.cfg"},
      {".hidden", ".hidden.cfg"},
      {"dir/.cfg", "dir/.cfg.cfg"},
      {"conf.cfgx", "conf.cfg"},
  };
  for (const auto& [chosen, want] : cases) EXPECT_EQ(ConfigFileName(chosen), want) << chosen;
}

TEST(File, WriteAtomicallyReplacesContent) {
  TTempDir dir;
  const fs::path target = dir / "conf.cfg";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.string(), "first", error)) << error;
  EXPECT_EQ(Slurp(target), "first");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string binary = "second\0\r\n\xFF"s;
  ASSERT_TRUE(WriteFileAtomically(target.string(), binary, error)) << error;
  EXPECT_EQ(Slurp(target), binary);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the file keeps its permissions";
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file left";
}

TEST(File, FailedWriteKeepsWhatWasThere) {
  TTempDir dir;
  std::string error;

  // The target is a directory (with a file in it): the rename fails even for root.
  const fs::path asDir = dir / "conf.cfg";
  fs::create_directory(asDir);
  std::ofstream(asDir / "inside") << "kept";
  EXPECT_FALSE(WriteFileAtomically(asDir.string(), "new", error));
  EXPECT_NE(error.find("conf.cfg"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(asDir));
  EXPECT_EQ(Slurp(asDir / "inside"), "kept");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "the temporary file is removed";

  // The directory does not exist.
  error.clear();
  EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "conf.cfg").string(), "new", error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(File, ReadWholeFileReportsFailures) {
  TTempDir dir;
  std::string content = "untouched", error;
  EXPECT_FALSE(ReadWholeFile((dir / "absent.cfg").string(), content, error));
  EXPECT_NE(error.find("absent.cfg"), std::string::npos);
  EXPECT_EQ(content, "untouched");
  error.clear();
  EXPECT_FALSE(ReadWholeFile(dir.Path().string(), content, error)) << "a directory is no file";
  EXPECT_FALSE(error.empty());

  const std::string big(200000, 'x');
  ASSERT_TRUE(WriteFileAtomically((dir / "big").string(), big, error)) << error;
  EXPECT_EQ(Slurp(dir / "big"), big);
}

TEST(File, ConfigWriteFrame) {
  EXPECT_EQ(ConfigWriteFrame("\x01\x02\x03"s), "<config<#\x04\x01\x02\x03\x3F>>"s);
  const std::string frame = ConfigWriteFrame(std::string(127, '\x00'));
  EXPECT_EQ(frame.substr(0, 11), "<config<#\x80\x01"s);
  EXPECT_EQ(frame.size(), 9 + 2 + 128 + 2);
  EXPECT_EQ(frame.substr(frame.size() - 2), ">>");
}
