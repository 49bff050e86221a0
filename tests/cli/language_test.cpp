// hosei-cli in the user's language: English texts under an English or C locale, Japanese
// ones from its catalogue under a Japanese locale, chosen by the usual variables in their
// usual order, with the catalogue found beside the program wherever it is installed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "photo_test_support.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
const auto npos = std::string::npos;

// Whether a text holds Japanese outside the window captions it quotes in brackets.
bool HasJapanese(const std::string& text) {
  const std::string outside = std::regex_replace(text, std::regex("\\[[^\\]\n]*\\]"), "");
  for (std::size_t i = 0; i < outside.size();) {
    const auto lead = static_cast<unsigned char>(outside[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned codePoint = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
    for (std::size_t k = 1; k < length && i + k < outside.size(); ++k)
      codePoint = codePoint << 6 | (static_cast<unsigned char>(outside[i + k]) & 0x3F);
    if (codePoint >= 0x2E80) return true;  // CJK, kana, full-width forms
    i += length;
  }
  return false;
}

// The folder to give as LOCPATH for ja_JP.UTF-8: empty where the system has the locale,
// else one made with localedef for this run; nothing when neither works.
std::optional<std::string> JapaneseLocalePath() {
  static ScratchFolder made;
  static const std::optional<std::string> path = []() -> std::optional<std::string> {
    if (locale_t ja = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", nullptr)) {
      ::freelocale(ja);
      return std::string();
    }
    const ProgramRun run = RunProgram(
        {"/usr/bin/localedef", "-i", "ja_JP", "-f", "UTF-8", (made / "ja_JP.UTF-8").string()});
    // localedef ends in 1 for warnings alone; what counts is the locale it wrote.
    if (!fs::exists(made / "ja_JP.UTF-8" / "LC_MESSAGES")) return std::nullopt;
    return made.path().string();
  }();
  return path;
}

// hosei-cli started with only the given locale variables.
ProgramRun CliWith(const std::vector<std::string>& variables,
                   const std::vector<std::string>& arguments,
                   const std::string& program = HOSEI_CLI_PATH) {
  std::vector<std::string> command = {"/usr/bin/env", "-u", "LANGUAGE", "-u", "LC_ALL", "-u",
                                      "LC_MESSAGES",  "-u", "LC_CTYPE", "-u", "LANG"};
  if (const auto path = JapaneseLocalePath(); path && !path->empty())
    command.push_back("LOCPATH=" + *path);
  command.insert(command.end(), variables.begin(), variables.end());
  command.push_back(program);
  command.insert(command.end(), arguments.begin(), arguments.end());
  return RunProgram(command);
}

class Language : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(folder / "p.bmp", Uniform(16, 12, Bgr{100, 150, 200}).bytes());
    runs = {
        {"--help", {"--help"}, "Exit status", "終了ステータス"},
        {"a refused parameter",
         {"--coefficient", "500", (folder / "p.bmp").string()},
         "is refused (accepted: 1 to 120)",
         "は受け付けられません（受け付ける値: 1～120）"},
        {"an unknown option", {"--sepia"}, "unknown option: --sepia", "不明なオプションです"},
        {"a missing file",
         {(folder / "gone.bmp").string()},
         "cannot open the file: " + (folder / "gone.bmp").string(),
         "ファイルを開けません: " + (folder / "gone.bmp").string()},
        {"no file", {}, "give the files to correct", "処理するファイルを指定してください"},
    };
  }
  void RequireJapanese() {
    if (!JapaneseLocalePath())
      GTEST_SKIP() << "ja_JP.UTF-8 is not installed and localedef could not make it";
  }
  struct Run {
    const char* name;
    std::vector<std::string> arguments;
    std::string english, japanese;  // found in what it prints
  };
  ScratchFolder folder;
  std::vector<Run> runs;
};

TEST_F(Language, UnderAnEnglishOrCLocaleNothingButTheQuotedCaptionsIsJapanese) {
  for (const char* locale : {"LC_ALL=C.UTF-8", "LC_ALL=C", "LANG=en_US.UTF-8"})
    for (const Run& run : runs) {
      SCOPED_TRACE(std::string(locale) + ", " + run.name);
      const ProgramRun done = CliWith({locale}, run.arguments);
      const std::string printed = done.out + done.err;
      EXPECT_NE(printed.find(run.english), npos) << printed;
      EXPECT_FALSE(HasJapanese(printed)) << printed;
    }
  // The English help still names the windows' fields as their captions do.
  EXPECT_NE(CliWith({"LC_ALL=C.UTF-8"}, {"--help"}).out.find("[減光係数]"), npos);
}

