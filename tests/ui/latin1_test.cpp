#include "ui/latin1.h"

#include <gtest/gtest.h>

namespace tarvos::ui {
namespace {

TEST(Latin1Test, SingleByteTextsRoundTripAndWiderCharactersBecomeQuestionMarks) {
  const std::string text = "25\xB0" "C \xB5V";  // degree sign, micro sign
  EXPECT_EQ(FromLatin1(text), QString::fromUtf8("25°C µV"));
  EXPECT_EQ(ToLatin1(FromLatin1(text)), text);
  EXPECT_EQ(ToLatin1(QString::fromUtf8("€5")), "?5");
}

}  // namespace
}  // namespace tarvos::ui
