#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// A fresh directory made the working directory for one test, and removed with
// everything in it afterwards.
class TempWorkingDir {
public:
    TempWorkingDir() : m_previous(std::filesystem::current_path()) {
        m_dir = MakeUniqueDir();
        std::filesystem::current_path(m_dir);
    }
    TempWorkingDir(const TempWorkingDir&) = delete;
    TempWorkingDir& operator=(const TempWorkingDir&) = delete;
    ~TempWorkingDir() {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_dir);
    }

    [[nodiscard]] const std::filesystem::path& Path() const { return m_dir; }

    // Writes the picture file "[]/,,,,;,,.bmp".
    static void WritePicture(const std::vector<std::uint8_t>& bytes) {
        WriteFile("[]/,,,,;,,.bmp", bytes);
    }
    static void WriteFile(const std::filesystem::path& file,
                          const std::vector<std::uint8_t>& bytes) {
        if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

private:
    // A new directory of a random name under the temporary directory; only a
    // name that did not exist yet is taken, as mkdtemp would.
    static std::filesystem::path MakeUniqueDir() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (;;) {
            char name[32];
            std::snprintf(name, sizeof name, "showtest-%012llx",
                          static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
            std::filesystem::path dir = base / name;
            if (std::filesystem::create_directory(dir)) return dir;
        }
    }

    std::filesystem::path m_previous;
    std::filesystem::path m_dir;
};
