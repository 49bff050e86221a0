// hosei-cli run on real files, and RunBatch where a test needs the terminal or the CPUs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"
#include "parameter_table.h"
#include "photo_test_support.h"
#include "problem_words.h"
#include "version.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
const auto npos = std::string::npos;

std::string Missing(const std::string& path) {
  return "hosei-cli: cannot open the file: " + path + " (No such file or directory)\n";
}

class CliTest : public ::testing::Test {
 protected:
  ProgramRun Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), HOSEI_CLI_PATH);
    return RunProgram(arguments);
  }
  // A flat 640 x 480 picture, of blue 100, green 150, red 200 unless a grey level is given.
  fs::path Write(const std::string& name, int level = -1) {
    WriteFile(folder / name,
              Uniform(640, 480, level < 0 ? Bgr{100, 150, 200} : Bgr{level, level, level}).bytes());
    return folder / name;
  }
  // A picture whose every pixel differs from its neighbours.
  fs::path WriteSized(const std::string& name, int width, int height) {
    WriteFile(folder / name, Sized(width, height).bytes());
    return folder / name;
  }
  Bgr Pixel(const std::string& name, int x, int y) {
    return PixelOf(ReadFile(folder / name), Sized(640, 480), x, y);
  }
  ScratchFolder folder;
};

TEST_F(CliTest, OptionsAreReadAsTheFieldsWouldBeAndEachFileGetsOneLine) {
  const fs::path source = Write("p.bmp");
  const Bytes before = ReadFile(source);
  const std::string lots(100000, 'S');  // read no further than a field would
  const struct {
    std::vector<std::string> options;
    int x, y;
    Bgr pixel;
  } cases[] = {
      {{}, 600, 240, {104, 154, 204}},
      {{"--boundary", "Sharp"}, 600, 240, {110, 160, 209}},
      {{"--coefficient", "  120abc"}, 640, 480, {193, 244, 255}},
      {{"--mode", "fog", "--brightness", "-40", "--light-y=0"}, 1, 1, {61, 114, 176}},
      {{"--mode=fog", "--size", "150"}, 150, 1, {100, 150, 200}},
      {{"--centre", "128,96"}, 128, 96, {100, 150, 200}},  // the lowest centre allowed
      {{"--start", "\u300050" + lots}, 640, 480, {116, 167, 216}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "defaults" : c.options[0]);
    auto arguments = c.options;
    arguments.push_back(source.string());
    const ProgramRun run = Cli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress bar when stderr is not a terminal";
    EXPECT_EQ(Lines(run.out).size(), 1u);
    EXPECT_NE(run.out.find((folder / "p_.bmp").string()), npos);
    EXPECT_NE(run.out.find("640×480"), npos);
    EXPECT_EQ(Pixel("p_.bmp", c.x, c.y), c.pixel);
  }
  EXPECT_EQ(ReadFile(source), before);
}

// The centre's range comes from each file's own size; outside it the centre stays in the
// middle, with a note.
TEST_F(CliTest, CentresAreReadByEachFilesSizeAndUnusableOnesAreSentBackWithANote) {
  const std::string lots = "abc," + std::string(100000, 'x');
  Write("c.bmp");
  WriteJpeg(folder / "IMG_0003.JPG", RandomPicture(320, 240, 3, 1));
  const struct {
    const char *file, *result, *centre;
    bool moved;
    const char* note;
  } cases[] = {
      {"c.bmp", "c_.bmp", "100,100", false, ""},
      {"c.bmp", "c_.bmp", ",", false, ""},
      {"IMG_0003.JPG", "IMG_0003_.JPG", "100,100", true, ""},
      {"IMG_0003.JPG", "IMG_0003_.JPG", "10,10", false, "x 64 to 256, y 48 to 192"},
      {"c.bmp", "c_.bmp", lots.c_str(), false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.centre);
    ASSERT_EQ(Cli({"--quiet", (folder / c.file).string()}).exitCode, 0);
    const Bytes centred = ReadFile(folder / c.result);
    const ProgramRun run = Cli({"--quiet", "--centre", c.centre, (folder / c.file).string()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errLines(), c.moved ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.note), npos) << run.err;
    EXPECT_EQ(ReadFile(folder / c.result) == centred, !c.moved);
  }
}

