// The player library: one source played at a time for the whole process, shared in turn by the
// main window's preview pane and the clip dialog. A plain C interface with no Qt; every function
// is called on the user-interface thread only.
//
// Picture layout (GetFrame): the caller's buffer holds width x height x 3 bytes, blue, green, red
// per pixel, rows of exactly width * 3 bytes (no padding), the bottom row of the picture first.
// The drawing side reads the same layout, so no row ever reaches past the buffer.
//
// End of playback: the end callback is called once per time playback reaches the end of the
// file, from a thread of the library that Stop, Close, Open and Initialize never wait for, so a
// callback that waits for the user-interface thread cannot deadlock against them. A callback
// that arrives after the file it reports on was stopped, closed or replaced is not delivered.
#pragma once

#include <cstdint>

extern "C" {

typedef void (*PlayerModuleEndCallback)(void);
typedef void (*PlayerModuleSecondCallback)(std::int32_t);

// Hands the player to a new owner: later end-of-playback calls go to `onEnd` (may be null).
// `second` is kept but never called; `text` is an owner tag of up to 11 characters, may be null.
// Does not stop what is playing.
int PlayerModule_Initialize(PlayerModuleEndCallback onEnd, PlayerModuleSecondCallback second,
                            const wchar_t *text);

// Names the file the next Open reads: a UTF-8 path of any length (the file system's own bytes).
int PlayerModule_SetFileName(const char *path);

// Opens the named file, closing whatever was open. Returns -1 when the file cannot be read or
// has neither a picture nor sound, 0 otherwise. The player is then stopped at the beginning.
int PlayerModule_Open(void);

// Whether the open file has a picture and sound (1 or 0 each); both 0 with no file.
int PlayerModule_GetMideaType(std::int32_t *hasVideo, std::int32_t *hasAudio);

// The size of the pictures GetFrame delivers: the source's display shape (its pixel aspect
// honoured) fitted inside 640 x 480 without enlarging, the width a multiple of 4. 0 x 0 without
// a picture.
int PlayerModule_GetFrameSize(std::int32_t *width, std::int32_t *height);

// Copies the picture due now into `buffer` (layout above) at `width` x `height`, scaling if the
// size differs from GetFrameSize's. Black before the first picture. -1 without a picture.
int PlayerModule_GetFrame(std::uint8_t *buffer, std::int32_t width, std::int32_t height);

// Starts or resumes playback; after Stop, starts again from the beginning.
int PlayerModule_Start(void);
// Holds playback where it is; Start resumes from there.
int PlayerModule_Pause(void);
// Ends playback and goes back to the beginning; the file stays open. Harmless with no file.
int PlayerModule_Stop(void);
// Ends playback and releases the file. Harmless with no file.
int PlayerModule_Close(void);

// The played part of the file, 0.0 to 1.0 (0 with no file).
int PlayerModule_GetPos(float *fraction);
// Moves to that part of the file (clamped to 0..1): the next picture shown is the one due at that
// time, decoded forward from the key frame before it. Works while paused or playing.
int PlayerModule_SetPos(float fraction);
// The file's length in seconds (0 with no file or an unknown length).
int PlayerModule_GetDuration(double *seconds);

// Loudness 0 (silent) to 65535 (as decoded); larger values count as 65535. Kept across files.
int PlayerModule_SetVolume(std::int32_t volume);
int PlayerModule_GetVolume(std::int32_t *volume);

} // extern "C"
