// Command-line parsing and the --help text.
#include "driver/options.h"

#include <cstdio>
#include <cstring>

DemoOptions DEMO_Options;

// Largest order and row number --from and --until take (the position word holds 16 bits of
// each, module formats have at most 256 orders and 256 rows a pattern).
#define DEMO_MAX_ORDER 256
#define DEMO_MAX_ROW 256

// A decimal number made of digits only (no sign, no spaces) in [min, max].
static bool DEMO_ParseInt(const char* text, long min, long max, long* out)
{
    if (!*text)
        return false;
    long v = 0;
    for (const char* p = text; *p; p++) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
        if (v > max)
            return false;   // also keeps the value far from overflowing
    }
    if (v < min)
        return false;
    *out = v;
    return true;
}

// ORDER:ROW, both 1-based numbers in range.
static bool DEMO_ParsePosition(const char* text, int32_t* order, int32_t* row)
{
    const char* colon = std::strchr(text, ':');
    if (!colon || (size_t)(colon - text) > 8)
        return false;
    char head[9];
    std::memcpy(head, text, (size_t)(colon - text));
    head[colon - text] = 0;
    long o = 0, r = 0;
    if (!DEMO_ParseInt(head, 1, DEMO_MAX_ORDER, &o) || !DEMO_ParseInt(colon + 1, 1, DEMO_MAX_ROW, &r))
        return false;
    *order = (int32_t)o;
    *row = (int32_t)r;
    return true;
}

bool DEMO_ParseOptions(int argc, char** argv, DemoOptions* o)
{
    *o = DemoOptions();
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (std::strncmp(a, "--", 2) != 0) {
            if (o->plainCount++ == 0)
                o->firstPlain = a;
            continue;
        }
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vantrel: option %s needs a value (see --help)\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        // The value of a numeric option, which must lie in [min, max]; wants says what it is.
        auto number = [&](long min, long max, const char* wants, long* out) -> bool {
            const char* v = value(a);
            if (!v)
                return false;
            if (!DEMO_ParseInt(v, min, max, out)) {
                std::fprintf(stderr, "vantrel: %s wants %s, not \"%s\"\n", a, wants, v);
                return false;
            }
            return true;
        };
        auto position = [&](int32_t* order, int32_t* row) -> bool {
            const char* v = value(a);
            if (!v)
                return false;
            if (!DEMO_ParsePosition(v, order, row)) {
                std::fprintf(stderr,
                             "vantrel: %s wants ORDER:ROW, an order from 1 to %d and a row from 1 to %d "
                             "(such as 5:1), not \"%s\"\n",
                             a, DEMO_MAX_ORDER, DEMO_MAX_ROW, v);
                return false;
            }
            return true;
        };
        long n = 0;
        if (!std::strcmp(a, "--help")) {
            o->help = true;
        } else if (!std::strcmp(a, "--nosound")) {
            o->nosound = true;
        } else if (!std::strcmp(a, "--timedemo")) {
            o->timedemo = true;
        } else if (!std::strcmp(a, "--render")) {
            if (!(o->renderDir = value(a)))
                return false;
        } else if (!std::strcmp(a, "--video")) {
            if (!(o->videoFile = value(a)))
                return false;
        } else if (!std::strcmp(a, "--from")) {
            if (!position(&o->fromOrder, &o->fromRow))
                return false;
        } else if (!std::strcmp(a, "--until")) {
            if (!position(&o->untilOrder, &o->untilRow))
                return false;
        } else if (!std::strcmp(a, "--frames")) {
            if (!number(1, 0x7FFFFFFF, "a number of frames of at least 1", &n))
                return false;
            o->frames = n;
        } else if (!std::strcmp(a, "--every")) {
            if (!number(1, 1000000, "a number from 1 to 1000000", &n))
                return false;
            o->every = (int32_t)n;
        } else if (!std::strcmp(a, "--scale")) {
            if (!number(1, 8, "a whole number from 1 to 8", &n))
                return false;
            o->scale = (int32_t)n;
        } else {
            std::fprintf(stderr, "vantrel: unknown option %s (see --help)\n", a);
            return false;
        }
    }
    if ((o->untilOrder || o->frames >= 0 || o->every != 1 || o->videoFile) && !o->renderDir) {
        std::fprintf(stderr, "vantrel: --until, --frames, --every and --video need --render DIR\n");
        return false;
    }
    if (o->timedemo && (o->renderDir || o->fromOrder)) {
        std::fprintf(stderr, "vantrel: --timedemo plays the whole show; it takes no --render or --from\n");
        return false;
    }
    if (o->scale != 1 && (o->renderDir || o->timedemo)) {
        std::fprintf(stderr, "vantrel: --scale sizes the window; --render and --timedemo have none\n");
        return false;
    }
    if (o->fromOrder && o->untilOrder && !DEMO_Passed(o->untilOrder, o->untilRow, o->fromOrder, o->fromRow)) {
        std::fprintf(stderr, "vantrel: --until %d:%d does not lie after --from %d:%d\n", o->untilOrder,
                     o->untilRow, o->fromOrder, o->fromRow);
        return false;
    }
    return true;
}

void DEMO_PrintHelp(const char* program)
{
    std::printf(
        "Usage: %s [OPTION]... [ARG]...\n"
        "Plays the Vantrel demo from the data in the working directory (VANTREL.DAT, or the\n"
        "loose files GFX\\..., MUSIC\\..., ENDTEXT.TXT).\n"
        "\n"
        "With no ARG the show plays in a 640 x 480 window; any ARG selects full screen.\n"
        "A first ARG beginning with 'b' or 'r' also selects one of two alternative byte\n"
        "orders for the window's pixels (for displays whose colours come out wrong).\n"
        "\n"
        "Options:\n"
        "  --help            show this text and exit\n"
        "  --nosound         play without a sound device (silent, real timing)\n"
        "  --from ORDER:ROW  start where the music passes ORDER:ROW (such as 5:1), in the\n"
        "                    state the show has there: what comes before is played\n"
        "                    headless at full speed first (with --render too)\n"
        "  --scale N         a window N times 640 x 480 (N from 1 to 8), crisp pixels\n"
        "  --timedemo        play the whole show headless as fast as possible and print\n"
        "                    the speed, overall and per effect; writes no files\n"
        "  --render DIR      render headless, one frame per tick (70 per second of show):\n"
        "                    DIR/frame-NNNNNN.png and the soundtrack DIR/audio.wav\n"
        "  --until ORDER:ROW stop the render once the music passes ORDER:ROW\n"
        "  --frames N        stop the render after N frames\n"
        "  --every K         keep one frame in K\n"
        "  --video FILE      also make a video FILE with ffmpeg (when installed)\n"
        "\n"
        "Keys in the window, acting when released:\n"
        "  Space             pause and resume the music and the animation together\n"
        "  F12, Print Screen screenshot into the working folder: vantrlNN.PCX (the 8-bit\n"
        "                    screen and palette) and vantrlNN.png (the frame as shown)\n"
        "  Escape, Q         quit (closing the window quits too)\n"
        "\n"
        "Exit status: 0 when the show ran, 1 on an error (a data file, the display, the\n"
        "sound device, ffmpeg), 2 on bad usage (an unknown option or a bad value).\n",
        program);
}
