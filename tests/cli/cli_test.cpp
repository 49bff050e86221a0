// End-to-end runs of the hosei-cli binary on real files, and of RunBatch where a test needs
// the terminal or the process's CPUs.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <png.h>

#include <cstddef>
#include <cstdio>

#include "batch.h"
#include "command_line.h"
#include "file_error.h"
#include "parameter_table.h"
#include "test_bitmap.h"
#include "version.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
using Bgr = std::vector<int>;

struct Outcome {
  int exitCode;
  std::string out, err;
  int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A done line without its time, which differs from run to run.
std::string WithoutTimes(const std::string& text) {
  return std::regex_replace(text, std::regex("  [0-9.]+ 秒"), "");
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// Every entry below a folder: name -> kind, link target or size and hash of the content.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).string();
    if (entry.is_symlink()) {
      entries[name] = "link to " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      const auto bytes = ReadFile(entry.path());
      entries[name] = std::to_string(bytes.size()) + " bytes, hash " +
                      std::to_string(std::hash<std::string>{}({bytes.begin(), bytes.end()}));
    } else {
      entries[name] = "folder";
    }
  }
  return entries;
}

// Photo test files, made with the same libraries the engine reads them with: a picture
// whose pixels all differ from their neighbours, so that a correction shows everywhere.
std::vector<std::uint8_t> RgbPattern(int width, int height) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        rgb.push_back(static_cast<std::uint8_t>(x * (5 + c) + y * (3 + 2 * c)));
  return rgb;
}

void WriteJpeg(const fs::path& path, int width, int height) {
  jpeg_compress_struct jpeg{};
  jpeg_error_mgr errors{};
  jpeg.err = jpeg_std_error(&errors);
  jpeg_create_compress(&jpeg);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_stdio_dest(&jpeg, file);
  jpeg.image_width = static_cast<JDIMENSION>(width);
  jpeg.image_height = static_cast<JDIMENSION>(height);
  jpeg.input_components = 3;
  jpeg.in_color_space = JCS_RGB;
  jpeg_set_defaults(&jpeg);
  jpeg_set_quality(&jpeg, 92, TRUE);
  jpeg_start_compress(&jpeg, TRUE);
  auto rgb = RgbPattern(width, height);
  while (jpeg.next_scanline < jpeg.image_height) {
    JSAMPROW row = rgb.data() + static_cast<std::size_t>(jpeg.next_scanline) * 3 * width;
    jpeg_write_scanlines(&jpeg, &row, 1);
  }
  jpeg_finish_compress(&jpeg);
  jpeg_destroy_compress(&jpeg);
  std::fclose(file);
}

void WritePng(const fs::path& path, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const auto rgb = RgbPattern(width, height);
  ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr), 0);
}

void WriteTiff(const fs::path& path, int width, int height) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
  auto rgb = RgbPattern(width, height);
  for (int y = 0; y < height; ++y)
    ASSERT_EQ(TIFFWriteScanline(tiff, rgb.data() + static_cast<std::size_t>(y) * 3 * width,
                                static_cast<std::uint32_t>(y), 0),
              1);
  TIFFClose(tiff);
}

class CliTest : public ::testing::Test {
 protected:
  Outcome Cli(const std::vector<std::string>& arguments, const std::string& prefix = "") {
    std::string command = prefix + HOSEI_CLI_PATH;
    for (const std::string& a : arguments) {
      command += " '";
      for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
      command += "'";
    }
    const fs::path out = folder / ".out", err = folder / ".err";
    const int status =
        std::system((command + " </dev/null >" + out.string() + " 2>" + err.string()).c_str());
    const auto text = [](const fs::path& p) {
      const auto bytes = ReadFile(p);
      return std::string(bytes.begin(), bytes.end());
    };
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
    fs::remove(out), fs::remove(err);
    return run;
  }
  // A flat 640 x 480 picture of blue 100, green 150, red 200.
  fs::path Write(const std::string& name, int level = -1) {
    TestBitmap bitmap;
    bitmap.width = 640;
    bitmap.height = 480;
    bitmap.paint = [level](int, int, std::uint8_t* bgr) {
      for (int c = 0; c < 3; ++c)
        bgr[c] = static_cast<std::uint8_t>(level < 0 ? 100 + 50 * c : level);
    };
    WriteFile(folder / name, bitmap.bytes());
    return folder / name;
  }
  // A picture of the given size whose every pixel differs from its neighbours.
  fs::path WriteSized(const std::string& name, int width, int height) {
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    WriteFile(folder / name, bitmap.bytes());
    return folder / name;
  }
  // Pixel (x, y), y from the bottom, of the 640-wide result `name`.
  Bgr Pixel(const std::string& name, int x, int y) {
    const auto file = ReadFile(folder / name);
    const std::size_t at = 54 + static_cast<std::size_t>(y - 1) * 1920 + 3 * (x - 1);
    return {file.at(at), file.at(at + 1), file.at(at + 2)};
  }
  ScratchFolder folder;
};

