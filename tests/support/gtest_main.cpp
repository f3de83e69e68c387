// main() of the GoogleTest programs: a headless QGuiApplication, so fonts, QPicture and
// QPainter work without a display.
#include <gtest/gtest.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
  // The test environment of CTest reaches discovered GoogleTest tests only in part: the same
  // defaults are set here.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("COTAVIA_SOURCE_DIR")) qputenv("COTAVIA_SOURCE_DIR", COTAVIA_SOURCE_DIR);
  if (qEnvironmentVariableIsEmpty("LC_ALL")) qputenv("LC_ALL", "C.UTF-8");
  // Every save a test makes (and every program it runs) records into a price book of the build
  // folder, never the user's.
  qputenv("XDG_DATA_HOME", COTAVIA_TEST_DATA_HOME);
  qputenv("COTAVIA_DB", "");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
