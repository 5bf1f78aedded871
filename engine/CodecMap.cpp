// The one place where the program's codec numbers meet today's FFmpeg identifiers.
#include "engine/CodecMap.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <array>
#include <utility>

namespace zentrova {

namespace {

struct Codec {
    int number;
    AVCodecID id;
    // The text the settings' encoder list shows; empty for a codec the program only reads.
    std::string_view text;
    // The encoder to prefer over FFmpeg's default for the id; empty for the default.
    std::string_view encoder;
};

// The numbers are those the program has always stored (libavcodec 52 numbering); 0x10000 and
// above are audio.
constexpr int kFirstAudioNumber = 0x10000;

constexpr std::array<Codec, 43> kCodecs{{
    {1, AV_CODEC_ID_MPEG1VIDEO, "MPEG1VIDEO", ""},
    {2, AV_CODEC_ID_MPEG2VIDEO, "MPEG2VIDEO", ""},
    {4, AV_CODEC_ID_H261, "", ""},
    {5, AV_CODEC_ID_H263, "H.263", ""},
    {6, AV_CODEC_ID_RV10, "", ""},
    {7, AV_CODEC_ID_RV20, "RV20", ""},
    {8, AV_CODEC_ID_MJPEG, "M-JPEG", ""},
    {14, AV_CODEC_ID_RAWVIDEO, "", ""},
    {15, AV_CODEC_ID_MSMPEG4V1, "", ""},
    {16, AV_CODEC_ID_MSMPEG4V2, "", ""},
    {17, AV_CODEC_ID_MSMPEG4V3, "DivX", ""},
    {18, AV_CODEC_ID_WMV1, "WMV1", ""},
    {19, AV_CODEC_ID_WMV2, "WMV2", ""},
    {20, AV_CODEC_ID_H263P, "", ""},
    {22, AV_CODEC_ID_FLV1, "FLV", ""},
    {23, AV_CODEC_ID_SVQ1, "", ""},
    {24, AV_CODEC_ID_SVQ3, "", ""},
    {25, AV_CODEC_ID_DVVIDEO, "DVVIDEO", ""},
    {26, AV_CODEC_ID_HUFFYUV, "", ""},
    {kH264CodecId, AV_CODEC_ID_H264, "H.264", ""},
    {kMpeg4CodecId, AV_CODEC_ID_MPEG4, "MPEG4", ""},
    // Xvid was a codec of its own in the old numbering; today it is an MPEG-4 encoder.
    {kXvidCodecId, AV_CODEC_ID_MPEG4, "XVID", "libxvid"},
    {0x10000, AV_CODEC_ID_PCM_S16LE, "PCM_S16LE", ""},
    {0x10001, AV_CODEC_ID_PCM_S16BE, "PCM_S16BE", ""},
    {0x10002, AV_CODEC_ID_PCM_U16LE, "", ""},
    {0x10003, AV_CODEC_ID_PCM_U16BE, "", ""},
    {0x10004, AV_CODEC_ID_PCM_S8, "PCM_S8", ""},
    {0x10005, AV_CODEC_ID_PCM_U8, "PCM_U8", ""},
    {0x10006, AV_CODEC_ID_PCM_MULAW, "PCM_MULAW", ""},
    {0x10007, AV_CODEC_ID_PCM_ALAW, "PCM_ALAW", ""},
    {0x12000, AV_CODEC_ID_AMR_NB, "AMR_NB", ""},
    {0x15000, AV_CODEC_ID_MP2, "MP2", ""},
    {kMp3CodecId, AV_CODEC_ID_MP3, "MP3", ""},
    {kAacCodecId, AV_CODEC_ID_AAC, "AAC", ""},
    {0x15003, AV_CODEC_ID_AC3, "AC3", ""},
    {0x15004, AV_CODEC_ID_DTS, "", ""},
    {kVorbisCodecId, AV_CODEC_ID_VORBIS, "VORBIS", ""},
    {0x15007, AV_CODEC_ID_WMAV1, "WMA7", ""},
    {0x15008, AV_CODEC_ID_WMAV2, "WMA8", ""},
    {0x1500E, AV_CODEC_ID_FLAC, "FLAC", ""},
    {0x15023, AV_CODEC_ID_APE, "APE", ""},
    {0x1500C, AV_CODEC_ID_SONIC, "", ""},
    {0x1500D, AV_CODEC_ID_SONIC_LS, "", ""},
}};

bool IsKind(const Codec &codec, CodecKind kind)
{
    return (codec.number >= kFirstAudioNumber) == (kind == CodecKind::Audio);
}

const Codec *Listed(int programId)
{
    for (const Codec &codec : kCodecs)
        if (codec.number == programId)
            return &codec;
    return nullptr;
}

} // namespace

AVCodecID ToAVCodecID(int programId)
{
    if (const Codec *codec = Listed(programId))
        return codec->id;
    if (programId > kUnlistedCodecBase)
        return static_cast<AVCodecID>(programId - kUnlistedCodecBase);
    return AV_CODEC_ID_NONE;
}

int FromAVCodecID(AVCodecID id)
{
    if (id == AV_CODEC_ID_NONE)
        return 0;
    // The table lists MPEG-4 twice; the first entry (13) is the one a source reports.
    for (const Codec &codec : kCodecs)
        if (codec.id == id)
            return codec.number;
    return kUnlistedCodecBase + static_cast<int>(id);
}

std::string CodecName(int programId)
{
    AVCodecID id = ToAVCodecID(programId);
    return id == AV_CODEC_ID_NONE ? "none" : avcodec_get_name(id);
}

const char *PreferredEncoderName(int programId)
{
    const Codec *codec = Listed(programId);
    return codec ? codec->encoder.data() : "";
}

std::optional<int> CodecIdFromText(CodecKind kind, std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    for (const Codec &codec : kCodecs)
        if (IsKind(codec, kind) && codec.text == text)
            return codec.number;
    return std::nullopt;
}

const AVCodec *FindEncoder(CodecKind kind, int programId)
{
    const Codec *codec = Listed(programId);
    // Only what the settings offer is written; any other number is a job filled wrongly.
    if (!codec || codec->text.empty() || !IsKind(*codec, kind))
        return nullptr;
    if (!codec->encoder.empty())
        if (const AVCodec *preferred = avcodec_find_encoder_by_name(codec->encoder.data()))
            return preferred;
    return avcodec_find_encoder(codec->id);
}

} // namespace zentrova
