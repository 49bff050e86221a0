// Whatever is typed into a parameter field, Execute either refuses it without a word,
// leaving no file and an earlier result as it was, or corrects the photo exactly as the
// engine does with the texts the fields then show. No text brings up a message or
// breaks a guide circle or the centre move.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <set>

#include "circle_shape.h"
#include "execute.h"
#include "gui_test.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

struct Typed {
  const char* what;
  QString text;
};

const Typed kTexts[] = {
    {"empty", ""},
    {"blanks", "   "},
    {"letters", "abc"},
    {"1e400", "1e400"},
    {"-0", "-0"},
    {"+.5", "+.5"},
    {"0x10", "0x10"},
    {"inf", "inf"},
    {"nan", "nan"},
    {"full-width digits", "５０"},
    {"ideographic space before 50", "　50"},
    {"50 then letters", "50" + QString(100000, 'x')},
    {"100 000 digits", QString(100000, '9')},
};

struct Field {
  const char* name;
  const char* option;
  const char* slider;  // nothing for the threshold and the boundary
  const char* circle;  // the circle button whose circle the field redraws, if any
  // The texts Execute accepts, after leaving the field has moved its slider.
  std::set<std::string> accepted;
};

const std::set<std::string> kAllButHuge = {"empty",
                                           "blanks",
                                           "letters",
                                           "-0",
                                           "+.5",
                                           "0x10",
                                           "inf",
                                           "nan",
                                           "full-width digits",
                                           "ideographic space before 50",
                                           "50 then letters"};

const Field kFields[] = {
    // 0 < start < 100; the slider cannot take 0 (from "+.5"), so the 0.5 typed is used.
    {"Text1",
     "Option1",
     "HScroll1",
     "Command4",
     {"+.5", "ideographic space before 50", "50 then letters"}},
    {"Text2", "Option1", "HScroll2", nullptr, {"ideographic space before 50", "50 then letters"}},
    // Centre, size and brightness take any number that rounds into 32 bits; no number is 0.
    {"Text5", "Option2", "HScroll3", "Command5", kAllButHuge},
    {"Text6", "Option2", "VScroll1", "Command5", kAllButHuge},
    {"Text7", "Option2", "HScroll5", "Command5", kAllButHuge},
    {"Text8", "Option2", "HScroll6", nullptr, kAllButHuge},
    // 0.374 <= gamma <= 2.67: only 0.5, which the slider turns into 1.04 to the -18th.
    {"Text9", "Option3", "HScroll4", nullptr, {"+.5"}},
    {"Text4", "Option1", nullptr, nullptr, kAllButHuge},
    {"Combo1", "Option2", nullptr, nullptr,
     [] {
       auto all = kAllButHuge;
       all.insert({"1e400", "100 000 digits"});
       return all;
     }()},
};

class FieldTextTest : public GuiTest, public ::testing::WithParamInterface<Field> {
 protected:
  QLineEdit* edit(const char* name) const {
    if (QString(name) == "Combo1") return control<QComboBox>(name)->lineEdit();
    return control<QLineEdit>(name);
  }
  FieldTexts shownTexts(Mode mode) const {
    FieldTexts texts;
    texts.mode = mode;
    texts.start = text("Text1").toStdString();
    texts.coefficient = text("Text2").toStdString();
    texts.lightX = text("Text5").toStdString();
    texts.lightY = text("Text6").toStdString();
    texts.size = text("Text7").toStdString();
    texts.brightness = text("Text8").toStdString();
    texts.gamma = text("Text9").toStdString();
    texts.boundary = control<QComboBox>("Combo1")->currentText().toStdString();
    texts.background = control<QCheckBox>("Check1")->isChecked();
    texts.threshold = text("Text4").toStdString();
    return texts;
  }
};

TEST_P(FieldTextTest, AnyTextIsRefusedSilentlyOrCorrectsAsTheEngineDoes) {
  const Field& field = GetParam();
  const Mode mode = QString(field.option) == "Option1"   ? Mode::kVignetting
                    : QString(field.option) == "Option2" ? Mode::kFog
                                                         : Mode::kGamma;
  TestBitmap bitmap;
  bitmap.width = 40;
  bitmap.height = 30;
  const auto source = photo("scene.bmp", bitmap);
  const auto result = photos / "scene_.bmp";
  choose(source);
  control<QRadioButton>(field.option)->click();
  control<QCheckBox>("Check1")->click();
  click("Command1");
  ASSERT_TRUE(fs::exists(result));
  const auto earlier = ReadFile(result);

  QLineEdit* input = edit(field.name);
  auto* slider = field.slider ? control<QScrollBar>(field.slider) : nullptr;
  const QString initialText = input->text();
  const int initialValue = slider ? slider->value() : 0;
  for (const Typed& typed : kTexts) {
    SCOPED_TRACE(typed.what);
    if (slider) slider->setValue(initialValue);
    input->setText(initialText);
    WriteFile(result, earlier);
    if (field.circle) click(field.circle);

    input->setFocus(Qt::TabFocusReason);
    input->setText(typed.text);  // typed or pasted: a field holds at most 32767 characters
    if (field.circle) window->viewer()->circle()->grab();  // redrawn, and paints
    click("Command1");  // leaving the field moves its slider first

    EXPECT_TRUE(services.messages.empty()) << services.messages.front().text.toStdString();
    EXPECT_EQ(ReadFile(source), bitmap.bytes());
    const auto parameters = ReadParameters(shownTexts(mode));
    const bool accepted = std::holds_alternative<Parameters>(parameters);
    EXPECT_EQ(accepted, field.accepted.count(typed.what) == 1)
        << "shown text " << input->text().left(20).toStdString();
    if (!accepted) {
      EXPECT_EQ(ReadFile(result), earlier);
    } else {
      const auto out = scratch / "expected.bmp";
      ASSERT_TRUE(Execute({source.string(), std::get<Parameters>(parameters), {}, out.string()})
                      .succeeded());
      EXPECT_EQ(ReadFile(result), ReadFile(out));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(photos), fs::directory_iterator()), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryField, FieldTextTest, ::testing::ValuesIn(kFields),
                         [](const auto& info) { return std::string(info.param.name); });

using CentreAnswerTest = GuiTest;

TEST_F(CentreAnswerTest, AnyAnswerThatIsNoCoordinateReturnsToTheImageCentre) {
  TestBitmap bitmap;
  bitmap.width = 640;
  bitmap.height = 480;
  choose(photo("photo.bmp", bitmap));
  click("Command4");
  for (const Typed& typed : kTexts) {
    if (QString(typed.what).contains("50")) continue;  // 50 is a coordinate below the range
    SCOPED_TRACE(typed.what);
    for (const bool asX : {true, false}) {
      window->setMovedCentre({400, 300, 1.0f});
      services.inputBoxes.clear();
      services.answerInputBox(asX ? typed.text : "400");
      if (!asX) services.answerInputBox(typed.text);
      click("Command6");
      EXPECT_EQ(services.inputBoxes.size(), asX ? 1u : 2u);
      EXPECT_FALSE(window->movedCentre());
      EXPECT_TRUE(window->viewer()->circleShown());
    }
  }
  EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace hosei::test
