// Writing one output file.
#include "engine/OutputFile.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace zentrova {

namespace {

std::string Candidate(const std::string &path, int suffix)
{
    if (suffix < 0)
        return path;
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    const bool dotInName = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string counter = "(" + std::to_string(suffix) + ")";
    return dotInName ? path.substr(0, dot) + counter + path.substr(dot) : path + counter;
}

bool Exists(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

} // namespace

std::string UniqueOutputPath(const std::string &path, int &suffix)
{
    suffix = -1;
    std::string candidate = path;
    while (Exists(candidate))
        candidate = Candidate(path, ++suffix);
    return candidate;
}

OutputFile::~OutputFile() = default;

EngineStatus OutputFile::Create(const std::string &path)
{
    const AVOutputFormat *format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!format)
        return EngineStatus::Failure("no muxer for " + path);
    // Every .mp4 this program writes is for the iPod, and the iPod's copy of the format is what
    // its desktop software accepts: brand M4V and the iPod atom that lets a 5G take 640x480 H.264.
    if (std::string_view(format->name) == "mp4")
        if (const AVOutputFormat *ipod = av_guess_format("ipod", nullptr, nullptr))
            format = ipod;
    AVFormatContext *raw = nullptr;
    const int ret = avformat_alloc_output_context2(&raw, format, nullptr, path.c_str());
    if (ret < 0 || !raw)
        return EngineStatus::Failure("cannot allocate the output", ret < 0 ? ret : AVERROR(ENOMEM));
    context_.reset(raw);
    path_ = path;
    return {};
}

bool OutputFile::wantsGlobalHeader() const
{
    return context_ && (context_->oformat->flags & AVFMT_GLOBALHEADER);
}

bool OutputFile::isMovFamily() const
{
    if (!context_)
        return false;
    const std::string_view name = context_->oformat->name;
    return name == "mp4" || name == "ipod" || name == "mov";
}

bool OutputFile::isRealMedia() const
{
    return context_ && std::string(context_->oformat->name) == "rm";
}

AVStream *OutputFile::AddStream()
{
    return context_ ? avformat_new_stream(context_.get(), nullptr) : nullptr;
}

void OutputFile::CopyMetadata(const AVFormatContext *input)
{
    static constexpr const char *kKeys[] = {"title", "author", "artist", "copyright", "comment",
                                            "album", "date",   "year",   "track",     "genre"};
    for (const char *key : kKeys)
        if (const AVDictionaryEntry *e = av_dict_get(input->metadata, key, nullptr, 0))
            av_dict_set(&context_->metadata, key, e->value, 0);
}

EngineStatus OutputFile::Open(int &uniqueSuffix)
{
    if (!hasStreams())
        return EngineStatus::Failure("the output would have no stream");
    const std::string requested = path_;
    const bool needsFile = !(context_->oformat->flags & AVFMT_NOFILE);
    // Creating the file exclusively closes the gap between the existence test and the open, so
    // no file (the source included) is ever overwritten.
    for (;;) {
        path_ = UniqueOutputPath(requested, uniqueSuffix);
        if (!needsFile)
            break;
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        if (errno != EEXIST)
            return EngineStatus::Failure("cannot create " + path_, AVERROR(errno));
    }
    opened_ = true;
    // The muxer reopens its file by this name to move the index to the front: it must name the
    // file actually written, not the one asked for, which may be someone else's.
    av_freep(&context_->url);
    context_->url = av_strdup(path_.c_str());
    if (!context_->url)
        return EngineStatus::Failure("cannot name the output", AVERROR(ENOMEM));
    if (needsFile) {
        const int ret = avio_open(&context_->pb, path_.c_str(), AVIO_FLAG_WRITE);
        if (ret < 0)
            return EngineStatus::Failure("cannot open " + path_ + " for writing", ret);
    }
    AVDictionary *options = nullptr;
    // The index goes in front so players start without reading to the end. The trailer moves it
    // there, so a stopped conversion, which still writes its trailer, is as playable.
    if (isMovFamily())
        av_dict_set(&options, "movflags", "+faststart", 0);
    const int ret = avformat_write_header(context_.get(), &options);
    av_dict_free(&options);
    if (ret < 0)
        return EngineStatus::Failure("cannot write the header", ret);
    headerWritten_ = true;
    return {};
}

int OutputFile::WritePacket(AVPacket *pkt, AVRational from)
{
    const std::lock_guard lock(writeMutex_);
    const AVStream *stream = context_->streams[pkt->stream_index];
    const auto index = static_cast<std::size_t>(pkt->stream_index);
    av_packet_rescale_ts(pkt, from, stream->time_base);
    const int ret = av_interleaved_write_frame(context_.get(), pkt);
    if (ret >= 0) {
        if (packets_.size() <= index)
            packets_.resize(index + 1, 0);
        ++packets_[index];
    }
    return ret;
}

std::int64_t OutputFile::packetsWritten() const
{
    const std::lock_guard lock(writeMutex_);
    std::int64_t total = 0;
    for (const std::int64_t n : packets_)
        total += n;
    return total;
}

EngineStatus OutputFile::CheckEveryStreamWritten() const
{
    const std::lock_guard lock(writeMutex_);
    const unsigned streams = context_ ? context_->nb_streams : 0;
    for (unsigned i = 0; i < streams; ++i) {
        if (i < packets_.size() && packets_[i] > 0)
            continue;
        const char *kind = av_get_media_type_string(context_->streams[i]->codecpar->codec_type);
        return EngineStatus::Failure(std::string("the output's ") + (kind ? kind : "") + " stream got no data");
    }
    return {};
}

EngineStatus OutputFile::Finish()
{
    if (!headerWritten_)
        return EngineStatus::Failure("no header was written");
    headerWritten_ = false;
    const int ret = av_write_trailer(context_.get());
    int closed = 0;
    if (!(context_->oformat->flags & AVFMT_NOFILE))
        closed = avio_closep(&context_->pb);
    if (ret < 0)
        return EngineStatus::Failure("cannot write the trailer", ret);
    if (closed < 0)
        return EngineStatus::Failure("cannot close " + path_, closed);
    return {};
}

void OutputFile::Discard()
{
    if (context_ && !(context_->oformat->flags & AVFMT_NOFILE))
        avio_closep(&context_->pb);
    headerWritten_ = false;
    if (opened_) {
        std::remove(path_.c_str());
        opened_ = false;
    }
}

} // namespace zentrova
