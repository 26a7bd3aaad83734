// The file layer every loader reads through: a plain file of the path if there is one,
// else the member of an open archive with the path's base name.
#include "data/archive.h"
#include "data/file.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

static bool FILE_Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

static bool FILE_SameNameIgnoringCase(const char* a, const std::string& b)
{
    size_t i = 0;
    for (; a[i] && i < b.size(); i++)
        if (std::toupper((unsigned char)a[i]) != std::toupper((unsigned char)b[i]))
            return false;
    return !a[i] && i == b.size();
}

// The entry of folder whose name equals name ignoring case; when several do, the smallest
// by byte order, so the choice does not depend on the order the folder lists them.
static bool FILE_FindIgnoringCase(const std::string& folder, const std::string& name, std::string* found)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool any = false;
    while (const dirent* e = ::readdir(dir))
        if (FILE_SameNameIgnoringCase(e->d_name, name) && (!any || e->d_name < *found)) {
            *found = e->d_name;
            any = true;
        }
    ::closedir(dir);
    return any;
}

// folder/name, or name alone for the working folder.
static std::string FILE_Join(const std::string& folder, const std::string& name)
{
    std::string joined;
    joined.reserve(folder.size() + 1 + name.size());
    joined.append(folder);
    if (!joined.empty() && joined.back() != '/')
        joined.push_back('/');
    joined.append(name);
    return joined;
}

// The path on this system for a DOS-style path (see FILE_OpenPlain). When nothing matches,
// the translated path itself, which then fails to open.
static std::string FILE_PlainPath(const char* path)
{
    std::string translated = path;
    std::replace(translated.begin(), translated.end(), '\\', '/');
    if (translated.empty() || FILE_Exists(translated))
        return translated;

    std::string resolved;
    size_t pos = 0;
    if (translated[0] == '/') {
        resolved.push_back('/');
        pos = 1;
    }
    while (pos <= translated.size()) {
        size_t end = translated.find('/', pos);
        if (end == std::string::npos)
            end = translated.size();
        const std::string part = translated.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        std::string next = FILE_Join(resolved, part);
        if (!FILE_Exists(next)) {
            std::string match;
            if (!FILE_FindIgnoringCase(resolved, part, &match))
                return translated;
            next = FILE_Join(resolved, match);
        }
        resolved = next;
    }
    return resolved;
}

FILE* FILE_OpenPlain(const char* path, const char* mode)
{
    const std::string plain = FILE_PlainPath(path);
    struct stat st;
    if (plain.empty() || ::stat(plain.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return nullptr;
    return std::fopen(plain.c_str(), mode);
}

uint32_t FILE_GetSize(const char* path)
{
    if (FILE* f = FILE_OpenPlain(path, "rb")) {
        long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : 0;
        std::fclose(f);
        if (size > 0)
            return (uint32_t)size;
    }
    const DatEntry* entry = DAT_FindMember(path, nullptr);
    return entry ? entry->size : 0;
}

int FILE_Load(const char* path, void* buffer, int maxLength)
{
    if (maxLength < 0)
        maxLength = 0;
    if (FILE* f = FILE_OpenPlain(path, "rb")) {
        int total = 0;
        while (total < maxLength) {
            size_t chunk = (size_t)std::min(maxLength - total, 32768);
            size_t got = std::fread((char*)buffer + total, 1, chunk, f);
            if (got == 0)
                break;
            total += (int)got;
        }
        std::fclose(f);
        if (total > 0)
            return total;
    }
    FILE* stream;
    const DatEntry* entry = DAT_FindMember(path, &stream);
    if (!entry || std::fseek(stream, (long)entry->offset, SEEK_SET) != 0)
        return 0;
    const size_t want = std::min((size_t)entry->size, (size_t)maxLength);
    return (int)std::fread(buffer, 1, want, stream);
}

FILE* FILE_OpenBinary(const char* path)
{
    if (FILE* f = FILE_OpenPlain(path, "rb"))
        return f;
    FILE* stream;
    const DatEntry* entry = DAT_FindMember(path, &stream);
    if (!entry || std::fseek(stream, (long)entry->offset, SEEK_SET) != 0)
        return nullptr;
    return stream;
}

FILE* FILE_OpenText(const char* path)
{
    if (FILE* f = FILE_OpenPlain(path, "r"))
        return f;
    FILE* stream;
    const DatEntry* entry = DAT_FindMember(path, &stream);
    if (!entry)
        return nullptr;
    // A stream of its own on a duplicate descriptor: it shares the archive file's position,
    // so it is read before the next archive operation moves it.
    const int fd = ::dup(::fileno(stream));
    if (fd < 0)
        return nullptr;
    FILE* text = ::fdopen(fd, "r");
    if (!text) {
        ::close(fd);
        return nullptr;
    }
    if (std::fseek(text, (long)entry->offset, SEEK_SET) != 0) {
        std::fclose(text);
        return nullptr;
    }
    return text;
}

void FILE_Close(FILE* stream)
{
    if (stream && !DAT_IsArchiveStream(stream))
        std::fclose(stream);
}
