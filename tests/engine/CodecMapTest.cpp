#include "engine/CodecMap.h"

#include <gtest/gtest.h>

using namespace zentrova;

struct CodecCase {
    int number;
    AVCodecID id;
};

class CodecMapTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecMapTest, MapsBothWays)
{
    const auto [number, id] = GetParam();
    EXPECT_EQ(ToAVCodecID(number), id);
    EXPECT_EQ(FromAVCodecID(id), number);
}

// The numbers the job record and the encoder tables have always used.
INSTANTIATE_TEST_SUITE_P(ProgramNumbers, CodecMapTest,
                         ::testing::Values(CodecCase{1, AV_CODEC_ID_MPEG1VIDEO}, CodecCase{2, AV_CODEC_ID_MPEG2VIDEO},
                                           CodecCase{5, AV_CODEC_ID_H263}, CodecCase{7, AV_CODEC_ID_RV20},
                                           CodecCase{8, AV_CODEC_ID_MJPEG}, CodecCase{13, AV_CODEC_ID_MPEG4},
                                           CodecCase{17, AV_CODEC_ID_MSMPEG4V3}, CodecCase{18, AV_CODEC_ID_WMV1},
                                           CodecCase{19, AV_CODEC_ID_WMV2}, CodecCase{22, AV_CODEC_ID_FLV1},
                                           CodecCase{25, AV_CODEC_ID_DVVIDEO}, CodecCase{28, AV_CODEC_ID_H264},
                                           CodecCase{0x10000, AV_CODEC_ID_PCM_S16LE},
                                           CodecCase{0x10001, AV_CODEC_ID_PCM_S16BE},
                                           CodecCase{0x10004, AV_CODEC_ID_PCM_S8}, CodecCase{0x10005, AV_CODEC_ID_PCM_U8},
                                           CodecCase{0x10006, AV_CODEC_ID_PCM_MULAW},
                                           CodecCase{0x10007, AV_CODEC_ID_PCM_ALAW},
                                           CodecCase{0x12000, AV_CODEC_ID_AMR_NB}, CodecCase{0x15000, AV_CODEC_ID_MP2},
                                           CodecCase{0x15001, AV_CODEC_ID_MP3}, CodecCase{0x15002, AV_CODEC_ID_AAC},
                                           CodecCase{0x15003, AV_CODEC_ID_AC3}, CodecCase{0x15005, AV_CODEC_ID_VORBIS},
                                           CodecCase{0x15007, AV_CODEC_ID_WMAV1}, CodecCase{0x15008, AV_CODEC_ID_WMAV2},
                                           CodecCase{0x1500E, AV_CODEC_ID_FLAC}, CodecCase{0x15023, AV_CODEC_ID_APE}));

TEST(CodecMap, XvidEncodesMpeg4)
{
    EXPECT_EQ(ToAVCodecID(63), AV_CODEC_ID_MPEG4);
    // A source in MPEG-4 reports 13, never the encoder-only Xvid number.
    EXPECT_EQ(FromAVCodecID(AV_CODEC_ID_MPEG4), 13);
    EXPECT_STREQ(PreferredEncoderName(63), "libxvid");
}

TEST(CodecMap, NoneAndUnlisted)
{
    EXPECT_EQ(FromAVCodecID(AV_CODEC_ID_NONE), 0);
    EXPECT_EQ(ToAVCodecID(0), AV_CODEC_ID_NONE);
    EXPECT_EQ(ToAVCodecID(3), AV_CODEC_ID_NONE);
    const int hevc = FromAVCodecID(AV_CODEC_ID_HEVC);
    EXPECT_GT(hevc, kUnlistedCodecBase);
    EXPECT_EQ(ToAVCodecID(hevc), AV_CODEC_ID_HEVC);
    EXPECT_EQ(CodecName(hevc), "hevc");
    EXPECT_EQ(CodecName(28), "h264");
    EXPECT_EQ(CodecName(0), "none");
}

TEST(CodecMap, EncodersOnlyForWhatTheListsOffer)
{
    EXPECT_NE(FindEncoder(CodecKind::Video, kH264CodecId), nullptr);
    EXPECT_NE(FindEncoder(CodecKind::Audio, kAacCodecId), nullptr);
    // Read but never offered, or offered for the other kind.
    EXPECT_EQ(FindEncoder(CodecKind::Video, 4), nullptr);
    EXPECT_EQ(FindEncoder(CodecKind::Video, kAacCodecId), nullptr);
    EXPECT_EQ(FindEncoder(CodecKind::Audio, kH264CodecId), nullptr);
    EXPECT_EQ(FindEncoder(CodecKind::Video, FromAVCodecID(AV_CODEC_ID_HEVC)), nullptr);
    // The list text and the number name the same codec.
    EXPECT_EQ(CodecIdFromText(CodecKind::Video, "XVID"), kXvidCodecId);
    EXPECT_EQ(CodecIdFromText(CodecKind::Audio, "XVID"), std::nullopt);
}
