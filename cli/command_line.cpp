#include "command_line.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "file_names.h"
#include "formatted.h"
#include "gettext.h"
#include "leading_number.h"
#include "parameter_table.h"
#include "problem_words.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

// Ends a usage error, pointing to the usage text.
std::string WithHelpHint(const std::string& error) {
  return error + _(" (hosei-cli --help shows how to use it)");
}

struct ModeName {
  Mode mode;
  const char* name;
};
constexpr std::array<ModeName, 3> kModeNames = {
    {{Mode::kVignetting, "vignetting"}, {Mode::kFog, "fog"}, {Mode::kGamma, "gamma"}}};

const char* NameOf(Mode mode) {
  for (const ModeName& m : kModeNames)
    if (m.mode == mode) return m.name;
  return "";
}

std::string ModeList() {
  std::string list;
  for (const ModeName& m : kModeNames) {
    if (!list.empty()) list += '|';
    list += m.name;
  }
  return list;
}

// The help of a field's option, as the usage text shows it before what it accepts. The
// window's caption is quoted once, so that users of both can match them.
struct FieldHelp {
  Field field;
  const char* help;
};
constexpr std::array<FieldHelp, kFieldCount> kFieldHelp = {{
    {Field::kStart, N_("vignetting start [周辺減光の開始], in per cent of the way to the corners")},
    {Field::kCoefficient, N_("vignetting coefficient [減光係数]")},
    {Field::kLightX, N_("fog / local brightness centre x [光源の x 座標], in dots")},
    {Field::kLightY,
     N_("fog / local brightness centre y [光源の y 座標], in dots from the bottom")},
    {Field::kSize, N_("fog / local brightness radius [大きさ], in dots")},
    {Field::kBrightness, N_("fog / local brightness change [明るさ]")},
    {Field::kGamma, N_("gamma value [ガンマ値]")},
    {Field::kBoundary, N_("boundary softness [境界], its name written exactly so")},
    {Field::kThreshold,
     N_("switch the background adjustment [バックの調整] on, with this threshold text")},
}};

const char* HelpOf(Field field) {
  for (const FieldHelp& f : kFieldHelp)
    if (f.field == field) return _(f.help);
  return "";
}

// Digits only, no sign, blank or fraction; nothing when outside lowest..highest.
std::optional<int> WholeNumberIn(const std::string& text, int lowest, int highest) {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<long long>(value * 10 + (c - '0'), static_cast<long long>(highest) + 1);
  }
  if (value < lowest || value > highest) return std::nullopt;
  return static_cast<int>(value);
}

bool SetWholeNumber(int& target, const char* option, const std::string& value, int lowest,
                    int highest, std::string& error) {
  const auto number = WholeNumberIn(value, lowest, highest);
  if (!number) {
    error = RefusalLine(option, value, WholeNumbersWords(lowest, highest));
    return false;
  }
  target = *number;
  return true;
}

// Where an option stands in the usage text among the table's fields.
enum class Place { kBeforeFields, kAfterVignettingFields, kAfterFields };

// The options that are not fields of the parameter table, each declared here once.
struct OtherOption {
  const char* name;
  bool takesValue;
  const char* valueName;  // in the usage text; nullptr for --mode: its names
  Place place;
  std::string (*help)();
  bool (*set)(CommandLine& line, const char* name, const std::string& value, std::string& error);
};

