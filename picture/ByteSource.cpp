#include "picture/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/FileOpen.h"

namespace {
// Large reads are staged through a buffer this size: the system's copy into
// cache-warm memory followed by our own copy out of it takes half the time
// of its copy straight into a large block of cold memory.
constexpr std::size_t kStagingBytes = 64 * 1024;
}  // namespace

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
    m_file = OpenForSharedReading(native_path);
    return m_file != nullptr;
}

std::size_t FileSource::Read(std::span<std::uint8_t> dst) {
    if (dst.size() < 2 * kStagingBytes) return ReadDirect(dst);
    if (!m_staging) m_staging.reset(new std::uint8_t[kStagingBytes]);
    std::size_t total = 0;
    while (total < dst.size()) {
        const std::size_t want = std::min(kStagingBytes, dst.size() - total);
        const std::size_t n = ReadDirect(std::span(m_staging.get(), want));
        std::memcpy(dst.data() + total, m_staging.get(), n);
        total += n;
        if (n < want) break;
    }
    return total;
}

std::size_t FileSource::ReadDirect(std::span<std::uint8_t> dst) {
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
