// Helpers around the owning FFmpeg handles.
#include "engine/FFmpegPtr.h"

namespace zentrova {

int OpenInput(AVFormatContextPtr &ctx, const std::string &path, AVIOInterruptCB *interrupt)
{
    ctx.reset();
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return AVERROR(ENOMEM);
    if (interrupt)
        raw->interrupt_callback = *interrupt;
    // avformat_open_input frees the context itself when it fails.
    int ret = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (ret < 0)
        return ret;
    ctx.reset(raw);
    return 0;
}

std::string AVErrorText(int errnum)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(errnum, buf, sizeof buf);
    return buf;
}

} // namespace zentrova
