// 補正値を推定 in the viewer: the main window's fields filled with the estimate for the
// current file, the centre set as the centre move sets it, nothing written.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QRadioButton>
#include <cmath>
#include <variant>

#include "circle_shape.h"
#include "estimate.h"
#include "execute.h"
#include "gui_test.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

// A grey wall with a little grain under a light that varies over it: `light` of a dot (x
// from the left, y from the bottom) multiplies its level.
TestBitmap Wall(int width, int height, std::function<double(double x, double y)> light) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [light](int x, int y, std::uint8_t* bgr) {
    const double level = (150 + (x * 7919 + y * 104729) % 5 - 2) * light(x, y);
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
  };
  return bitmap;
}

class ViewerEstimateTest : public GuiTest {
 protected:
  void estimate() {
    QAction* entry = nullptr;
    for (QAction* action : window->viewer()->actions())
      if (action->text() == QStringLiteral("補正値を推定")) entry = action;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::Key_E));
    entry->trigger();
  }
  // What the engine proposes for the file, as the fields would hold it.
  EstimateResult engineEstimate(const fs::path& file, Mode mode) {
    EstimateResult result;
    EXPECT_FALSE(EstimateFromFile(file.string(), mode, result));
    return result;
  }
};

// A falloff about the picture's centre: the fields take the estimate, and a centre moved
// before goes back to the middle, as the estimate is about it.
TEST_F(ViewerEstimateTest, TheVignettingFieldsAndCentreAreFilledAndNothingIsWritten) {
  const int width = 600, height = 400;
  const double cx = width / 2.0, cy = height / 2.0, halfDiagonal = std::hypot(width, height) / 2;
  const auto file = photo("falloff.bmp", Wall(width, height, [&](double x, double y) {
                            const double r = std::hypot(x - cx, y - cy) / halfDiagonal;
                            const double q = r * r;
                            return 1 / (1 + q * (0.45 + q * (0.2 + q * 0.0167)));
                          }));
  choose(file);
  services.answerInputBox("200");
  services.answerInputBox("150");
  click("Command6");
  ASSERT_EQ(text("Label18"), "中心移動");
  const auto before = Snapshot(photos);
  estimate();

  const auto expected = engineEstimate(file, Mode::kVignetting).vignetting;
  ASSERT_TRUE(expected && !expected->nothingToCorrect);
  FieldTexts texts;
  ApplyEstimate(*expected, texts);
  EXPECT_EQ(text("Text1"), QString::fromStdString(texts[Field::kStart]));
  EXPECT_EQ(text("Text2"), QString::fromStdString(texts[Field::kCoefficient]));
  EXPECT_EQ(control<QComboBox>("Combo1")->currentText(),
            QString::fromStdString(texts[Field::kBoundary]));
  EXPECT_NE(text("Text2"), "20") << "the initial coefficient stayed";
  EXPECT_FALSE(expected->centre);
  EXPECT_EQ(text("Label16"), "");
  EXPECT_EQ(text("Label18"), "");
  EXPECT_EQ(Snapshot(photos), before);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // 実 行 then writes what a run with the estimate writes, as hosei-cli's --auto runs it.
  click("Command1");
  const auto parameters = ReadParameters(texts);
  ASSERT_TRUE(std::holds_alternative<Parameters>(parameters));
  ExecuteJob job;
  job.currentFile = file.string();
  job.parameters = std::get<Parameters>(parameters);
  job.resultFile = (scratch / "auto.bmp").string();
  ASSERT_TRUE(Execute(job).succeeded());
  EXPECT_EQ(ReadFile(photos / "falloff_.bmp"), ReadFile(scratch / "auto.bmp"));
}

TEST_F(ViewerEstimateTest, TheFogFieldsFindTheGlowAndTheCircleFollows) {
  const int width = 800, height = 600;
  const double gx = 520, gy = 380, radius = 220;
  choose(photo("glow.bmp", Wall(width, height, [&](double x, double y) {
                 const double r = std::hypot(x - gx, y - gy) / radius;
                 return r < 1 ? 1 + 0.5 * (1 - r * r) : 1.0;
               })));
  control<QRadioButton>("Option2")->click();
  click("Command5");  // the fog circle on show, at the initial fields
  ASSERT_TRUE(window->viewer()->circleShown());
  const QRectF circleBefore = window->viewer()->circle()->circle();
  estimate();
  const double tolerance = 0.05 * std::hypot(width, height);
  EXPECT_NEAR(text("Text5").toDouble(), gx, tolerance);
  EXPECT_NEAR(text("Text6").toDouble(), gy, tolerance);
  EXPECT_LT(text("Text8").toDouble(), 0) << "a glow is taken back by darkening it";
  EXPECT_TRUE(window->viewer()->circleShown());
  EXPECT_NE(window->viewer()->circle()->circle(), circleBefore);
}

// A file gone since it was chosen gets a message and changes no field; gamma has nothing to
// estimate.
TEST_F(ViewerEstimateTest, AnUnreadableFileIsReportedAndGammaHasNoEstimate) {
  const auto file = photo("gone.bmp", Sized(300, 200));
  choose(file);
  fs::remove(file);
  estimate();
  ASSERT_EQ(services.messages.size(), 1);
  EXPECT_TRUE(services.messages[0].startsWith("補正値を推定できません\n")) << services.messages[0];
  EXPECT_EQ(text("Text1"), "50");
  EXPECT_EQ(text("Text2"), "20");

  control<QRadioButton>("Option3")->click();
  choose(photo("flat.bmp", Sized(300, 200)));
  estimate();
  EXPECT_EQ(services.messages.size(), 1);
  EXPECT_EQ(text("Text9"), "1");
}

}  // namespace
}  // namespace hosei::test
