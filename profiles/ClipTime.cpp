// Conversion between clip-time texts and seconds.
#include "profiles/ClipTime.h"

#include <cstdio>
#include <limits>

namespace zentrova {

namespace {

// Leading decimal digits of a text; saturates instead of overflowing on absurd input.
long long LeadingNumber(std::string_view text)
{
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            return std::numeric_limits<int>::max();
    }
    return value;
}

} // namespace

std::string FormatClipTime(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
    return buf;
}

int ParseClipTime(std::string_view text)
{
    const auto first = text.find(':');
    // A bare number has no hours or minutes: it is read as seconds.
    if (first == std::string_view::npos)
        return static_cast<int>(LeadingNumber(text));
    const auto last = text.rfind(':');
    const long long hours = LeadingNumber(text.substr(0, first));
    const long long minutes = LeadingNumber(text.substr(first + 1, 2));
    const long long secs = LeadingNumber(text.substr(last + 1));
    const long long total = hours * 3600 + minutes * 60 + secs;
    return total > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(total);
}

} // namespace zentrova
