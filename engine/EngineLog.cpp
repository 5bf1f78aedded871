// FFmpeg log routing.
#include "engine/EngineLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <mutex>

namespace zentrova {

namespace {

std::mutex g_sinkMutex;
EngineLogSink g_sink;

void Callback(void *avcl, int level, const char *fmt, va_list vl)
{
    if (level > av_log_get_level())
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(avcl, level, fmt, vl, line, sizeof line, &printPrefix);
    std::lock_guard lock(g_sinkMutex);
    if (g_sink)
        g_sink(level, line);
    else
        std::fputs(line, stderr);
}

} // namespace

void SetEngineLog(int level, EngineLogSink sink)
{
    {
        std::lock_guard lock(g_sinkMutex);
        g_sink = std::move(sink);
    }
    av_log_set_level(level);
    av_log_set_callback(Callback);
}

} // namespace zentrova
