// Clip times as the task list shows them: HH:MM:SS texts and whole seconds.
#pragma once

#include <string>
#include <string_view>

namespace zentrova {

// 3725 -> "01:02:05"; hours of 100 or more keep all their digits. Negative counts show as 0.
std::string FormatClipTime(int seconds);

// "01:02:05" -> 3725. Each part is read as a decimal integer up to its first non-digit;
// an empty or non-numeric part counts as 0.
int ParseClipTime(std::string_view text);

} // namespace zentrova
