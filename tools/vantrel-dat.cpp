// vantrel-dat: builds, lists and unpacks resource archives with the archive code the show
// itself reads them with.
#include "common/command.h"
#include "data/archive.h"
#include "data/datwrite.h"
#include "data/file.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static const char* const kUsage =
    "usage: vantrel-dat COMMAND ARGS...\n"
    "\n"
    "Resource archives: members stored back to back, a directory of 32-byte entries and a\n"
    "16-byte trailer. The show looks members up by base name, ignoring case.\n"
    "\n"
    "commands:\n"
    "  create OUT.DAT FILE...   write an archive of the files, each named by its base name\n"
    "  list ARCHIVE             print name, absolute offset and size of each member\n"
    "  extract ARCHIVE DIR      write every member into the folder DIR\n"
    "  cat ARCHIVE PATH         write the member the show finds for PATH to stdout\n"
    "\n"
    "'vantrel-dat COMMAND --help' describes one command. Errors exit with status 1.\n";

static const char* const kCreateHelp =
    "usage: vantrel-dat create OUT.DAT FILE...\n"
    "\n"
    "Writes the archive OUT.DAT holding the files in the order given. Each member is named by\n"
    "its file's base name (the part after the last '/'), which must be 1 to 23 characters\n"
    "without a backslash; two names that differ only in case are refused, since the show could\n"
    "find only the first. The same files always give a byte-identical archive.\n";

static const char* const kListHelp =
    "usage: vantrel-dat list ARCHIVE\n"
    "\n"
    "Prints one line per member in directory order: the name, the member's absolute offset in\n"
    "the archive and its size in bytes.\n";

static const char* const kExtractHelp =
    "usage: vantrel-dat extract ARCHIVE DIR\n"
    "\n"
    "Writes every member of ARCHIVE into the folder DIR (created if missing) under its member\n"
    "name. Where two names differ only in case, the one the show finds (the first) is written.\n"
    "A member whose bytes run past the end of the archive is named as a short read and not\n"
    "written; the other members are still written, and the exit status is then 1.\n";

static const char* const kCatHelp =
    "usage: vantrel-dat cat ARCHIVE PATH\n"
    "\n"
    "Writes to stdout the member that the show's lookup finds for PATH: the part of PATH after\n"
    "its last backslash, compared ignoring case (GFX\\FONT2.FNT finds FONT2.FNT; forward slashes\n"
    "are not separators). A member whose bytes run past the end of the archive is a short read:\n"
    "nothing is written and the exit status is 1.\n";

static int DAT_ToolError(const char* format, const std::string& a = "", const std::string& b = "")
{
    std::fprintf(stderr, "vantrel-dat: ");
    std::fprintf(stderr, format, a.c_str(), b.c_str());
    std::fprintf(stderr, "\n");
    return 1;
}

static bool DAT_ReadWholeFile(const char* path, std::vector<uint8_t>* bytes, std::string* error)
{
    struct stat st;
    if (::stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "it is a folder";
        return false;
    }
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        *error = std::strerror(errno);
        return false;
    }
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok)
        *error = "read error";
    return ok;
}

static std::string DAT_Upper(const std::string& s)
{
    std::string u = s;
    for (char& c : u)
        c = (char)std::toupper((unsigned char)c);
    return u;
}

static int DAT_Create(int argc, char** argv)
{
    if (argc < 4)
        return DAT_ToolError("create needs the archive's name and at least one file (see create --help)");
    const char* out = argv[2];
    std::vector<DatMember> members;
    for (int i = 3; i < argc; i++) {
        const std::string path = argv[i];
        const size_t slash = path.find_last_of('/');
        DatMember m;
        m.name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (m.name.empty())
            return DAT_ToolError("%s names no file", path);
        if (m.name.size() > DAT_NAME_MAX)
            return DAT_ToolError("member name \"%s\" (from %s) is longer than 23 characters", m.name, path);
        for (const DatMember& other : members)
            if (DAT_Upper(other.name) == DAT_Upper(m.name))
                return DAT_ToolError("two files have the member name \"%s\" (names are compared ignoring case): %s",
                                     m.name, path);
        std::string error;
        if (!DAT_ReadWholeFile(path.c_str(), &m.bytes, &error))
            return DAT_ToolError("cannot read %s: %s", path, error);
        members.push_back(std::move(m));
    }
    std::string error;
    if (!DAT_WriteArchive(out, members, &error))
        return DAT_ToolError("%s", error);
    return 0;
}

// Opens the archive for list, extract and cat; the directory is then archive 0.
static bool DAT_OpenForTool(const char* path, const DatEntry** directory, int32_t* count, FILE** stream)
{
    struct stat st;
    if (::stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        DAT_ToolError("cannot open %s: it is a folder", path);
        return false;
    }
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        DAT_ToolError("cannot open %s: %s", path, std::strerror(errno));
        return false;
    }
    if (!DAT_OpenStream(f)) {
        DAT_ToolError("%s is not a resource archive: %s", path, DAT_FailureReason());
        return false;
    }
    *directory = DAT_Directory(0, count, stream);
    return true;
}

