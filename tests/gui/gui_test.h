#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

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

inline TestBitmap Sized(int width, int height, int bitsPerPixel = 24) {
  TestBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.bitsPerPixel = bitsPerPixel;
  return bitmap;
}

using Bgr = std::array<int, 3>;

// A picture of one colour, so that what a correction makes of a pixel depends only on
// where the pixel lies.
inline TestBitmap Uniform(int width, int height, Bgr colour) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [colour](int, int, std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(colour[c]);
  };
  return bitmap;
}

// Pixel (x, y) of a 24-bit bitmap file written with `layout`: x from 1 at the left, y from
// 1 at the bottom row.
inline Bgr PixelOf(const std::vector<std::uint8_t>& file, const TestBitmap& layout, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(layout.pixelDataOffset) +
                         static_cast<std::size_t>(y - 1) * layout.rowLength() +
                         3 * static_cast<std::size_t>(x - 1);
  if (at + 3 > file.size()) return {-1, -1, -1};
  return {file[at], file[at + 1], file[at + 2]};
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
  // Clicks the mode's option button (Option1 to Option3).
  void chooseMode(Mode mode);
  // The text the mouse over `target` brings up on the help line; `marker` when none.
  QString helpAfterHovering(QWidget* target, const QString& marker = QStringLiteral("(unchanged)"));

  ScratchFolder scratch;
  std::filesystem::path photos = scratch / "photos", programFolder = scratch / "program";
  ScriptedPlatformServices services;
  std::unique_ptr<WorkingFiles> workingFiles;
  std::unique_ptr<Form1> window;
};

}  // namespace hosei::test
