// One output media file: its muxer, streams, unique name, header, packets and trailer.
#pragma once

#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zentrova {

// The first name in path, path(0), path(1), ... (counter before the last ".") that names no
// existing file. `suffix` is the counter used, -1 for the path itself.
std::string UniqueOutputPath(const std::string &path, int &suffix);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Chooses the muxer from the file name alone and allocates the output context.
    EngineStatus Create(const std::string &path);

    AVFormatContext *context() const { return context_.get(); }
    // The muxer wants codec headers out of band (MP4, M4A, MOV ...).
    bool wantsGlobalHeader() const;
    bool isRealMedia() const;
    // MP4, its iPod variant (.mp4, .m4a) or QuickTime.
    bool isMovFamily() const;
    AVStream *AddStream();
    bool hasStreams() const { return context_ && context_->nb_streams > 0; }
    void CopyMetadata(const AVFormatContext *input);

    // Picks the unique name, creates that file (never replacing an existing one) and writes the header.
    EngineStatus Open(int &uniqueSuffix);
    bool isOpen() const { return opened_; }
    const std::string &path() const { return path_; }

    // Rescales `pkt` from `from` to its stream's time base and writes it interleaved. The
    // pipeline's stages call it from their own threads; the muxer sees one writer at a time.
    int WritePacket(AVPacket *pkt, AVRational from);
    // Packets the muxer accepted, over all streams.
    std::int64_t packetsWritten() const;
    // Fails when a stream of the file has not been given a packet.
    EngineStatus CheckEveryStreamWritten() const;
    // Writes the trailer and closes the file.
    EngineStatus Finish();
    // Closes and deletes a file that must not be left behind.
    void Discard();

private:
    AVFormatContextPtr context_{nullptr, AVFormatContextDeleter{true}};
    std::string path_;
    bool opened_ = false;
    bool headerWritten_ = false;
    mutable std::mutex writeMutex_;  // guards the muxer and packets_ while stages write
    std::vector<std::int64_t> packets_;  // per stream
};

} // namespace zentrova
