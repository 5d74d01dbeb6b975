#pragma once
// A console stand-in for the desktop message box of dialog mode. The box text and caption are
// shown on the console and the answer is read from it, so dialog mode runs and tests like any
// other console exchange.
#include <string>

namespace platform {

// Button and icon sets used across the system.
inline constexpr unsigned kBoxErrorOk = 0x10010;
inline constexpr unsigned kBoxWarningOk = 0x10030;
inline constexpr unsigned kBoxQuestionYesNo = 0x10024;
inline constexpr unsigned kBoxWarningYesNoCancel = 0x10033;
inline constexpr unsigned kBoxWarningRetryCancel = 0x10035;

// A box text's line break, and the end of a box text or caption.
inline const std::string kCR(1, '\r');
inline const std::string kNul(1, '\0');

// Results.
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
