// The archive writer behind vantrel-dat and the data-set generator.
#include "data/datwrite.h"

#include "data/archive.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

static void DAT_Put32(std::vector<uint8_t>* out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out->push_back((uint8_t)(v >> (8 * i)));
}

static std::string DAT_Upper(const std::string& s)
{
    std::string u = s;
    for (char& c : u)
        c = (char)std::toupper((unsigned char)c);
    return u;
}

bool DAT_BuildArchive(const std::vector<DatMember>& members, std::vector<uint8_t>* image, std::string* error)
{
    uint64_t total = 16;
    for (size_t i = 0; i < members.size(); i++) {
        const std::string& name = members[i].name;
        if (name.empty() || name.size() > DAT_NAME_MAX || name.find('\\') != std::string::npos ||
            name.find('\0') != std::string::npos) {
            *error = "member name \"" + name + "\" must be 1 to 23 characters without a backslash";
            return false;
        }
        for (size_t j = 0; j < i; j++)
            if (DAT_Upper(members[j].name) == DAT_Upper(name)) {
                *error = "members \"" + members[j].name + "\" and \"" + name + "\" have the same name";
                return false;
            }
        total += members[i].bytes.size() + 32;
    }
    if (members.empty()) {
        *error = "an archive needs at least one member";
        return false;
    }
    if (total > 0xFFFFFFFFull) {
        *error = "the archive would be larger than 4 GiB";
        return false;
    }

    image->clear();
    image->reserve((size_t)total);
    std::vector<uint32_t> offsets;
    for (const DatMember& m : members) {
        offsets.push_back((uint32_t)image->size());
        image->insert(image->end(), m.bytes.begin(), m.bytes.end());
    }
    const uint32_t directoryStart = (uint32_t)image->size();
    for (size_t i = 0; i < members.size(); i++) {
        char name[24] = {0};
        std::memcpy(name, members[i].name.data(), members[i].name.size());
        image->insert(image->end(), name, name + 24);
        DAT_Put32(image, directoryStart - offsets[i]);  // distance from the data to the directory
        DAT_Put32(image, (uint32_t)members[i].bytes.size());
    }
    DAT_Put32(image, DAT_MAGIC);
    DAT_Put32(image, (uint32_t)members.size());
    DAT_Put32(image, 0);                                   // reserved
    DAT_Put32(image, (uint32_t)members.size() * 32 + 16);  // the directory's distance from the end
    return true;
}

bool DAT_WriteArchive(const char* path, const std::vector<DatMember>& members, std::string* error)
{
    std::vector<uint8_t> image;
    if (!DAT_BuildArchive(members, &image, error))
        return false;
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        *error = std::string("cannot write ") + path;
        std::remove(path);   // a cut-off archive would only fail later, when the show opens it
    }
    return ok;
}
