// The music library layer over libopenmpt: one module at a time, played once at 44100 Hz
// stereo 16-bit, either pulled by the backend's sound output or rendered with the clock.
// A second copy of the module (the scout) plays a little ahead of the heard one, so that the
// last milliseconds before the end can be faded out instead of stopping dead with a click.
#include "platform/bass.h"

#include "platform/backend.h"

#include <libopenmpt/libopenmpt.h>

#include <cstring>
#include <string>
#include <vector>

// A sound-device run renders ahead of the speaker. After every sub-block the callback
// records how many frames it has rendered and where the module stands; the position read
// answers with the record for the frame now leaving the device.
struct SND_Snapshot {
    uint64_t frames;   // frames rendered when the record was made
    uint32_t word;     // order | row << 16 at that moment
};
#define SND_SNAPSHOTS 64  // a power of two; holds more than two device buffers' worth

enum SND_Mode { SND_NONE, SND_DEVICE, SND_CLOCKED };

static SND_Mode s_mode = SND_NONE;
static const PLAT_AudioOutput* s_output = nullptr;  // the backend's output while SND_DEVICE
static int s_error = BASS_OK;
static std::string s_detail;

static openmpt_module* s_module = nullptr;
static openmpt_module* s_scout = nullptr;  // the same module, read SND_FADE_FRAMES ahead
static std::vector<uint8_t> s_moduleBytes;  // a copy of the loaded module, for SND_SecondsAt
static bool s_playing = false;     // between BASS_ChannelPlay and BASS_Stop or the end
static bool s_paused = false;      // held by BASS_ChannelPause
static bool s_held = false;        // device: rendered on the caller's clock (SND_Hold)
static bool s_ended = false;       // the player has delivered its last frame
static uint64_t s_rendered = 0;    // frames rendered since BASS_ChannelPlay
static uint64_t s_endFrame = 0;    // s_rendered when the module ended
static uint32_t s_word = 0;        // the position at the render head: order | row << 16
static uint64_t s_scoutFrames = 0; // frames the scout has rendered since BASS_ChannelPlay
static uint64_t s_songEnd = 0;     // frames of the whole song, once the scout has met its end
static bool s_songEndKnown = false;

// Sound device: shared with the callback, read and written only under the output's lock.
static SND_Snapshot s_snaps[SND_SNAPSHOTS];
static uint32_t s_snapCount = 0;   // records made since BASS_ChannelPlay
static uint32_t s_bufferFrames = 0; // frames of one device buffer
static uint32_t s_subFrames = 64;  // frames between two records
static uint32_t s_callbackMs = 0;  // the output's clock at the last callback
static uint64_t s_callbackFrames = 0;
static bool s_outputOn = false;

// Clocked (no device, or held): the clock's reading at BASS_ChannelPlay, moved on by the
// time spent paused; and while paused, the milliseconds of the module played.
static uint32_t s_startMs = 0;
static uint32_t s_pausedMs = 0;
static SND_CaptureFn s_capture = nullptr;
static void* s_captureUser = nullptr;

static int SND_Fail(int code, const std::string& detail = std::string())
{
    s_error = code;
    s_detail = detail;
    return 0;
}

static void SND_Ok(void) { s_error = BASS_OK; }

// Whether the module follows the backend's clock (rendered by the caller) rather than the
// device's callback.
static bool SND_FollowsClock(void) { return s_mode == SND_CLOCKED || s_held; }

// The device's lock around state the callback shares; nothing without a device.
static void SND_Lock(void)
{
    if (s_mode == SND_DEVICE)
        s_output->Lock();
}
static void SND_Unlock(void)
{
    if (s_mode == SND_DEVICE)
        s_output->Unlock();
}

static uint32_t SND_PlayerWord(void)
{
    int32_t order = openmpt_module_get_current_order(s_module);
    int32_t row = openmpt_module_get_current_row(s_module);
    if (order < 0)
        order = 0;
    if (row < 0)
        row = 0;
    return (uint32_t)(order & 0xFFFF) | (uint32_t)(row & 0xFFFF) << 16;
}

// The fade at the end: the last SND_FADE_FRAMES frames of the song (10 ms) fall linearly
// to silence, the very last one to 0. The song keeps its length; only its tail is scaled.
#define SND_FADE_FRAMES 441

