#pragma once

namespace hosei {

class Form1;

// For a start-up check on a real display: once the main window is on screen, reports the
// platform and the face the window's text is set in on standard output, then presses the
// exit button as a user would. Gives up with exit code 3 when the window never shows.
void PressExitOnceShown(Form1& window);

}  // namespace hosei
