// vantrel-anim: makes .ZAF frame animations from GIF pictures, plays them back to PNG frames
// with the show's own player, and reports what a .ZAF or .ZS2 file holds.
#include "common/command.h"
#include "fx2d/anim.h"
#include "fx2d/animwrite.h"
#include "fx2d/sprite.h"
#include "image/pix.h"
#include "platform/screen.h"
#include "support/assert.h"
#include "support/pngwrite.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

static const char* const kUsage =
    "usage: vantrel-anim COMMAND ARGS...\n"
    "\n"
    "A .ZAF animation is a sequence of XOR deltas over the 320 x 200 8-bit screen, stepped\n"
    "forward or backward by the same data; a .ZS2 sprite is run-length coded, one item per row\n"
    "or per column. Both store palette indices only.\n"
    "\n"
    "commands:\n"
    "  make OUT.ZAF FRAME...                          make an animation of 320 x 200 GIF pictures\n"
    "  info FILE                                      describe a .ZAF or .ZS2 file\n"
    "  play FILE.ZAF OUTDIR --palette PIC [--backward] play an animation into PNG frames\n"
    "\n"
    "'vantrel-anim COMMAND --help' describes one command. Errors exit with status 1.\n";

static const char* const kMakeHelp =
    "usage: vantrel-anim make OUT.ZAF FRAME...\n"
    "\n"
    "Writes the animation OUT.ZAF of the FRAME pictures in the order given (1 to 65535). Each\n"
    "FRAME is a 320 x 200 GIF with one image, not interlaced, and all of them share one colour\n"
    "table (128 or 256 entries): the animation stores palette indices only, so a picture with\n"
    "another table or another size is refused. The first frame turns a cleared screen (all\n"
    "index 0) into the first picture, each further frame turns the previous picture into the\n"
    "next; a picture equal to the one before gives an empty frame. Runs code repeated values\n"
    "and unchanged stretches, literals the rest. The same pictures give the same bytes; the\n"
    "header word is 0.\n";

static const char* const kInfoHelp =
    "usage: vantrel-anim info FILE\n"
    "\n"
    "For a .ZAF animation prints the frame count, the header word and each frame's data size\n"
    "in bytes (\"empty\" for a frame that changes nothing), decoding every frame with the show's\n"
    "player: a frame that does not end exactly at the screen's end is marked corrupt, and then\n"
    "the exit status is 1. For a .ZS2 sprite prints the width, height, origin, flags, the two\n"
    "header fields the reader copies without interpreting (E and F), the item count and each\n"
    "item's length in bytes.\n";

static const char* const kPlayHelp =
    "usage: vantrel-anim play FILE.ZAF OUTDIR --palette PICTURE [--backward]\n"
    "\n"
    "Plays FILE.ZAF with the show's player on a cleared 320 x 200 screen (every index 0), one\n"
    "frame per step, and after each step writes the screen as OUTDIR/frame-NNNNNN.png (numbered\n"
    "from 0; OUTDIR is created if missing), an 8-bit indexed PNG with the palette of PICTURE\n"
    "(any picture vantrel-pix reads, colours as in the file). Playing the frames of\n"
    "'vantrel-anim make' this way gives its pictures back. With --backward it first plays every\n"
    "frame forward without writing, then undoes them one at a time: the pictures in reverse\n"
    "order from the last but one, and the cleared screen last.\n";

#define ANIM_TOOL_WIDTH 320
#define ANIM_TOOL_HEIGHT 200

static int ANIM_ToolError(const std::string& message)
{
    std::fprintf(stderr, "vantrel-anim: %s\n", message.c_str());
    return 1;
}

// A picture read with the picture tool's loaders: 8-bit palette, colours = table entries.
struct AnimPicture {
    std::vector<uint8_t> pixels;
    uint8_t palette[768];
    int32_t width, height;
    PixInfo info;
};

static bool ANIM_ReadPicture(const char* path, AnimPicture* pic, std::string* error)
{
    if (!TOOL_CheckFile(path, error))
        return false;
    pic->width = pic->height = 0;
    std::memset(pic->palette, 0, sizeof pic->palette);
    if (PIX_LoadPictureAs(path, nullptr, nullptr, &pic->width, &pic->height, 0, 1, &pic->info) &&
        pic->width > 0 && pic->height > 0 && (int64_t)pic->width * pic->height <= (64 << 20)) {
        pic->pixels.assign((size_t)pic->width * (size_t)pic->height, 0);
        if (PIX_LoadPictureAs(path, pic->pixels.data(), pic->palette, &pic->width, &pic->height, pic->pixels.size(),
                              1, &pic->info))
            return true;
    }
    *error = std::string(path) + ": not a picture vantrel-pix reads, or damaged";
    return false;
}

