// main() of the GoogleTest programs: a headless QGuiApplication, so fonts, QPicture and
// QPainter work without a display.
#include <gtest/gtest.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
  // The defaults of CTest's test environment, for a program started by hand.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("COTAVIA_SOURCE_DIR")) qputenv("COTAVIA_SOURCE_DIR", COTAVIA_SOURCE_DIR);
  if (qEnvironmentVariableIsEmpty("LC_ALL")) qputenv("LC_ALL", "C.UTF-8");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