TEST_F(Language, UnderAJapaneseLocaleEveryLineIsJapanese) {
  RequireJapanese();
  for (const Run& run : runs) {
    SCOPED_TRACE(run.name);
    const ProgramRun done = CliWith({"LC_ALL=ja_JP.UTF-8"}, run.arguments);
    const std::string printed = done.out + done.err;
    EXPECT_NE(printed.find(run.japanese), npos) << printed;
    EXPECT_EQ(printed.find(run.english), npos) << printed;
    for (const std::string& line : Lines(printed))
      if (line.rfind("hosei-cli: ", 0) == 0) {
        EXPECT_TRUE(HasJapanese(line)) << line;
      }
  }
}

// Japanese has no blanks between words: the help is wrapped between characters, within
// 90 columns (two a character), and no line starts with a closing mark or ends with an
// opening one.
TEST_F(Language, TheJapaneseHelpIsWrappedWithinItsColumns) {
  RequireJapanese();
  const std::string help = CliWith({"LC_ALL=ja_JP.UTF-8"}, {"--help"}).out;
  ASSERT_TRUE(HasJapanese(help)) << help;
  for (const std::string& line : Lines(help)) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < line.size(); ++i)
      if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80)
        columns += static_cast<unsigned char>(line[i]) >= 0xE0 ? 2 : 1;
    EXPECT_LE(columns, 90u) << line;
    const std::string text = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    for (const char* mark : {"、", "。", "）"}) EXPECT_NE(text.rfind(mark, 0), 0u) << line;
    for (const char* mark : {"（", "「"})
      EXPECT_FALSE(text.size() >= 3 && text.compare(text.size() - 3, 3, mark) == 0) << line;
  }
}

// LANGUAGE first (unless the locale is C), then LC_ALL, LC_MESSAGES and LANG.
TEST_F(Language, TheVariablesAreReadInTheUsualOrder) {
  RequireJapanese();
  const struct {
    std::vector<std::string> variables;
    bool japanese;
  } cases[] = {
      {{"LANG=ja_JP.UTF-8"}, true},
      {{"LC_CTYPE=C.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, true},
      {{"LANG=ja_JP.UTF-8", "LC_MESSAGES=C.UTF-8"}, false},
      {{"LANG=C.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, true},
      {{"LC_ALL=C.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, false},
      {{"LC_ALL=ja_JP.UTF-8", "LANG=C.UTF-8"}, true},
      {{"LANG=C.UTF-8", "LANGUAGE=ja"}, true},
      {{"LC_ALL=ja_JP.UTF-8", "LANGUAGE=en"}, false},
      {{"LC_ALL=C", "LANGUAGE=ja"}, false},  // glibc: the C locale ignores LANGUAGE
  };
  for (const auto& c : cases) {
    std::string name;
    for (const std::string& v : c.variables) name += v + " ";
    SCOPED_TRACE(name);
    const ProgramRun done = CliWith(c.variables, {"--sepia"});
    EXPECT_EQ(done.err.find("不明なオプションです") != npos, c.japanese) << done.err;
  }
}

// The catalogue is looked for in share/locale beside the program's folder: an installed
// copy finds its own, and a copy with none beside it speaks English.
TEST_F(Language, TheCatalogueIsFoundBesideTheProgram) {
  RequireJapanese();
  const fs::path tree = folder / "usr", lonely = folder / "elsewhere";
  fs::create_directories(tree / "bin");
  fs::create_directories(tree / "share/locale/ja/LC_MESSAGES");
  fs::create_directories(lonely);
  fs::copy_file(HOSEI_CLI_PATH, tree / "bin/hosei-cli");
  fs::copy_file(HOSEI_CLI_PATH, lonely / "hosei-cli");
  fs::copy_file(HOSEI_LOCALE_DIR "/ja/LC_MESSAGES/hosei.mo",
                tree / "share/locale/ja/LC_MESSAGES/hosei.mo");
  EXPECT_NE(CliWith({"LC_ALL=ja_JP.UTF-8"}, {"--sepia"}, (tree / "bin/hosei-cli").string())
                .err.find("不明なオプションです"),
            npos);
  EXPECT_NE(CliWith({"LC_ALL=ja_JP.UTF-8"}, {"--sepia"}, (lonely / "hosei-cli").string())
                .err.find("unknown option"),
            npos);
}

}  // namespace
}  // namespace hosei::test