// Lets the scout read ahead until it has rendered upTo frames or met the song's end. Its
// audio is thrown away; only where it ends counts. Both copies render the same ticks, so the
// scout ends at exactly the frame where the heard copy will end.
static void SND_Scout(uint64_t upTo)
{
    int16_t scratch[2 * SND_FADE_FRAMES];
    while (s_scout && !s_songEndKnown && s_scoutFrames < upTo) {
        uint64_t left = upTo - s_scoutFrames;
        size_t want = left < SND_FADE_FRAMES ? (size_t)left : SND_FADE_FRAMES;
        size_t n = openmpt_module_read_interleaved_stereo(s_scout, SND_RATE, want, scratch);
        s_scoutFrames += n;
        if (n < want) {
            s_songEnd = s_scoutFrames;
            s_songEndKnown = true;
        }
    }
}

// Scales count frames of the song that begin at frame first by the fade, where they lie
// within it. Integer arithmetic, so every run gives the same samples.
static void SND_FadeOut(int16_t* frames, uint64_t first, size_t count)
{
    if (!s_songEndKnown || first + count + SND_FADE_FRAMES <= s_songEnd)
        return;
    for (size_t i = 0; i < count; i++) {
        const uint64_t left = s_songEnd - (first + i);  // 1 for the last frame
        if (left > SND_FADE_FRAMES)
            continue;
        const int32_t gain = (int32_t)left - 1;          // of SND_FADE_FRAMES
        frames[2 * i] = (int16_t)(frames[2 * i] * gain / SND_FADE_FRAMES);
        frames[2 * i + 1] = (int16_t)(frames[2 * i + 1] * gain / SND_FADE_FRAMES);
    }
}

// Renders count frames into out (interleaved stereo); after the module's end, silence. The
// position is taken after every piece of at most SND_PIECE frames that the player filled
// whole: once it has ended the player reads 0/0, and the position must stay on the last row.
// A row that starts inside a piece is seen at its end: 64 frames keep that under 1.5 ms.
#define SND_PIECE 64
static void SND_Render(int16_t* out, size_t count)
{
    size_t got = 0;
    while (s_module && !s_ended && got < count) {
        size_t want = count - got < SND_PIECE ? count - got : SND_PIECE;
        const uint64_t first = s_rendered + got;
        SND_Scout(first + want + SND_FADE_FRAMES);
        size_t n = openmpt_module_read_interleaved_stereo(s_module, SND_RATE, want, out + 2 * got);
        SND_FadeOut(out + 2 * got, first, n);
        got += n;
        if (n < want) {
            s_ended = true;
            s_endFrame = s_rendered + got;
        } else {
            s_word = SND_PlayerWord();
        }
    }
    std::memset(out + 2 * got, 0, (count - got) * 2 * sizeof(int16_t));
    s_rendered += count;
}

// --- Sound device ---

// The output's fill: runs on its thread, under its lock.
static void SND_Callback(int16_t* out, size_t total)
{
    if (!s_playing || !s_module || s_paused || s_held) {
        std::memset(out, 0, total * 2 * sizeof(int16_t));
        return;
    }
    for (size_t done = 0; done < total;) {
        size_t n = total - done < s_subFrames ? total - done : s_subFrames;
        SND_Render(out + 2 * done, n);
        done += n;
        SND_Snapshot& s = s_snaps[s_snapCount % SND_SNAPSHOTS];
        s.frames = s_rendered;
        s.word = s_word;
        s_snapCount++;
    }
    s_callbackMs = s_output->Milliseconds();
    s_callbackFrames = s_rendered;
}

// The frame leaving the device now. When the callback runs, the device still holds about
// one buffer, so the first frame just rendered is heard one buffer later; after that the
// speaker advances in real time (but never past what has been rendered).
static uint64_t SND_HeardFrame(void)
{
    uint64_t elapsed = (uint64_t)(s_output->Milliseconds() - s_callbackMs) * SND_RATE / 1000;
    if (elapsed > s_bufferFrames)
        elapsed = s_bufferFrames;
    uint64_t queued = 2 * (uint64_t)s_bufferFrames - elapsed;
    return s_callbackFrames > queued ? s_callbackFrames - queued : 0;
}

