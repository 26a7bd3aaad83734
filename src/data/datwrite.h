// Writing resource archives: members back to back from offset 0, then the directory of
// 32-byte entries and the 16-byte trailer that DAT_Open reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define DAT_NAME_MAX 23   // characters of a member name, before its NUL

struct DatMember {
    std::string name;             // base name, at most DAT_NAME_MAX characters, no backslash
    std::vector<uint8_t> bytes;   // the member's contents
};

// Builds the archive image of members in the given order. Refuses (returns false and sets
// error) no members at all, a name that is empty, longer than DAT_NAME_MAX or contains a
// backslash, two names equal after upper-casing, or an archive larger than 4 GiB.
bool DAT_BuildArchive(const std::vector<DatMember>& members, std::vector<uint8_t>* image, std::string* error);

// DAT_BuildArchive, then writes the image to path. false with error set on failure.
bool DAT_WriteArchive(const char* path, const std::vector<DatMember>& members, std::string* error);
