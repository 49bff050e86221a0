// The help line: what each control of the main window does, shown while the mouse moves
// over it. The viewer explains its own controls and reports the text here.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <variant>

#include "caption_label.h"
#include "execute.h"
#include "field_help.h"
#include "form1.h"
#include "help_texts.h"
#include "hover_help.h"
#include "parameter_table.h"
#include "refusal_help.h"

namespace hosei {

void Form1::explainControls() {
  auto* help = new HoverHelp(this);
  const std::pair<QWidget*, const char*> explained[] = {
      {vignettingOption, kVignettingModeHelp}, {fogOption, kFogModeHelp},
      {gammaOption, kGammaModeHelp},           {versionCaption, kVersionHelp},
      {backgroundCheck, kBackgroundHelp},      {showPictureCheck, kShowImageHelp},
      {guideLinesCheck, kGuideLinesHelp},      {exitButton, kExitHelp},
      {chooseFileButton, kChooseFileHelp},     {vignettingCircleButton, kVignettingCircleHelp},
      {fogCircleButton, kFogCircleHelp},       {centreMoveButton, kCentreMoveHelp},
      {currentFileField, kCurrentFileHelp},
  };
  for (const auto& [control, text] : explained) help->explain(control, QString::fromUtf8(text));
  for (const auto& [caption, field] : fieldCaptions_)
    help->explain(caption, QString::fromUtf8(HelpLineOf(field)));
  help->explain(executeButton, [this] { return executeHelp(); });
  connect(help, &HoverHelp::helpShown, helpLine, &QLabel::setText);
}

// The second line names the file Execute writes, by what the file held when it was chosen (a
// photo keeps its extension); a name too short to have one (Execute refuses it with a
// message) leaves only the first. While a parameter is refused, Execute only says so, and
// its help says it too: the refusal shown when it was pressed stays as the mouse moves on it.
QString Form1::executeHelp() const {
  const auto read = ReadParameters(fieldTexts());
  if (const auto* refusal = std::get_if<Refusal>(&read)) return RefusalHelp(*refusal);
  QString help = QString::fromUtf8(kExecuteHelp);
  if (const auto result = ResultFileFor(work_.currentFile.toStdString(), work_.currentFileKind, {}))
    help +=
        QLatin1Char('\n') + QString::fromStdString(*result) + QString::fromUtf8(kExecuteResultHelp);
  return help;
}

}  // namespace hosei
