// The resource archives: reading an archive's trailer and directory, the table of open
// archives, and the lookup of members by base name.
#include "data/archive.h"

#include "data/file.h"
#include "support/base.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

// One open archive. The directory is kept as read from the file, with each data distance
// turned into the member's absolute offset.
struct DatFile {
    int32_t count;            // directory entries
    uint32_t reserved;        // third word of the trailer, unused
    uint32_t directoryStart;  // absolute offset of the directory
    FILE* stream;             // open for the whole run
    DatEntry* directory;
};

static DatFile s_archives[DAT_MAX_ARCHIVES];
static int s_archiveCount;
static char s_reason[160];

// Leaves the reason of a refused archive and returns false.
static bool DAT_Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
static bool DAT_Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(s_reason, sizeof s_reason, format, args);
    va_end(args);
    return false;
}

const char* DAT_FailureReason(void)
{
    return s_reason;
}

static uint32_t DAT_Get32(const uint8_t* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Reads the archive on stream into *archive. Besides the trailer checks it refuses a
// directory that does not lie inside the file and any name without its NUL, so that no
// lookup can read past a directory entry.
static bool DAT_ReadArchive(FILE* stream, DatFile* archive)
{
    if (std::fseek(stream, 0, SEEK_END) != 0)
        return DAT_Fail("cannot seek in it");
    const long fileSize = std::ftell(stream);
    if (fileSize <= 16)
        return DAT_Fail("%ld bytes, too short for a directory and the 16-byte trailer",
                        fileSize < 0 ? 0L : fileSize);
    uint8_t trailer[16];
    if (std::fseek(stream, fileSize - 16, SEEK_SET) != 0 || std::fread(trailer, 1, 16, stream) != 16)
        return DAT_Fail("short read of the trailer at byte %ld", fileSize - 16);
    if (DAT_Get32(trailer) != DAT_MAGIC)
        return DAT_Fail("no archive trailer (magic 0x%08X where 0x%08X belongs)", (unsigned)DAT_Get32(trailer),
                        (unsigned)DAT_MAGIC);
    const int32_t count = (int32_t)DAT_Get32(trailer + 4);
    const uint32_t reserved = DAT_Get32(trailer + 8);
    const uint32_t distance = DAT_Get32(trailer + 12);
    if (count <= 0)
        return DAT_Fail("the trailer gives %d directory entries", (int)count);
    if ((int64_t)distance > (int64_t)fileSize)
        return DAT_Fail("the directory would start %u bytes before the end of a %ld-byte file", (unsigned)distance,
                        fileSize);
    const int64_t directoryStart = (int64_t)fileSize - distance;
    const int64_t directoryBytes = (int64_t)count * 32;
    if (directoryStart + directoryBytes > (int64_t)fileSize - 16 || directoryBytes > INT32_MAX)
        return DAT_Fail("the directory (%d entries at byte %lld) runs past the trailer", (int)count,
                        (long long)directoryStart);
    if (std::fseek(stream, (long)directoryStart, SEEK_SET) != 0)
        return DAT_Fail("cannot seek to the directory at byte %lld", (long long)directoryStart);

    DatEntry* directory = (DatEntry*)MEM_Alloc((int32_t)directoryBytes);
    if (!directory)
        return DAT_Fail("no memory for a directory of %d entries", (int)count);
    uint8_t raw[32];
    for (int32_t i = 0; i < count; i++) {
        const bool whole = std::fread(raw, 1, 32, stream) == 32;
        if (!whole || !std::memchr(raw, 0, 24)) {
            std::free(directory);
            if (!whole)
                return DAT_Fail("short read of directory entry %d", (int)i);
            return DAT_Fail("the name of directory entry %d has no terminating zero in its 24 bytes", (int)i);
        }
        // The data distance becomes an absolute offset (modulo 2^32, as the format's words
        // are). A member that does not lie inside the file is kept: reading it comes up short,
        // and the archive's other members stay usable.
        std::memcpy(directory[i].name, raw, 24);
        directory[i].offset = (uint32_t)directoryStart - DAT_Get32(raw + 24);
        directory[i].size = DAT_Get32(raw + 28);
    }
    archive->count = count;
    archive->reserved = reserved;
    archive->directoryStart = (uint32_t)directoryStart;
    archive->stream = stream;
    archive->directory = directory;
    return true;
}

int DAT_OpenStream(FILE* stream)
{
    if (!stream) {
        DAT_Fail("cannot open it");
        return 0;
    }
    DatFile archive;
    if (s_archiveCount >= DAT_MAX_ARCHIVES)
        DAT_Fail("%d archives are open already", DAT_MAX_ARCHIVES);
    if (s_archiveCount >= DAT_MAX_ARCHIVES || !DAT_ReadArchive(stream, &archive)) {
        std::fclose(stream);
        return 0;
    }
    s_archives[s_archiveCount++] = archive;
    return 1;
}

int DAT_Open(const char* path)
{
    if (s_archiveCount >= DAT_MAX_ARCHIVES) {
        DAT_Fail("%d archives are open already", DAT_MAX_ARCHIVES);
        return 0;
    }
    errno = 0;
    FILE* stream = FILE_OpenPlain(path, "rb");
    if (!stream) {
        DAT_Fail("cannot open it: %s", errno ? std::strerror(errno) : "not a file");
        return 0;
    }
    return DAT_OpenStream(stream);
}

int DAT_ArchiveCount(void)
{
    return s_archiveCount;
}

const DatEntry* DAT_Directory(int index, int32_t* count, FILE** stream)
{
    if (index < 0 || index >= s_archiveCount)
        return nullptr;
    if (count)
        *count = s_archives[index].count;
    if (stream)
        *stream = s_archives[index].stream;
    return s_archives[index].directory;
}

const char* DAT_BaseName(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

static bool DAT_NamesMatch(const char* a, const char* b)
{
    for (;; a++, b++) {
        if (std::toupper((unsigned char)*a) != std::toupper((unsigned char)*b))
            return false;
        if (!*a)
            return true;
    }
}

const DatEntry* DAT_FindMember(const char* path, FILE** stream)
{
    const char* base = DAT_BaseName(path);
    for (int a = s_archiveCount - 1; a >= 0; a--) {
        const DatFile& archive = s_archives[a];
        for (int32_t i = 0; i < archive.count; i++)
            if (DAT_NamesMatch(archive.directory[i].name, base)) {
                if (stream)
                    *stream = archive.stream;
                return &archive.directory[i];
            }
    }
    return nullptr;
}

bool DAT_IsArchiveStream(const FILE* stream)
{
    for (int a = 0; a < s_archiveCount; a++)
        if (s_archives[a].stream == stream)
            return true;
    return false;
}

void DAT_CloseAll(void)
{
    for (int a = 0; a < s_archiveCount; a++) {
        std::fclose(s_archives[a].stream);
        std::free(s_archives[a].directory);
        s_archives[a] = DatFile{};
    }
    s_archiveCount = 0;
}
