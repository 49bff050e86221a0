#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

#include "form1.h"
#include "form2.h"
#include "scripted_platform_services.h"
#include "test_bitmap.h"
#include "working_files.h"

// Lets failures show texts and rectangles readably.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRectF& r, std::ostream* out) {
  *out << "(left " << r.x() << ", top " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
inline void PrintTo(const QRect& r, std::ostream* out) { PrintTo(QRectF(r), out); }

namespace hosei::test {

QString Q(const std::filesystem::path& path);

// A main window on the offscreen platform, its dialogs answered from a script, with a
// scratch folder for photos and others standing in for the program and cache folders.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;

  template <typename T>
  T* control(const char* name) const {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  template <typename T>
  T* viewerControl(const char* name) const {
    EXPECT_NE(window->viewer(), nullptr);
    return window->viewer()->findChild<T*>(QString::fromLatin1(name));
  }
  QString text(const char* name) const;        // a main window label's or field's text
  QString viewerText(const char* name) const;  // a viewer label's text

  // Writes a bitmap into the photos folder.
  std::filesystem::path photo(const std::string& name, const TestBitmap& bitmap = {}) const;
  // Chooses the file through Command3, confirming it.
  void choose(const std::filesystem::path& path);
  void click(const char* name);
  // Gives the field the keyboard focus, types over its text and tabs on to the next control.
  void typeAndLeave(const char* field, const QString& typed);

  ScratchFolder scratch;
  std::filesystem::path photos;
  std::filesystem::path programFolder;
  std::filesystem::path cacheFolder;
  ScriptedPlatformServices services;
  std::unique_ptr<WorkingFiles> workingFiles;
  std::unique_ptr<Form1> window;
};

// Runs events until `done` holds or a second has passed.
bool WaitUntil(const std::function<bool()>& done);

}  // namespace hosei::test