const std::array<OtherOption, 10> kOtherOptions = {{
    {"--mode", true, nullptr, Place::kBeforeFields,
     [] { return Formatted(_("correction (default %s)"), {NameOf(FieldTexts().mode)}); },
     [](CommandLine& line, const char* name, const std::string& value, std::string& error) {
       for (const ModeName& m : kModeNames)
         if (value == m.name) {
           line.fields.mode = m.mode;
           return true;
         }
       error = Formatted(_("%s takes %s, %s or %s: %s"),
                         {name, kModeNames[0].name, kModeNames[1].name, kModeNames[2].name, value});
       return false;
     }},
    {"--centre", true, "X,Y", Place::kAfterVignettingFields,
     [] {
       return std::string(
           _("move the vignetting centre as the [中心移動] dialog does, X and Y being the two "
             "answers"));
     },
     [](CommandLine& line, const char* name, const std::string& value, std::string& error) {
       const auto comma = value.find(',');
       if (comma == std::string::npos) {
         error = Formatted(_("%s takes X,Y: %s"), {name, value});
         return false;
       }
       line.centre = CentreAnswers{value.substr(0, comma), value.substr(comma + 1)};
       return true;
     }},
    {"--jobs", true, "N", Place::kAfterFields,
     [] {
       return Formatted(
           _("correct N files at once, %s to %s (default: one per CPU this process may use, "
             "here %s)"),
           {std::to_string(kFewestJobs), std::to_string(kMostJobs), std::to_string(DefaultJobs())});
     },
     [](CommandLine& line, const char* name, const std::string& value, std::string& error) {
       return SetWholeNumber(line.jobs, name, value, kFewestJobs, kMostJobs, error);
     }},
    {"--quality", true, "N", Place::kAfterFields,
     [] {
       return Formatted(
           _("re-encode JPEG results at quality N, %s to %s, instead of with the source's own "
             "quantisation tables; no effect on bitmaps, PNG or TIFF"),
           {std::to_string(kLowestJpegQuality), std::to_string(kHighestJpegQuality)});
     },
     [](CommandLine& line, const char* name, const std::string& value, std::string& error) {
       return SetWholeNumber(line.jpegQuality, name, value, kLowestJpegQuality, kHighestJpegQuality,
                             error);
     }},
    {"--output-dir", true, "DIR", Place::kAfterFields,
     [] {
       return std::string(
           _("write the results into DIR (same result names) instead of beside the sources, "
             "e.g. for photos on a read-only card"));
     },
     [](CommandLine& line, const char* name, const std::string& value, std::string& error) {
       // An empty name would mean beside the sources, where a script with an unset
       // variable would then write instead of the folder it meant.
       if (value.empty()) {
         error = Formatted(_("%s cannot be an empty folder name"), {name});
         return false;
       }
       line.outputDir = value;
       return true;
     }},
    {"--estimate", false, nullptr, Place::kAfterFields,
     [] {
       return std::string(
           _("print for each FILE the correction of --mode vignetting or fog estimated from the "
             "picture itself, as options that make exactly that correction when pasted back "
             "into a command; nothing is written. Options given beside it are held as given and "
             "only the others estimated. A picture with nothing to correct gets the weakest "
             "correction: --start 99 --coefficient 1 --boundary Soft, or --brightness 0"));
     },
     [](CommandLine& line, const char*, const std::string&, std::string&) {
       return line.estimate = true;
     }},
    {"--auto", false, nullptr, Place::kAfterFields,
     [] {
       return std::string(
           _("correct each FILE with its own estimate (as --estimate finds it), printed beside "
             "its done line; options given beside it are held, e.g. --auto --boundary Soft. A "
             "FILE with nothing to correct is reported as needing none, and nothing is written "
             "for it"));
     },
     [](CommandLine& line, const char*, const std::string&, std::string&) {
       return line.autoCorrect = true;
     }},
    {"--quiet", false, nullptr, Place::kAfterFields,
     [] {
       return std::string(
           _("no line per file on standard output and no progress bar (--estimate still prints "
             "its estimates)"));
     },
     [](CommandLine& line, const char*, const std::string&, std::string&) {
       return line.quiet = true;
     }},
    {"--help", false, nullptr, Place::kAfterFields,
     [] { return std::string(_("show this text and exit")); },
     [](CommandLine& line, const char*, const std::string&, std::string&) {
       return line.help = true;
     }},
    {"--version", false, nullptr, Place::kAfterFields,
     [] { return std::string(_("show the version and exit")); },
     [](CommandLine& line, const char*, const std::string&, std::string&) {
       return line.version = true;
     }},
}};

bool IsSwitch(const OtherOption& option) { return !option.takesValue; }

const OtherOption* OtherOptionNamed(const std::string& name) {
  for (const OtherOption& option : kOtherOptions)
    if (name == option.name) return &option;
  return nullptr;
}

const ParameterDeclaration* FieldOptionNamed(const std::string& name) {
  for (const ParameterDeclaration& d : kParameterTable)
    if (name == d.option) return &d;
  return nullptr;
}

// The threshold's option also switches the background adjustment on; without the option
// the adjustment is off, so the threshold's default text never applies to a run.
bool SwitchesBackgroundOn(const ParameterDeclaration& d) { return d.field == Field::kThreshold; }

// The window reads any other boundary text as Soft; a script's "sharp" or typo is refused
// instead of quietly giving the softest transition.
bool IsShapeName(const std::string& text) {
  return std::find(kShapeNames.begin(), kShapeNames.end(), text) != kShapeNames.end();
}

