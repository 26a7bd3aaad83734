// A scratch folder that the data tests run in: created and entered before each test, left and
// removed after it, with every archive closed.
#pragma once

#include "common/scratch_dir.h"
#include "data/archive.h"
#include "data/datwrite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class DataDirTest : public FIX_ScratchDirTest {
protected:
    DataDirTest() : FIX_ScratchDirTest("vantrel-data") {}

    static void WriteFile(const std::string& path, const std::string& bytes)
    {
        std::filesystem::path p(path);
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path());
        std::ofstream(path, std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // Writes an archive of (name, contents) members in order.
    static void MakeArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members)
    {
        std::vector<DatMember> list;
        for (const auto& m : members)
            list.push_back(DatMember{m.first, std::vector<uint8_t>(m.second.begin(), m.second.end())});
        std::string error;
        ASSERT_TRUE(DAT_WriteArchive(path.c_str(), list, &error)) << error;
    }
};
