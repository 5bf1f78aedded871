// SDL2 drawing of the conversion preview.
#include "engine/PreviewOutput.h"

#include "engine/DisplayRotation.h"

#include <SDL.h>

#include <cstdint>

namespace zentrova {

void SdlDeleter::operator()(SDL_Window *w) const
{
    SDL_DestroyWindow(w);
}

void SdlDeleter::operator()(SDL_Renderer *r) const
{
    SDL_DestroyRenderer(r);
}

void SdlDeleter::operator()(SDL_Texture *t) const
{
    SDL_DestroyTexture(t);
}

bool PreviewOutput::Start()
{
    Stop();
    const PreviewControl::Binding binding = control_.Acquire();
    if (binding.target == PreviewTarget::None)
        return false;
    acquired_ = true;
    ownWindow_ = binding.target == PreviewTarget::OwnWindow;

    // SDL must leave SIGINT and SIGTERM to the program, and the screen saver alone.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // A 160x120 picture needs no OpenGL: the window's own framebuffer keeps GL drivers unloaded.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A window id is an X11 id; only that driver can bind it.
    if (!ownWindow_ && !SDL_WasInit(SDL_INIT_VIDEO))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // Only the video subsystem: audio may belong to a player elsewhere in the process.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_Log("preview: %s", SDL_GetError());
        Stop();
        return false;
    }
    videoStarted_ = true;

    if (ownWindow_)
        window_.reset(SDL_CreateWindow("Zentrova preview", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth,
                                       kHeight, SDL_WINDOW_SHOWN));
    else
        window_.reset(SDL_CreateWindowFrom(reinterpret_cast<const void *>(static_cast<std::uintptr_t>(binding.windowId))));
    if (window_)
        renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
    if (renderer_)
        texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_YV12, SDL_TEXTUREACCESS_STREAMING, kWidth,
                                         kHeight));
    if (!texture_) {
        SDL_Log("preview: %s", SDL_GetError());
        Stop();
        return false;
    }
    return true;
}

void PreviewOutput::Show(const AVFrame &frame)
{
    if (!texture_)
        return;
    // A turned frame is shrunk as it is stored, then turned into the texture.
    const bool sideways = turns_ % 2 == 1;
    const int scaledWidth = sideways ? kHeight : kWidth;
    const int scaledHeight = sideways ? kWidth : kHeight;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, frame.height,
                                       static_cast<AVPixelFormat>(frame.format), scaledWidth, scaledHeight,
                                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_)
        return;
    if (turns_ != 0 && (!unturned_ || unturned_->width != scaledWidth)) {
        unturned_.reset(av_frame_alloc());
        if (unturned_) {
            unturned_->format = AV_PIX_FMT_YUV420P;
            unturned_->width = scaledWidth;
            unturned_->height = scaledHeight;
            if (av_frame_get_buffer(unturned_.get(), 0) < 0)
                unturned_.reset();
        }
        if (!unturned_)
            return;
    }
    if (turns_ != 0 && sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, unturned_->data,
                                 unturned_->linesize) <= 0)
        return;
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_.get(), nullptr, &pixels, &pitch) != 0)
        return;
    // YV12 stores Y, then V, then U: handing the planes over as Y, U, V lets the 4:2:0 scaler
    // fill the texture directly.
    auto *y = static_cast<std::uint8_t *>(pixels);
    std::uint8_t *v = y + pitch * kHeight;
    std::uint8_t *u = v + (pitch / 2) * (kHeight / 2);
    std::uint8_t *planes[4] = {y, u, v, nullptr};
    int strides[4] = {pitch, pitch / 2, pitch / 2, 0};
    if (turns_ == 0) {
        sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    } else {
        for (int p = 0; p < 3; ++p) {
            const int shift = p == 0 ? 0 : 1;
            TurnPixels(unturned_->data[p], unturned_->linesize[p], scaledWidth >> shift, scaledHeight >> shift, 1,
                       turns_, planes[p], strides[p]);
        }
    }
    SDL_UnlockTexture(texture_.get());
    const SDL_Rect target{0, 0, kWidth, kHeight};
    SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &target);
    SDL_RenderPresent(renderer_.get());
}

void PreviewOutput::Service()
{
    if (acquired_ && control_.ReleaseRequested()) {
        Stop();
        return;
    }
    if (ownWindow_ && window_)
        SDL_PumpEvents();
}

void PreviewOutput::Stop()
{
    texture_.reset();
    renderer_.reset();
    window_.reset();
    scaler_.reset();
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted_ = false;
    }
    if (acquired_) {
        acquired_ = false;
        control_.Released();
    }
}

} // namespace zentrova
