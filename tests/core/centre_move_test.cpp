#include "centre_move.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace hosei {
namespace {

// The pieces of the prompts, written out: "\u3000" is the ideographic space.
const std::string kTail = "\r\n\r\n 範囲外の数字や『キャンセル』で画像の中心へ戻ります";

class CentreMoveTest : public ::testing::Test {
 protected:
  CentreMoveRule rule_ = *CentreMoveRuleFor(640, 480);
};

TEST_F(CentreMoveTest, RangesKeepAFifthFromEachEdge) {
  EXPECT_EQ(rule_.lowX, 128);
  EXPECT_EQ(rule_.highX, 512);
  EXPECT_EQ(rule_.lowY, 96);
  EXPECT_EQ(rule_.highY, 384);
  EXPECT_EQ(rule_.imageCentreX, 320.0f);
  EXPECT_EQ(rule_.imageCentreY, 240.0f);
  const auto odd = CentreMoveRuleFor(641, 479);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->lowX, 128);
  EXPECT_EQ(odd->highX, 513);
  EXPECT_EQ(odd->lowY, 95);
  EXPECT_EQ(odd->highY, 384);
  EXPECT_EQ(odd->imageCentreX, 320.5f);
}

TEST_F(CentreMoveTest, PromptsCharacterForCharacter) {
  EXPECT_STREQ(kCentreInputTitle, "中心座標の入力");
  EXPECT_EQ(CentrePromptX(rule_), "中心の ｘ 座標  （ 128 - 512）\u3000\u3000中心は  320" + kTail);
  EXPECT_EQ(CentrePromptY(rule_), "中心の ｙ 座標  （ 96 - 384）\u3000\u3000中心は  240" + kTail);
  EXPECT_EQ(CentrePromptX(*CentreMoveRuleFor(641, 480)),
            "中心の ｘ 座標  （ 128 - 513）\u3000\u3000中心は  320.5" + kTail);
}

TEST_F(CentreMoveTest, DefaultAnswersKeepTheLeadingSpace) {
  EXPECT_EQ(CentreDefaultX(rule_, std::nullopt), " 320");
  EXPECT_EQ(CentreDefaultY(rule_, std::nullopt), " 240");
  const MovedCentre moved{400, 250, 0};
  EXPECT_EQ(CentreDefaultX(rule_, moved), " 400");
  EXPECT_EQ(CentreDefaultY(rule_, moved), " 250");
  EXPECT_EQ(CentreDefaultY(*CentreMoveRuleFor(640, 481), std::nullopt), " 240.5");
}

TEST(NumberText, SpaceBeforeNumbersThatAreNotNegative) {
  EXPECT_EQ(NumberText(320), " 320");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(320.5), " 320.5");
  EXPECT_EQ(NumberText(-4), "-4");
}

TEST_F(CentreMoveTest, AnswersAreRoundedTiesToEvenAndCheckedAgainstTheRange) {
  EXPECT_EQ(AcceptCentreAnswer("300.5", 128, 512), 300);
  EXPECT_EQ(AcceptCentreAnswer("301.5", 128, 512), 302);
  EXPECT_EQ(AcceptCentreAnswer(" 400", 128, 512), 400);
  EXPECT_EQ(AcceptCentreAnswer("128", 128, 512), 128);
  EXPECT_EQ(AcceptCentreAnswer("512", 128, 512), 512);
  EXPECT_EQ(AcceptCentreAnswer("127", 128, 512), std::nullopt);
  EXPECT_EQ(AcceptCentreAnswer("513", 128, 512), std::nullopt);
  EXPECT_EQ(AcceptCentreAnswer("", 128, 512), std::nullopt);  // cancelled
  EXPECT_EQ(AcceptCentreAnswer("centre", 128, 512), std::nullopt);
}

TEST_F(CentreMoveTest, MovedCentreMeasuresToTheFarthestCorner) {
  struct Case {
    const char* x;
    const char* y;
    std::optional<MovedCentre> moved;
  };
  const Case cases[] = {
      {"400", "240", MovedCentre{400, 240, 400.0f * 400 + 240.0f * 240}},
      {"128", "96", MovedCentre{128, 96, 640.0f * 640}},
      {"512", "384", MovedCentre{512, 384, 640.0f * 640}},
      {"300.5", "200", MovedCentre{300, 200, 340.0f * 340 + 280.0f * 280}},
      {"320", "240", std::nullopt},  // the image centre itself
      {"320", "250", MovedCentre{320, 250, 320.0f * 320 + 250.0f * 250}},
      {"", "240", std::nullopt},     // x cancelled
      {"100", "240", std::nullopt},  // x out of range
      {"400", "90", std::nullopt},   // y out of range resets even with x in range
      {"400", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " / " + c.y);
    const auto moved = CentreFromAnswers(rule_, c.x, c.y);
    ASSERT_EQ(moved.has_value(), c.moved.has_value());
    if (!moved) continue;
    EXPECT_EQ(moved->x, c.moved->x);
    EXPECT_EQ(moved->y, c.moved->y);
    EXPECT_EQ(moved->farCornerDistanceSquared, c.moved->farCornerDistanceSquared);
  }
}

TEST(CentreMove, OddWidthHasNoIntegerCentre) {
  const CentreMoveRule rule = *CentreMoveRuleFor(641, 480);
  const auto moved = CentreFromAnswers(rule, "320", "240");
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->farCornerDistanceSquared, 321.0f * 321 + 240.0f * 240);
  EXPECT_TRUE(CentreFromAnswers(rule, "321", "240"));
}

TEST(CentreMove, NoRuleWithoutAUsableSize) {
  EXPECT_EQ(CentreMoveRuleFor(0, 480), std::nullopt);
  EXPECT_EQ(CentreMoveRuleFor(640, 0), std::nullopt);
  EXPECT_EQ(CentreMoveRuleFor(0, 0), std::nullopt);
  EXPECT_EQ(CentreMoveRuleFor(-640, 480), std::nullopt);
}

}  // namespace
}  // namespace hosei