TEST_F(CliTest, RefusedOptionsExitWithTwoInOneLineAndWriteNothing) {
  const std::string source = Write("r.bmp").string();
  const std::string jobs = "a whole number from " + std::to_string(kFewestJobs) + " to " +
                           std::to_string(kMostJobs),
                    quality = "a whole number from " + std::to_string(kLowestJpegQuality) + " to " +
                              std::to_string(kHighestJpegQuality);
  // The options, and what the line must say besides the program's name.
  std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"--start", "100"}, {"--start \"100\"", "more than 0 and less than 100"}},
      {{"--no-such-option"}, {"--no-such-option"}},
      {{"--mode", "sepia"}, {"--mode", "sepia"}},
      {{"--centre", "12"}, {"--centre", "12"}},
      {{"--output-dir", (folder / "missing").string()}, {"--output-dir"}},
      {{"--output-dir", ""}, {"--output-dir"}},  // not beside the sources
      {{"--boundary", "sharp"}, {"--boundary \"sharp\"", "Soft, Intermediate or Sharp"}},
      {{"--boundary", "Soft "}, {"--boundary \"Soft \""}},
      {{"--mode", "fog", "--light-x", std::string(100000, '9')}, {"--light-x \"999"}},
  };
  for (const auto& [option, range, high] :
       {std::tuple{"--jobs", jobs, kMostJobs + 1},
        std::tuple{"--quality", quality, kHighestJpegQuality + 1}})
    for (const std::string& text : std::vector<std::string>{
             "0", "-2", "two", "", " 85", "85.5", "99999999999999999999", std::to_string(high)}) {
      const std::string quoted = std::string(option) + " \"" + text + "\"";
      cases.push_back({text == "-2" ? std::vector<std::string>{option + ("=" + text)}
                                    : std::vector<std::string>{option, text},
                       {quoted, range}});
    }
  // Every field of the table, given a value no conversion takes, or a text with no number
  // that the window would read as 0, with what it accepts.
  const char* modes[] = {"", "vignetting", "fog", "gamma"};
  for (const ParameterDeclaration& d : kParameterTable)
    for (const std::string text : {"1e400", "abc", " ", "-.e5"})
      cases.push_back(
          {{"--mode", modes[static_cast<int>(d.mode.value_or(Mode::kVignetting))], d.option, text},
           {std::string(d.option) + " \"" + text +
            "\" is refused (accepted: " + AcceptedWords(d.field) + ")\n"}});
  cases.push_back({{"--quality"}, {"--quality"}});  // no value, not even a file
  for (const auto& [options, says] : cases) {
    SCOPED_TRACE(options[0] + " " + options.back());
    auto arguments = options;
    if (options.size() > 1) arguments.push_back(source);
    const ProgramRun run = Cli(arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_EQ(run.err.rfind("hosei-cli: ", 0), 0u) << run.err;
    for (const std::string& words : says) EXPECT_NE(run.err.find(words), npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(folder / "r_.bmp"));
  }
  EXPECT_EQ(Cli({}).exitCode, 2);
}

