// vantrel-pix: reports and converts the pictures the show's loaders read (GIF, PCX, IFF PBM,
// TGA), decoding them with those loaders.
#include "common/command.h"
#include "image/pix.h"
#include "image/pixcore.h"
#include "support/assert.h"
#include "support/pngwrite.h"


#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <strings.h>
#include <iterator>
#include <string>
#include <vector>

static const char* const kUsage =
    "usage: vantrel-pix COMMAND ARGS...\n"
    "\n"
    "commands:\n"
    "  info FILE [--as NAME]      print the picture's format, width, height and colour-table size;\n"
    "                             with --as, whether the show can use it as its picture NAME\n"
    "  png FILE OUT.png [--6bit]  convert the picture into an indexed PNG\n"
    "\n"
    "Pictures are GIF (the first image, a 128- or 256-entry global colour table, LZW code\n"
    "sizes 2 to 9), PCX version 5 (256 or 16 colours), IFF PBM and colour-mapped TGA with the\n"
    "TGA 2.0 footer. A file that cannot be read is refused with the reason.\n"
    "'vantrel-pix COMMAND --help' describes one command. Errors exit with status 1, and so\n"
    "does info --as for a picture the show cannot use.\n";

static const char* const kInfoHelp =
    "usage: vantrel-pix info FILE [--as NAME]\n"
    "\n"
    "Decodes FILE and prints the format (GIF, PCX, PBM or TGA), the width and height in pixels\n"
    "and the number of entries of the file's colour table, one per line; then whether the show's\n"
    "own GIF loader takes the file (\"show: yes\"), which is stricter than this tool. That says\n"
    "nothing of the size: each picture of the show has its own.\n"
    "\n"
    "--as NAME checks FILE against what the show needs of its picture NAME (such as\n"
    "'GFX\\WEAVE.GIF'; only the part after the last backslash or slash counts, ignoring case):\n"
    "its loader, its width and height, and the palette entries its pixels may use. It prints\n"
    "\"as NAME: yes\", or \"as NAME: no\" followed by one indented line per check that fails;\n"
    "the exit status is then 1. An unknown NAME is an error that lists the show's pictures.\n";

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

