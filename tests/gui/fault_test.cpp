// Files that go wrong under the windows: a source changed after it was chosen, bitmaps at
// the edges of what can be processed, names the engine or the file system makes hard.
// Each ends in a clear message, or in a result, and never loses a byte: the source stays
// as it is, no partial result is left, an earlier result stays intact.

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <map>

#include "execute.h"
#include "gui_test.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

// Every entry of a folder, hidden temporary files included: name -> content ("<folder>"
// for a folder).
using Listing = std::map<std::string, std::string>;

Listing List(const fs::path& folder) {
  Listing listing;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const auto name = entry.path().filename().string();
    if (entry.is_regular_file()) {
      const auto bytes = ReadFile(entry.path());
      listing[name] = std::string(bytes.begin(), bytes.end());
    } else {
      listing[name] = entry.is_directory() ? "<folder>" : "<other>";
    }
  }
  return listing;
}

std::string Names(const Listing& listing) {
  std::string names;
  for (const auto& [name, content] : listing) names += name + " ";
  return names;
}

class WindowFaultTest : public GuiTest {
 protected:
  // Runs Execute and returns the messages it showed.
  std::vector<ScriptedPlatformServices::Message> execute() {
    services.messages.clear();
    click("Command1");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    return services.messages;
  }
  // The engine's own result for a source with the window's initial parameters.
  std::vector<std::uint8_t> expectedResult(const fs::path& source) {
    FieldTexts texts;
    const auto out = scratch / "expected.bmp";
    EXPECT_TRUE(
        Execute({source.string(), std::get<Parameters>(ReadParameters(texts)), {}, out.string()})
            .succeeded());
    return ReadFile(out);
  }
};

TEST_F(WindowFaultTest, ASourceChangedAfterItWasChosenIsReportedAndLosesNothing) {
  TestBitmap bitmap;
  bitmap.width = 30;
  bitmap.height = 20;
  struct Fault {
    const char* what;
    std::function<void(const fs::path&)> apply;
    const char* message;  // how the message starts, before the path
    const char* status;
  };
  const Fault faults[] = {
      {"deleted", [](const fs::path& p) { fs::remove(p); },
       "ファイルを開けません: ", "処理できませんでした"},
      {"replaced by a folder",
       [](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       },
       "通常のファイルではありません: ", "処理できませんでした"},
      {"replaced by a pipe",
       [](const fs::path& p) {
         fs::remove(p);
         ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0);
       },
       "通常のファイルではありません: ", "処理できませんでした"},
      {"replaced by a text",
       [](const fs::path& p) {
         const std::string text = "not a picture\n";
         WriteFile(p, std::vector<std::uint8_t>(text.begin(), text.end()));
       },
       "24bit Windowsビットマップではありません", "色数のエラー"},
      {"truncated by ten bytes",
       [](const fs::path& p) { fs::resize_file(p, fs::file_size(p) - 10); },
       "ファイルが途中で切れています（画素データが足りません）: ", "処理できませんでした"},
      {"cut to its headers", [](const fs::path& p) { fs::resize_file(p, 54); },
       "ファイルが途中で切れています（画素データが足りません）: ", "処理できませんでした"},
      {"emptied", [](const fs::path& p) { fs::resize_file(p, 0); },
       "24bit Windowsビットマップではありません", "色数のエラー"},
  };
  int n = 0;
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = photos / ("case" + std::to_string(++n));
    fs::create_directory(folder);
    const fs::path source = folder / "scene.bmp";
    WriteFile(source, bitmap.bytes());
    choose(source);
    ASSERT_TRUE(execute().empty());
    const auto earlier = ReadFile(folder / "scene_.bmp");
    ASSERT_EQ(earlier, expectedResult(source));

    fault.apply(source);
    const Listing before = List(folder);
    const auto messages = execute();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QString::fromUtf8(fault.message)))
        << messages[0].text.toStdString();
    // The kind message is the same for every file; the others name it.
    if (QString::fromUtf8(fault.status) != "色数のエラー") {
      EXPECT_TRUE(messages[0].text.contains(Q(source))) << messages[0].text.toStdString();
    }
    EXPECT_EQ(text("Label4"), QString::fromUtf8(fault.status));
    // The source as the fault left it, the earlier result, and nothing else.
    EXPECT_EQ(List(folder), before) << Names(List(folder));
  }
}

