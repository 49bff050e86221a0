// The help line: what each control of the main window does, shown while the mouse moves
// over it. The viewer explains its own controls and reports the text here.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "file_names.h"
#include "form1.h"
#include "help_texts.h"
#include "hover_help.h"

namespace hosei {

void Form1::explainControls() {
  auto* help = new HoverHelp(this);
  const std::pair<QWidget*, const char*> explained[] = {
      {Option1, kVignettingModeHelp}, {Option2, kFogModeHelp},
      {Option3, kGammaModeHelp},      {Label1, kStartHelp},
      {Label2, kCoefficientHelp},     {Label5, kThresholdHelp},
      {Label6, kLightCentreHelp},     {Label8, kLightSizeHelp},
      {Label9, kBrightnessHelp},      {Label14, kGammaHelp},
      {Label15, kBoundaryHelp},       {Label10, kVersionHelp},
      {Check1, kBackgroundHelp},      {Check2, kShowImageHelp},
      {Check3, kGuideLinesHelp},      {Command2, kExitHelp},
      {Command3, kChooseFileHelp},    {Command4, kVignettingCircleHelp},
      {Command5, kFogCircleHelp},     {Command6, kCentreMoveHelp},
      {Text3, kCurrentFileHelp},
  };
  for (const auto& [control, text] : explained) help->explain(control, QString::fromUtf8(text));
  help->explain(Command1, [this] { return executeHelp(); });
  connect(help, &HoverHelp::helpShown, Label13, &QLabel::setText);
}

// The second line names the file Execute writes; a name too short to have one (Execute
// refuses it with a message) leaves only the first.
QString Form1::executeHelp() const {
  QString help = QString::fromUtf8(kExecuteHelp);
  if (const auto result = ResultFileName(Text3->text().toStdString()))
    help +=
        QLatin1Char('\n') + QString::fromStdString(*result) + QString::fromUtf8(kExecuteResultHelp);
  return help;
}

}  // namespace hosei
