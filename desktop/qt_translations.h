#pragma once

class QCoreApplication;

namespace hosei {

// Qt's own dialogs and buttons (the file dialog, the message boxes' キャンセル) speak
// Japanese like the rest of the program, whatever the user's locale. False when Qt's
// Japanese catalogue (Debian's qt6-translations-l10n) is not installed: they then stay
// in English.
bool InstallJapaneseQtTexts(QCoreApplication& application);

}  // namespace hosei
