// Our own small music library layer: the few calls of the music library the program makes,
// under their names and with their usual meaning, over libopenmpt. Its sound goes to the
// backend's sound output (PLAT.audio), which pulls it. Nothing else calls libopenmpt.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HMUSIC;

#define BASS_POS_MUSIC_ORDER 1  // position mode: order in the low 16 bits, row in the high 16

// Error codes left by every call (BASS_ErrorGetCode).
#define BASS_OK 0
#define BASS_ERROR_MEM 1        // out of memory
#define BASS_ERROR_DRIVER 3     // the output device could not be opened
#define BASS_ERROR_HANDLE 5     // not a handle of a loaded module
#define BASS_ERROR_INIT 8       // BASS_Init has not been called (or BASS_Free has)
#define BASS_ERROR_ALREADY 14   // already initialised
#define BASS_ERROR_ILLPARAM 20  // an argument is not valid
#define BASS_ERROR_DEVICE 23    // no such device
#define BASS_ERROR_NOPLAY 24    // the channel is not playing
#define BASS_ERROR_NOTAVAIL 37  // not available (a second module while one is loaded)
#define BASS_ERROR_FILEFORM 41  // the module's format is not supported or the data is bad

#define BASS_ACTIVE_STOPPED 0   // BASS_ChannelIsActive: not playing (or played to its end)
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_PAUSED 3    // held by BASS_ChannelPause

// Opens the output. device -1: the backend's sound output (PLAT.audio; BASS_ERROR_DEVICE
// when it has none); device 0: no sound, the module still plays and its position advances
// with the backend's millisecond clock (PLAT.Milliseconds: real time, or the virtual clock of
// a headless run, where every position is exact and the same in every run). freq must be 44100; flags, win and clsid are
// ignored. TRUE on success.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, void* clsid);

// Starts (or resumes after BASS_Stop) the output. TRUE on success.
BOOL BASS_Start(void);

// Loads a module; only from memory (mem TRUE): length bytes at file + offset, copied. flags
// and freq are ignored (the output rate is used). The handle, or 0 with the error code set;
// a module whose order list has nothing to play from its start is refused too
// (BASS_ERROR_FILEFORM).
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);

// Plays the module, from its start when restart is TRUE: from its first order that is not a
// "+++" marker, as its tracker starts it. It plays once, its last 10 ms fading to silence,
// and then stays at its last position. Without restart, a paused module plays on from where
// it was held. TRUE on success.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);

// Holds the playing module where it is: silence, and the position stays (without a device it
// stops following the clock). BASS_ChannelPlay without restart resumes it. TRUE on success;
// BASS_ERROR_NOPLAY when it is not playing, BASS_ERROR_ALREADY when already paused.
BOOL BASS_ChannelPause(DWORD handle);

// With mode BASS_POS_MUSIC_ORDER: the position being heard now, order index in the low 16
// bits and row in the high 16 bits; (QWORD)-1 on failure.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);

// BASS_ACTIVE_PLAYING while the module plays, BASS_ACTIVE_PAUSED while BASS_ChannelPause
// holds it, BASS_ACTIVE_STOPPED before, after BASS_Stop, and once the audio of its end has
// been heard.
DWORD BASS_ChannelIsActive(DWORD handle);

// The error code of the last call on this thread's side of the layer (BASS_OK on success).
int BASS_ErrorGetCode(void);

// Stops the output; the module keeps its place. TRUE on success.
BOOL BASS_Stop(void);

// Closes the output and frees the loaded module. FALSE (BASS_ERROR_INIT) when not initialised,
// so a second call is harmless.
BOOL BASS_Free(void);

// --- Our own additions, not calls of the library's usual interface ---

// Text of the cause of the last failure (the device's or the module player's own message),
// or "" when there is none.
const char* SND_ErrorDetail(void);

// Receives every block of audio rendered without a device (device 0): interleaved stereo
// 16-bit frames at 44100 Hz, in order, silence included after the module's end. Null: none.
typedef void (*SND_CaptureFn)(const int16_t* frames, size_t count, void* user);
void SND_SetCapture(SND_CaptureFn fn, void* user);

// Device 0 only: renders the playing module up to total frames (44100 per second) since
// BASS_ChannelPlay, whatever the clock says; nothing when that much is already rendered.
// Lets a headless run end its audio at an exact frame.
void SND_RenderTo(uint64_t total);

// With a sound device: while on, the module is rendered on the caller's thread following the
// backend's clock, exactly as without a device (position, capture, SND_RenderTo), and the
// device plays silence; when turned off, the device plays on from the frame the rendering
// reached. How a run skips ahead at full speed and then plays from there. Without a device
// it changes nothing. Stays set across BASS_Init; BASS_Free clears it.
void SND_Hold(bool on);

// Seconds from the start at which the loaded module, played from its start, reaches the
// start of (order index, row) (0-based, as in the position word); its whole length when it
// never gets there; -1 without a module. Leaves the playing module alone.
double SND_SecondsAt(uint32_t order, uint32_t row);

// Frames rendered since BASS_ChannelPlay (device 0: what the capture has received; with a
// device: what the player has handed to the device so far).
uint64_t SND_FramesRendered(void);

#define SND_RATE 44100