TEST_F(CliTest, DefaultVignettingLeavesTheSourceAndReportsOneLine) {
  const fs::path source = Write("photo.bmp");
  const auto before = ReadFile(source);
  const Outcome run = Cli({source.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "") << "no progress bar when stderr is not a terminal";
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
  EXPECT_NE(run.out.find((folder / "photo_.bmp").string()), std::string::npos);
  EXPECT_NE(run.out.find("640×480"), std::string::npos);
  EXPECT_EQ(Pixel("photo_.bmp", 600, 240), (Bgr{104, 154, 204}));
  EXPECT_EQ(Pixel("photo_.bmp", 640, 480), (Bgr{116, 167, 216}));
  EXPECT_EQ(ReadFile(source), before);
}

TEST_F(CliTest, OptionsAreReadAsTheFieldsWouldBe) {
  const std::string source = Write("p.bmp").string();
  struct Case {
    std::vector<std::string> options;
    int x, y;
    Bgr pixel;
  };
  const Case cases[] = {
      {{"--boundary", "Sharp"}, 600, 240, {110, 160, 209}},
      {{"--coefficient=120"}, 640, 480, {193, 244, 255}},
      {{"--coefficient", "  120abc"}, 640, 480, {193, 244, 255}},
      {{"--mode", "fog", "--brightness", "-40", "--light-x", "0", "--light-y=0", "--size", "150"},
       1,
       1,
       {61, 114, 176}},
      {{"--mode=fog", "--size", "150"}, 150, 1, {100, 150, 200}},
      {{"--centre", "128,96"}, 128, 96, {100, 150, 200}},  // the lowest centre allowed
      {{"--centre", "128,96"}, 640, 480, {116, 167, 216}},
      {{"--quality", "10"}, 640, 480, {116, 167, 216}},  // no effect on a bitmap
      {{"--jobs", "3"}, 640, 480, {116, 167, 216}},
  };
  for (const Case& c : cases) {
    auto arguments = c.options;
    arguments.push_back(source);
    ASSERT_EQ(Cli(arguments).exitCode, 0) << c.options[0];
    EXPECT_EQ(Pixel("p_.bmp", c.x, c.y), c.pixel) << c.options[0];
  }
}

TEST_F(CliTest, UnusableCentreIsSentBackWithANote) {
  const std::string source = Write("c.bmp").string();
  ASSERT_EQ(Cli({"--quiet", source}).exitCode, 0);
  const auto centred = ReadFile(folder / "c_.bmp");
  for (const std::string centre : {"100,100", "320,240", ","}) {
    const Outcome run = Cli({"--centre", centre, source});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errLines(), 1) << centre << ": " << run.err;
    EXPECT_EQ(ReadFile(folder / "c_.bmp"), centred) << centre;
  }
}

