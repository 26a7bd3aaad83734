// vantrel-pix: reports and converts the pictures the show's loaders read (GIF, PCX, IFF PBM,
// TGA), decoding them with those loaders.
#include "common/command.h"
#include "image/pix.h"
#include "image/pixcore.h"
#include "support/assert.h"
#include "support/pngwrite.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static const char* const kUsage =
    "usage: vantrel-pix COMMAND ARGS...\n"
    "\n"
    "commands:\n"
    "  info FILE                  print the picture's format, width, height and colour-table size\n"
    "  png FILE OUT.png [--6bit]  convert the picture into an indexed PNG\n"
    "\n"
    "Pictures are GIF (one image, a 128- or 256-entry global colour table), PCX version 5\n"
    "(256 or 16 colours), IFF PBM and colour-mapped TGA with the TGA 2.0 footer.\n"
    "'vantrel-pix COMMAND --help' describes one command. Errors exit with status 1.\n";

static const char* const kInfoHelp =
    "usage: vantrel-pix info FILE\n"
    "\n"
    "Decodes FILE and prints the format (GIF, PCX, PBM or TGA), the width and height in pixels\n"
    "and the number of entries of the file's colour table, one per line; then whether the show's\n"
    "own GIF loader takes the file (\"show: yes\"), which is stricter than this tool.\n";

static const char* const kPngHelp =
    "usage: vantrel-pix png FILE OUT.png [--6bit]\n"
    "\n"
    "Decodes FILE and writes it as an 8-bit indexed PNG with a 256-entry palette. The palette\n"
    "keeps the file's 8-bit colours; with --6bit it shows the colours as the show does, reduced\n"
    "to 6 bits per component (each value then times 4).\n";

// Pictures beyond this many pixels are refused rather than allocated.
#define PIX_TOOL_MAX_PIXELS (64u << 20)

static int PIX_ToolError(const std::string& message)
{
    std::fprintf(stderr, "vantrel-pix: %s\n", message.c_str());
    return 1;
}

// Checks that path names a readable file, so that the message can say why it cannot be read.
static bool PIX_CheckFile(const char* path, std::string* error)
{
    struct stat st;
    if (::stat(path, &st) != 0) {
        *error = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = std::string("cannot read ") + path + ": it is a folder";
        return false;
    }
    return true;
}

static const char* const kNotPicture = ": not a picture this tool reads (GIF with a 128- or 256-entry global "
                                       "table, PCX version 5, IFF PBM, colour-mapped TGA 2.0), or damaged";

// Decodes path through the second loader set: the size first, then the whole picture into a
// buffer of exactly that size. false with error set when it is no picture or a damaged one.
static bool PIX_Decode(const char* path, bool sixBit, std::vector<uint8_t>* pixels, uint8_t palette[768],
                       int32_t* width, int32_t* height, PixInfo* info, std::string* error)
{
    if (!PIX_CheckFile(path, error))
        return false;
    if (!PIX_LoadPictureAs(path, nullptr, nullptr, width, height, 0, 1, info)) {
        *error = std::string(path) + kNotPicture;
        return false;
    }
    if (*width <= 0 || *height <= 0) {
        *error = std::string(path) + ": the picture has no pixels";
        return false;
    }
    const uint64_t count = (uint64_t)*width * (uint64_t)*height;
    if (count > PIX_TOOL_MAX_PIXELS) {
        *error = std::string(path) + ": the picture is too large (" + std::to_string(*width) + " x " +
                 std::to_string(*height) + ")";
        return false;
    }
    pixels->assign((size_t)count, 0);
    std::memset(palette, 0, 768);
    if (!PIX_LoadPictureAs(path, pixels->data(), palette, width, height, pixels->size(), sixBit ? 0 : 1, info)) {
        *error = std::string(path) + kNotPicture;
        return false;
    }
    return true;
}

struct PixShowStop {
    std::string expr;
};

static void PIX_ThrowStop(const char* expr, const char*, const char*, int)
{
    throw PixShowStop{expr};
}

// Whether the show's own loader, PIX_LoadGIF, takes the file. It is stricter than this tool's
// reader (GIF87a or GIF89a only, stops instead of failing), so it is run over the file's bytes
// with its stops turned into exceptions.
static std::string PIX_ShowVerdict(const char* path, const PixInfo& info, int32_t width, int32_t height)
{
    if (std::strcmp(info.format, "GIF") != 0)
        return "no (the show loads GIF pictures only)";
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> pixels((size_t)width * (size_t)height);
    uint8_t palette[768];
    PixSource src;
    PIX_SourceMemory(&src, bytes.data(), bytes.size());
    PixTarget target = {pixels.data(), pixels.size(), palette, nullptr, nullptr, 0};
    SYS_AssertHandler previous = SYS_SetAssertHandler(PIX_ThrowStop);
    std::string verdict = "yes";
    try {
        PIX_ReadGIF(&src, &target, 0);
    } catch (const PixShowStop& stop) {
        verdict = "no (PIX_LoadGIF would stop on \"" + stop.expr + "\")";
    }
    SYS_SetAssertHandler(previous);
    return verdict;
}

static int PIX_Info(int argc, char** argv)
{
    if (argc != 3)
        return PIX_ToolError("info takes one file (see info --help)");
    std::vector<uint8_t> pixels;
    uint8_t palette[768];
    int32_t width = 0, height = 0;
    PixInfo info;
    std::string error;
    if (!PIX_Decode(argv[2], false, &pixels, palette, &width, &height, &info, &error))
        return PIX_ToolError(error);
    std::printf("format: %s\nwidth: %d\nheight: %d\ncolours: %d\nshow: %s\n", info.format, (int)width, (int)height,
                (int)info.colors, PIX_ShowVerdict(argv[2], info, width, height).c_str());
    return 0;
}

static int PIX_Png(int argc, char** argv)
{
    bool sixBit = false;
    std::vector<const char*> files;
    for (int i = 2; i < argc; i++) {
        if (!std::strcmp(argv[i], "--6bit"))
            sixBit = true;
        else if (argv[i][0] == '-' && argv[i][1])
            return PIX_ToolError(std::string("unknown option ") + argv[i] + " (see png --help)");
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2)
        return PIX_ToolError("png takes a picture and the PNG to write (see png --help)");
    std::vector<uint8_t> pixels;
    uint8_t palette[768];
    int32_t width = 0, height = 0;
    PixInfo info;
    std::string error;
    if (!PIX_Decode(files[0], sixBit, &pixels, palette, &width, &height, &info, &error))
        return PIX_ToolError(error);
    if (sixBit)
        for (int i = 0; i < 768; i++)
            palette[i] = (uint8_t)((palette[i] & 63) * 4);
    if (!PNG_WriteIndexed(files[1], pixels.data(), width, height, palette, 256, &error))
        return PIX_ToolError(error);
    return 0;
}

int main(int argc, char** argv)
{
    static const TOOL_Command commands[] = {
        {"info", kInfoHelp, PIX_Info},
        {"png", kPngHelp, PIX_Png},
    };
    return TOOL_Main("vantrel-pix", kUsage, commands, argc, argv);
}
