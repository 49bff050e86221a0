#include <gtest/gtest.h>

#include <QApplication>

namespace {

QtMessageHandler& StandardHandler() {
  static QtMessageHandler handler = nullptr;
  return handler;
}

// The offscreen platform says so whenever a window is raised or resized from code; the
// tests do that on purpose.
void QuietAboutOffscreenLimits(QtMsgType type, const QMessageLogContext& context,
                               const QString& message) {
  if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
  if (StandardHandler()) StandardHandler()(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  // Headless unless told otherwise, also when the build lists the tests.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  StandardHandler() = qInstallMessageHandler(QuietAboutOffscreenLimits);
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("hosei"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