// The newest record no later than what is heard. At the start of a play nothing recorded has
// been heard yet (for about two device buffers): the oldest record answers then, made one
// sub-block into the module and so still on its first row, or 0 (its start) before the
// first record.
static uint32_t SND_HeardWord(uint64_t heard)
{
    uint32_t oldest = s_snapCount > SND_SNAPSHOTS ? s_snapCount - SND_SNAPSHOTS : 0;
    for (uint32_t i = s_snapCount; i > oldest; i--) {
        const SND_Snapshot& s = s_snaps[(i - 1) % SND_SNAPSHOTS];
        if (s.frames <= heard)
            return s.word;
    }
    // Nothing heard yet, or (if the ring were ever overrun) heard before the oldest record.
    return s_snapCount > oldest ? s_snaps[oldest % SND_SNAPSHOTS].word : 0;
}

// Opens the backend's sound output (PLAT.audio), which pulls the module through SND_Callback.
static bool SND_OpenDevice(void)
{
    if (!PLAT.audio)
        return SND_Fail(BASS_ERROR_DEVICE, std::string("the ") + PLAT.name + " backend has no sound output");
    uint32_t frames = 0;
    const char* why = "";
    if (!PLAT.audio->Open(SND_Callback, &frames, &why))
        return SND_Fail(BASS_ERROR_DRIVER, why);
    s_output = PLAT.audio;
    s_bufferFrames = frames;
    // At most 16 records per buffer, so the ring always covers two buffers.
    s_subFrames = frames / 16 > 64 ? frames / 16 : 64;
    return true;
}

// --- Clocked: rendered on the caller's thread up to the clock's reading ---

static void SND_RenderClocked(uint64_t target)
{
    int16_t block[2 * 2048];
    while (s_rendered < target) {
        uint64_t left = target - s_rendered;
        size_t n = left < 2048 ? (size_t)left : 2048;
        SND_Render(block, n);
        if (s_capture)
            s_capture(block, n, s_captureUser);
    }
}

static void SND_FollowClock(void)
{
    if (!s_playing || !s_module || s_paused)
        return;
    uint32_t ms = PLAT.Milliseconds() - s_startMs;
    SND_RenderClocked((uint64_t)ms * SND_RATE / 1000);
}

// --- The calls ---

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, void*)
{
    if (s_mode != SND_NONE)
        return SND_Fail(BASS_ERROR_ALREADY);
    if (device != -1 && device != 0)
        return SND_Fail(BASS_ERROR_DEVICE);
    if (freq != SND_RATE)
        return SND_Fail(BASS_ERROR_ILLPARAM, "only 44100 Hz is supported");
    if (device == -1) {
        if (!SND_OpenDevice())
            return 0;
        s_mode = SND_DEVICE;
        s_output->Run(true);
        s_outputOn = true;
    } else {
        s_mode = SND_CLOCKED;
    }
    s_detail.clear();
    SND_Ok();
    return 1;
}

BOOL BASS_Start(void)
{
    if (s_mode == SND_NONE)
        return SND_Fail(BASS_ERROR_INIT);
    if (s_mode == SND_DEVICE && !s_outputOn) {
        s_output->Run(true);
        s_outputOn = true;
    }
    SND_Ok();
    return 1;
}

// One copy of the module as the layer plays it, or null with the player's reason in why.
static openmpt_module* SND_CreateModule(const uint8_t* data, size_t length, std::string* why)
{
    // Played once; at the end the position stays where it ended. Without the stop, the
    // default fade-out reads 0/0 after the end, which would make the first rows due again.
    // No dither, so the same module always gives the same samples.
    static const openmpt_module_initial_ctl ctls[] = {
        {"play.at_end", "stop"},
        {"dither", "0"},
        {nullptr, nullptr},
    };
    int error = 0;
    const char* message = nullptr;
    openmpt_module* m = openmpt_module_create_from_memory2(data, length, nullptr, nullptr, openmpt_error_func_ignore,
                                                           nullptr, &error, &message, ctls);
    if (!m)
        *why = message ? message : "not a module it can read";
    openmpt_free_string(message);
    if (m)
        openmpt_module_set_repeat_count(m, 0);
    return m;
}

