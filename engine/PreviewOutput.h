// The live 160x120 picture of the frames being converted, drawn with SDL by the worker thread.
#pragma once

#include "engine/FFmpegPtr.h"
#include "engine/PreviewControl.h"

#include <memory>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace zentrova {

struct SdlDeleter {
    void operator()(SDL_Window *w) const;
    void operator()(SDL_Renderer *r) const;
    void operator()(SDL_Texture *t) const;
};

class PreviewOutput {
public:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;

    explicit PreviewOutput(PreviewControl &control) : control_(control) {}
    ~PreviewOutput() { Stop(); }
    PreviewOutput(const PreviewOutput &) = delete;
    PreviewOutput &operator=(const PreviewOutput &) = delete;

    // Starts the picture for a task wherever the control points. A picture that cannot start
    // leaves the preview inactive; the conversion goes on without it. Returns active().
    bool Start();
    // Shows one decoded frame, shrunk to 160x120.
    void Show(const AVFrame &frame);
    // Clockwise quarter turns that stand the frames shown next upright (see DisplayRotation.h).
    void SetTurns(int quarterTurns) { turns_ = ((quarterTurns % 4) + 4) % 4; }
    // Between packets: lets go of the window when asked to, and keeps an own window responsive.
    void Service();
    // Ends the picture and releases SDL's video subsystem.
    void Stop();
    bool active() const { return texture_ != nullptr; }

private:
    PreviewControl &control_;
    bool acquired_ = false;
    bool videoStarted_ = false;
    bool ownWindow_ = false;
    std::unique_ptr<SDL_Window, SdlDeleter> window_;
    std::unique_ptr<SDL_Renderer, SdlDeleter> renderer_;
    std::unique_ptr<SDL_Texture, SdlDeleter> texture_;
    SwsContextPtr scaler_;
    int turns_ = 0;
    AVFramePtr unturned_;  // a turned frame shrunk as it is stored, before it is turned
};

} // namespace zentrova
