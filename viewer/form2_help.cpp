// What the viewer's controls do, for the main window's help line.

#include <QLabel>
#include <QPushButton>

#include "form2.h"
#include "hover_help.h"
#include "picture_box.h"

namespace hosei {

void Form2::explainControls() {
  auto* help = new HoverHelp(this);
  help->explain(Command1, QStringLiteral("表示画像の　ＺＯＯＭ表示（縮小又は拡大して表示）と\n"
                                         "　実寸表示の切替えをします"));
  help->explain(Command2, QStringLiteral("最後におこなった処理の前の画像と\n"
                                         "　現在の画像を切替えます"));
  help->explain(Image1, QStringLiteral("処理中の画像です。横方向に引っ張ると\n"
                                       "　ウインドウ（画像）の大きさを変更できます"));
  help->explain(Label3, QStringLiteral("表示画像の　大きさ(ドット単位）が表示されています"));
  connect(help, &HoverHelp::helpShown, this, &Form2::helpTextShown);
}

}  // namespace hosei
