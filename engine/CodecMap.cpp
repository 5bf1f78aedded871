// The one place where the program's codec numbers meet today's FFmpeg identifiers.
#include "CodecMap.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <array>
#include <utility>

namespace zentrova {

namespace {

// The numbers are those the program has always stored (libavcodec 52 numbering).
constexpr std::array<std::pair<int, AVCodecID>, 43> kCodecs{{
    {1, AV_CODEC_ID_MPEG1VIDEO},
    {2, AV_CODEC_ID_MPEG2VIDEO},
    {4, AV_CODEC_ID_H261},
    {5, AV_CODEC_ID_H263},
    {6, AV_CODEC_ID_RV10},
    {7, AV_CODEC_ID_RV20},
    {8, AV_CODEC_ID_MJPEG},
    {14, AV_CODEC_ID_RAWVIDEO},
    {15, AV_CODEC_ID_MSMPEG4V1},
    {16, AV_CODEC_ID_MSMPEG4V2},
    {17, AV_CODEC_ID_MSMPEG4V3},
    {18, AV_CODEC_ID_WMV1},
    {19, AV_CODEC_ID_WMV2},
    {20, AV_CODEC_ID_H263P},
    {22, AV_CODEC_ID_FLV1},
    {23, AV_CODEC_ID_SVQ1},
    {24, AV_CODEC_ID_SVQ3},
    {25, AV_CODEC_ID_DVVIDEO},
    {26, AV_CODEC_ID_HUFFYUV},
    {28, AV_CODEC_ID_H264},
    {13, AV_CODEC_ID_MPEG4},
    // Xvid was a codec of its own in the old numbering; today it is an MPEG-4 encoder.
    {63, AV_CODEC_ID_MPEG4},
    {0x10000, AV_CODEC_ID_PCM_S16LE},
    {0x10001, AV_CODEC_ID_PCM_S16BE},
    {0x10002, AV_CODEC_ID_PCM_U16LE},
    {0x10003, AV_CODEC_ID_PCM_U16BE},
    {0x10004, AV_CODEC_ID_PCM_S8},
    {0x10005, AV_CODEC_ID_PCM_U8},
    {0x10006, AV_CODEC_ID_PCM_MULAW},
    {0x10007, AV_CODEC_ID_PCM_ALAW},
    {0x12000, AV_CODEC_ID_AMR_NB},
    {0x15000, AV_CODEC_ID_MP2},
    {0x15001, AV_CODEC_ID_MP3},
    {0x15002, AV_CODEC_ID_AAC},
    {0x15003, AV_CODEC_ID_AC3},
    {0x15004, AV_CODEC_ID_DTS},
    {0x15005, AV_CODEC_ID_VORBIS},
    {0x15007, AV_CODEC_ID_WMAV1},
    {0x15008, AV_CODEC_ID_WMAV2},
    {0x1500E, AV_CODEC_ID_FLAC},
    {0x15023, AV_CODEC_ID_APE},
    {0x1500C, AV_CODEC_ID_SONIC},
    {0x1500D, AV_CODEC_ID_SONIC_LS},
}};

} // namespace

AVCodecID ToAVCodecID(int programId)
{
    for (const auto &[number, id] : kCodecs)
        if (number == programId)
            return id;
    if (programId > kUnlistedCodecBase)
        return static_cast<AVCodecID>(programId - kUnlistedCodecBase);
    return AV_CODEC_ID_NONE;
}

int FromAVCodecID(AVCodecID id)
{
    if (id == AV_CODEC_ID_NONE)
        return 0;
    // The table lists MPEG-4 twice; the first entry (13) is the one a source reports.
    for (const auto &[number, codec] : kCodecs)
        if (codec == id)
            return number;
    return kUnlistedCodecBase + static_cast<int>(id);
}

std::string CodecName(int programId)
{
    AVCodecID id = ToAVCodecID(programId);
    return id == AV_CODEC_ID_NONE ? "none" : avcodec_get_name(id);
}

const char *PreferredEncoderName(int programId)
{
    return programId == 63 ? "libxvid" : "";
}

} // namespace zentrova