// Back to the start of the song, nothing rendered. A copy that has rendered nothing yet is
// left alone; one that has is sought to the song's start by time, which is where the
// module's own tracker starts: an order index of 0 could name a "+++" marker, and the
// player then plays nothing at all.
static void SND_Rewind(void)
{
    if (s_rendered > 0) {
        openmpt_module_set_position_seconds(s_module, 0.0);
        openmpt_module_set_position_seconds(s_scout, 0.0);
        s_scoutFrames = 0;
        s_songEndKnown = false;
        s_songEnd = 0;
    }
    s_ended = false;
    s_rendered = 0;
    s_endFrame = 0;
    s_word = 0;
    s_snapCount = 0;
    s_callbackFrames = 0;
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD, DWORD)
{
    if (s_mode == SND_NONE)
        return SND_Fail(BASS_ERROR_INIT);
    if (!mem || !file || length == 0)
        return SND_Fail(BASS_ERROR_ILLPARAM, mem ? "no module data" : "only modules in memory are supported");
    if (s_module)
        return SND_Fail(BASS_ERROR_NOTAVAIL, "a module is already loaded");

    const uint8_t* data = (const uint8_t*)file + offset;
    std::string why;
    openmpt_module* m = SND_CreateModule(data, length, &why);
    openmpt_module* scout = m ? SND_CreateModule(data, length, &why) : nullptr;
    if (!scout) {
        if (m)
            openmpt_module_destroy(m);
        return SND_Fail(m ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM, why);
    }
    // The scout's sound is never heard: the cheapest resampling will do.
    openmpt_module_set_render_param(scout, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);

    // The scout's first look ahead also tells whether the song plays at all: with no order
    // to play (an empty order list, only markers, or the end mark first) the player renders
    // nothing, and the show would end at its first frame.
    int16_t ahead[2 * SND_FADE_FRAMES];
    const size_t probed = openmpt_module_read_interleaved_stereo(scout, SND_RATE, SND_FADE_FRAMES, ahead);
    if (probed == 0) {
        openmpt_module_destroy(scout);
        openmpt_module_destroy(m);
        return SND_Fail(BASS_ERROR_FILEFORM, "its order list has nothing to play");
    }
    s_moduleBytes.assign(data, data + length);

    SND_Lock();
    s_module = m;
    s_scout = scout;
    s_playing = false;
    s_scoutFrames = probed;
    s_songEndKnown = probed < SND_FADE_FRAMES;
    s_songEnd = probed;
    s_rendered = 0;  // the heard copy is fresh: the rewind keeps the scout's look ahead
    SND_Rewind();
    SND_Unlock();
    SND_Ok();
    return 1;
}

static bool SND_IsHandle(DWORD handle) { return s_mode != SND_NONE && s_module && handle == 1; }

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    if (!SND_IsHandle(handle))
        return SND_Fail(s_mode == SND_NONE ? BASS_ERROR_INIT : BASS_ERROR_HANDLE);
    SND_Lock();
    if (restart || s_ended) {
        SND_Rewind();
        s_paused = false;
        if (SND_FollowsClock())
            s_startMs = PLAT.Milliseconds();
        else
            s_callbackMs = s_output->Milliseconds();
    } else if (s_paused) {
        // Played on from where it was held: the clock's time while paused does not count.
        if (SND_FollowsClock())
            s_startMs = PLAT.Milliseconds() - s_pausedMs;
        s_paused = false;
    }
    s_playing = true;
    SND_Unlock();
    SND_Ok();
    return 1;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    if (!SND_IsHandle(handle))
        return SND_Fail(s_mode == SND_NONE ? BASS_ERROR_INIT : BASS_ERROR_HANDLE);
    if (SND_FollowsClock())
        SND_FollowClock();  // the audio up to now was played
    SND_Lock();
    int error = !s_playing ? BASS_ERROR_NOPLAY : s_paused ? BASS_ERROR_ALREADY : BASS_OK;
    if (error == BASS_OK) {
        s_paused = true;
        s_pausedMs = PLAT.Milliseconds() - s_startMs;
    }
    SND_Unlock();
    if (error != BASS_OK)
        return SND_Fail(error);
    SND_Ok();
    return 1;
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    if (!SND_IsHandle(handle)) {
        SND_Fail(s_mode == SND_NONE ? BASS_ERROR_INIT : BASS_ERROR_HANDLE);
        return (QWORD)-1;
    }
    if (mode != BASS_POS_MUSIC_ORDER) {
        SND_Fail(BASS_ERROR_ILLPARAM);
        return (QWORD)-1;
    }
    uint32_t word;
    if (!SND_FollowsClock()) {
        SND_Lock();
        word = SND_HeardWord(SND_HeardFrame());
        SND_Unlock();
    } else {
        SND_FollowClock();
        word = s_word;
    }
    SND_Ok();
    return word;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    if (!SND_IsHandle(handle)) {
        SND_Fail(s_mode == SND_NONE ? BASS_ERROR_INIT : BASS_ERROR_HANDLE);
        return BASS_ACTIVE_STOPPED;
    }
    bool active;
    if (!SND_FollowsClock()) {
        SND_Lock();
        active = s_playing && (!s_ended || SND_HeardFrame() < s_endFrame);
        SND_Unlock();
    } else {
        SND_FollowClock();
        active = s_playing && !s_ended;
    }
    SND_Ok();
    if (active && s_paused)
        return BASS_ACTIVE_PAUSED;
    return active ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