// The window reads a field without a number as 0 by design; on a command line that is a
// typo, which must not quietly correct with 0. A text that starts with a number ("12abc")
// keeps the window's reading.
bool IsValueOf(const ParameterDeclaration& d, const std::string& value) {
  return d.conversion == Conversion::kShapeName ? IsShapeName(value) : StartsWithNumber(value);
}

bool SetField(CommandLine& line, const ParameterDeclaration& d, const std::string& value,
              std::string& error) {
  if (!IsValueOf(d, value)) {
    error = RefusalLine(d.option, value, AcceptedWords(d.field));
    return false;
  }
  line.fields[d.field] = value;
  line.givenFields.set(static_cast<std::size_t>(d.field));
  if (SwitchesBackgroundOn(d)) line.fields.background = true;
  return true;
}

// Columns a character takes on a terminal: East Asian characters take two.
std::size_t ColumnsOf(unsigned codePoint) { return codePoint >= 0x2E80 ? 2 : 1; }

// The pieces a help text may be wrapped between: words between blanks, and each East Asian
// character on its own, as Japanese has no blanks between words.
struct Piece {
  std::string text;
  std::size_t columns = 0;
  bool blankBefore = false;
};

constexpr std::string_view kClosingMarks = "、。，．）」』】：";
constexpr std::string_view kOpeningMarks = "（「『【";

std::vector<Piece> PiecesOf(std::string_view text) {
  std::vector<Piece> pieces;
  bool blank = false, afterWide = true, afterOpening = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned codePoint = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
      codePoint = codePoint << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    const std::string_view character = text.substr(i, length);
    i += length;
    if (character == " ") {
      blank = afterWide = true;
      continue;
    }
    const std::size_t columns = ColumnsOf(codePoint);
    // Japanese punctuation stays with its neighbours: no line starts with a closing mark
    // or ends with an opening one.
    const bool closing = kClosingMarks.find(character) != std::string_view::npos;
    const bool joined = !pieces.empty() && !blank && (closing || afterOpening);
    if (!joined && (blank || afterWide || columns == 2))
      pieces.push_back({{}, 0, blank && !pieces.empty()});
    pieces.back().text += character;
    pieces.back().columns += columns;
    blank = false;
    afterWide = columns == 2;
    afterOpening = kOpeningMarks.find(character) != std::string_view::npos;
  }
  return pieces;
}

// Columns a text takes on a terminal.
std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (const Piece& piece : PiecesOf(text)) columns += piece.columns;
  return columns + static_cast<std::size_t>(std::count(text.begin(), text.end(), ' '));
}

// One option of the usage text: its name and value, then its help, wrapped within 90
// columns under a 32-column indent.
void AddOption(std::string& usage, const std::string& name, const std::string& help) {
  constexpr std::size_t kIndent = 32, kWidth = 90;
  std::string line = "  " + name;
  if (Columns(line) + 1 > kIndent) {
    usage += line + "\n";
    line.clear();
  }
  line.resize(kIndent, ' ');
  std::size_t lineColumns = kIndent;
  bool lineEmpty = true;
  for (const Piece& piece : PiecesOf(help)) {
    const std::size_t blank = piece.blankBefore && !lineEmpty ? 1 : 0;
    if (!lineEmpty && lineColumns + blank + piece.columns > kWidth) {
      usage += line + "\n";
      line.assign(kIndent, ' ');
      lineColumns = kIndent;
      lineEmpty = true;
    }
    if (piece.blankBefore && !lineEmpty) line += ' ', ++lineColumns;
    line += piece.text;
    lineColumns += piece.columns;
    lineEmpty = false;
  }
  usage += line + "\n";
}

void AddOtherOptions(std::string& usage, Place place) {
  for (const OtherOption& option : kOtherOptions) {
    if (option.place != place || IsSwitch(option)) continue;
    const std::string value = option.valueName ? option.valueName : ModeList();
    AddOption(usage, std::string(option.name) + " " + value, option.help());
  }
}

}  // namespace

std::string RefusalLine(const std::string& option, const std::string& text,
                        const std::string& accepted) {
  return Formatted(_("%s \"%s\" is refused (accepted: %s)"), {option, Shortened(text), accepted});
}

std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 40;
  if (CharacterCount(text) <= kShown) return text;
  return *WithoutLastCharacters(text, CharacterCount(text) - kShown) + "…";
}

