// Parsing of the settings texts.
#include "profiles/ValueText.h"

#include "engine/CodecMap.h"

#include <array>
#include <cstdlib>
#include <limits>
#include <utility>

namespace zentrova {

namespace {

// Decimal digits up to the first non-digit, as the old string-to-integer calls read them.
long long LeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max())
            break;
    }
    return negative ? -value : value;
}

int Saturate(double v)
{
    if (!(v == v))
        return 0;
    if (v >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

template <typename T, std::size_t N>
std::optional<T> Lookup(const std::array<std::pair<std::string_view, T>, N> &table, std::string_view text)
{
    for (const auto &[key, value] : table)
        if (key == text)
            return value;
    return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, double>, 12> kFrameRates{{
    {"10.0 fps", 10.0},  {"12.0 fps", 12.0},     {"14.985 fps", 14.985}, {"15.0 fps", 15.0},
    {"20.0 fps", 20.0},  {"23.975 fps", 23.975}, {"24.0 fps", 24.0},     {"25.0 fps", 25.0},
    {"29.97 fps", 29.97}, {"30.0 fps", 30.0},    {"50.0 fps", 50.0},     {"60.0 fps", 60.0},
}};

} // namespace

int ParseValueText(std::string_view text)
{
    if (text.empty())
        return 0;
    if (auto pos = text.find(" kbps"); pos != std::string_view::npos) {
        const std::string number(text.substr(0, pos));
        return Saturate(std::strtod(number.c_str(), nullptr) * 1000.0);
    }
    if (auto pos = text.find(" Hz"); pos != std::string_view::npos)
        return static_cast<int>(LeadingInteger(text.substr(0, pos)));
    return 0;
}

std::optional<Resolution> ParseResolutionText(std::string_view text)
{
    const auto star = text.find('*');
    if (star == std::string_view::npos || star == 0 || star + 1 == text.size())
        return std::nullopt;
    return Resolution{static_cast<int>(LeadingInteger(text.substr(0, star))),
                      static_cast<int>(LeadingInteger(text.substr(star + 1)))};
}

std::optional<int> ParseChannelText(std::string_view text)
{
    if (text == "1 Channel Mono")
        return 1;
    if (text == "2 Channel Stereo")
        return 2;
    if (text == "5.1 Channel")
        return 6;
    return std::nullopt;
}

std::string BitRateText(int bitsPerSecond)
{
    if (bitsPerSecond <= 0)
        return {};
    std::string text = std::to_string(bitsPerSecond / 1000);
    if (int fraction = bitsPerSecond % 1000; fraction != 0) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += '.' + digits;
    }
    return text + " kbps";
}

std::string SampleRateText(int hertz)
{
    return hertz > 0 ? std::to_string(hertz) + " Hz" : std::string();
}

std::string ResolutionText(int width, int height)
{
    return width > 0 && height > 0 ? std::to_string(width) + '*' + std::to_string(height) : std::string();
}

std::string ChannelText(int channels)
{
    switch (channels) {
    case 1: return "1 Channel Mono";
    case 2: return "2 Channel Stereo";
    case 6: return "5.1 Channel";
    default: return {};
    }
}

std::optional<double> FrameRateFromText(std::string_view text)
{
    return Lookup(kFrameRates, text);
}

std::optional<int> VideoCodecIdFromText(std::string_view text)
{
    return CodecIdFromText(CodecKind::Video, text);
}

std::optional<int> AudioCodecIdFromText(std::string_view text)
{
    return CodecIdFromText(CodecKind::Audio, text);
}

std::string ProfileExtension(std::string_view profileText)
{
    const auto star = profileText.rfind('*');
    if (star != std::string_view::npos) {
        const auto close = profileText.find(')', star);
        if (close != std::string_view::npos)
            return std::string(profileText.substr(star + 1, close - star - 1));
    }
    return std::string(profileText);
}

} // namespace zentrova
