#pragma once
// A console stand-in for the desktop message box of dialog mode. The box text and caption are
// shown on the console and the answer is read from it, so dialog mode runs and tests like any
// other console exchange.
#include <string>

namespace platform {

// A box's flags, in the host's numbering: its buttons in the low four bits, its icon, and the
// flag that puts it in front of other windows.
inline constexpr unsigned kBoxButtonsMask = 0xF;
inline constexpr unsigned kBoxButtonsOk = 0x0;
inline constexpr unsigned kBoxButtonsOkCancel = 0x1;
inline constexpr unsigned kBoxButtonsYesNoCancel = 0x3;
inline constexpr unsigned kBoxButtonsYesNo = 0x4;
inline constexpr unsigned kBoxButtonsRetryCancel = 0x5;
inline constexpr unsigned kBoxIconError = 0x10;
inline constexpr unsigned kBoxIconQuestion = 0x20;
inline constexpr unsigned kBoxIconWarning = 0x30;
inline constexpr unsigned kBoxInFront = 0x10000;

// Button and icon sets used across the system; every box comes in front of other windows.
inline constexpr unsigned kBoxErrorOk = kBoxInFront | kBoxIconError | kBoxButtonsOk;
inline constexpr unsigned kBoxWarningOk = kBoxInFront | kBoxIconWarning | kBoxButtonsOk;
inline constexpr unsigned kBoxQuestionYesNo = kBoxInFront | kBoxIconQuestion | kBoxButtonsYesNo;
inline constexpr unsigned kBoxWarningYesNoCancel = kBoxInFront | kBoxIconWarning | kBoxButtonsYesNoCancel;
inline constexpr unsigned kBoxWarningRetryCancel = kBoxInFront | kBoxIconWarning | kBoxButtonsRetryCancel;
inline constexpr unsigned kBoxErrorRetryCancel = kBoxInFront | kBoxIconError | kBoxButtonsRetryCancel;

// A box text's line break, and the end of a box text or caption.
inline const std::string kCR(1, '\r');
inline const std::string kNul(1, '\0');

// The button a box returns, in the host's numbering.
inline constexpr int kBoxOk = 1;
inline constexpr int kBoxCancel = 2;
inline constexpr int kBoxRetry = 4;
inline constexpr int kBoxYes = 6;
inline constexpr int kBoxNo = 7;

// Shows text (lines separated by CR; the text ends at its first NUL) under the caption and
// returns the button chosen. OK boxes: any line, and the end of input, mean OK. Yes/No: "y" or
// "yes" is Yes, anything else No. Yes/No/Cancel: "y" Yes, "n" No, "c" or the end of input Cancel;
// other answers ask again. Retry/Cancel: "c" or the end of input is Cancel, anything else Retry.
// Answers ignore case and surrounding blanks.
int messageBox(const std::string& text, const std::string& caption, unsigned flags);

}  // namespace platform