std::string UsageText() {
  std::string usage =
      _("hosei-cli [options] FILE...\n"
        "Corrects photos with one setting: 24-bit BMP files, JPEG, PNG, TIFF and FITS pictures,\n"
        "in one list. Every TEXT is read as the window reads the matching field, except that\n"
        "--boundary takes only its three names and a number TEXT that does not start with a\n"
        "number is refused (the window reads it as 0).\n");
  usage += "\n";
  AddOtherOptions(usage, Place::kBeforeFields);
  const ParameterDeclaration* lastVignettingField = nullptr;
  for (const ParameterDeclaration& d : kParameterTable)
    if (d.mode == Mode::kVignetting) lastVignettingField = &d;
  for (const ParameterDeclaration& d : kParameterTable) {
    std::string help = Formatted(_("%s; accepts %s"), {HelpOf(d.field), AcceptedWords(d.field)});
    if (!SwitchesBackgroundOn(d)) help = Formatted(_("%s (default \"%s\")"), {help, d.defaultText});
    AddOption(usage, std::string(d.option) + " TEXT", help);
    if (&d == lastVignettingField) AddOtherOptions(usage, Place::kAfterVignettingFields);
  }
  AddOtherOptions(usage, Place::kAfterFields);
  for (const OtherOption& option : kOtherOptions)
    if (IsSwitch(option)) AddOption(usage, option.name, option.help());
  usage += "\n";
  usage +=
      _("What a file holds decides how it is done, not its name. A JPEG, PNG, TIFF or FITS\n"
        "picture is corrected in its own format with its metadata kept; its result is NAME_.EXT\n"
        "(IMG_0001.JPG gives IMG_0001_.JPG, M42.fits gives M42_.fits). Deep pictures (PNG and\n"
        "TIFF of 16 bits a channel, 32-bit float TIFF, FITS of 16 bits or 32-bit float) are\n"
        "corrected at their own depth: each sample is taken as a fraction of full scale and the\n"
        "same corrections are worked out exactly, without the 8-bit tables' steps, so smooth\n"
        "skies stay smooth. Float samples must lie in 0..1; a float picture with samples\n"
        "outside, NaN or infinities is refused rather than clipped. A bitmap's result is its\n"
        "name less the last four characters, then \"_.bmp\" (photo.bmp gives photo_.bmp).\n"
        "Results are written beside the sources, or into --output-dir; a source is never\n"
        "written.\n");
  usage += "\n";
  usage +=
      _("Nothing named on the command line is overwritten: when a result would replace another\n"
        "file named there (an earlier result given again, also through a link), the whole\n"
        "command is refused and nothing is written; use --output-dir or leave the earlier\n"
        "results out. Two files with one result name in one folder: the first is done, the\n"
        "second reported. A file named again for the same result is done once.\n");
  usage += "\n";
  usage +=
      _("Exit status: 0 all done, 1 a file could not be done (the others are still done) or\n"
        "standard output could not be written, 2 a refused parameter or a usage error (no file\n"
        "touched).\n");
  return usage;
}

int DefaultJobs() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  const int count = ::sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
  return std::clamp(count, kFewestJobs, kMostJobs);
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument.rfind("--", 0) != 0) {
      if (!optionsEnded && argument.size() > 1 && argument[0] == '-' && argument != "-") {
        error = WithHelpHint(Formatted(_("unknown option: %s"), {argument}));
        return std::nullopt;
      }
      line.files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (const OtherOption* option = OtherOptionNamed(argument); option && IsSwitch(*option)) {
      option->set(line, option->name, {}, error);
      continue;
    }

    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const ParameterDeclaration* field = FieldOptionNamed(name);
    const OtherOption* other = OtherOptionNamed(name);
    if (!field && (!other || IsSwitch(*other))) {
      error = WithHelpHint(Formatted(_("unknown option: %s"), {name}));
      return std::nullopt;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      // The value is taken as it stands, so "--brightness -40" works.
      value = arguments[++i];
    } else {
      error = WithHelpHint(Formatted(_("%s has no value"), {name}));
      return std::nullopt;
    }
    if (field ? !SetField(line, *field, value, error)
              : !other->set(line, other->name, value, error))
      return std::nullopt;
  }
  if (line.estimate && line.autoCorrect) {
    error =
        WithHelpHint(Formatted(_("%s and %s cannot be given together"), {"--estimate", "--auto"}));
    return std::nullopt;
  }
  if ((line.estimate || line.autoCorrect) && line.fields.mode == Mode::kGamma) {
    error = Formatted(
        _("%s goes with --mode %s or %s (gamma is not estimated)"),
        {line.estimate ? "--estimate" : "--auto", NameOf(Mode::kVignetting), NameOf(Mode::kFog)});
    return std::nullopt;
  }
  return line;
}

const char* OptionOf(Field field) { return DeclarationOf(field).option; }

}  // namespace hosei
