// The offline renderer (vantrel --render DIR): the show runs headless through the same
// DemoMain and main loop, one frame per tick on the virtual clock, and every presented frame
// and the soundtrack rendered in lockstep are written out (PNG files with an index, a WAV
// file, a video).
#include "driver/render.h"

#include "driver/demo.h"
#include "driver/options.h"
#include "driver/skip.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/timer.h"
#include "platform/screen.h"
#include "support/pngwrite.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Audio frames per video frame: 44100 Hz over 70 frames per second, exactly.
#define RENDER_AUDIO_PER_FRAME (SND_RATE / 70)
static_assert(SND_RATE % 70 == 0, "one frame of show must hold a whole number of audio frames");

struct RenderState {
    const DemoOptions* options;
    std::string dir;
    bool skipping;                 // before --from: frames are played but not written
    uint64_t startTick;            // the tick of frame 0 (0 without --from)
    uint64_t frame;                // frames presented so far; the next one shows this tick
    uint64_t kept;                 // frames written out (one in options->every)
    FILE* wav;
    FILE* index;                   // DIR/frames.txt: each written frame's tick and position
    uint64_t audioWritten;         // audio frames written out
    std::vector<int16_t> pending;  // audio rendered beyond what has been written
    pid_t ffmpeg;
    int videoFd, audioFd;          // pipes into ffmpeg, or -1
    std::deque<std::vector<uint32_t>> videoQueue;  // frames held back from ffmpeg (see below)
    bool failed;
    const char* stopReason;
    int order, row;                // the music position of the last frame, for the progress line
    std::chrono::steady_clock::time_point started, lastProgress;
};

static RenderState s_render;

// The signal that interrupted the render (SIGINT, SIGTERM), or 0. The render then stops at the
// next frame and closes its files properly.
static volatile std::sig_atomic_t s_signal = 0;

static void RENDER_OnSignal(int sig)
{
    s_signal = sig;
    std::signal(sig, SIG_DFL);   // a second one ends the program at once
}

// The first virtual millisecond at which TIMER_GetTicks reads tick n (the clock starts at 0).
static uint32_t RENDER_FrameMs(uint64_t n) { return TIMER_FirstMsOfTick((uint32_t)n); }

static void RENDER_Fail(const char* format, const char* what, const char* why)
{
    std::fprintf(stderr, "\nvantrel: ");
    std::fprintf(stderr, format, what, why);
    std::fputc('\n', stderr);
    s_render.failed = true;
    DemoQuit = 1;
}

static bool RENDER_WriteAll(int fd, const void* data, size_t size)
{
    const uint8_t* p = (const uint8_t*)data;
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= (size_t)n;
    }
    return true;
}

// --- The soundtrack ---

static void RENDER_Put32(uint8_t* at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        at[i] = (uint8_t)(v >> (8 * i));
}