// The usage text is made from the parameter table: each field's option and words are
// there, and every option the text names is one the command accepts.
TEST_F(CliTest, UsageNamesEveryOptionOfTheTableAndOnlyOptionsThatWork) {
  const ProgramRun help = Cli({"--help"});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out, UsageText());
  // The text is wrapped: compare it with its line breaks and indents as single blanks.
  const std::string flat = std::regex_replace(help.out, std::regex("\\s+"), " ");
  for (const ParameterDeclaration& d : kParameterTable) {
    EXPECT_NE(flat.find(std::string(" ") + d.option + " TEXT "), npos) << d.option;
    EXPECT_NE(flat.find(std::string("accepts ") + AcceptedWords(d.field)), npos) << d.option;
  }
  for (const std::string& line : Lines(help.out)) {
    if (line.rfind("  --", 0) != 0) continue;
    const std::string option = line.substr(2, line.find(' ', 2) - 2);
    std::string error;
    (void)ParseCommandLine({option, "1"}, error);
    EXPECT_EQ(error.find("unknown option"), npos) << option << ": " << error;
  }
  EXPECT_EQ(Cli({"--version"}).out, std::string("hosei-cli ") + kVersion + "\n");
}

// Nothing the user named is overwritten: a result that would replace another file named on
// the command line, found through links, refuses the whole command before anything is
// written, whatever --jobs.
TEST_F(CliTest, AResultThatWouldReplaceANamedFileRefusesEverything) {
  // Earlier results, links to two of them and a file of a result's name in an output folder.
  const fs::path a = Write("a.bmp"), b = WriteSized("b.bmp", 33, 21),
                 jpeg = folder / "IMG_0001.JPG";
  WriteJpeg(jpeg, RandomPicture(40, 30, 3, 1));
  ASSERT_EQ(Cli({"--quiet", a.string(), b.string(), jpeg.string()}).exitCode, 0);
  fs::create_directory(folder / "elsewhere");
  fs::create_symlink("../b_.bmp", folder / "elsewhere" / "link.bmp");
  fs::create_hard_link(folder / "a_.bmp", folder / "hard.bmp");
  fs::create_directory(folder / "out");
  WriteFile(folder / "out" / "b_.bmp", Sized(5, 5).bytes());
  const auto before = Snapshot(folder.path());
  const struct {
    const char *name, *arguments, *source, *clash;  // paths relative to the folder
  } cases[] = {
      {"its own results again", "a.bmp a_.bmp b.bmp b_.bmp", "a.bmp", "a_.bmp"},
      {"a symbolic link", "elsewhere/link.bmp b.bmp", "b.bmp", "elsewhere/link.bmp"},
      {"a hard link", "a.bmp hard.bmp", "a.bmp", "hard.bmp"},
      {"a photo's earlier result", "b.bmp IMG_0001.JPG IMG_0001_.JPG", "IMG_0001.JPG",
       "IMG_0001_.JPG"},
      {"the output folder spelt otherwise", "--output-dir ./out/ a.bmp b.bmp out/b_.bmp", "b.bmp",
       "out/b_.bmp"},
  };
  for (const auto& c : cases) {
    for (const char* jobs : {"1", "4"}) {
      SCOPED_TRACE(c.name + std::string(", --jobs ") + jobs);
      std::vector<std::string> arguments = {"--jobs", jobs};
      std::istringstream words(c.arguments);
      for (std::string word; words >> word;)  // options as they are, paths in the folder
        arguments.push_back(word.rfind("--", 0) == 0 ? word : (folder / word).string());
      const ProgramRun run = Cli(arguments);
      EXPECT_EQ(run.exitCode, 2) << run.err;
      EXPECT_EQ(run.errLines(), 1) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_NE(run.err.find("the result of " + (folder / c.source).string()), npos) << run.err;
      EXPECT_NE(run.err.find("would overwrite " + (folder / c.clash).string()), npos) << run.err;
      EXPECT_NE(run.err.find("--output-dir"), npos) << run.err;
      EXPECT_EQ(Snapshot(folder.path()), before) << "something was written";
    }
  }
}

