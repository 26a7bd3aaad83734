// Fuzz target: DAT_Open's reading of a trailer and directory, then lookups and reads of every
// member through the file layer.
#include "data/archive.h"
#include "data/file.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    // Twice, so that lookups also meet the newest-first order.
    for (int i = 0; i < 2; i++)
        if (!DAT_OpenStream(size ? fmemopen(copy.data(), size, "rb") : nullptr))
            break;
    int32_t count = 0;
    const DatEntry* directory = DAT_Directory(0, &count, nullptr);
    std::vector<uint8_t> buffer(4096);
    for (int32_t i = 0; directory && i < count && i < 64; i++) {
        // Members may lie partly or wholly outside the archive: their reads come up short.
        const DatEntry& e = directory[i];
        // A folder that does not exist keeps the plain-file step from finding anything.
        const std::string path = std::string("NO-SUCH-FOLDER\\") + e.name;
        FILE_GetSize(path.c_str());
        FILE_Load(path.c_str(), buffer.data(), (int)buffer.size());
        if (FILE* f = FILE_OpenBinary(path.c_str())) {
            std::fread(buffer.data(), 1, 64, f);
            FILE_Close(f);
        }
    }
    DAT_CloseAll();
    return 0;
}
