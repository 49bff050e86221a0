#include "hover_help.h"

#include <QEvent>
#include <QWidget>

namespace hosei {

HoverHelp::HoverHelp(QObject* parent) : QObject(parent) {}

void HoverHelp::explain(QWidget* control, const QString& text) {
  explain(control, [text] { return text; });
}

void HoverHelp::explain(QWidget* control, std::function<QString()> text) {
  // Without tracking, the window system reports movements only while a button is held.
  control->setMouseTracking(true);
  control->installEventFilter(this);
  texts_.insert(control, std::move(text));
}

bool HoverHelp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    // A disabled control still gets to see the movement before passing it on.
    const auto* control = static_cast<QWidget*>(watched);
    const auto text = texts_.constFind(watched);
    if (text != texts_.constEnd() && control->isEnabled() && control->isVisible())
      emit helpShown((*text)());
  }
  return false;
}

}  // namespace hosei