TEST_F(CliTest, RefusedParameterOrUsageExitsWithTwoInOneLineAndWritesNothing) {
  const std::string source = Write("r.bmp").string();
  const std::string jobs = std::to_string(kFewestJobs) + "～" + std::to_string(kMostJobs),
                    quality = std::to_string(kLowestJpegQuality) + "～" +
                              std::to_string(kHighestJpegQuality);
  // The options, and what the line must say besides the program's name.
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"--start", "100"}, {"--start \"100\"", DeclarationOf(Field::kStart).accepted}},
      {{"--mode", "fog", "--brightness", "171"}, {"--brightness \"171\""}},
      {{"--mode=gamma", "--gamma", "2.68"}, {"--gamma \"2.68\""}},
      {{"--mode", "gamma", "--background", "40000"}, {"--background \"40000\""}},
      {{"--no-such-option"}, {"--no-such-option"}},
      {{"--mode", "sepia"}, {"--mode", "sepia"}},
      {{"--centre", "12"}, {"--centre", "12"}},
      {{"--output-dir", (folder / "missing").string()}, {"--output-dir"}},
      {{"--jobs", "0"}, {"--jobs \"0\"", jobs}},
      {{"--jobs", std::to_string(kMostJobs + 1)}, {"--jobs", jobs}},
      {{"--jobs=-2"}, {"--jobs \"-2\"", jobs}},
      {{"--jobs", "two"}, {"--jobs \"two\"", jobs}},
      {{"--jobs", ""}, {"--jobs \"\"", jobs}},
      {{"--jobs", "99999999999999999999"}, {"--jobs", jobs}},
      {{"--quality", "0"}, {"--quality \"0\"", quality}},
      {{"--quality", "101"}, {"--quality \"101\"", quality}},
      {{"--quality", "85.5"}, {"--quality \"85.5\"", quality}},
      {{"--quality", " 85"}, {"--quality \" 85\"", quality}},
      {{"--quality=high"}, {"--quality \"high\"", quality}},
      {{"--quality"}, {"--quality"}},  // no value
  };
  for (const auto& [options, says] : cases) {
    auto arguments = options;
    if (options != std::vector<std::string>{"--quality"}) arguments.push_back(source);
    const Outcome run = Cli(arguments);
    EXPECT_EQ(run.exitCode, 2) << options[0];
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_EQ(run.err.rfind("hosei-cli: ", 0), 0u) << run.err;
    for (const std::string& words : says)
      EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(folder / "r_.bmp")) << options[0];
  }
  EXPECT_EQ(Cli({}).exitCode, 2);
}

// Every numeric field of the table, given a value no conversion accepts, is refused with the
// table's option and accepted range.
TEST_F(CliTest, EveryRefusalNamesTheTablesOptionAndRange) {
  const std::string source = Write("t.bmp").string();
  const std::map<Mode, std::string> modes = {
      {Mode::kVignetting, "vignetting"}, {Mode::kFog, "fog"}, {Mode::kGamma, "gamma"}};
  int refused = 0;
  for (const ParameterDeclaration& d : kParameterTable) {
    if (d.conversion == Conversion::kShapeName) continue;  // any text is a softness
    const Outcome run =
        Cli({"--mode", modes.at(d.mode.value_or(Mode::kVignetting)), d.option, "1e400", source});
    EXPECT_EQ(run.exitCode, 2) << d.option;
    EXPECT_EQ(run.err, std::string("hosei-cli: ") + d.option +
                           " \"1e400\" は受け付けられません（受け付ける値: " + d.accepted + "）\n");
    ++refused;
  }
  EXPECT_GE(refused, 8);
  EXPECT_FALSE(fs::exists(folder / "t_.bmp"));
}

// The usage text is made from the parameter table: each field's option, its words and its
// default are there, and every option the text names is one the command accepts.
TEST_F(CliTest, UsageNamesEveryOptionOfTheTableAndOnlyOptionsThatWork) {
  const Outcome help = Cli({"--help"});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out, UsageText());
  // The text is wrapped: compare it with its line breaks and indents as single blanks.
  const std::string flat = std::regex_replace(help.out, std::regex("\\s+"), " ");
  for (const ParameterDeclaration& d : kParameterTable) {
    SCOPED_TRACE(d.option);
    EXPECT_NE(flat.find(std::string(" ") + d.option + " TEXT "), std::string::npos);
    EXPECT_NE(flat.find(d.optionHelp), std::string::npos);
    if (d.field != Field::kThreshold) {  // --background switches on; its default never applies
      EXPECT_NE(flat.find(std::string("(default \"") + d.defaultText + "\")"), std::string::npos);
    }
  }
  int named = 0;
  for (const std::string& line : Lines(help.out)) {
    if (line.rfind("  --", 0) != 0) continue;
    const std::string option = line.substr(2, line.find(' ', 2) - 2);
    ++named;
    std::string error;
    (void)ParseCommandLine({option, "1"}, error);
    EXPECT_EQ(error.find("不明なオプション"), std::string::npos) << option << ": " << error;
  }
  EXPECT_GE(named, static_cast<int>(kParameterTable.size()) + 8);
  for (const char* words : {"--jobs N", "--quality N", "JPEG", "PNG", "TIFF", "NAME_.EXT"})
    EXPECT_NE(flat.find(words), std::string::npos) << words;

  const Outcome version = Cli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("hosei-cli ") + kVersion + "\n");
}