// The 44-byte header of a 16-bit stereo 44100 Hz WAV file holding frames audio frames.
static void RENDER_WavHeader(uint8_t* h, uint64_t frames)
{
    uint64_t bytes64 = frames * 4;
    uint32_t bytes = bytes64 > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : (uint32_t)bytes64;
    std::memcpy(h, "RIFF", 4);
    RENDER_Put32(h + 4, 36 + bytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    RENDER_Put32(h + 16, 16);
    RENDER_Put32(h + 20, 1 | 2 << 16);           // PCM, 2 channels
    RENDER_Put32(h + 24, SND_RATE);
    RENDER_Put32(h + 28, SND_RATE * 4);          // bytes per second
    RENDER_Put32(h + 32, 4 | 16 << 16);          // 4 bytes per frame, 16 bits
    std::memcpy(h + 36, "data", 4);
    RENDER_Put32(h + 40, bytes);
}

static void RENDER_Capture(const int16_t* frames, size_t count, void*)
{
    s_render.pending.insert(s_render.pending.end(), frames, frames + 2 * count);
}

// Writes the soundtrack up to audio frame total (little-endian 16-bit, as WAV and the
// video's raw audio input want it); silence where nothing was rendered.
static void RENDER_WriteAudio(uint64_t total)
{
    if (total <= s_render.audioWritten)
        return;
    size_t count = (size_t)(total - s_render.audioWritten);
    std::vector<uint8_t> bytes(count * 4, 0);
    size_t have = std::min(count * 2, s_render.pending.size());
    for (size_t i = 0; i < have; i++) {
        uint16_t v = (uint16_t)s_render.pending[i];
        bytes[2 * i] = (uint8_t)v;
        bytes[2 * i + 1] = (uint8_t)(v >> 8);
    }
    s_render.pending.erase(s_render.pending.begin(), s_render.pending.begin() + (ptrdiff_t)have);
    s_render.audioWritten = total;
    if (std::fwrite(bytes.data(), 1, bytes.size(), s_render.wav) != bytes.size())
        RENDER_Fail("cannot write \"%s/audio.wav\": %s", s_render.dir.c_str(), std::strerror(errno));
    if (s_render.audioFd >= 0 && !RENDER_WriteAll(s_render.audioFd, bytes.data(), bytes.size()))
        RENDER_Fail("ffmpeg stopped taking the audio of \"%s\": %s", s_render.options->videoFile,
                    std::strerror(errno));
}

// --- ffmpeg ---

// ffmpeg opens its inputs one after the other and reads a little of each (kept small with
// -probesize) before it reads them side by side. With both fed in step, the frames pipe can
// fill while ffmpeg still waits for audio; so the frames go in this many frames behind the
// audio, and the audio pipe is made large enough to hold the difference.
#define RENDER_VIDEO_DELAY 16

static std::string RENDER_FindProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "";
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos)
            end = all.size();
        std::string dir = all.substr(start, end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

// The path of ffmpeg on PATH; empty, with the message said, when there is none.
static std::string RENDER_FindFfmpeg(void)
{
    std::string ffmpeg = RENDER_FindProgram("ffmpeg");
    if (ffmpeg.empty())
        std::fprintf(stderr,
                     "vantrel: --video needs ffmpeg, which is not installed (no ffmpeg on PATH).\n"
                     "Install ffmpeg, or render without --video and use the frames and audio.wav.\n");
    return ffmpeg;
}

// Starts ffmpeg (found by RENDER_FindFfmpeg) reading raw frames on its standard input and raw
// audio on descriptor 3, and encoding them as H.264 and AAC at 70 / every frames per second.
static bool RENDER_StartVideo(const DemoOptions& o, const std::string& ffmpeg)
{
    int video[2], audio[2];
    if (pipe(video) != 0 || pipe(audio) != 0) {
        std::fprintf(stderr, "vantrel: cannot start ffmpeg: %s\n", std::strerror(errno));
        return false;
    }
    const std::string rate = "70/" + std::to_string(o.every);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const char* pixels = "bgr0";  // 0x00RRGGBB in memory
#else
    const char* pixels = "0rgb";
#endif
    const std::string size = std::to_string(LLS_FRAME_WIDTH) + "x" + std::to_string(LLS_FRAME_HEIGHT);
    const char* args[] = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", pixels, "-s", size.c_str(), "-framerate", rate.c_str(),
        "-thread_queue_size", "512", "-probesize", "32", "-analyzeduration", "0", "-i", "pipe:0",
        "-f", "s16le", "-ar", "44100", "-ac", "2", "-thread_queue_size", "512", "-probesize", "32", "-analyzeduration", "0",
        "-i", "pipe:3",
        "-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18", "-preset", "medium",
        "-c:a", "aac", "-b:a", "192k", "-map_metadata", "-1", "-fflags", "+bitexact",
        "-flags:v", "+bitexact", "-flags:a", "+bitexact", o.videoFile, nullptr};

    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "vantrel: cannot start ffmpeg: %s\n", std::strerror(errno));
        return false;
    }
    if (pid == 0) {
        // Its own process group: Ctrl-C in the terminal reaches the renderer alone, which then
        // ends the video properly by closing the pipes.
        setpgid(0, 0);
        // -nostdin only stops ffmpeg reading keys; pipe:0 is still the frames.
        dup2(video[0], 0);
        dup2(audio[0], 3);
        for (int fd : {video[0], video[1], audio[0], audio[1]})
            if (fd != 0 && fd != 3)
                close(fd);
        execv(ffmpeg.c_str(), (char* const*)args);
        std::fprintf(stderr, "vantrel: cannot run %s: %s\n", ffmpeg.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(video[0]);
    close(audio[0]);
    fcntl(audio[1], F_SETPIPE_SZ, 1 << 20);  // best effort; 64 KB still holds 26 frames' audio
    s_render.ffmpeg = pid;
    s_render.videoFd = video[1];
    s_render.audioFd = audio[1];
    std::signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a write error, not a kill
    return true;
}

static bool RENDER_SendFrame(void)
{
    std::vector<uint32_t>& f = s_render.videoQueue.front();
    bool ok = RENDER_WriteAll(s_render.videoFd, f.data(), f.size() * sizeof(uint32_t));
    s_render.videoQueue.pop_front();
    return ok;
}

static bool RENDER_FinishVideo(void)
{
    if (s_render.ffmpeg <= 0)
        return true;
    while (!s_render.failed && !s_render.videoQueue.empty())
        if (!RENDER_SendFrame())
            RENDER_Fail("ffmpeg stopped taking the frames of \"%s\": %s", s_render.options->videoFile,
                        std::strerror(errno));
    close(s_render.videoFd);
    close(s_render.audioFd);
    s_render.videoFd = s_render.audioFd = -1;
    int status = 0;
    waitpid(s_render.ffmpeg, &status, 0);
    s_render.ffmpeg = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "vantrel: ffmpeg could not make \"%s\" (see its message above)\n",
                     s_render.options->videoFile);
        return false;
    }
    return true;
}

