// Reading a file's facts for the device table.
#include "engine/DeviceCheck.h"

#include "engine/CodecMap.h"
#include "engine/FFmpegPtr.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

namespace zentrova {

namespace {

// The iPod's uuid atom (its type and identifier) inside an avc1 sample entry.
constexpr unsigned char kIpodAtom[] = {'u',  'u',  'i',  'd',  0x6B, 0x68, 0x40, 0xF2, 0x5F, 0x24,
                                       0x4F, 0xC5, 0xBA, 0x39, 0xA5, 0x1B, 0xCF, 0x03, 0x23, 0xF3};

bool FileHasIpodAtom(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    const std::size_t keep = sizeof kIpodAtom - 1;
    std::size_t filled = 0;
    const auto *needle = reinterpret_cast<const char *>(kIpodAtom);
    while (in) {
        in.read(buffer.data() + filled, static_cast<std::streamsize>(buffer.size() - filled));
        const std::size_t total = filled + static_cast<std::size_t>(in.gcount());
        if (std::search(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(total), needle,
                        needle + sizeof kIpodAtom) != buffer.begin() + static_cast<std::ptrdiff_t>(total))
            return true;
        if (total < keep)
            return false;
        // Keep the tail, in case the atom straddles two reads.
        std::memmove(buffer.data(), buffer.data() + total - keep, keep);
        filled = keep;
    }
    return false;
}

struct TimedBits {
    double seconds;
    double bits;
};

// The smallest rate at which a decoder buffer of `bufferBits` that starts full never runs dry,
// measured over windows of a few lengths (exact for the window lengths tried).
int PeakKbps(std::vector<TimedBits> packets, double bufferBits)
{
    if (packets.empty())
        return 0;
    std::sort(packets.begin(), packets.end(), [](const TimedBits &a, const TimedBits &b) { return a.seconds < b.seconds; });
    double peak = 0;
    for (const double window : {0.25, 0.5, 1.0, 2.0, 4.0, 8.0}) {
        double bits = 0;
        std::size_t first = 0;
        for (std::size_t last = 0; last < packets.size(); ++last) {
            bits += packets[last].bits;
            while (packets[last].seconds - packets[first].seconds >= window)
                bits -= packets[first++].bits;
            peak = std::max(peak, (bits - bufferBits) / window);
        }
    }
    return static_cast<int>(peak / 1000.0);
}

} // namespace

EngineStatus ReadStreamFacts(const std::string &path, StreamFacts &facts)
{
    facts = {};
    AVFormatContextPtr format;
    int ret = OpenInput(format, path, nullptr);
    if (ret < 0)
        return EngineStatus::Failure("cannot open " + path, ret);
    ret = avformat_find_stream_info(format.get(), nullptr);
    if (ret < 0)
        return EngineStatus::Failure("cannot read the streams of " + path, ret);
    const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVStream *vs = video >= 0 ? format->streams[video] : nullptr;
    if (vs && (vs->disposition & AV_DISPOSITION_ATTACHED_PIC))
        vs = nullptr;

    if (vs) {
        const AVCodecParameters *p = vs->codecpar;
        facts.hasVideo = true;
        facts.videoCodecId = FromAVCodecID(p->codec_id);
        int profile = p->profile;
        int level = p->level;
        // The probe learns profile and level from the first pictures it decodes, and reads only
        // the first seconds of a file: when the pictures start later than that (a source cut
        // between key frames), it learns neither. An MP4's H.264 configuration record begins
        // with both (version 1, profile, compatibility, level).
        if (p->codec_id == AV_CODEC_ID_H264 && (profile == FF_PROFILE_UNKNOWN || level <= 0) &&
            p->extradata_size >= 4 && p->extradata[0] == 1) {
            profile = p->extradata[1];
            level = p->extradata[3];
        }
        if (p->codec_id == AV_CODEC_ID_H264)
            facts.baseline = profile == FF_PROFILE_H264_BASELINE || profile == FF_PROFILE_H264_CONSTRAINED_BASELINE;
        else if (p->codec_id == AV_CODEC_ID_MPEG4)
            facts.baseline = profile == FF_PROFILE_MPEG4_SIMPLE || profile == FF_PROFILE_UNKNOWN;
        facts.level = level > 0 ? level : 0;
        facts.width = p->width;
        facts.height = p->height;
        const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
        facts.fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
        const AVRational sar = vs->sample_aspect_ratio.num ? vs->sample_aspect_ratio : p->sample_aspect_ratio;
        facts.squarePixels = sar.num == 0 || sar.num == sar.den;
        facts.ipodAtom = p->codec_id != AV_CODEC_ID_H264 || FileHasIpodAtom(path);
        // The reference count is in the sequence header, which the decoder reads on opening.
        if (const AVCodec *decoder = avcodec_find_decoder(p->codec_id)) {
            AVCodecContextPtr ctx(avcodec_alloc_context3(decoder));
            if (ctx && avcodec_parameters_to_context(ctx.get(), p) >= 0 && avcodec_open2(ctx.get(), decoder, nullptr) >= 0)
                facts.refs = std::max(1, ctx->refs);
        }
    }
    if (audio >= 0) {
        const AVCodecParameters *p = format->streams[audio]->codecpar;
        facts.hasAudio = true;
        facts.audioCodecId = FromAVCodecID(p->codec_id);
        facts.aacLowComplexity = p->profile == FF_PROFILE_AAC_LOW || p->profile == FF_PROFILE_UNKNOWN;
        facts.sampleRate = p->sample_rate;
        facts.channels = p->ch_layout.nb_channels;
        facts.audioKbps = static_cast<int>(p->bit_rate / 1000);
    }

    if (vs) {
        // Packet sizes give the peak rate; presentation times running backwards give B-frames.
        std::vector<TimedBits> packets;
        AVPacketPtr packet(av_packet_alloc());
        if (!packet)
            return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
        std::int64_t lastPts = std::numeric_limits<std::int64_t>::min();
        while (av_read_frame(format.get(), packet.get()) >= 0) {
            if (packet->stream_index == vs->index && packet->pts != AV_NOPTS_VALUE) {
                if (packet->pts < lastPts)
                    facts.bFrames = true;
                lastPts = std::max(lastPts, packet->pts);
                packets.push_back({packet->pts * av_q2d(vs->time_base), packet->size * 8.0});
            }
            av_packet_unref(packet.get());
        }
        const bool h264 = vs->codecpar->codec_id == AV_CODEC_ID_H264;
        facts.peakKbps = PeakKbps(std::move(packets), h264 ? 2000e3 : 112 * 16384.0);
    }
    return {};
}

std::vector<DeviceResult> CheckDevices(const StreamFacts &facts)
{
    std::vector<DeviceResult> results;
    for (const Device &d : Devices())
        results.push_back({d.name, FirstProblem(d, facts)});
    return results;
}

} // namespace zentrova