TEST_F(CliTest, OutputFolderKeepsTheFirstOfTwoEqualResultNames) {
  for (const char* sub : {"a", "b", "out"}) fs::create_directory(folder / sub);
  const fs::path first = Write("a/x.bmp"), second = Write("b/x.bmp", 30);
  const Outcome run =
      Cli({"--output-dir", (folder / "out").string(), first.string(), second.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Pixel("out/x_.bmp", 320, 240), (Bgr{100, 150, 200}));
  EXPECT_FALSE(fs::exists(folder / "a" / "x_.bmp"));
}

// Nothing the user named is overwritten: a result that would replace another file named on
// the command line, found through links, refuses the whole command before anything is
// written, whatever --jobs.
TEST_F(CliTest, AResultThatWouldReplaceANamedFileRefusesEverything) {
  struct Case {
    std::string name;
    std::function<void(const fs::path& in)> prepare;  // in the case's own folder
    std::vector<std::string> arguments;               // paths relative to that folder
    std::string source, clash;                        // the two files the line names
  };
  const auto correctedBefore = [this](const fs::path& in) {
    ASSERT_EQ(Cli({"--quiet", (in / "a.bmp").string(), (in / "b.bmp").string()}).exitCode, 0);
  };
  const std::vector<Case> cases = {
      {"the same command again over its own results",
       correctedBefore,
       {"a.bmp", "a_.bmp", "b.bmp", "b_.bmp"},
       "a.bmp",
       "a_.bmp"},
      {"the user's own file of the result's name",
       [this](const fs::path& in) { Write((in / "b_.bmp").string(), 7); },
       {"b.bmp", "b_.bmp"},
       "b.bmp",
       "b_.bmp"},
      {"through a symbolic link",
       [&](const fs::path& in) {
         correctedBefore(in);
         fs::create_directory(in / "elsewhere");
         fs::create_symlink("../b_.bmp", in / "elsewhere" / "link.bmp");
       },
       {"elsewhere/link.bmp", "b.bmp"},
       "b.bmp",
       "elsewhere/link.bmp"},
      {"through a hard link",
       [&](const fs::path& in) {
         correctedBefore(in);
         fs::create_hard_link(in / "a_.bmp", in / "hard.bmp");
       },
       {"a.bmp", "hard.bmp"},
       "a.bmp",
       "hard.bmp"},
      {"an earlier result in the output folder",
       [&](const fs::path& in) {
         fs::create_directory(in / "out");
         ASSERT_EQ(Cli({"--quiet", "--output-dir", (in / "out").string(), (in / "a.bmp").string()})
                       .exitCode,
                   0);
       },
       {"--output-dir", "out", "b.bmp", "a.bmp", "out/a_.bmp"},
       "a.bmp",
       "out/a_.bmp"},
      {"a photo's earlier result",
       [this](const fs::path& in) {
         WriteJpeg(in / "IMG_0001.JPG", 40, 30);
         ASSERT_EQ(Cli({"--quiet", (in / "IMG_0001.JPG").string()}).exitCode, 0);
       },
       {"b.bmp", "IMG_0001.JPG", "IMG_0001_.JPG"},
       "IMG_0001.JPG",
       "IMG_0001_.JPG"},
      {"the output folder spelt otherwise",
       [&](const fs::path& in) {
         fs::create_directory(in / "out");
         WriteSized((in / "out" / "b_.bmp").string(), 5, 5);
       },
       {"--output-dir", "./out/", "a.bmp", "b.bmp", "out/b_.bmp"},
       "b.bmp",
       "out/b_.bmp"},
  };
  for (const Case& c : cases) {
    for (const char* jobs : {"1", "4"}) {
      SCOPED_TRACE(c.name + ", --jobs " + jobs);
      const fs::path in = folder / ("case " + std::to_string(&c - cases.data()) + " " + jobs);
      fs::create_directory(in);
      Write((in / "a.bmp").string());
      WriteSized((in / "b.bmp").string(), 33, 21);
      c.prepare(in);
      const auto before = Snapshot(in);
      std::vector<std::string> arguments = {"--jobs", jobs};
      for (const std::string& a : c.arguments)  // options as they are, paths in the folder
        arguments.push_back(a.rfind("--", 0) == 0 ? a : (in / a).string());
      const Outcome run = Cli(arguments);
      EXPECT_EQ(run.exitCode, 2) << run.err;
      EXPECT_EQ(run.errLines(), 1) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_NE(run.err.find((in / c.source).string() + " の結果"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("指定されたファイル " + (in / c.clash).string()), std::string::npos)
          << run.err;
      EXPECT_NE(run.err.find("--output-dir"), std::string::npos) << run.err;
      EXPECT_EQ(Snapshot(in), before) << "something was written";
    }
  }
}

// A result that is not there yet clashes with nothing: a named file of that name is missing
// when the command starts and is reported so, never corrected again in the same run, in
// either order and with any --jobs. Earlier results sent into another folder are fine.
TEST_F(CliTest, AResultNotThereYetIsWrittenOnceAndItsNameReportedMissing) {
  const fs::path source = WriteSized("b.bmp", 33, 21);
  const std::string result = (folder / "b_.bmp").string();
  for (const bool resultFirst : {false, true}) {
    for (const char* jobs : {"1", "2", "8"}) {
      SCOPED_TRACE(std::string(jobs) + (resultFirst ? ", result first" : ""));
      fs::remove(result);
      const Outcome run =
          Cli(resultFirst ? std::vector<std::string>{"--jobs", jobs, result, source.string()}
                          : std::vector<std::string>{"--jobs", jobs, source.string(), result});
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.err, "hosei-cli: " +
                             DescribeFileError(
                                 {FileProblem::kCannotOpen, result, "No such file or directory"}) +
                             "\n");
      EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
      EXPECT_TRUE(fs::exists(result));
      EXPECT_FALSE(fs::exists(folder / "b__.bmp"));
    }
  }
  fs::create_directory(folder / "out");
  const Outcome run = Cli({"--output-dir", (folder / "out").string(), source.string(), result});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(folder / "out" / "b_.bmp"));
  EXPECT_TRUE(fs::exists(folder / "out" / "b__.bmp"));
}

