#include "gui_test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPushButton>
#include <QTest>

namespace hosei::test {

QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

bool WaitUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 1000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

GuiTest::GuiTest()
    : photos(scratch / "photos"),
      programFolder(scratch / "program"),
      cacheFolder(scratch / "cache") {
  // Numbers are typed as an English-speaking user types them, whatever this machine's locale.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::filesystem::create_directories(photos);
  std::filesystem::create_directories(programFolder);
  workingFiles = std::make_unique<WorkingFiles>(Q(programFolder), Q(cacheFolder));
  window = std::make_unique<Form1>(services, *workingFiles, Q(scratch / "samples"));
  window->move(40, 40);
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

GuiTest::~GuiTest() {
  EXPECT_TRUE(services.unexpected.isEmpty()) << services.unexpected.join(", ").toStdString();
  EXPECT_TRUE(services.allAnswersUsed());
  window.reset();
  QApplication::processEvents();
}

QString GuiTest::text(const char* name) const {
  if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name))) return label->text();
  return control<QLineEdit>(name)->text();
}

QString GuiTest::viewerText(const char* name) const { return viewerControl<QLabel>(name)->text(); }

std::filesystem::path GuiTest::photo(const std::string& name, const TestBitmap& bitmap) const {
  const auto path = photos / name;
  WriteFile(path, bitmap.bytes());
  return path;
}

void GuiTest::choose(const std::filesystem::path& path) {
  services.chooseInDialog(Q(path));
  services.answerConfirmation(true);
  click("Command3");
}

void GuiTest::click(const char* name) {
  QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton);
}

void GuiTest::typeAndLeave(const char* field, const QString& typed) {
  auto* edit = control<QLineEdit>(field);
  edit->setFocus(Qt::TabFocusReason);
  if (typed.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);  // clears the selected text
  QTest::keyClicks(edit, typed);
  QTest::keyClick(edit, Qt::Key_Tab);
}

}  // namespace hosei::test
