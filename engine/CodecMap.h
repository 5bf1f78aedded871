// The program's own codec numbers (those of the job record and the encoder tables) and today's AVCodecID.
#pragma once

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <string>

namespace zentrova {

// A codec the program's table does not list is reported as this base plus today's AVCodecID,
// so its number never collides with a listed one and can still be mapped back.
constexpr int kUnlistedCodecBase = 0x100000;

// Program number to AVCodecID; AV_CODEC_ID_NONE for 0 or a number that names nothing.
AVCodecID ToAVCodecID(int programId);

// AVCodecID to the program's number: the listed number, 0 for AV_CODEC_ID_NONE,
// otherwise kUnlistedCodecBase + id.
int FromAVCodecID(AVCodecID id);

// FFmpeg's short codec name for a program number ("h264", "aac"), or "none".
std::string CodecName(int programId);

// Encoder name to prefer for a program number (e.g. "libxvid" for Xvid), or empty for FFmpeg's default.
const char *PreferredEncoderName(int programId);

} // namespace zentrova