// A named file that is only a result to come is reported missing, never corrected again.
TEST_F(CliTest, AResultNotThereYetIsWrittenOnceAndItsNameReportedMissing) {
  const std::string source = WriteSized("b.bmp", 33, 21).string(),
                    result = (folder / "b_.bmp").string();
  for (const char* jobs : {"1", "8"}) {
    for (const auto& files : {std::vector{source, result}, std::vector{result, source}}) {
      SCOPED_TRACE(std::string(jobs) + " " + files[0]);
      fs::remove(result);
      auto arguments = files;
      arguments.insert(arguments.begin(), {"--jobs", jobs});
      const ProgramRun run = Cli(arguments);
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.err, Missing(result));
      EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
      EXPECT_TRUE(fs::exists(result));
      EXPECT_FALSE(fs::exists(folder / "b__.bmp"));
    }
  }
  fs::create_directory(folder / "out");
  EXPECT_EQ(Cli({"--output-dir", (folder / "out").string(), source, result}).exitCode, 0);
  EXPECT_TRUE(fs::exists(folder / "out" / "b_.bmp") && fs::exists(folder / "out" / "b__.bmp"));
}

// Overlapping globs name a file twice: for the same result it is corrected and told once,
// in its first place; a link under another name is a file of its own.
TEST_F(CliTest, AFileNamedAgainIsDoneOnce) {
  const std::string a = Write("a.bmp").string(), b = WriteSized("b.bmp", 33, 21).string(),
                    c = (folder / "c.bmp").string();
  fs::create_hard_link(a, c);
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    const ProgramRun run = Cli({"--jobs", jobs, a, b, (folder / "." / "a.bmp").string(), b, c});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0].rfind(a + " → ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(b + " → ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind(c + " → ", 0), 0u) << lines[2];
  }
}

// Big files finish after the small ones behind them, yet lines and results are as with one.
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
    WriteSized(name, i % 16 == 0 ? 1600 + i : 8 + i % 13, i % 16 == 0 ? 1200 : 6 + i % 5);
    if (i % 9 == 4) fs::resize_file(folder / name, 60), ++failing;  // cut short
  }
  // Same result name as photo 0, the slowest: the first keeps the result, the second is told.
  WriteSized("in2/photo 0.bmp", 20, 10);
  files.insert(files.begin() + 5, (folder / "in2/photo 0.bmp").string());

  // With a centre only the large files can take: the notes on the others keep their places too.
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--centre", "700,500", "--background", "90"}}) {
    SCOPED_TRACE(options.empty() ? "defaults" : "centre");
    const fs::path out = folder / "out";
    std::map<std::string, ProgramRun> runs;
    std::map<std::string, std::map<std::string, std::string>> made;
    for (const std::string jobs : {"1", "5"}) {  // one after the other into the same folder
      fs::remove_all(out);
      fs::create_directory(out);
      auto arguments = options;
      arguments.insert(arguments.end(), {"--jobs", jobs, "--output-dir", out.string()});
      arguments.insert(arguments.end(), files.begin(), files.end());
      runs[jobs] = Cli(arguments);
      runs[jobs].out = std::regex_replace(runs[jobs].out, std::regex("  [0-9.]+ s"), "");
      made[jobs] = Snapshot(out);
    }
    const ProgramRun &one = runs["1"], &five = runs["5"];
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(five.exitCode, one.exitCode);
    EXPECT_EQ(five.out, one.out);
    EXPECT_EQ(five.err, one.err);
    EXPECT_EQ(made["5"], made["1"]);
    // Every done file has its result, and nothing else is left: no temporary file.
    EXPECT_EQ(made["5"].size(), files.size() - failing - 1);
    EXPECT_EQ(fs::file_size(out / "photo 0_.bmp"), fs::file_size(files[0]));

    // The lines follow the input: each done or failed file in its place.
    std::size_t lastOut = 0, lastErr = 0;
    for (const std::string& file : files) {
      const auto inOut = five.out.find(file + " → "), inErr = five.err.find(file);
      ASSERT_TRUE(inOut != npos || inErr != npos) << file;
      EXPECT_TRUE(inOut == npos || inOut >= std::exchange(lastOut, inOut)) << file;
      EXPECT_TRUE(inErr == npos || inErr >= std::exchange(lastErr, inErr)) << file;
    }
    EXPECT_NE(five.err.find("in2/photo 0.bmp: the result " + (out / "photo 0_.bmp").string()), npos)
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
    const ProgramRun run = Cli({"--jobs", jobs, "--output-dir", (folder / "out").string(),
                                (folder / "a/x.bmp").string(), (folder / "b/x.bmp").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find((folder / "a/x.bmp").string()), npos) << run.err;
    EXPECT_NE(run.out.find((folder / "b/x.bmp").string()), npos) << run.out;
    EXPECT_EQ(fs::file_size(folder / "out/x_.bmp"), fs::file_size(folder / "b/x.bmp"));
  }
}

