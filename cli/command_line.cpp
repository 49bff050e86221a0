#include "command_line.h"

namespace hosei {

const char* const kUsage =
    "hosei-cli [options] FILE...\n"
    "  --mode vignetting|fog|gamma   correction (default vignetting)\n"
    "  --start TEXT                  vignetting start, as typed into 周辺減光の開始 (default "
    "\"50\")\n"
    "  --coefficient TEXT            vignetting coefficient, as 減光係数 (default \"20\")\n"
    "  --centre X,Y                  move the vignetting centre as the 中心移動 dialog does, X and "
    "Y\n"
    "                                being the two answers\n"
    "  --light-x TEXT --light-y TEXT --size TEXT --brightness TEXT\n"
    "                                fog / local brightness fields (defaults \"0\", \"0\", "
    "\"150\", \"-40\")\n"
    "  --gamma TEXT                  gamma value (default \"1\")\n"
    "  --boundary TEXT               boundary softness, as the 境界 text (default \"Soft\")\n"
    "  --background TEXT             switch the background adjustment on, with this threshold "
    "text\n"
    "  --output-dir DIR              write the results into DIR (same result names) instead of "
    "beside\n"
    "                                the sources, e.g. for photos on a read-only card\n"
    "  --quiet   --help   --version\n"
    "\n"
    "Each result is written beside its source as NAME_.bmp (the last four characters of the\n"
    "source name replaced by \"_.bmp\"). Exit status: 0 all done, 1 a file could not be done,\n"
    "2 a refused parameter or a usage error (no file touched).\n";

namespace {

enum class Setting { kDone, kUnknownOption, kBadValue };

std::string* FieldText(FieldTexts& fields, const std::string& name) {
  if (name == "--start") return &fields.start;
  if (name == "--coefficient") return &fields.coefficient;
  if (name == "--light-x") return &fields.lightX;
  if (name == "--light-y") return &fields.lightY;
  if (name == "--size") return &fields.size;
  if (name == "--brightness") return &fields.brightness;
  if (name == "--gamma") return &fields.gamma;
  if (name == "--boundary") return &fields.boundary;
  return nullptr;
}

Setting SetOption(CommandLine& line, const std::string& name, const std::string& value,
                  std::string& error) {
  if (std::string* text = FieldText(line.fields, name)) {
    *text = value;
  } else if (name == "--mode") {
    if (value == "vignetting") {
      line.fields.mode = Mode::kVignetting;
    } else if (value == "fog") {
      line.fields.mode = Mode::kFog;
    } else if (value == "gamma") {
      line.fields.mode = Mode::kGamma;
    } else {
      error = "--mode は vignetting、fog、gamma のどれかです: " + value;
      return Setting::kBadValue;
    }
  } else if (name == "--background") {
    line.fields.background = true;
    line.fields.threshold = value;
  } else if (name == "--centre") {
    const auto comma = value.find(',');
    if (comma == std::string::npos) {
      error = "--centre は X,Y の形で指定してください: " + value;
      return Setting::kBadValue;
    }
    line.centre = CentreAnswers{value.substr(0, comma), value.substr(comma + 1)};
  } else if (name == "--output-dir") {
    line.outputDir = value;
  } else {
    return Setting::kUnknownOption;
  }
  return Setting::kDone;
}

bool TakesValue(const std::string& name) {
  CommandLine probe;
  std::string ignored;
  return SetOption(probe, name, "vignetting,0", ignored) != Setting::kUnknownOption;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument.rfind("--", 0) != 0) {
      if (!optionsEnded && argument.size() > 1 && argument[0] == '-' && argument != "-") {
        error = "不明なオプションです: " + argument;
        return std::nullopt;
      }
      line.files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--quiet") {
      line.quiet = true;
      continue;
    }
    if (argument == "--help") {
      line.help = true;
      continue;
    }
    if (argument == "--version") {
      line.version = true;
      continue;
    }

    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (!TakesValue(name)) {
      error = "不明なオプションです: " + name;
      return std::nullopt;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      // The value is taken as it stands, so "--brightness -40" works.
      value = arguments[++i];
    } else {
      error = name + " に値がありません";
      return std::nullopt;
    }
    if (SetOption(line, name, value, error) != Setting::kDone) return std::nullopt;
  }
  return line;
}

const char* OptionOf(Field field) {
  switch (field) {
    case Field::kStart:
      return "--start";
    case Field::kCoefficient:
      return "--coefficient";
    case Field::kLightX:
      return "--light-x";
    case Field::kLightY:
      return "--light-y";
    case Field::kSize:
      return "--size";
    case Field::kBrightness:
      return "--brightness";
    case Field::kGamma:
      return "--gamma";
    case Field::kThreshold:
      return "--background";
  }
  return "";
}

}  // namespace hosei
