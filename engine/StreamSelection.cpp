// Stream choice shared by the probe and the workers, so both see the same source.
#include "engine/StreamSelection.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace zentrova {

namespace {

// The look ahead covers this much of the file once every candidate stream has shown a packet...
constexpr double kWindowSeconds = 2.0;
// ...and gives up waiting for the others after this much, or these many packets or bytes.
constexpr double kMaxWindowSeconds = 10.0;
constexpr int kMaxWindowPackets = 20000;
constexpr std::int64_t kMaxWindowBytes = std::int64_t{32} << 20;
// Without any timestamp the window is counted in packets.
constexpr int kTimelessPackets = 250;
// A stream that holds less than this...
constexpr double kNextToNothingSeconds = 0.1;
// ...and then stays silent while the file goes on this long is as good as empty.
constexpr double kOutlivedSeconds = 1.0;

bool Candidate(const AVStream &s)
{
    const AVCodecParameters &p = *s.codecpar;
    if (p.codec_id == AV_CODEC_ID_NONE)
        return false;
    switch (p.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        return !(s.disposition & AV_DISPOSITION_ATTACHED_PIC) && p.width > 0 && p.height > 0;
    case AVMEDIA_TYPE_AUDIO:
        return p.sample_rate > 0 && p.ch_layout.nb_channels > 0;
    default:
        return false;
    }
}

struct Extent {
    std::int64_t packets = 0;
    double first = std::numeric_limits<double>::infinity();
    double last = -std::numeric_limits<double>::infinity();
    bool timed() const { return first <= last; }
};

class Window {
public:
    explicit Window(const AVFormatContext &input) : extents_(input.nb_streams), candidate_(input.nb_streams)
    {
        for (unsigned i = 0; i < input.nb_streams; ++i)
            candidate_[i] = Candidate(*input.streams[i]);
    }

    bool isCandidate(int index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < candidate_.size() && candidate_[index];
    }

    void Add(const AVPacket &pkt, AVRational timeBase)
    {
        ++packets_;
        bytes_ += pkt.size;
        Extent &e = extents_[static_cast<std::size_t>(pkt.stream_index)];
        ++e.packets;
        const std::int64_t ts = pkt.pts != AV_NOPTS_VALUE ? pkt.pts : pkt.dts;
        if (ts == AV_NOPTS_VALUE)
            return;
        const double start = static_cast<double>(ts) * av_q2d(timeBase);
        const double end = start + static_cast<double>(std::max<std::int64_t>(pkt.duration, 0)) * av_q2d(timeBase);
        e.first = std::min(e.first, start);
        e.last = std::max(e.last, end);
        first_ = std::min(first_, start);
        last_ = std::max(last_, end);
    }

    bool Full() const
    {
        const double seconds = last_ > first_ ? last_ - first_ : 0.0;
        if (seconds >= kMaxWindowSeconds || packets_ >= kMaxWindowPackets || bytes_ >= kMaxWindowBytes)
            return true;
        for (std::size_t i = 0; i < candidate_.size(); ++i)
            if (candidate_[i] && extents_[i].packets == 0)
                return false;
        return seconds >= kWindowSeconds || (last_ < first_ && packets_ >= kTimelessPackets);
    }

    bool Usable(unsigned index) const
    {
        // A stream that appeared while reading was not a candidate.
        if (index >= candidate_.size() || !candidate_[index])
            return false;
        const Extent &e = extents_[index];
        if (e.packets == 0)
            return false;
        return !(e.timed() && e.last - e.first < kNextToNothingSeconds && last_ - e.last >= kOutlivedSeconds);
    }

private:
    std::vector<Extent> extents_;
    std::vector<bool> candidate_;
    int packets_ = 0;
    std::int64_t bytes_ = 0;
    double first_ = std::numeric_limits<double>::infinity();
    double last_ = -std::numeric_limits<double>::infinity();
};

} // namespace

StreamChoice ChooseStreams(AVFormatContext &input, ReadAhead *keep)
{
    Window window(input);
    AVPacketPtr packet(av_packet_alloc());
    while (packet && !window.Full()) {
        const int ret = av_read_frame(&input, packet.get());
        if (ret < 0) {
            if (keep)
                keep->end = ret;
            break;
        }
        const int index = packet->stream_index;
        if (!window.isCandidate(index)) {
            av_packet_unref(packet.get());
            continue;
        }
        window.Add(*packet, input.streams[index]->time_base);
        if (keep) {
            keep->packets.push_back(std::move(packet));
            packet.reset(av_packet_alloc());
        } else {
            av_packet_unref(packet.get());
        }
    }

    StreamChoice choice;
    for (unsigned i = 0; i < input.nb_streams; ++i) {
        if (!window.Usable(i))
            continue;
        if (input.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            choice.video = static_cast<int>(i);
        else
            choice.audio = static_cast<int>(i);
    }
    return choice;
}

} // namespace zentrova