// JPEG, PNG, TIFF and bitmaps in one list: each corrected in its own format under its own
// result name, in input order, the same with any --jobs; --quality re-encodes JPEG results
// only.
TEST_F(CliTest, PhotosAndBitmapsGoInOneListAndQualityTouchesJpegOnly) {
  WriteJpeg(folder / "IMG_0001.JPG", RandomPicture(320, 240, 3, 1));
  WritePng(folder / "scan.png", RandomPicture(200, 120, 3, 2));
  WriteTiff(folder / "film.tif", RandomPicture(150, 100, 3, 3));
  WriteSized("old.bmp", 90, 60);
  // FITS goes through cfitsio, which hosei-cli loads only when it meets such a file.
  WriteFile(folder / "M42.fits",
            FloatFitsBytes(40, 30, 1200, [](std::size_t i) { return (i % 97) / 97.0f; }));
  const std::string names[] = {"IMG_0001.JPG", "scan.png", "film.tif", "old.bmp", "M42.fits"},
                    results[] = {"IMG_0001_.JPG", "scan_.png", "film_.tif", "old_.bmp",
                                 "M42_.fits"},
                    signatures[] = {"\xFF\xD8\xFF", "\x89PNG", std::string("II*\0", 4), "BM",
                                    "SIMPLE  ="};
  std::map<std::string, std::map<std::string, std::string>> made;
  for (const std::string run : {"1", "4", "1 5"}) {
    SCOPED_TRACE("--jobs and --quality " + run);
    const fs::path out = folder / ("out " + run);
    fs::create_directory(out);
    std::vector<std::string> arguments = {"--mode", "gamma",          "--gamma",      "1.3",
                                          "--jobs", run.substr(0, 1), "--output-dir", out.string()};
    if (run.size() > 1) arguments.insert(arguments.end(), {"--quality", run.substr(2)});
    for (const std::string& name : names) arguments.push_back((folder / name).string());
    const ProgramRun done = Cli(arguments);
    ASSERT_EQ(done.exitCode, 0) << done.err;
    const auto lines = Lines(done.out);
    ASSERT_EQ(lines.size(), std::size(names)) << done.out;
    for (std::size_t i = 0; i < std::size(names); ++i) {
      EXPECT_EQ(
          lines[i].rfind((folder / names[i]).string() + " → " + (out / results[i]).string(), 0), 0u)
          << lines[i];
      const Bytes bytes = ReadFile(out / results[i]);
      EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + signatures[i].size()), signatures[i]);
      EXPECT_NE(bytes, ReadFile(folder / names[i])) << results[i] << " was not corrected";
    }
    made[run] = Snapshot(out);
  }
  EXPECT_EQ(made["4"], made["1"]);
  EXPECT_LT(fs::file_size(folder / "out 1 5" / results[0]),
            fs::file_size(folder / "out 1" / results[0]));
  for (const std::string& result : {results[1], results[2], results[3], results[4]})
    EXPECT_EQ(made["1 5"][result], made["1"][result]) << result;
}

