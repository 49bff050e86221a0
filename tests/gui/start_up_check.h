#pragma once

#include <QElapsedTimer>
#include <functional>

namespace hosei {
class Form1;
}

namespace hosei::test {

// How long the start took, counted from the first line of the driver's main().
struct StartUpClock {
  QElapsedTimer sinceStart;
  qint64 applicationReadyMs = 0;  // the application object made: platform and fonts found
  qint64 windowShownMs = 0;       // the main window built, tables included, and shown
};

// For a start-up check on a real display: once the main window is on screen, reports the
// platform, the face the window's text is set in and the start-up times on standard
// output, then presses the exit button as a user would. Gives up with exit code 3 when the
// window never shows. `beforeExit` runs just before the button is pressed.
void PressExitOnceShown(Form1& window, const StartUpClock& clock,
                        std::function<void()> beforeExit = {});

}  // namespace hosei::test
