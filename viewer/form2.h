#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

#include "display_stretch.h"
#include "file_error.h"
#include "moved_centre.h"
#include "preview_correction.h"
#include "work_model.h"

class QAction;
class QLabel;
class QPushButton;

namespace hosei {

class CaptionLabel;
class CircleShape;
class PictureBox;
class PlatformServices;

// The viewer: the picture being worked on, zoomed or at actual size, its size in dots,
// and a switch between the picture before the last operation and the current one.
// It is handed the main window's work model, told what to show, and never looks into the
// main window's controls. It records the image size and the pictures it shows in the model.
class Form2 : public QWidget {
  Q_OBJECT

 public:
  Form2(PlatformServices& services, WorkModel& work, QWidget* parent = nullptr);

  // Records the image size in dots and shows it in the size texts; re-applies the size rule.
  void setImageSize(int width, int height);
  // Shows the file's picture under `title` and keeps the path shown before it for the
  // before/after switch. A file that cannot be read leaves the picture area empty under the
  // new title, never the previous picture under it, and is still the one the switch trades
  // away; the caller reports the error (after putting back the pointer it may have set).
  FileError showAsCurrent(const QString& path, const QString& title);
  // The title of a file whose picture is not to be read, over an empty picture area.
  void showWithoutPicture(const QString& title);
  // Records the current path without loading a picture (Execute names its source here).
  void setCurrentPath(const QString& path);
  QString currentPath() const;
  QString previousPath() const;

  // The guide circles, drawn over the picture in zoom mode (the caller checks the mode).
  // Each replaces the circle shown before; without a recorded image size nothing changes.
  void showVignettingCircle(double startPercent, const std::optional<MovedCentre>& centre);
  void showFogCircle(double x, double y, double radius);
  void hideCircle();
  bool circleShown() const;
  CircleShape* circle() const { return circleShape; }
  bool zoomMode() const;
  // The picture area in the window's pixels.
  QRect pictureArea() const;
  // Only the width is free: the picture area takes the whole client width and the window's
  // height follows from it and the image's aspect ratio, below the strip of buttons. All
  // within the screen's available area: where the height would pass it, it stops there, and
  // the picture is fitted inside whole, centred, in zoom mode; at actual size the area shows
  // what fits. A window wider than that area is narrowed, one reaching past its edge moved in.
  void applySizeRule();

  // The correction the main window's fields describe now; nothing while one of them is
  // refused. Kept for the preview, and shown at once while it is on.
  void setPreviewCorrection(const std::optional<PreviewCorrection>& correction);
  // The current file shown corrected, instead of the picture on show (the context menu's
  // プレビュー, the P key). Switching it on reads the current file when another picture is
  // on show; one that cannot be read leaves it off, with a message. Off at start, and
  // switched off by the before/after switch and whenever a picture is put on show.
  void setPreview(bool on);
  bool previewOn() const { return previewOn_; }
  // The display stretched for a dark picture (表示の強調, the S key); the file and the
  // correction never see it.
  void setDisplayStretch(bool on);
  bool displayStretchOn() const { return stretchOn_; }

 signals:
  void pictureDoubleClicked();
  // The mouse moved over a control that has an explanation for the help line.
  void helpTextShown(const QString& text);
  // The user asked for the current mode's correction to be estimated from the current file
  // (the context menu's 補正値を推定, the E key).
  void estimateRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildActions();
  // At actual size, the arrows move the view by a grid cell, Home to the top-left corner and
  // End to the far one; true when `key` was one of them.
  bool panByKey(int key);
  // The held picture as it is to be seen: `part` of it corrected while the preview is on,
  // all of it stretched while the display stretch is.
  QImage lookOf(const ViewerPicture& picture, const QRect& part);
  void showTitle();
  // Puts the picture the designed switches put on show back in the picture area.
  void showDesignedPicture();
  // Switches the preview off where the caller puts another picture on show at once.
  void endPreview();
  void switchZoom();
  void switchPreviousAndCurrent();
  void hideCircleOnDoubleClick();
  void placeCircle(const QRectF& bounds);
  void explainControls();
  // The recorded size when it can be drawn on; nothing while none is or a side is zero.
  std::optional<QSizeF> imageSizeInDots() const;
  // The client size at which the window's frame just fills its screen's available area.
  QSize roomOnScreen() const;
  void keepOnScreen();
  // The captions showing the model.
  void showImageSize();
  void showPicturePaths();

  PlatformServices& services_;
  WorkModel& work_;

  PictureBox* pictureBox;          // Image1
  QPushButton* zoomButton;         // Command1: zoom or actual size
  QPushButton* beforeAfterButton;  // Command2
  CaptionLabel* widthCaption;      // Label1
  CaptionLabel* heightCaption;     // Label2
  CaptionLabel* sizeModeCaption;   // Label3: which size the picture is shown at
  QLabel* previousPictureCaption;  // Label4, never shown
  QLabel* currentPictureCaption;   // Label5, never shown
  CircleShape* circleShape;        // Shape1

  QAction* previewAction;
  QAction* estimateAction;
  QAction* stretchAction;
  // The window's caption as the designed operations set it; the preview puts its name first.
  QString title_;
  // The file whose picture the designed operations put on show; empty when none is.
  QString designedPicture_;
  std::optional<PreviewCorrection> correction_;
  bool previewOn_ = false;
  bool stretchOn_ = false;
  // The stretch worked out from the picture as read, kept while only the correction
  // changes, so the preview's brightening or darkening stays visible.
  std::optional<ShownLevels> stretch_;
  qint64 stretchOf_ = 0;  // the cache key of the image it was worked out from
};

}  // namespace hosei
