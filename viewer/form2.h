#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

#include "file_error.h"

class QLabel;
class QPushButton;

namespace hosei {

class CircleShape;
class PictureBox;
class PlatformServices;

// The viewer: the picture being worked on, zoomed or at actual size, its size in dots,
// and a switch between the picture before the last operation and the current one.
// It is told what to show and never looks into the main window.
class Form2 : public QWidget {
  Q_OBJECT

 public:
  explicit Form2(PlatformServices& services, QWidget* parent = nullptr);

  // The size texts: the recorded image size in dots. Writing them re-applies the size rule.
  void setImageSize(int width, int height);
  // Makes the file the picture on screen and keeps the path shown before it for the
  // before/after switch. A file that cannot be shown changes nothing; the caller reports
  // the error (after putting back the pointer it may have set).
  FileError showAsCurrent(const QString& path);
  // Records the current path without loading a picture (Execute names its source here).
  void setCurrentPath(const QString& path);
  QString currentPath() const;
  QString previousPath() const;

  void hideCircle();
  bool circleShown() const;
  CircleShape* circle() const { return Shape1; }
  bool zoomMode() const;
  // The picture area in the window's pixels.
  QRect pictureArea() const;

  // Only the width is free: the picture area takes the whole client width and the window's
  // height follows from it and the image's aspect ratio, below the strip of buttons.
  void applySizeRule();

 signals:
  void pictureDoubleClicked();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void switchZoom();
  void switchPreviousAndCurrent();
  // The size texts read as numbers; nothing while none is recorded or either is zero.
  std::optional<QSizeF> recordedImageSize() const;

  PlatformServices& services_;

  PictureBox* Image1;
  QPushButton* Command1;
  QPushButton* Command2;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  CircleShape* Shape1;
};

}  // namespace hosei