// Where a member's bytes run past the end of the archive, the message that says so; else "".
static std::string DAT_ShortRead(FILE* archive, const DatEntry& entry)
{
    if (std::fseek(archive, 0, SEEK_END) != 0)
        return "the archive cannot be sized";
    const long end = std::ftell(archive);
    const uint64_t last = (uint64_t)entry.offset + entry.size;
    if (end >= 0 && last <= (uint64_t)end)
        return "";
    const uint64_t inside = (uint64_t)entry.offset >= (uint64_t)end ? 0 : (uint64_t)end - entry.offset;
    return "short read: the member is " + std::to_string(entry.size) + " bytes at byte " +
           std::to_string(entry.offset) + ", but the archive ends at byte " + std::to_string(end) + " (" +
           std::to_string(inside) + " of its bytes are there)";
}

static bool DAT_CopyMember(FILE* archive, const DatEntry& entry, FILE* out)
{
    if (std::fseek(archive, (long)entry.offset, SEEK_SET) != 0)
        return false;
    uint8_t chunk[65536];
    uint32_t left = entry.size;
    while (left > 0) {
        const size_t want = left < sizeof chunk ? left : sizeof chunk;
        if (std::fread(chunk, 1, want, archive) != want || std::fwrite(chunk, 1, want, out) != want)
            return false;
        left -= (uint32_t)want;
    }
    return true;
}

static int DAT_List(int argc, char** argv)
{
    if (argc != 3)
        return DAT_ToolError("list takes one archive (see list --help)");
    const DatEntry* directory;
    int32_t count;
    FILE* stream;
    if (!DAT_OpenForTool(argv[2], &directory, &count, &stream))
        return 1;
    for (int32_t i = 0; i < count; i++)
        std::printf("%-23s %10u %10u\n", directory[i].name, directory[i].offset, directory[i].size);
    return 0;
}

static int DAT_Extract(int argc, char** argv)
{
    if (argc != 4)
        return DAT_ToolError("extract takes an archive and a folder (see extract --help)");
    const DatEntry* directory;
    int32_t count;
    FILE* stream;
    if (!DAT_OpenForTool(argv[2], &directory, &count, &stream))
        return 1;
    // A member name becomes a file name in DIR: nothing that could leave the folder.
    for (int32_t i = 0; i < count; i++) {
        const char* name = directory[i].name;
        if (!*name || !std::strcmp(name, ".") || !std::strcmp(name, "..") || std::strchr(name, '/'))
            return DAT_ToolError("member name \"%s\" cannot be written as a file name", name);
    }
    const std::string dir = argv[3];
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
        return DAT_ToolError("cannot create folder %s: %s", dir, std::strerror(errno));
    int status = 0;
    for (int32_t i = 0; i < count; i++) {
        bool shadowed = false;
        for (int32_t j = 0; j < i; j++)
            shadowed = shadowed || DAT_Upper(directory[j].name) == DAT_Upper(directory[i].name);
        if (shadowed) {
            std::fprintf(stderr, "vantrel-dat: skipping member %d, \"%s\": an earlier member has the same name\n",
                         (int)i, directory[i].name);
            continue;
        }
        // A member that is not all there is reported and skipped; the others still come out.
        const std::string shortRead = DAT_ShortRead(stream, directory[i]);
        if (!shortRead.empty()) {
            std::fprintf(stderr, "vantrel-dat: member %d, \"%s\": %s; not written\n", (int)i, directory[i].name,
                         shortRead.c_str());
            status = 1;
            continue;
        }
        const std::string path = dir + "/" + directory[i].name;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out)
            return DAT_ToolError("cannot create %s: %s", path, std::strerror(errno));
        const bool copied = DAT_CopyMember(stream, directory[i], out);
        if (std::fclose(out) != 0 || !copied)
            return DAT_ToolError("cannot write %s", path);
    }
    return status;
}

static int DAT_Cat(int argc, char** argv)
{
    if (argc != 4)
        return DAT_ToolError("cat takes an archive and a path (see cat --help)");
    const DatEntry* directory;
    int32_t count;
    FILE* stream;
    if (!DAT_OpenForTool(argv[2], &directory, &count, &stream))
        return 1;
    const DatEntry* entry = DAT_FindMember(argv[3], &stream);
    if (!entry)
        return DAT_ToolError("%s has no member named \"%s\"", argv[2], DAT_BaseName(argv[3]));
    const std::string shortRead = DAT_ShortRead(stream, *entry);
    if (!shortRead.empty())
        return DAT_ToolError("member \"%s\": %s", entry->name, shortRead);
    if (!DAT_CopyMember(stream, *entry, stdout) || std::fflush(stdout) != 0)
        return DAT_ToolError("cannot copy member %s to the standard output", entry->name);
    return 0;
}

int main(int argc, char** argv)
{
    static const TOOL_Command commands[] = {
        {"create", kCreateHelp, DAT_Create},
        {"list", kListHelp, DAT_List},
        {"extract", kExtractHelp, DAT_Extract},
        {"cat", kCatHelp, DAT_Cat},
    };
    const int status = TOOL_Main("vantrel-dat", kUsage, commands, argc, argv);
    DAT_CloseAll();
    return status;
}
