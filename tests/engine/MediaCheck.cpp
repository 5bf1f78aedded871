// Test helpers that look at output files the way a player would.
#include "tests/engine/MediaCheck.h"

#include "engine/FFmpegPtr.h"

extern "C" {
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace zentrova::test {

namespace {

std::string RunCapture(const std::string &command)
{
    std::string output;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

std::string ReadAndRemove(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    std::filesystem::remove(path);
    return s.str();
}

std::string TempFile()
{
    static int counter = 0;
    return (std::filesystem::temp_directory_path() /
            ("zentrova-check-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
        .string();
}

Fields ParseCompact(const std::string &line)
{
    Fields f;
    std::stringstream s(line);
    std::string item;
    std::getline(s, item, '|');  // section name
    while (std::getline(s, item, '|')) {
        const auto eq = item.find('=');
        if (eq != std::string::npos)
            f[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return f;
}

} // namespace

std::string ShellQuote(const std::string &text)
{
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

const Fields *ProbeReport::Stream(const std::string &type) const
{
    for (const Fields &f : streams)
        if (auto it = f.find("codec_type"); it != f.end() && it->second == type)
            return &f;
    return nullptr;
}

double ProbeReport::Number(const Fields &f, const std::string &key) const
{
    auto it = f.find(key);
    return it == f.end() ? -1.0 : std::atof(it->second.c_str());
}

ProbeReport Ffprobe(const std::string &path)
{
    const std::string err = TempFile();
    const std::string out = RunCapture("ffprobe -v error -show_streams -show_format -of compact " + ShellQuote(path) +
                                       " 2>" + ShellQuote(err));
    ProbeReport r;
    r.errors = ReadAndRemove(err);
    std::stringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("stream|", 0) == 0)
            r.streams.push_back(ParseCompact(line));
        else if (line.rfind("format|", 0) == 0)
            r.format = ParseCompact(line);
    }
    return r;
}

std::string DecodeErrors(const std::string &path)
{
    return RunCapture("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -f null - 2>&1");
}

GrayPicture PictureAt(const std::string &path, double seconds)
{
    GrayPicture p;
    const ProbeReport r = Ffprobe(path);
    const Fields *v = r.Stream("video");
    if (!v)
        return p;
    p.width = static_cast<int>(r.Number(*v, "width"));
    p.height = static_cast<int>(r.Number(*v, "height"));
    p.luma = RunCapture("ffmpeg -nostdin -v error -ss " + std::to_string(seconds) + " -i " + ShellQuote(path) +
                        " -frames:v 1 -f rawvideo -pix_fmt gray - 2>/dev/null");
    if (p.width <= 0 || p.height <= 0 || p.luma.size() != static_cast<std::size_t>(p.width * p.height))
        p = {};
    return p;
}

std::vector<PacketInfo> VideoPackets(const std::string &path)
{
    const std::string out = RunCapture("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,duration_time,size "
                                       "-of csv=p=0 " + ShellQuote(path) + " 2>/dev/null");
    std::vector<PacketInfo> packets;
    std::stringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        PacketInfo p{};
        if (std::sscanf(line.c_str(), "%lf,%lf,%d", &p.seconds, &p.duration, &p.bytes) == 3)
            packets.push_back(p);
    }
    std::sort(packets.begin(), packets.end(), [](const PacketInfo &a, const PacketInfo &b) { return a.seconds < b.seconds; });
    return packets;
}

std::vector<double> KeyFrameTimes(const std::string &path)
{
    const std::string out = RunCapture("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags -of csv=p=0 " +
                                       ShellQuote(path) + " 2>/dev/null");
    std::vector<double> times;
    std::stringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma != std::string::npos && line.find('K', comma) != std::string::npos)
            times.push_back(std::atof(line.substr(0, comma).c_str()));
    }
    return times;
}

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

namespace {

std::uint64_t BigEndian(const std::string &bytes, std::size_t at, int count)
{
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

} // namespace

std::vector<std::string> TopLevelBoxes(const std::string &path)
{
    const std::string bytes = FileBytes(path);
    std::vector<std::string> types;
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        std::uint64_t size = BigEndian(bytes, at, 4);
        const std::string type = bytes.substr(at + 4, 4);
        if (size == 1 && at + 16 <= bytes.size())
            size = BigEndian(bytes, at + 8, 8);
        else if (size == 0)
            size = bytes.size() - at;
        if (size < 8)
            break;
        types.push_back(type);
        at += size;
    }
    return types;
}

std::string MajorBrand(const std::string &path)
{
    const std::string bytes = FileBytes(path).substr(0, 12);
    return bytes.size() == 12 && bytes.compare(4, 4, "ftyp") == 0 ? bytes.substr(8, 4) : std::string();
}

std::string Discover(const std::string &path)
{
    return RunCapture("gst-discoverer-1.0 " + ShellQuote(path) + " 2>&1");
}

namespace {

// Decodes the best stream of `type` in `path`, handing the opened stream and decoder to `onOpen`
// and every decoded frame to `onFrame`. Returns false when the file or the stream cannot be read.
template <typename OnOpen, typename OnFrame>
bool DecodeStream(const std::string &path, AVMediaType type, OnOpen onOpen, OnFrame onFrame)
{
    AVFormatContextPtr input;
    if (OpenInput(input, path) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return false;
    const int index = av_find_best_stream(input.get(), type, -1, -1, nullptr, 0);
    if (index < 0)
        return false;
    AVStream *stream = input->streams[index];
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return false;
    decoder->pkt_timebase = stream->time_base;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return false;
    onOpen(*stream, *decoder);
    AVPacketPtr packet(av_packet_alloc());
    AVFramePtr frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            onFrame(*stream, *frame);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return true;
}

} // namespace

std::vector<LumaSample> VideoLuma(const std::string &path)
{
    std::vector<LumaSample> result;
    DecodeStream(
        path, AVMEDIA_TYPE_VIDEO, [](const AVStream &, const AVCodecContext &) {},
        [&](const AVStream &stream, const AVFrame &frame) {
            double sum = 0;
            for (int y = 0; y < frame.height; ++y)
                for (int x = 0; x < frame.width; ++x)
                    sum += frame.data[0][y * frame.linesize[0] + x];
            result.push_back({static_cast<double>(frame.best_effort_timestamp) * av_q2d(stream.time_base),
                              sum / (frame.width * frame.height)});
        });
    return result;
}

AudioTrack DecodeAudio(const std::string &path)
{
    AudioTrack track;
    DecodeStream(
        path, AVMEDIA_TYPE_AUDIO,
        [&](const AVStream &stream, const AVCodecContext &decoder) {
            track.sampleRate = decoder.sample_rate;
            track.channels = decoder.ch_layout.nb_channels;
            track.startSeconds =
                stream.start_time == AV_NOPTS_VALUE ? 0.0 : stream.start_time * av_q2d(stream.time_base);
        },
        [&](const AVStream &, const AVFrame &frame) {
            const auto format = static_cast<AVSampleFormat>(frame.format);
            const bool planar = av_sample_fmt_is_planar(format);
            const int step = planar ? 1 : frame.ch_layout.nb_channels;
            const std::uint8_t *base = frame.data[0];
            for (int i = 0; i < frame.nb_samples; ++i) {
                float v = 0;
                switch (av_get_packed_sample_fmt(format)) {
                case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float *>(base)[i * step]; break;
                case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const std::int16_t *>(base)[i * step] / 32768.0f; break;
                case AV_SAMPLE_FMT_S32: v = static_cast<float>(reinterpret_cast<const std::int32_t *>(base)[i * step] / 2147483648.0); break;
                case AV_SAMPLE_FMT_DBL: v = static_cast<float>(reinterpret_cast<const double *>(base)[i * step]); break;
                default: break;
                }
                track.samples.push_back(v);
            }
        });
    return track;
}

double ZeroCrossingFrequency(const AudioTrack &track)
{
    // Counts swings through zero with some hysteresis, so coding noise in quiet parts does not count.
    constexpr float kLevel = 0.05f;
    int state = 0;
    std::size_t swings = 0, first = 0, last = 0;
    for (std::size_t i = 0; i < track.samples.size(); ++i) {
        const float v = track.samples[i];
        const int now = v > kLevel ? 1 : v < -kLevel ? -1 : state;
        if (now == 1 && state == -1) {
            if (swings++ == 0)
                first = i;
            last = i;
        }
        state = now;
    }
    if (swings < 2 || track.sampleRate <= 0)
        return 0;
    return (swings - 1) / (static_cast<double>(last - first) / track.sampleRate);
}

} // namespace zentrova::test
