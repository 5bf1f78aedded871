// Settings travel as the texts the lists show; these turn them into numbers and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrova {

// "2000 kbps" -> 2000000, "4.75 kbps" -> 4750 (fraction dropped after scaling), "48000 Hz" -> 48000;
// an empty text, or one with neither unit, gives 0.
int ParseValueText(std::string_view text);

struct Resolution {
    int width = 0;
    int height = 0;
};

// "320*240" -> {320, 240}; nothing when there is no "*" or either side is empty.
std::optional<Resolution> ParseResolutionText(std::string_view text);

// "1 Channel Mono" -> 1, "2 Channel Stereo" -> 2, "5.1 Channel" -> 6, compared exactly.
std::optional<int> ParseChannelText(std::string_view text);

// The texts the settings lists show for values in effect, the reverse of the parsers above:
// 2000000 -> "2000 kbps", 4750 -> "4.75 kbps", 48000 -> "48000 Hz", {320, 240} -> "320*240",
// 2 -> "2 Channel Stereo". A value no list could show (not positive, an unknown channel count)
// gives an empty text.
std::string BitRateText(int bitsPerSecond);
std::string SampleRateText(int hertz);
std::string ResolutionText(int width, int height);
std::string ChannelText(int channels);

// Tables of the Convert command, exact and case-sensitive; nothing for an unknown text, which
// leaves the job record's field as it was. The codec numbers come from the engine's codec table.
std::optional<double> FrameRateFromText(std::string_view text);
std::optional<int> VideoCodecIdFromText(std::string_view text);
std::optional<int> AudioCodecIdFromText(std::string_view text);

// The output extension of a profile text: from its last "*" to the following ")" (".mp4");
// the whole text when there is no ")" after the last "*".
std::string ProfileExtension(std::string_view profileText);

} // namespace zentrova