// Many files of mixed sizes, some broken or missing, one result name shared: with several
// files at once the big ones finish after the small ones behind them, yet every line comes
// in input order, reads as with --jobs 1, and every result is byte for byte the same.
TEST_F(CliTest, JobsKeepInputOrderAndGiveTheSameResults) {
  fs::create_directory(folder / "in");
  fs::create_directory(folder / "in2");
  std::vector<std::string> files;
  std::size_t failing = 0;
  for (int i = 0; i < 48; ++i) {
    const std::string name = "in/photo " + std::to_string(i) + ".bmp";
    files.push_back((folder / name).string());
    if (i % 11 == 7) {  // missing
      ++failing;
      continue;
    }
    if (i % 16 == 0) {
      WriteSized(name, 1600 + i, 1200);  // slow
    } else {
      WriteSized(name, 8 + i % 13, 6 + i % 5);
    }
    if (i % 9 == 4) fs::resize_file(folder / name, 60), ++failing;  // cut short
  }
  // Same result name as photo 0, the slowest: the first keeps the result, the second is told.
  WriteSized("in2/photo 0.bmp", 20, 10);
  files.insert(files.begin() + 5, (folder / "in2/photo 0.bmp").string());

  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{},
        {"--mode", "fog", "--size", "900", "--brightness", "60"},
        {"--mode", "gamma", "--gamma", "1.6", "--background", "90"},
        {"--centre", "700,500", "--boundary", "Intermediate"}}) {
    SCOPED_TRACE(mode.empty() ? "defaults" : mode[1]);
    std::map<std::string, Outcome> runs;
    for (const char* jobs : {"1", "5"}) {
      const std::string out = (folder / ("out" + std::string(jobs))).string();
      fs::remove_all(out);
      fs::create_directory(out);
      auto arguments = mode;
      for (const char* more : {"--jobs", jobs, "--output-dir"}) arguments.push_back(more);
      arguments.push_back(out);
      arguments.insert(arguments.end(), files.begin(), files.end());
      Outcome run = Cli(arguments);
      run.out = Replaced(WithoutTimes(run.out), out, "OUT");
      run.err = Replaced(run.err, out, "OUT");
      runs[jobs] = run;
    }
    const Outcome &one = runs["1"], &five = runs["5"];
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(five.exitCode, one.exitCode);
    EXPECT_EQ(five.out, one.out);
    EXPECT_EQ(five.err, one.err);
    EXPECT_EQ(Snapshot(folder / "out5"), Snapshot(folder / "out1"));

    // The lines follow the input: each done or failed file in its place.
    std::size_t lastOut = 0, lastErr = 0;
    for (const std::string& file : files) {
      const auto inOut = five.out.find(file + " → "), inErr = five.err.find(file);
      ASSERT_TRUE(inOut != std::string::npos || inErr != std::string::npos) << file;
      if (inOut != std::string::npos) {
        EXPECT_GE(inOut, lastOut);
        lastOut = inOut;
      }
      if (inErr != std::string::npos) {
        EXPECT_GE(inErr, lastErr);
        lastErr = inErr;
      }
    }
    EXPECT_NE(five.err.find("in2/photo 0.bmp: 結果 OUT/photo 0_.bmp"), std::string::npos)
        << five.err;
    EXPECT_EQ(Lines(five.out).size(), files.size() - failing - 1);  // and the one told
  }
}