// A photo is never taken for a bitmap, whatever its bytes: an uncompressed TIFF whose pixels
// follow its 8-byte header can hold the bitmap test's bytes 14 and 28-29.
TEST_F(CliTest, APhotoThatPassesTheBitmapTestIsStillAPhoto) {
  Picture grey{32, 4, 1, Bytes(32 * 4, 90)};
  // Offset 54, 4 x 2 dots, 40-byte info header, 24 bits: the bitmap test's bytes.
  // Sample k is byte 8 + k of the file; the words' high bytes and high words are zero.
  for (int k = 2; k < 22; ++k) grey.samples[static_cast<std::size_t>(k)] = 0;
  for (const auto& [at, value] : {std::pair{2, 54}, {10, 4}, {14, 2}, {6, 40}, {20, 24}})
    grey.samples[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
  TiffLayout plain;
  plain.photometric = 1;
  plain.metadata = false;
  const fs::path scan = folder / "scan.tif";
  WriteTiff(scan.string(), grey, plain);
  const Bytes file = ReadFile(scan);
  ASSERT_TRUE(file.size() > 30 && file[14] == 40 && file[28] == 24 && file[29] == 0)
      << "the strip no longer starts at byte 8, so this TIFF does not pass the bitmap test";

  const ProgramRun run = Cli({"--mode", "gamma", "--gamma", "2", scan.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(fs::exists(folder / "scan_.bmp"));
  const Decoded result = ReadPhoto((folder / "scan_.tif").string());
  ASSERT_FALSE(result.error) << FileErrorLine(result.error);
  EXPECT_EQ(std::pair(result.width, result.height), std::pair(32, 4));
  EXPECT_TRUE(result.grey);
}

// Lines lost to a full disk fail the run, unless nothing was to be written.
TEST_F(CliTest, StandardOutputThatCannotBeWrittenFailsTheRun) {
  const std::string source = Write("f.bmp").string();
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {{"--help"}, 1, "cannot write to standard output: No space left on device"},
      {{source}, 1, "cannot write to standard output: No space left on device"},
      {{"--quiet", source}, 0, ""},
      {{"--start", "100", source}, 2, "--start"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    std::vector<std::string> arguments = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/full",
                                          HOSEI_CLI_PATH};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProgramRun run = RunProgram(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.errLines(), c.exitCode ? 1 : 0) << run.err;
    EXPECT_NE(run.err.find(c.says), npos) << run.err;
  }
}

// On a terminal with several files at once the bar counts files; the lines are unchanged.
TEST(Jobs, ProgressBarOnATerminalLeavesTheLinesInOrder) {
  ScratchFolder folder;
  CommandLine line;
  line.jobs = 3;
  for (int i = 0; i < 6; ++i) {
    line.files.push_back((folder / ("p" + std::to_string(i) + ".bmp")).string());
    WriteFile(line.files.back(), Sized(i == 0 ? 1200 : 10 + i, i == 0 ? 900 : 7).bytes());
  }
  line.files.push_back((folder / "missing.bmp").string());
  std::FILE* streams[] = {std::tmpfile(), std::tmpfile()};
  EXPECT_EQ(RunBatch(line, streams[0], streams[1], true), kSomeFailed);
  const std::string text[] = {Drain(streams[0]), Drain(streams[1])};
  EXPECT_NE(text[1].find("\r["), npos) << "no bar";
  // Each bar is cleared before a line is written.
  EXPECT_EQ(std::regex_replace(text[1], std::regex("\r\\[[^\r]*\r\033\\[K"), ""),
            Missing(line.files.back()));
  const auto done = Lines(text[0]);
  ASSERT_EQ(done.size(), 6u);
  for (std::size_t i = 0; i < done.size(); ++i)
    EXPECT_EQ(done[i].rfind(line.files[i] + " → ", 0), 0u) << done[i];
}

}  // namespace
}  // namespace hosei::test