TEST_F(WindowFaultTest, BitmapsTheEngineCannotProcessAreReportedWhenChosenAndAtExecute) {
  auto sized = [](int width, int height, int offset = 54) {
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixelDataOffset = offset;
    return bitmap;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* problem;  // how the reason starts
  };
  // The header of a 12.8 GB bitmap, and no more than a few of its rows.
  auto hugeButShort = sized(65535, 1).bytes();
  hugeButShort[22] = hugeButShort[23] = 0xFF;
  const Case cases[] = {
      {"width 0", sized(0, 5).bytes(), "幅または高さが 0 のビットマップは処理できません: "},
      {"height 0", sized(5, 0).bytes(), "幅または高さが 0 のビットマップは処理できません: "},
      {"pixels at offset 32768", sized(4, 3, 32768).bytes(),
       "画素データの位置が範囲外のビットマップは処理できません（54～32767 バイト）: "},
      {"pixels at offset 65535", sized(4, 3, 65535).bytes(),
       "画素データの位置が範囲外のビットマップは処理できません（54～32767 バイト）: "},
      {"65535 x 65535 in 196 kB", hugeButShort,
       "ファイルが途中で切れています（画素データが足りません）: "},
  };
  control<QCheckBox>("Check3")->click();  // a display copy is attempted too
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path source = photos / ("odd" + std::to_string(++n) + ".bmp");
    WriteFile(source, c.bytes);
    services.messages.clear();
    choose(source);
    // The header passes the accept test, so the file is current and its size recorded;
    // it just cannot be shown.
    EXPECT_EQ(text("Text3"), Q(source));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.startsWith("補助線入りの表示用ファイルを作れません\n" +
                                                     QString::fromUtf8(c.problem)))
        << services.messages[0].text.toStdString();
    EXPECT_TRUE(fs::is_empty(programFolder));

    const auto messages = execute();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(c.problem) + Q(source));
    EXPECT_EQ(ReadFile(source), c.bytes);
  }
  // Without guide lines the viewer reports the same reasons.
  control<QCheckBox>("Check3")->click();
  services.messages.clear();
  choose(photos / "odd1.bmp");
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.startsWith("画像を表示できません\n幅または高さが 0"));
  // Sources and nothing else.
  EXPECT_EQ(List(photos).size(), std::size(cases)) << Names(List(photos));
}

TEST_F(WindowFaultTest, ChoosingWhatIsNoFileGetsAMessage) {
  const fs::path folder = photos / "folder.bmp";
  fs::create_directory(folder);
  const fs::path pipe = photos / "pipe.bmp";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const std::pair<fs::path, const char*> chosen[] = {
      {folder, "通常のファイルではありません: "},
      {pipe, "通常のファイルではありません: "},
      {photos / "missing.bmp", "ファイルを開けません: "},
  };
  for (const auto& [path, message] : chosen) {
    services.messages.clear();
    choose(path);
    ASSERT_EQ(services.messages.size(), 1u) << path;
    EXPECT_TRUE(services.messages[0].text.startsWith(QString::fromUtf8(message) + Q(path)))
        << services.messages[0].text.toStdString();
    if (path == folder) {
      EXPECT_EQ(window->viewer(), nullptr);  // nothing accepted, nothing to show
    }
    const auto messages = execute();
    ASSERT_EQ(messages.size(), 1u) << path;
    EXPECT_TRUE(messages[0].text.startsWith(QString::fromUtf8(message) + Q(path)));
  }
  EXPECT_EQ(List(photos).size(), 2u) << Names(List(photos));
}

TEST_F(WindowFaultTest, TheWidestAndTallestBitmapsAreCorrectedAndShown) {
  for (const auto& [width, height] : {std::pair{65535, 1}, std::pair{1, 65535}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    const auto source = photo("extreme.bmp", bitmap);
    choose(source);
    EXPECT_EQ(viewerText("Label1"), QString::number(width));
    EXPECT_EQ(viewerText("Label2"), QString::number(height));
    EXPECT_EQ(viewerControl<PictureBox>("Image1")->picture().size(), QSize(width, height));
    click("Command4");
    EXPECT_TRUE(window->viewer()->circleShown());
    services.answerInputBox(QString::number(width - width / 5));  // the edges of the range
    services.answerInputBox(QString::number(height / 5));
    click("Command6");
    EXPECT_TRUE(window->movedCentre());
    ASSERT_TRUE(execute().empty());
    EXPECT_EQ(ReadFile(photos / "extreme_.bmp"), [&] {
      FieldTexts texts;
      const auto out = scratch / "expected.bmp";
      EXPECT_TRUE(Execute({source.string(), std::get<Parameters>(ReadParameters(texts)),
                           window->movedCentre(), out.string()})
                      .succeeded());
      return ReadFile(out);
    }());
    EXPECT_EQ(ReadFile(source), bitmap.bytes());
  }
}

TEST_F(WindowFaultTest, JapaneseNamesAndBlanksWorkThroughout) {
  const fs::path folder = photos / "写真 フォルダ";
  fs::create_directory(folder);
  const fs::path source = folder / "夏の 海.bmp";
  WriteFile(source, TestBitmap{}.bytes());
  control<QCheckBox>("Check3")->click();
  choose(source);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(services.confirmations.back().text, "夏の 海.bmp の処理を行ないます");
  EXPECT_EQ(window->viewer()->windowTitle(), Q(source));
  const fs::path copy = programFolder / "_夏の 海.bmp";
  EXPECT_TRUE(fs::exists(copy));
  EXPECT_EQ(window->viewer()->currentPath(), Q(copy));

  ASSERT_TRUE(execute().empty());
  const fs::path result = folder / "夏の 海_.bmp";
  EXPECT_EQ(ReadFile(result), expectedResult(source));
  EXPECT_EQ(text("Label4"), Q(result) + "で保存されました");
  EXPECT_EQ(window->viewer()->windowTitle(), "→　" + Q(result));
  EXPECT_EQ(List(folder).size(), 2u) << Names(List(folder));

  click("Command2");
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_TRUE(fs::exists(source) && fs::exists(result));
}

TEST_F(WindowFaultTest, ANameTooShortForAResultIsRefusedWithAMessage) {
  const auto source = photo("a.b");
  control<QCheckBox>("Check3")->click();
  choose(source);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.startsWith("ファイル名が短すぎます"));
  const auto messages = execute();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "ファイル名が短すぎます（4 文字以上必要です）: " + Q(source));
  EXPECT_EQ(text("Label4"), "処理できませんでした");
  EXPECT_EQ(List(photos).size(), 1u) << Names(List(photos));
  EXPECT_TRUE(fs::is_empty(programFolder));

  // The help line promises no result file.
  auto* executeButton = control<QPushButton>("Command1");
  QTest::mouseMove(window->windowHandle(), executeButton->geometry().center());
  EXPECT_EQ(text("Label13"), "処理を開始します");
}

