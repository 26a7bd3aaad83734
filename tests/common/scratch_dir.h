// A scratch working folder for tests that read and write files by name: a fresh folder in the
// temporary folder becomes the working folder, and is left and removed again at the end.
#pragma once

#include "data/archive.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

// Makes a fresh folder named prefix-XXXXXX the working folder for its lifetime.
struct FIX_TempDir {
    std::filesystem::path previous, dir;
    explicit FIX_TempDir(const char* prefix)
    {
        previous = std::filesystem::current_path();
        std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed for " + tmpl);
        dir = tmpl;
        std::filesystem::current_path(dir);
    }
    ~FIX_TempDir()
    {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    FIX_TempDir(const FIX_TempDir&) = delete;
    FIX_TempDir& operator=(const FIX_TempDir&) = delete;
};

// Base of fixtures whose every test runs in its own scratch folder. The archives a test left
// open are closed before the folder holding them goes.
class FIX_ScratchDirTest : public ::testing::Test {
protected:
    explicit FIX_ScratchDirTest(const char* prefix) : prefix_(prefix) {}
    void SetUp() override { scratch_.emplace(prefix_); }
    void TearDown() override
    {
        DAT_CloseAll();
        scratch_.reset();
    }

private:
    const char* prefix_;
    std::optional<FIX_TempDir> scratch_;
};