// The picture loaders store the rows of an interlaced GIF in file order, and read only the
// first image: both would make an animation that does not show the file as drawn.
static bool ANIM_CheckGIFLayout(const char* path, std::string* error)
{
    int err = 0;
    GifFileType* gif = DGifOpenFileName(path, &err);
    if (!gif) {
        *error = std::string(path) + ": not a GIF picture";
        return false;
    }
    bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1;
    if (!ok)
        *error = std::string(path) + ": a damaged GIF picture";
    else if (gif->ImageCount > 1)
        *error = std::string(path) + ": holds " + std::to_string(gif->ImageCount) + " images (give one per file)";
    else if (gif->SavedImages[0].ImageDesc.Interlace)
        *error = std::string(path) + ": an interlaced GIF (save it without interlacing)";
    ok = ok && gif->ImageCount == 1 && !gif->SavedImages[0].ImageDesc.Interlace;
    DGifCloseFile(gif, &err);
    return ok;
}

static bool ANIM_WriteFile(const char* path, const std::vector<uint8_t>& bytes, std::string* error)
{
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        *error = std::string("cannot write ") + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::remove(path);
        *error = std::string("cannot write ") + path;
        return false;
    }
    return true;
}

static int ANIM_Make(int argc, char** argv)
{
    if (argc < 4)
        return ANIM_ToolError("make takes the animation to write and at least one picture (see make --help)");
    const char* out = argv[2];
    const int count = argc - 3;
    if (count > ANIM_MAX_FRAMES)
        return ANIM_ToolError("an animation holds at most 65535 frames");
    std::vector<AnimPicture> pictures((size_t)count);
    std::string error;
    for (int k = 0; k < count; k++) {
        const char* path = argv[3 + k];
        AnimPicture& pic = pictures[(size_t)k];
        if (!ANIM_ReadPicture(path, &pic, &error))
            return ANIM_ToolError(error);
        if (std::strcmp(pic.info.format, "GIF") != 0)
            return ANIM_ToolError(std::string(path) + ": a " + pic.info.format + " picture; frames are GIF pictures");
        if (!ANIM_CheckGIFLayout(path, &error))
            return ANIM_ToolError(error);
        if (pic.width != ANIM_TOOL_WIDTH || pic.height != ANIM_TOOL_HEIGHT)
            return ANIM_ToolError(std::string(path) + ": " + std::to_string(pic.width) + " x " +
                                  std::to_string(pic.height) + " pixels; frames are 320 x 200");
        const AnimPicture& first = pictures[0];
        if (pic.info.colors != first.info.colors ||
            std::memcmp(pic.palette, first.palette, (size_t)first.info.colors * 3) != 0)
            return ANIM_ToolError(std::string(path) + ": its colour table differs from that of " + argv[3] +
                                  " (the animation stores palette indices only)");
    }
    std::vector<const uint8_t*> frames;
    for (const AnimPicture& pic : pictures)
        frames.push_back(pic.pixels.data());
    std::vector<uint8_t> file;
    if (!ANIM_BuildFile(frames, (size_t)ANIM_TOOL_WIDTH * ANIM_TOOL_HEIGHT, 0, &file, &error) ||
        !ANIM_WriteFile(out, file, &error))
        return ANIM_ToolError(error);
    return 0;
}

struct AnimToolStop {
    std::string expr;
};

static void ANIM_ThrowStop(const char* expr, const char*, const char*, int)
{
    throw AnimToolStop{expr};
}

// Applies frame of a loaded animation to the screen; false (with the player's assertion text
// in *stop) when doFrame stops on it.
static bool ANIM_TryStep(Anim* anim, int32_t steps, std::string* stop)
{
    SYS_AssertHandler previous = SYS_SetAssertHandler(ANIM_ThrowStop);
    bool ok = true;
    try {
        ANIM_Play(anim, steps, 0);
    } catch (const AnimToolStop& s) {
        *stop = s.expr;
        ok = false;
    }
    SYS_SetAssertHandler(previous);
    return ok;
}

static int ANIM_InfoZAF(const char* path)
{
    Anim anim;
    if (!ANIM_Init(&anim, path, 0, 0, 0))
        return ANIM_ToolError(std::string(path) + ": " + ANIM_Error());
    std::printf("format: ZAF\nframes: %d\nheader word: %d\n", (int)anim.frameCount, (int)anim.headerWord);
    // Each frame is checked on its own: whether a stream ends at the screen's end does not
    // depend on what the screen holds.
    LLS_Init(1, 0);
    int corrupt = 0;
    for (int32_t i = 0; i < anim.frameCount; i++) {
        if (!anim.frames[i]) {
            std::printf("frame %d: empty\n", (int)i);
            continue;
        }
        anim.currentFrame = (uint32_t)i;
        std::string stop;
        const bool ok = ANIM_TryStep(&anim, 1, &stop);
        std::printf("frame %d: %u bytes%s\n", (int)i, (unsigned)anim.frameSizes[i], ok ? "" : " (corrupt)");
        corrupt += ok ? 0 : 1;
    }
    ANIM_End(&anim);
    if (corrupt)
        return ANIM_ToolError(std::string(path) + ": " + std::to_string(corrupt) +
                              " corrupt frame(s): they do not end exactly at the screen's end");
    return 0;
}

