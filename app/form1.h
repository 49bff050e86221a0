#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "file_error.h"
#include "file_kind.h"
#include "form2.h"
#include "moved_centre.h"
#include "parameters.h"
#include "platform_services.h"
#include "work_model.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hosei {

class BoundaryBox;
class CaptionLabel;
class ParameterField;
class ParameterSlider;
class WorkingFiles;

enum class GuideCircle { kVignetting, kFog };

// The file dialog's filter for every photo kind hosei reads, astronomy's FITS included.
inline constexpr const char* kPhotoFilter =
    "写真(*.jpg *.jpeg *.png *.tif *.tiff *.fits *.fit *.fts)";

// The main window: every correction parameter, the mode, the file to work on, Execute
// and exit. The parameters live in the controls' texts; the rest of the work (the current
// file, the image size, the moved centre, the viewer's pictures) in the work model, which
// the captions show.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `firstDialogFolder` is where the file dialog opens until a file has been chosen.
  Form1(PlatformServices& services, WorkingFiles& workingFiles, QString firstDialogFolder,
        QWidget* parent = nullptr);
  ~Form1() override;

  // The viewer, once some action has needed it; nothing before, or after it was closed.
  Form2* viewer() const { return viewer_; }
  const WorkModel& work() const { return work_; }

  // The vignetting centre moved away from the image centre, shown under the centre button.
  void setMovedCentre(const MovedCentre& centre);
  void clearMovedCentre();

 signals:
  // A guide circle is wanted over the picture: its button was pressed, or a parameter it
  // depends on changed while a circle is on screen.
  void guideCircleRequested(GuideCircle circle);
  void centreMoveRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void buildParameterControls();
  void buildCommandControls();
  void buildLabels();
  void setColoursAndFonts();
  void setTabOrderChain();
  void connectHandlers();
  void explainControls();
  void runStartUp();

  Form2& ensureViewer();
  Form2& showViewer();

  // Parameter panel.
  ParameterField* field(Field which) const { return fields_[Index(which)]; }
  ParameterSlider* slider(Field which) const { return sliders_[Index(which)]; }
  QString fieldText(Field which) const;
  void parameterTextChanged(Field which);
  void showControlsOf(Mode mode);
  void selectMode(Mode mode);
  void boundaryChosen();
  void showCurrentFile(const QString& path, FileKind kind);
  Mode mode() const;
  FieldTexts fieldTexts() const;

  // Choosing the file to work on.
  void chooseFile();
  void loadFile(const ChosenFile& chosen);
  void showChosenPicture(Form2& viewer, const ChosenFile& chosen, FileKind kind);

  // Guide circles and the centre move.
  void drawGuideCircle(GuideCircle circle);
  void moveCentre();
  void showMovedCentre();

  // Help line.
  QString executeHelp() const;

  // The viewer's preview: the correction the fields describe, handed over at every change.
  void handOverCorrection();
  // The viewer's 補正値を推定: the current mode's fields filled with the estimate for the
  // current file, as if typed and left.
  void fillFieldsWithEstimate();
  void fillField(Field which, const std::string& text);

  // Execute.
  void execute();
  void showNoRun();
  void reportExecuteFailure(const FileError& error);

  void exitProgram();

  static constexpr std::size_t Index(Field which) { return static_cast<std::size_t>(which); }

  PlatformServices& services_;
  WorkingFiles& workingFiles_;
  QString dialogFolder_;
  QPointer<Form2> viewer_;
  WorkModel work_;
  // The file-open dialog's design settings: the filter list and default extension.
  FileDialogRequest fileDialog_;
  // While an estimate fills several fields, the preview is handed the correction once, at
  // the end.
  bool fillingFields_ = false;

  // The controls. Their object names are the window's design names (Command1, Text1, ...),
  // which the tests use; each is noted beside it.
  QPushButton* executeButton;           // Command1: 実 行
  QPushButton* exitButton;              // Command2: 終了
  QPushButton* chooseFileButton;        // Command3: ファイル設定
  QPushButton* vignettingCircleButton;  // Command4
  QPushButton* fogCircleButton;         // Command5
  QPushButton* centreMoveButton;        // Command6
  QRadioButton* vignettingOption;       // Option1
  QRadioButton* fogOption;              // Option2
  QRadioButton* gammaOption;            // Option3
  // The typed parameters by Field (Text1, Text2, Text5 to Text9, Text4) and their sliders;
  // the boundary is typed into a box of its own, and not every field has a slider.
  std::array<ParameterField*, kFieldCount> fields_{};
  std::array<ParameterSlider*, kFieldCount> sliders_{};
  BoundaryBox* boundaryBox;          // Combo1
  QLineEdit* currentFileField;       // Text3
  QCheckBox* backgroundCheck;        // Check1: バックの調整
  QCheckBox* showPictureCheck;       // Check2: 画像表示
  QCheckBox* guideLinesCheck;        // Check3: 補助線
  CaptionLabel* startCaption;        // Label1
  CaptionLabel* coefficientCaption;  // Label2
  CaptionLabel* rowsDoneCaption;     // Label3
  CaptionLabel* statusCaption;       // Label4
  CaptionLabel* thresholdCaption;    // Label5
  CaptionLabel* lightXCaption;       // Label6
  CaptionLabel* lightYCaption;       // Label7
  CaptionLabel* sizeCaption;         // Label8
  CaptionLabel* brightnessCaption;   // Label9
  CaptionLabel* versionCaption;      // Label10
  CaptionLabel* originNote;          // Label11
  CaptionLabel* darkerNote;          // Label12
  CaptionLabel* helpLine;            // Label13
  CaptionLabel* gammaCaption;        // Label14
  CaptionLabel* boundaryCaption;     // Label15
  CaptionLabel* movedXCaption;       // Label16
  CaptionLabel* movedYCaption;       // Label17
  CaptionLabel* centreMovedCaption;  // Label18
  // The captions that explain a field, in the field's own help words.
  std::vector<std::pair<CaptionLabel*, Field>> fieldCaptions_;
};

}  // namespace hosei