// --- Frames ---

static void RENDER_Progress(bool last)
{
    auto now = std::chrono::steady_clock::now();
    if (!last && now - s_render.lastProgress < std::chrono::milliseconds(250))
        return;
    s_render.lastProgress = now;
    double seconds = std::chrono::duration<double>(now - s_render.started).count();
    double fps = seconds > 0 ? (double)s_render.frame / seconds : 0.0;
    std::fprintf(stderr, "\rframe %llu  order:row %d:%d  %.1f fps   ", (unsigned long long)s_render.frame,
                 s_render.order, s_render.row, fps);
    std::fflush(stderr);
}

static bool RENDER_Passed(int32_t order, int32_t row)
{
    return DEMO_Passed(MUSIC_GetOrder(), MUSIC_GetRow(), order, row);
}

// A render of every frame to the end says first how many frames that makes: up to the
// first frame past the schedule's last row, or the end of the music if that comes first.
static void RENDER_Announce(void)
{
    const DemoOptions& o = *s_render.options;
    if (o.every != 1 || o.frames >= 0 || o.untilOrder)
        return;
    const TimelineRow& last = Timeline[TIMELINE_ROWS - 2];
    const double seconds = SND_SecondsAt((uint32_t)last.order - 1, (uint32_t)last.row);
    if (seconds < 0)
        return;
    const double ticks = seconds * 70.0 - (double)s_render.startTick;
    const long long frames = ticks > 0 ? (long long)(ticks + 0.999) : 0;
    std::fprintf(stderr,
                 "vantrel: writing every frame to the end of the show: about %lld frames (%d:%02d of show) "
                 "into %s;\n--every K, --until ORDER:ROW or --frames N write fewer\n",
                 frames, (int)(frames / 70 / 60), (int)(frames / 70 % 60), s_render.dir.c_str());
}

