// The program's own codec numbers (those of the job record and the settings lists): the one table
// that ties each to its settings text, today's AVCodecID and the encoder that writes it.
#pragma once

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <optional>
#include <string>
#include <string_view>

struct AVCodec;

namespace zentrova {

constexpr int kH264CodecId = 28;
constexpr int kMpeg4CodecId = 13;
constexpr int kXvidCodecId = 63;
constexpr int kMp3CodecId = 0x15001;
constexpr int kAacCodecId = 0x15002;
constexpr int kVorbisCodecId = 0x15005;

// A codec the program's table does not list is reported as this base plus today's AVCodecID,
// so its number never collides with a listed one and can still be mapped back.
constexpr int kUnlistedCodecBase = 0x100000;

enum class CodecKind { Video, Audio };

// Program number to AVCodecID; AV_CODEC_ID_NONE for 0 or a number that names nothing.
AVCodecID ToAVCodecID(int programId);

// AVCodecID to the program's number: the listed number, 0 for AV_CODEC_ID_NONE,
// otherwise kUnlistedCodecBase + id.
int FromAVCodecID(AVCodecID id);

// FFmpeg's short codec name for a program number ("h264", "aac"), or "none".
std::string CodecName(int programId);

// Encoder name to prefer for a program number (e.g. "libxvid" for Xvid), or empty for FFmpeg's default.
const char *PreferredEncoderName(int programId);

// The number an encoder list text names ("H.264" -> 28, "AAC" -> 0x15002), exact and
// case-sensitive; nothing for a text the kind's list does not show.
std::optional<int> CodecIdFromText(CodecKind kind, std::string_view text);

// The encoder for a number the kind's list offers (the preferred one when it is there), or null
// for any other number or when this FFmpeg has none.
const AVCodec *FindEncoder(CodecKind kind, int programId);

} // namespace zentrova
