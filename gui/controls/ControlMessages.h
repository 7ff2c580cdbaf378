// The notification numbers the controls report by, kept from the original window messages so
// logs and documentation can name them; in Qt each one is delivered as a signal of the control.
#pragma once

namespace quillon {

inline constexpr int kFirstUserMessage = 1024;
// ExtendedButton::notification(code): mouse entered (0), left (1), clicked (2).
inline constexpr int kUmButtonNotify = kFirstUserMessage + 34;  // 1058
// ExtendedButton::rightButtonPressed.
inline constexpr int kUmButtonRightClick = kFirstUserMessage + 530;  // 1554
// ExtendedCheckBox::targetClicked(parameter).
inline constexpr int kUmCheckBoxClicked = kFirstUserMessage + 500;  // 1524
// LogTextPane::rightButtonPressed.
inline constexpr int kUmRichEditRightClick = kFirstUserMessage + 520;  // 1544
// LogTextPane::characterTyped(character, keyData).
inline constexpr int kUmRichEditCharacter = kFirstUserMessage + 521;  // 1545

enum ButtonNotification : int { kButtonEntered = 0, kButtonLeft = 1, kButtonClicked = 2 };

}  // namespace quillon
