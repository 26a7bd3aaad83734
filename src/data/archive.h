// The open resource archives and their member lookup, shared by the file layer, the archive
// tool and the tests. DAT_Open (file.h) is the ordinary way in.
#pragma once

#include <cstdint>
#include <cstdio>

#define DAT_MAX_ARCHIVES 20
#define DAT_MAGIC 0xDF73B489u   // the first word of the 16-byte trailer, read and written

// One directory entry as kept in memory: the data distance of the file's entry has been
// replaced by the member's absolute offset in the archive.
struct DatEntry {
    char name[24];     // NUL-terminated base name
    uint32_t offset;   // absolute offset of the member's first byte
    uint32_t size;     // member size in bytes
};
static_assert(sizeof(DatEntry) == 32, "a directory entry is 32 bytes in the file and in memory");

// Reads the trailer and directory of the archive open on stream and adds it to the open set,
// which then owns the stream. 1 on success; 0 (stream closed, nothing kept, the reason in
// DAT_FailureReason) when the table is full or the archive is malformed.
int DAT_OpenStream(FILE* stream);

// Number of open archives, and the directory of archive index (0 = opened first).
int DAT_ArchiveCount(void);
const DatEntry* DAT_Directory(int index, int32_t* count, FILE** stream);

// The part of path after its last backslash (the whole path if it has none).
const char* DAT_BaseName(const char* path);

// Member lookup: the newest archive first, directory order within it, names compared after
// toupper. Returns the entry and its archive's stream, or null.
const DatEntry* DAT_FindMember(const char* path, FILE** stream);

// True when stream is the stream of an open archive.
bool DAT_IsArchiveStream(const FILE* stream);

// Opens a plain file for the file layer's first step. Backslashes are read as '/', and a
// path component that does not exist as written is matched case-insensitively against its
// folder's entries (DOS names). Folders are not files: null for them.
FILE* FILE_OpenPlain(const char* path, const char* mode);

// Closes every archive and empties the open set (tests and fuzz targets; the show keeps its
// archive open until it ends).
void DAT_CloseAll(void);
