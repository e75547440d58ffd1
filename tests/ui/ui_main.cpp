// The widget tests need an application, on the offscreen platform unless one is named.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Fonts from a folder rather than the system's (the offscreen platform of the Windows
  // build, under Wine): the faces the program and the platform ask for by name are the
  // metric-compatible Liberation faces, as fontconfig makes them on Linux.
  if (!qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
    const char* const kFaces[][2] = {
        {"Arial", "Liberation Sans"},          {"Sans Serif", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},        {"monospace", "Liberation Mono"}};
    for (const auto& [asked, face] : kFaces) QFont::insertSubstitution(asked, face);
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