// When the first of two files sharing a result fails, the second writes it, as one file
// after the other always did, even when the second would be done first.
TEST_F(CliTest, ASharedResultGoesToTheNextFileWhenTheFirstFails) {
  for (const char* sub : {"a", "b", "out"}) fs::create_directory(folder / sub);
  WriteSized("a/x.bmp", 1800, 1400);
  fs::resize_file(folder / "a/x.bmp", 3'000'000);  // cut short: it is refused
  WriteSized("b/x.bmp", 13, 9);
  for (const char* jobs : {"1", "2"}) {
    fs::remove(folder / "out/x_.bmp");
    const Outcome run = Cli({"--jobs", jobs, "--output-dir", (folder / "out").string(),
                             (folder / "a/x.bmp").string(), (folder / "b/x.bmp").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find((folder / "a/x.bmp").string()), std::string::npos) << run.err;
    EXPECT_NE(run.out.find((folder / "b/x.bmp").string()), std::string::npos) << run.out;
    EXPECT_EQ(fs::file_size(folder / "out/x_.bmp"), fs::file_size(folder / "b/x.bmp"));
  }
}

// JPEG, PNG, TIFF and bitmaps in one list: each corrected in its own format under its own
// result name, in input order, the same with any --jobs.
TEST_F(CliTest, PhotosAndBitmapsGoInOneList) {
  WriteJpeg(folder / "IMG_0001.JPG", 320, 240);
  WritePng(folder / "scan.png", 200, 120);
  WriteTiff(folder / "film.tif", 150, 100);
  WriteSized("old.bmp", 90, 60);
  const std::vector<std::string> names = {"IMG_0001.JPG", "scan.png", "film.tif", "old.bmp"};
  const std::vector<std::string> results = {"IMG_0001_.JPG", "scan_.png", "film_.tif", "old_.bmp"};
  const std::vector<std::vector<std::uint8_t>> signatures = {
      {0xFF, 0xD8, 0xFF}, {0x89, 'P', 'N', 'G'}, {'I', 'I', 42, 0}, {'B', 'M'}};
  std::map<std::string, std::map<std::string, std::string>> made;
  for (const char* jobs : {"1", "4"}) {
    SCOPED_TRACE(std::string("--jobs ") + jobs);
    const fs::path out = folder / ("out" + std::string(jobs));
    fs::create_directory(out);
    std::vector<std::string> arguments = {"--mode", "gamma", "--gamma",      "1.3",
                                          "--jobs", jobs,    "--output-dir", out.string()};
    for (const std::string& name : names) arguments.push_back((folder / name).string());
    const Outcome run = Cli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), names.size()) << run.out;
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(
          lines[i].rfind((folder / names[i]).string() + " → " + (out / results[i]).string(), 0), 0u)
          << lines[i];
      const auto bytes = ReadFile(out / results[i]);
      EXPECT_TRUE(std::equal(signatures[i].begin(), signatures[i].end(), bytes.begin()))
          << results[i];
      EXPECT_NE(bytes, ReadFile(folder / names[i])) << results[i] << " was not corrected";
    }
    made[jobs] = Snapshot(out);
  }
  EXPECT_EQ(made["4"], made["1"]);
}

// The centre is moved on a photo as on a bitmap, by the photo's own size.
TEST_F(CliTest, CentreMovesOnPhotosToo) {
  const fs::path photo = folder / "IMG_0003.JPG", result = folder / "IMG_0003_.JPG";
  WriteJpeg(photo, 320, 240);
  ASSERT_EQ(Cli({"--quiet", photo.string()}).exitCode, 0);
  const auto centred = ReadFile(result);
  const Outcome moved = Cli({"--quiet", "--centre", "100,100", photo.string()});
  EXPECT_EQ(moved.exitCode, 0);
  EXPECT_EQ(moved.err, "");
  EXPECT_NE(ReadFile(result), centred);
  const Outcome unusable = Cli({"--quiet", "--centre", "10,10", photo.string()});
  EXPECT_EQ(unusable.exitCode, 0);
  EXPECT_NE(unusable.err.find("x 64～256、y 48～192"), std::string::npos) << unusable.err;
  EXPECT_EQ(ReadFile(result), centred);
}