// A frame before --from: its audio is rendered and dropped, nothing is written, and the
// clock moves on one tick; the first frame past the position becomes frame 0.
static void RENDER_SkipFrame(void)
{
    RenderState& r = s_render;
    const DemoOptions& o = *r.options;
    SND_RenderTo((r.startTick + 1) * RENDER_AUDIO_PER_FRAME);
    r.pending.clear();
    r.startTick++;
    PLAT_VirtualMs = RENDER_FrameMs(r.startTick);
    if (RENDER_Passed(o.fromOrder, o.fromRow)) {
        r.skipping = false;
        PLAT.presents = true;
        SKIP_Progress(r.startTick, o.fromOrder, o.fromRow, true);
        r.started = r.lastProgress = std::chrono::steady_clock::now();
    } else if (BASS_ChannelIsActive(MUSIC_Handle) == BASS_ACTIVE_STOPPED) {
        DemoQuit = 1;   // the music ended first: nothing would ever pass the position
    } else {
        SKIP_Progress(r.startTick, o.fromOrder, o.fromRow, false);
    }
}

// Called at the end of every LLS_DUMP: writes frame n out, then sets the clock to tick n + 1
// and decides whether there is a next frame.
static void RENDER_FramePresented(void)
{
    RenderState& r = s_render;
    const DemoOptions& o = *r.options;
    if (s_signal) {
        DemoQuit = 1;
        r.stopReason = s_signal == SIGINT ? "an interrupt (Ctrl-C)" : "a signal to stop";
        return;
    }
    if (r.skipping) {
        RENDER_SkipFrame();
        return;
    }
    if (r.failed || (o.frames >= 0 && (int64_t)r.frame >= o.frames)) {
        DemoQuit = 1;
        return;
    }
    if (r.frame == 0)
        RENDER_Announce();
    // The position of this frame, read before its audio is rendered on to the next frame's.
    r.order = MUSIC_GetOrder();
    r.row = MUSIC_GetRow();
    // This frame's share of the soundtrack ends where the next frame begins.
    const uint64_t audioEnd = (r.frame + 1) * RENDER_AUDIO_PER_FRAME;
    SND_RenderTo(r.startTick * RENDER_AUDIO_PER_FRAME + audioEnd);
    RENDER_WriteAudio(audioEnd);

    if (r.frame % (uint64_t)o.every == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", (unsigned long long)r.kept);
        std::string path = r.dir + name;
        std::string error;
        if (!PNG_WriteRGB32(path.c_str(), LLS_Frame32, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT, &error))
            RENDER_Fail("cannot write \"%s\": %s", path.c_str(), error.c_str());
        const uint64_t tick = r.startTick + r.frame;
        std::fprintf(r.index, "%s %llu %llu:%05.2f %d:%d\n", name + 1, (unsigned long long)tick,
                     (unsigned long long)(tick / 70 / 60), (double)(tick % 4200) / 70.0, r.order, r.row);
        if (r.videoFd >= 0) {
            r.videoQueue.emplace_back(LLS_Frame32, LLS_Frame32 + LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT);
            if (r.videoQueue.size() > RENDER_VIDEO_DELAY && !RENDER_SendFrame())
                RENDER_Fail("ffmpeg stopped taking the frames of \"%s\": %s", o.videoFile, std::strerror(errno));
        }
        r.kept++;
    }
    r.frame++;
    RENDER_Progress(false);

    if (o.frames >= 0 && (int64_t)r.frame >= o.frames) {
        DemoQuit = 1;
        r.stopReason = "--frames";
        return;
    }
    PLAT_VirtualMs = RENDER_FrameMs(r.startTick + r.frame);
    if (o.untilOrder > 0 && RENDER_Passed(o.untilOrder, o.untilRow)) {
        DemoQuit = 1;
        r.stopReason = "--until";
    } else if (BASS_ChannelIsActive(MUSIC_Handle) != BASS_ACTIVE_PLAYING) {
        // A module shorter than the schedule: nothing would ever end the show.
        DemoQuit = 1;
        r.stopReason = "the end of the music";
    }
}

