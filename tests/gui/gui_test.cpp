#include "gui_test.h"

#include <QElapsedTimer>
#include <QLocale>

#include "program_windows.h"

namespace hosei::test {

bool WaitUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 1000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

GuiTest::GuiTest() {
  // Numbers are typed as an English-speaking user types them, whatever this machine's locale.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::filesystem::create_directories(photos);
  std::filesystem::create_directories(programFolder);
  workingFiles = std::make_unique<WorkingFiles>(Q(programFolder), Q(scratch / "cache"));
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

std::filesystem::path GuiTest::photo(const std::string& name, const TestBitmap& bitmap) const {
  WriteFile(photos / name, bitmap.bytes());
  return photos / name;
}

void GuiTest::choose(const std::filesystem::path& path) {
  services.chooseInDialog(Q(path));
  services.answerConfirmation(true);
  click("Command3");
}

void GuiTest::typeAndLeave(const char* field, const QString& typed) {
  auto* edit = control<QLineEdit>(field);
  edit->setFocus(Qt::TabFocusReason);  // selects the whole text
  QTest::keyClicks(edit, typed);
  QTest::keyClick(edit, Qt::Key_Tab);
}

QString GuiTest::helpAfterHovering(QWidget* target, const QString& marker) {
  control<QLabel>("Label13")->setText(marker);
  QTest::mouseMove(target->window()->windowHandle(), QPoint(1, 1));
  QTest::mouseMove(target->window()->windowHandle(),
                   target->mapTo(target->window(), target->rect().center()));
  QApplication::processEvents();
  return text("Label13");
}

}  // namespace hosei::test

// The offscreen platform complains whenever a window is raised or resized from code.
static QtMessageHandler standardHandler = nullptr;
static void Quiet(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (!message.startsWith(QStringLiteral("This plugin does not support")))
    standardHandler(type, context, message);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  standardHandler = qInstallMessageHandler(Quiet);
  QApplication application(argc, argv);
  hosei::PrepareApplication(application);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