TEST_F(WindowFaultTest, AResultThatCannotBeWrittenKeepsTheSourceAndTheFolder) {
  const auto source = photo("scene.bmp");
  choose(source);
  // The result's name is taken by a folder.
  fs::create_directory(photos / "scene_.bmp");
  const Listing before = List(photos);
  auto messages = execute();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.startsWith("ファイルを書き込めません: " + Q(photos / "scene_.bmp")));
  EXPECT_EQ(List(photos), before) << Names(List(photos));

  // The result's name is a link to the source itself, symbolic or hard.
  const auto sourceBytes = ReadFile(source);
  for (const bool symbolic : {true, false}) {
    fs::remove(photos / "scene_.bmp");
    if (symbolic)
      fs::create_symlink(source, photos / "scene_.bmp");
    else
      fs::create_hard_link(source, photos / "scene_.bmp");
    messages = execute();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("書き込み先が元のファイルと同じため、書き込みません"));
    EXPECT_EQ(ReadFile(source), sourceBytes);
    EXPECT_EQ(List(photos).size(), 2u) << Names(List(photos));
  }
}

TEST_F(WindowFaultTest, AFileNamedLikeADisplayCopyIsNeverReplaced) {
  // A user's own photo in the program folder, or a copy an earlier run left there.
  const fs::path theirs = programFolder / "_photo.bmp";
  TestBitmap other;
  other.width = 9;
  WriteFile(theirs, other.bytes());
  control<QCheckBox>("Check3")->click();
  const auto source = photo("photo.bmp");
  choose(source);
  choose(source);  // the copy this run made in the cache may be replaced
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(ReadFile(theirs), other.bytes());
  EXPECT_EQ(window->viewer()->currentPath(), Q(cacheFolder / "_photo.bmp"));
  click("Command2");
  EXPECT_FALSE(fs::exists(cacheFolder / "_photo.bmp"));
  EXPECT_EQ(ReadFile(theirs), other.bytes());
}

TEST_F(WindowFaultTest, WithoutACacheFolderATakenCopyNameGetsAMessage) {
  *workingFiles = WorkingFiles(Q(programFolder), QString());
  const fs::path theirs = programFolder / "_photo.bmp";
  WriteFile(theirs, TestBitmap{}.bytes());
  control<QCheckBox>("Check3")->click();
  choose(photo("photo.bmp"));
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(
      services.messages[0].text,
      "補助線入りの表示用ファイルを作れません\n同じ名前のファイルがあるため、上書きしません: " +
          Q(theirs));
  EXPECT_EQ(ReadFile(theirs), TestBitmap{}.bytes());
  EXPECT_EQ(window->viewer()->currentPath(), "");
}

TEST_F(WindowFaultTest, AReadOnlyFolderKeepsTheEarlierResult) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "running as root, which writes into read-only folders; the result path "
                    "taken by a folder stands in for it";
  const auto source = photo("scene.bmp");
  choose(source);
  ASSERT_TRUE(execute().empty());
  const Listing before = List(photos);
  fs::permissions(photos, fs::perms::owner_write, fs::perm_options::remove);
  const auto messages = execute();
  fs::permissions(photos, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.startsWith("ファイルを書き込めません: "));
  EXPECT_EQ(List(photos), before) << Names(List(photos));
}

}  // namespace
}  // namespace hosei::test
