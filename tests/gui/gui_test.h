#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "form1.h"
#include "form2.h"
#include "scripted_platform_services.h"
#include "test_bitmap.h"
#include "working_files.h"

inline std::ostream& operator<<(std::ostream& out, const QString& text) {
  return out << text.toStdString();
}

namespace hosei::test {

inline QString Q(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

// Runs events until `done` holds or a second has passed.
bool WaitUntil(const std::function<bool()>& done);

// A main window on the offscreen platform, its dialogs answered from a script, with a
// scratch folder for photos and a program folder for display copies.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;

  template <typename T = QWidget>
  T* control(const char* name) const {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  template <typename T = QWidget>
  T* viewerControl(const char* name) const {
    return window->viewer()->findChild<T*>(QString::fromLatin1(name));
  }
  QString text(const char* name) const;  // a label's or field's text
  std::filesystem::path photo(const std::string& name, const TestBitmap& bitmap = {}) const;
  void choose(const std::filesystem::path& path);  // through Command3, confirmed
  void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
  void type(const char* field, const QString& text) { control<QLineEdit>(field)->setText(text); }
  void typeAndLeave(const char* field, const QString& typed);
  // The text the mouse over `target` brings up on the help line; `marker` when none.
  QString helpAfterHovering(QWidget* target, const QString& marker = QStringLiteral("(unchanged)"));

  ScratchFolder scratch;
  std::filesystem::path photos = scratch / "photos", programFolder = scratch / "program";
  ScriptedPlatformServices services;
  std::unique_ptr<WorkingFiles> workingFiles;
  std::unique_ptr<Form1> window;
};

}  // namespace hosei::test
