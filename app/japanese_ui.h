#pragma once
// What every Ovix window needs from the application: Qt's own texts (file
// dialogs, message-box buttons) in Japanese, and a font with Japanese
// characters as the interface font.

class QApplication;

namespace ovix {

// Installs the Japanese translation of Qt's texts when it is present and
// makes a CJK font (Noto Sans CJK JP, when installed) the application font.
// Call once, after the QApplication is made and before any window.
void SetUpJapaneseInterface(QApplication& application);

}  // namespace ovix
