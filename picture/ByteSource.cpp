#include "picture/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/Messages.h"
#include "core/ShowError.h"

std::size_t SpanSource::Read(std::span<std::uint8_t> dst) {
    std::size_t n = std::min(dst.size(), m_bytes.size() - m_pos);
    if (n != 0) std::memcpy(dst.data(), m_bytes.data() + m_pos, n);
    m_pos += n;
    return n;
}

FileSource::~FileSource() {
    if (m_file != nullptr) std::fclose(m_file);
}

bool FileSource::Open(const std::string& native_path) {
    std::error_code ec;
    // NOTE: opening a directory for reading succeeds on some systems; it is
    // no picture file, so it counts as a file that cannot be opened.
    if (std::filesystem::is_directory(native_path, ec)) return false;
    m_file = std::fopen(native_path.c_str(), "rb");
    return m_file != nullptr;
}

std::size_t FileSource::Read(std::span<std::uint8_t> dst) {
    std::size_t total = 0;
    while (total < dst.size()) {
        std::size_t n = std::fread(dst.data() + total, 1, dst.size() - total, m_file);
        total += n;
        if (n == 0) {
            if (std::ferror(m_file) != 0) throw ShowError(std::string(messages::kReadError));
            break;
        }
    }
    return total;
}
