#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

// A forward-only stream of bytes for the loader.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills `dst` as far as the source goes; fewer bytes only at its end.
    virtual std::size_t Read(std::span<std::uint8_t> dst) = 0;
};

class SpanSource final : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t Read(std::span<std::uint8_t> dst) override;

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// A file opened for reading only; closed when the source goes.
class FileSource final : public ByteSource {
public:
    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override;

    // False when the file cannot be opened (missing, no access, a directory).
    [[nodiscard]] bool Open(const std::string& native_path);
    // Raises the read error on an I/O failure.
    std::size_t Read(std::span<std::uint8_t> dst) override;

private:
    std::size_t ReadDirect(std::span<std::uint8_t> dst);

    std::FILE* m_file = nullptr;
    std::unique_ptr<std::uint8_t[]> m_staging;  // made at the first large read
};