static int ANIM_InfoZS2(const char* path)
{
    uint8_t* block = SpriteLoad(path);
    if (!block)
        return ANIM_ToolError(std::string(path) + ": " + SPRITE_Error());
    SpriteHeader h;
    std::memcpy(&h, block, sizeof h);
    const uint32_t count = SPRITE_ItemCount(block);
    std::printf("format: ZS2\nwidth: %u\nheight: %u\norigin: %d, %d\nflags: 0x%08X (one item per %s)\n"
                "fields E, F: %u, %u\nitems: %u\n",
                h.width, h.height, h.originX, h.originY, (unsigned)h.flags, (h.flags & SPRITE_ROWS) ? "row" : "column",
                h.fieldE, h.fieldF, (unsigned)count);
    // The load walked every item, so each one ends inside the data; the length is measured
    // again from its offset.
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* item = block + SPRITE_ItemOffset(block, i);
        std::printf("item %u: %zu bytes\n", (unsigned)i, SPRITE_ItemBytes(item, SIZE_MAX));
    }
    std::free(block);
    return 0;
}

static int ANIM_Info(int argc, char** argv)
{
    if (argc != 3)
        return ANIM_ToolError("info takes one file (see info --help)");
    const char* path = argv[2];
    std::string error;
    if (!TOOL_CheckFile(path, &error))
        return ANIM_ToolError(error);
    char magic[4] = {0, 0, 0, 0};
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return ANIM_ToolError(std::string("cannot read ") + path + ": " + std::strerror(errno));
    const size_t got = std::fread(magic, 1, 4, f);
    std::fclose(f);
    if (got == 4 && std::memcmp(magic, ANIM_MAGIC, 4) == 0)
        return ANIM_InfoZAF(path);
    if (got == 4 && std::memcmp(magic, SPRITE_MAGIC, 4) == 0)
        return ANIM_InfoZS2(path);
    return ANIM_ToolError(std::string(path) + ": not a .ZAF or .ZS2 file");
}

static int ANIM_PlayCommand(int argc, char** argv)
{
    const char* palettePath = nullptr;
    bool backward = false;
    std::vector<const char*> args;
    for (int i = 2; i < argc; i++) {
        if (!std::strcmp(argv[i], "--palette")) {
            if (++i >= argc)
                return ANIM_ToolError("--palette needs a picture (see play --help)");
            palettePath = argv[i];
        } else if (!std::strcmp(argv[i], "--backward")) {
            backward = true;
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return ANIM_ToolError(std::string("unknown option ") + argv[i] + " (see play --help)");
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() != 2)
        return ANIM_ToolError("play takes an animation and a folder to write into (see play --help)");
    if (!palettePath)
        return ANIM_ToolError("play needs --palette PICTURE: the animation stores palette indices only");
    const char* path = args[0];
    const std::filesystem::path dir = args[1];

    std::string error;
    AnimPicture palette;
    if (!ANIM_ReadPicture(palettePath, &palette, &error))
        return ANIM_ToolError(error);
    if (!TOOL_CheckFile(path, &error))
        return ANIM_ToolError(error);
    Anim anim;
    if (!ANIM_Init(&anim, path, 0, 0, 0))
        return ANIM_ToolError(std::string(path) + ": " + ANIM_Error());
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        ANIM_End(&anim);
        return ANIM_ToolError("cannot make the folder " + dir.string());
    }

    LLS_Init(1, 0);
    std::string stop;
    if (backward && !ANIM_TryStep(&anim, anim.frameCount, &stop)) {
        const std::string frame = std::to_string(anim.currentFrame);
        ANIM_End(&anim);
        return ANIM_ToolError(std::string(path) + ": frame " + frame + " is corrupt (doFrame stops on \"" + stop +
                              "\")");
    }
    for (int32_t k = 0; k < anim.frameCount; k++) {
        const uint32_t frame = anim.currentFrame - (backward ? 1 : 0);
        if (!ANIM_TryStep(&anim, backward ? -1 : 1, &stop)) {
            ANIM_End(&anim);
            return ANIM_ToolError(std::string(path) + ": frame " + std::to_string(frame) +
                                  " is corrupt (doFrame stops on \"" + stop + "\")");
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", (int)k);
        const std::string png = (dir / name).string();
        if (!PNG_WriteIndexed(png.c_str(), LLS_Screen, ANIM_TOOL_WIDTH, ANIM_TOOL_HEIGHT, palette.palette, 256,
                              &error)) {
            ANIM_End(&anim);
            return ANIM_ToolError(error);
        }
    }
    std::printf("%d frames written to %s\n", (int)anim.frameCount, dir.string().c_str());
    ANIM_End(&anim);
    return 0;
}

int main(int argc, char** argv)
{
    static const TOOL_Command commands[] = {
        {"make", kMakeHelp, ANIM_Make},
        {"info", kInfoHelp, ANIM_Info},
        {"play", kPlayHelp, ANIM_PlayCommand},
    };
    return TOOL_Main("vantrel-anim", kUsage, commands, argc, argv);
}