int BASS_ErrorGetCode(void) { return s_error; }

BOOL BASS_Stop(void)
{
    if (s_mode == SND_NONE)
        return SND_Fail(BASS_ERROR_INIT);
    if (s_mode == SND_DEVICE) {
        s_output->Run(false);
        s_outputOn = false;
        SND_Lock();
        s_playing = false;
        SND_Unlock();
    } else {
        SND_FollowClock();  // the audio up to now was played
        s_playing = false;
    }
    SND_Ok();
    return 1;
}

BOOL BASS_Free(void)
{
    if (s_mode == SND_NONE)
        return SND_Fail(BASS_ERROR_INIT);
    if (s_mode == SND_DEVICE) {
        s_output->Close();  // waits for the callback to finish
        s_output = nullptr;
    }
    if (s_module)
        openmpt_module_destroy(s_module);
    if (s_scout)
        openmpt_module_destroy(s_scout);
    s_module = nullptr;
    s_scout = nullptr;
    s_moduleBytes.clear();
    s_mode = SND_NONE;
    s_playing = false;
    s_paused = false;
    s_held = false;
    s_ended = false;
    s_outputOn = false;
    s_rendered = 0;
    s_snapCount = 0;
    SND_Ok();
    return 1;
}

const char* SND_ErrorDetail(void) { return s_detail.c_str(); }

void SND_SetCapture(SND_CaptureFn fn, void* user)
{
    s_capture = fn;
    s_captureUser = user;
}

void SND_RenderTo(uint64_t total)
{
    if (s_mode != SND_NONE && SND_FollowsClock() && s_playing && s_module && !s_paused)
        SND_RenderClocked(total);
}

double SND_SecondsAt(uint32_t order, uint32_t row)
{
    if (!s_module || s_moduleBytes.empty())
        return -1;
    std::string why;
    openmpt_module* probe = SND_CreateModule(s_moduleBytes.data(), s_moduleBytes.size(), &why);
    if (!probe)
        return -1;
    double seconds = openmpt_module_set_position_order_row(probe, (int32_t)order, (int32_t)row);
    // A position the song never reaches leaves the player where it was.
    if (openmpt_module_get_current_order(probe) != (int32_t)order || openmpt_module_get_current_row(probe) != (int32_t)row)
        seconds = openmpt_module_get_duration_seconds(probe);
    openmpt_module_destroy(probe);
    return seconds;
}

void SND_Hold(bool on)
{
    if (s_mode != SND_DEVICE) {
        s_held = on;
        return;
    }
    SND_Lock();
    if (s_held && !on) {
        // The device takes over at the frame the rendering reached: one record there, so the
        // position stays on it until the device's first new audio is heard.
        s_snapCount = 0;
        s_snaps[0] = {s_rendered, s_word};
        s_snapCount = 1;
        s_callbackFrames = s_rendered;
        s_callbackMs = s_output->Milliseconds();
    }
    s_held = on;
    SND_Unlock();
}

uint64_t SND_FramesRendered(void)
{
    // With a device the audio callback renders: read under its lock.
    SND_Lock();
    const uint64_t frames = s_rendered;
    SND_Unlock();
    return frames;
}
