// GIF output through giflib's encoder, into memory so one encoding serves both the loose
// file and the archive member.
#include "assets.h"

#include <gif_lib.h>

static int ART_GifOutput(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

std::vector<uint8_t> ART_EncodeGIF(const IndexedImage& image)
{
    if (image.colors != 128 && image.colors != 256)
        ASSET_Fail("a picture's colour table must have 128 or 256 entries, not %d", image.colors);
    std::vector<uint8_t> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, ART_GifOutput, &error);
    if (!gif)
        ASSET_Fail("giflib: %s", GifErrorString(error));
    std::vector<GifColorType> colours((size_t)image.colors);
    for (int i = 0; i < image.colors; i++)
        colours[i] = GifColorType{image.palette[i * 3], image.palette[i * 3 + 1], image.palette[i * 3 + 2]};
    ColorMapObject* map = GifMakeMapObject(image.colors, colours.data());
    if (!map)
        ASSET_Fail("giflib: cannot make a colour map");
    EGifSetGifVersion(gif, false);
    bool ok = EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line((size_t)image.width);
    for (int y = 0; ok && y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            uint8_t v = image.px[(size_t)y * image.width + x];
            if (v >= image.colors)
                ASSET_Fail("pixel value %d beyond a %d-entry table", v, image.colors);
            line[x] = v;
        }
        ok = EGifPutLine(gif, line.data(), image.width) == GIF_OK;
    }
    int gifError = gif->Error;
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        ASSET_Fail("giflib: %s", GifErrorString(ok ? error : gifError));
    GifFreeMapObject(map);
    return bytes;
}

void ART_AddGIF(std::vector<AssetFile>* files, const char* path, const ArtImage& art, int colors, bool brighten,
                float dither, int table)
{
    IndexedImage img;
    ART_Reduce(art, colors, brighten, dither, &img);
    img.colors = table;
    files->push_back(AssetFile{path, ART_EncodeGIF(img)});
}
