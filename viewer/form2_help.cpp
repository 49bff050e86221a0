// What the viewer's controls do, for the main window's help line.

#include <QLabel>
#include <QPushButton>

#include "caption_label.h"
#include "form2.h"
#include "hover_help.h"
#include "picture_box.h"
#include "viewer_help_texts.h"

namespace hosei {

void Form2::explainControls() {
  auto* help = new HoverHelp(this);
  const std::pair<QWidget*, const char*> explained[] = {
      {zoomButton, kZoomSwitchHelp},
      {beforeAfterButton, kBeforeAfterHelp},
      {pictureBox, kPictureHelp},
      {sizeModeCaption, kPictureSizeHelp},
  };
  for (const auto& [control, text] : explained) help->explain(control, QString::fromUtf8(text));
  connect(help, &HoverHelp::helpShown, this, &Form2::helpTextShown);
}

}  // namespace hosei