// --quality re-encodes JPEG results only: PNG, TIFF and bitmap results stay byte for byte.
TEST_F(CliTest, QualityReencodesJpegResultsOnly) {
  WriteJpeg(folder / "IMG_0002.jpg", 400, 300);
  WritePng(folder / "scan.png", 64, 48);
  WriteTiff(folder / "film.tiff", 64, 48);
  WriteSized("old.bmp", 64, 48);
  std::map<std::string, std::map<std::string, std::vector<std::uint8_t>>> results;
  for (const std::string quality : {"", "5", "100"}) {
    std::vector<std::string> arguments = {"--quiet"};
    if (!quality.empty()) arguments.insert(arguments.end(), {"--quality", quality});
    for (const char* name : {"IMG_0002.jpg", "scan.png", "film.tiff", "old.bmp"})
      arguments.push_back((folder / name).string());
    ASSERT_EQ(Cli(arguments).exitCode, 0) << quality;
    for (const char* name : {"IMG_0002_.jpg", "scan_.png", "film_.tiff", "old_.bmp"})
      results[quality][name] = ReadFile(folder / name);
  }
  EXPECT_LT(results["5"]["IMG_0002_.jpg"].size(), results["100"]["IMG_0002_.jpg"].size());
  EXPECT_NE(results[""]["IMG_0002_.jpg"], results["5"]["IMG_0002_.jpg"]);
  for (const char* name : {"scan_.png", "film_.tiff", "old_.bmp"}) {
    EXPECT_EQ(results["5"][name], results[""][name]) << name;
    EXPECT_EQ(results["100"][name], results[""][name]) << name;
  }
}

// Without --jobs, as many files at once as the process may use CPUs: one under taskset -c 0.
TEST(Jobs, DefaultFollowsTheCpusTheProcessMayUse) {
  cpu_set_t all;
  ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
  EXPECT_EQ(DefaultJobs(), std::clamp(CPU_COUNT(&all), kFewestJobs, kMostJobs));
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  EXPECT_EQ(DefaultJobs(), 1);
  ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
  EXPECT_NE(UsageText().find("here " + std::to_string(DefaultJobs()) + ")"), std::string::npos);
}

// On a terminal with several files at once the bar counts files; the lines are unchanged.
TEST(Jobs, ProgressBarOnATerminalLeavesTheLinesInOrder) {
  ScratchFolder folder;
  CommandLine line;
  line.jobs = 3;
  for (int i = 0; i < 6; ++i) {
    TestBitmap bitmap;
    bitmap.width = i == 0 ? 1200 : 10 + i;
    bitmap.height = i == 0 ? 900 : 7;
    const fs::path path = folder / ("p" + std::to_string(i) + ".bmp");
    WriteFile(path, bitmap.bytes());
    line.files.push_back(path.string());
  }
  line.files.push_back((folder / "missing.bmp").string());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(RunBatch(line, out, err, true), kSomeFailed);
  const auto text = [](std::FILE* file) {
    std::string all(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    all.resize(std::fread(all.data(), 1, all.size(), file));
    std::fclose(file);
    return all;
  };
  const std::string done = text(out), shown = text(err);
  EXPECT_NE(shown.find("\r["), std::string::npos) << "no bar";
  // Each bar is cleared before a line is written.
  const std::string lines = std::regex_replace(shown, std::regex("\r\\[[^\r]*\r\033\\[K"), "");
  EXPECT_EQ(lines, "hosei-cli: " +
                       DescribeFileError({FileProblem::kCannotOpen, line.files.back(),
                                          "No such file or directory"}) +
                       "\n");
  const auto doneLines = Lines(done);
  ASSERT_EQ(doneLines.size(), 6u);
  for (std::size_t i = 0; i < doneLines.size(); ++i)
    EXPECT_EQ(doneLines[i].rfind(line.files[i] + " → ", 0), 0u) << doneLines[i];
}

}  // namespace
}  // namespace hosei::test
