#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace hosei {

// Explains controls on the help line: every mouse movement over an explained control
// reports its text, whether a button is held or not. A hidden or disabled control, and
// one without an explanation, reports nothing.
class HoverHelp : public QObject {
  Q_OBJECT

 public:
  explicit HoverHelp(QObject* parent = nullptr);

  void explain(QWidget* control, const QString& text);
  // For a text that depends on the moment, built when the mouse moves.
  void explain(QWidget* control, std::function<QString()> text);

 signals:
  void helpShown(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QHash<QObject*, std::function<QString()>> texts_;
};

}  // namespace hosei