// Decodes path through the second loader set: the size first, then the whole picture into a
// buffer of exactly that size. false with error set when it is no picture or a damaged one.
static bool PIX_Decode(const char* path, bool sixBit, std::vector<uint8_t>* pixels, uint8_t palette[768],
                       int32_t* width, int32_t* height, PixInfo* info, std::string* error)
{
    if (!TOOL_CheckFile(path, error))
        return false;
    if (!PIX_LoadPictureAs(path, nullptr, nullptr, width, height, 0, 1, info)) {
        *error = std::string(path) + ": " + PIX_FailureReason();
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
        *error = std::string(path) + ": " + PIX_FailureReason();
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

static std::vector<uint8_t> PIX_ReadBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs the show's own loader, PIX_LoadGIF, over the file's bytes into a buffer of capacity
// bytes, its stops turned into exceptions. It is stricter than this tool's reader (GIF87a or
// GIF89a only, stops instead of failing). "" when it takes the file, else why it stops.
static std::string PIX_ShowLoaderStop(const std::vector<uint8_t>& bytes, size_t capacity)
{
    std::vector<uint8_t> pixels(capacity ? capacity : 1);
    uint8_t palette[768];
    PixSource src;
    PIX_SourceMemory(&src, bytes.data(), bytes.size());
    PixTarget target = {pixels.data(), capacity, palette, nullptr, nullptr, 0};
    SYS_AssertHandler previous = SYS_SetAssertHandler(PIX_ThrowStop);
    std::string stop;
    try {
        PIX_ReadGIF(&src, &target, 0);
    } catch (const PixShowStop& s) {
        stop = "PIX_LoadGIF would stop on \"" + s.expr + "\": " + PIX_FailureReason();
    }
    SYS_SetAssertHandler(previous);
    return stop;
}

static std::string PIX_ShowVerdict(const char* path, const PixInfo& info, int32_t width, int32_t height)
{
    if (std::strcmp(info.format, "GIF") != 0)
        return "no (the show loads GIF pictures only)";
    const std::string stop = PIX_ShowLoaderStop(PIX_ReadBytes(path), (size_t)width * (size_t)height);
    return stop.empty() ? "yes" : "no (" + stop + ")";
}

// The pictures of the show: the buffer each is loaded into, the size each is laid out at, and
// the highest palette entry its pixels may use (the tower keeps entries 128-255 for its
// background's colours, moved up there from the background's entries 0-127).
struct PixShowPicture {
    const char* name;
    const char* use;
    int32_t width, height;
    size_t capacity;
    int maxEntry;
};

static const PixShowPicture kShowPictures[] = {
    {"GFX\\WEAVE.GIF", "the intro's weave", 320, 200, 64000, 255},
    {"GFX\\TALVIK1.GIF", "the intro's logo", 320, 200, 64000, 255},
    {"GFX\\VANTREL3.GIF", "the intro's title", 320, 200, 64000, 255},
    {"GFX\\ripp2.gif", "the ripple's water", 256, 256, 65536, 255},
    {"GFX\\feedback.gif", "the feedback zoom", 256, 256, 65536, 255},
    {"GFX\\circler.gif", "the tunnel", 256, 256, 65536, 255},
    {"GFX\\sq.gif", "the tower's texture", 256, 256, 65536, 127},
    {"GFX\\sqtback.gif", "the tower's background", 320, 200, 64000, 127},
    {"GFX\\FREESTYL.GIF", "the first still picture", 640, 480, 640 * 480, 255},
    {"GFX\\KOLDE640.GIF", "the closing picture", 360, 480, 640 * 480, 255},
};

// The part of a name after its last backslash or slash.
static std::string PIX_BaseName(const std::string& name)
{
    const size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

static const PixShowPicture* PIX_FindShowPicture(const std::string& name)
{
    const std::string base = PIX_BaseName(name);
    for (const PixShowPicture& p : kShowPictures)
        if (strcasecmp(PIX_BaseName(p.name).c_str(), base.c_str()) == 0)
            return &p;
    return nullptr;
}

// Every way in which the decoded picture does not suit the show's picture p; empty if none.
static std::vector<std::string> PIX_CheckAs(const char* path, const PixShowPicture& p, const PixInfo& info,
                                            const std::vector<uint8_t>& pixels, int32_t width, int32_t height)
{
    std::vector<std::string> failures;
    if (std::strcmp(info.format, "GIF") != 0)
        failures.push_back(std::string("a ") + info.format + " file; the show loads GIF pictures only");
    else if (std::string stop = PIX_ShowLoaderStop(PIX_ReadBytes(path), (size_t)width * (size_t)height);
             !stop.empty())
        failures.push_back(stop);
    if (width != p.width || height != p.height) {
        std::string f = std::to_string(width) + " x " + std::to_string(height) + " where " + p.use + " needs " +
                        std::to_string(p.width) + " x " + std::to_string(p.height);
        if (!PIX_Fits(width, height, p.capacity))
            f += " (the show stops: the picture does not fit its " + std::to_string(p.capacity) + " bytes)";
        failures.push_back(f);
    }
    int highest = 0;
    for (uint8_t v : pixels)
        highest = v > highest ? v : highest;
    if (highest >= info.colors)
        failures.push_back("a pixel uses palette entry " + std::to_string(highest) + " of a " +
                           std::to_string(info.colors) + "-entry colour table");
    if (highest > p.maxEntry)
        failures.push_back("a pixel uses palette entry " + std::to_string(highest) + " where " + p.use +
                           " may use entries 0-" + std::to_string(p.maxEntry) + " only");
    return failures;
}

static int PIX_Info(int argc, char** argv)
{
    std::vector<const char*> files;
    const char* as = nullptr;
    for (int i = 2; i < argc; i++) {
        if (!std::strcmp(argv[i], "--as")) {
            if (++i >= argc)
                return PIX_ToolError("--as needs the name of one of the show's pictures (see info --help)");
            as = argv[i];
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return PIX_ToolError(std::string("unknown option ") + argv[i] + " (see info --help)");
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 1)
        return PIX_ToolError("info takes one file (see info --help)");
    const PixShowPicture* showPicture = nullptr;
    if (as && !(showPicture = PIX_FindShowPicture(as))) {
        std::string names;
        for (const PixShowPicture& p : kShowPictures)
            names += std::string(names.empty() ? "" : ", ") + p.name;
        return PIX_ToolError(std::string("the show has no picture named ") + as + " (its pictures: " + names + ")");
    }
    std::vector<uint8_t> pixels;
    uint8_t palette[768];
    int32_t width = 0, height = 0;
    PixInfo info;
    std::string error;
    if (!PIX_Decode(files[0], false, &pixels, palette, &width, &height, &info, &error))
        return PIX_ToolError(error);
    std::printf("format: %s\nwidth: %d\nheight: %d\ncolours: %d\nshow: %s\n", info.format, (int)width, (int)height,
                (int)info.colors, PIX_ShowVerdict(files[0], info, width, height).c_str());
    if (!showPicture)
        return 0;
    const std::vector<std::string> failures = PIX_CheckAs(files[0], *showPicture, info, pixels, width, height);
    if (failures.empty()) {
        std::printf("as %s: yes\n", showPicture->name);
        return 0;
    }
    std::printf("as %s: no\n", showPicture->name);
    for (const std::string& f : failures)
        std::printf("  %s\n", f.c_str());
    return 1;
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