int RENDER_Run(const DemoOptions& options)
{
    s_render = RenderState();
    RenderState& r = s_render;
    r.options = &options;
    r.dir = options.renderDir;
    r.ffmpeg = 0;
    r.videoFd = r.audioFd = -1;
    r.stopReason = "the end of the show";
    r.skipping = options.fromOrder > 0;

    // A video without ffmpeg renders nothing: refused before the folder and its files are made.
    std::string ffmpeg;
    if (options.videoFile && (ffmpeg = RENDER_FindFfmpeg()).empty())
        return DEMO_EXIT_ERROR;

    std::error_code ec;
    std::filesystem::create_directories(r.dir, ec);
    if (ec || !std::filesystem::is_directory(r.dir)) {
        std::fprintf(stderr, "vantrel: cannot make the folder \"%s\": %s\n", r.dir.c_str(),
                     ec ? ec.message().c_str() : "a file of that name is in the way");
        return DEMO_EXIT_ERROR;
    }
    std::string wavPath = r.dir + "/audio.wav";
    r.wav = std::fopen(wavPath.c_str(), "wb");
    if (!r.wav) {
        std::fprintf(stderr, "vantrel: cannot write \"%s\": %s\n", wavPath.c_str(), std::strerror(errno));
        return DEMO_EXIT_ERROR;
    }
    std::string indexPath = r.dir + "/frames.txt";
    r.index = std::fopen(indexPath.c_str(), "w");
    if (!r.index) {
        std::fprintf(stderr, "vantrel: cannot write \"%s\": %s\n", indexPath.c_str(), std::strerror(errno));
        std::fclose(r.wav);
        return DEMO_EXIT_ERROR;
    }
    uint8_t header[44];
    RENDER_WavHeader(header, 0);
    std::fwrite(header, 1, sizeof header, r.wav);
    if (options.videoFile && !RENDER_StartVideo(options, ffmpeg)) {
        std::fclose(r.wav);
        std::fclose(r.index);
        return DEMO_EXIT_ERROR;
    }
    s_signal = 0;
    std::signal(SIGINT, RENDER_OnSignal);
    std::signal(SIGTERM, RENDER_OnSignal);

    // Headless: no window, no sound device; the virtual clock at tick 0.
    PLAT_UseHeadless();
    PLAT.FramePresented = RENDER_FramePresented;
    PLAT.presents = !r.skipping;
    PLAT_VirtualMs = RENDER_FrameMs(0);
    SND_SetCapture(RENDER_Capture, nullptr);
    r.started = r.lastProgress = std::chrono::steady_clock::now();
    if (r.skipping)
        SKIP_Progress(0, options.fromOrder, options.fromRow, false);

    DemoMain();

    SND_SetCapture(nullptr, nullptr);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!r.skipping) {
        RENDER_Progress(true);
        std::fputc('\n', stderr);
    }

    bool ok = !r.failed;
    RENDER_WavHeader(header, r.audioWritten);
    if (std::fseek(r.wav, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, r.wav) != sizeof header)
        ok = false;
    if (std::fclose(r.wav) != 0)
        ok = false;
    if (std::fclose(r.index) != 0)
        ok = false;
    if (!ok && !r.failed)
        std::fprintf(stderr, "vantrel: cannot write \"%s\"\n", wavPath.c_str());
    if (!RENDER_FinishVideo())
        ok = false;
    if (!ok)
        return DEMO_EXIT_ERROR;
    if (r.skipping && !s_signal) {
        std::fprintf(stderr, "\nvantrel: the show ends before it passes --from %d:%d; nothing rendered\n",
                     options.fromOrder, options.fromRow);
        return DEMO_EXIT_USAGE;
    }
    std::fprintf(stderr, "vantrel: %llu frames (%llu written) and %.2f s of audio in %s; stopped by %s\n",
                 (unsigned long long)r.frame, (unsigned long long)r.kept, (double)r.audioWritten / SND_RATE,
                 r.dir.c_str(), r.stopReason);
    if (s_signal) {
        // Files closed: end by the signal, as the caller (a shell, a script) expects.
        std::fflush(nullptr);
        std::raise(s_signal);
    }
    return DEMO_EXIT_OK;
}
