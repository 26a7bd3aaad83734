// vantrel-assets OUTDIR: generates the show's complete data set, the loose files under
// OUTDIR with the show's paths and the same files packed into OUTDIR/VANTREL.DAT.
#include "assets.h"
#include "music.h"

#include "data/datwrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

static const char* const USAGE =
    "Usage: vantrel-assets OUTDIR\n"
    "Generates the data set of the Vantrel show from code: the pictures under OUTDIR/GFX,\n"
    "the mixing table and the font, the module OUTDIR/MUSIC/VANTREL.S3M and the end text\n"
    "OUTDIR/ENDTEXT.TXT, and packs all of them into OUTDIR/VANTREL.DAT. The output is the\n"
    "same, byte for byte, on every run. Existing files of those names are replaced.\n";

static void ASSET_WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec)
        ASSET_Fail("cannot create the folder %s: %s", path.parent_path().c_str(), ec.message().c_str());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        ASSET_Fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        ASSET_Fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fputs(USAGE, stderr);
        return 2;
    }
    std::filesystem::path outdir = argv[1];

    std::vector<AssetFile> files;
    ASSET_IntroPictures(&files);
    ASSET_EffectPictures(&files);
    ASSET_StillPictures(&files);
    std::vector<uint8_t> font = ASSET_MakeFont();
    files.push_back(AssetFile{"GFX/FONT2.FNT", font});
    files.push_back(AssetFile{"MUSIC/VANTREL.S3M", ASSET_ComposeModule()});
    files.push_back(AssetFile{"ENDTEXT.TXT", ASSET_MakeEndText(font)});

    std::vector<DatMember> members;
    for (const AssetFile& file : files) {
        ASSET_WriteFile(outdir / file.path, file.bytes);
        members.push_back(DatMember{std::filesystem::path(file.path).filename().string(), file.bytes});
    }
    std::string error;
    std::filesystem::path archive = outdir / "VANTREL.DAT";
    if (!DAT_WriteArchive(archive.c_str(), members, &error))
        ASSET_Fail("%s: %s", archive.c_str(), error.c_str());
    std::printf("vantrel-assets: %zu files and VANTREL.DAT written to %s\n", files.size(), outdir.c_str());
    return 0;
}
