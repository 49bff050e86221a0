#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

#include "file_error.h"
#include "form2.h"
#include "moved_centre.h"
#include "parameters.h"
#include "platform_services.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace hosei {

class ParameterField;
class WorkingFiles;

enum class GuideCircle { kVignetting, kFog };

// The main window: every correction parameter, the mode, the file to work on, Execute
// and exit. The parameters live in the controls' texts; nothing is kept between runs.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `firstDialogFolder` is where the file dialog opens until a file has been chosen.
  Form1(PlatformServices& services, WorkingFiles& workingFiles, QString firstDialogFolder,
        QWidget* parent = nullptr);
  ~Form1() override;

  // The viewer, once some action has needed it; nothing before, or after it was closed.
  Form2* viewer() const { return viewer_; }

  // The vignetting centre moved away from the image centre, if one is set.
  std::optional<MovedCentre> movedCentre() const;
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
  void parameterTextChanged(ParameterField* field);
  void selectMode(Mode mode);
  void boundaryChosen();
  void currentFileChanged();
  Mode mode() const;
  FieldTexts fieldTexts() const;

  // Choosing the file to work on.
  void chooseFile();
  void loadFile(const ChosenFile& chosen);
  void showChosenPicture(Form2& viewer, const ChosenFile& chosen);

  // Guide circles and the centre move.
  void drawGuideCircle(GuideCircle circle);
  void moveCentre();

  // Help line.
  QString executeHelp() const;

  // Execute.
  void execute();
  void reportExecuteFailure(const FileError& error);

  void exitProgram();

  PlatformServices& services_;
  WorkingFiles& workingFiles_;
  QString dialogFolder_;
  QPointer<Form2> viewer_;

  // The controls, named as the rest of the program and the tests know them.
  QPushButton* Command1;  // 実 行
  QPushButton* Command2;  // 終了
  QPushButton* Command3;  // ファイル設定
  QPushButton* Command4;  // vignetting circle
  QPushButton* Command5;  // fog circle
  QPushButton* Command6;  // centre move
  QRadioButton* Option1;
  QRadioButton* Option2;
  QRadioButton* Option3;
  ParameterField* Text1;
  ParameterField* Text2;
  QLineEdit* Text3;
  ParameterField* Text4;
  ParameterField* Text5;
  ParameterField* Text6;
  ParameterField* Text7;
  ParameterField* Text8;
  ParameterField* Text9;
  QScrollBar* HScroll1;
  QScrollBar* HScroll2;
  QScrollBar* HScroll3;
  QScrollBar* HScroll4;
  QScrollBar* HScroll5;
  QScrollBar* HScroll6;
  QScrollBar* VScroll1;
  QComboBox* Combo1;
  QCheckBox* Check1;
  QCheckBox* Check2;
  QCheckBox* Check3;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Label11;
  QLabel* Label12;
  QLabel* Label13;
  QLabel* Label14;
  QLabel* Label15;
  QLabel* Label16;
  QLabel* Label17;
  QLabel* Label18;
  // The file-open dialog's design settings: the filter list and default extension.
  FileDialogRequest CommonDialog1;
  // Squared distance from the moved centre to the farthest corner; read only while
  // Label16 holds a moved centre.
  float FarCornerDistanceSquared = 0.0f;
};

}  // namespace hosei
