#include "tools/replay/ReplayOptions.h"

#include <charconv>
#include <system_error>
#include <utility>

namespace {

constexpr std::int64_t kMaxMillis = 2'147'483'647;

std::optional<std::int64_t> ParseDecimal(const std::string& text, std::int64_t max) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 0 || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseMillis(const std::string& text) {
    if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
    return ParseDecimal(text, kMaxMillis);
}

// HH:MM:SS or HH:MM:SS.mmm, each field its exact number of digits.
std::optional<TimeOfDay> ParseClock(const std::string& text) {
    if (text.size() != 8 && text.size() != 12) return std::nullopt;
    if (text[2] != ':' || text[5] != ':' || (text.size() == 12 && text[8] != '.')) {
        return std::nullopt;
    }
    auto field = [&](std::size_t pos, std::size_t len, std::int64_t max) {
        std::string digits = text.substr(pos, len);
        for (char c : digits) {
            if (c < '0' || c > '9') return std::optional<std::int64_t>{};
        }
        return ParseDecimal(digits, max);
    };
    auto h = field(0, 2, 23), m = field(3, 2, 59), s = field(6, 2, 59);
    auto ms = text.size() == 12 ? field(9, 3, 999) : std::optional<std::int64_t>{0};
    if (!h || !m || !s || !ms) return std::nullopt;
    return TimeOfDay{static_cast<std::uint16_t>(*h), static_cast<std::uint16_t>(*m),
                     static_cast<std::uint16_t>(*s), static_cast<std::uint16_t>(*ms)};
}

bool IsReadableDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    return !ec;
}

bool IsReadableFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

}  // namespace

std::variant<ReplayOptions, std::string> ParseReplayOptions(
    const std::vector<std::string>& args, const std::filesystem::path& start_dir) {
    ReplayOptions options;
    std::size_t i = 0;
    std::string option;
    std::optional<std::string> inline_value;
    // The next value of the current option: after "=" or as the next argument.
    auto next_value = [&]() -> std::optional<std::string> {
        if (inline_value) return std::exchange(inline_value, std::nullopt);
        if (i >= args.size()) return std::nullopt;
        return args[i++];
    };
    auto millis = [&](std::string& error) -> std::optional<std::int64_t> {
        auto value = next_value();
        if (!value) {
            error = option + " needs a time in milliseconds";
            return std::nullopt;
        }
        auto ms = ParseMillis(*value);
        if (!ms)
            error = option + ": '" + *value + "' is not a time in milliseconds (0 to 2147483647)";
        return ms;
    };

    while (i < args.size()) {
        const std::string& arg = args[i++];
        std::string error;
        auto eq = arg.find('=');
        option = arg.rfind("--", 0) == 0 && eq != std::string::npos ? arg.substr(0, eq) : arg;
        inline_value =
            option.size() < arg.size() ? std::optional(arg.substr(eq + 1)) : std::nullopt;
        if (option == "--help" || option == "-h") {
            options.help = true;
            return options;
        } else if (option == "--version") {
            options.version = true;
            return options;
        } else if (option == "--dir" || option == "--frames") {
            auto value = next_value();
            if (!value || value->empty()) return option + " needs a directory";
            std::filesystem::path dir = start_dir / *value;
            if (option == "--frames") {
                options.frames = dir;
            } else if (!IsReadableDirectory(dir)) {
                return "--dir: cannot read the directory '" + *value + "'";
            } else {
                options.dir = dir;
            }
        } else if (option == "--flashes" || option == "--video") {
            auto value = next_value();
            if (!value || value->empty()) return option + " needs a FILE";
            if (option == "--video" && !kReplayVideo) {
                return "--video: this replay was built without FFmpeg's libraries";
            }
            (option == "--video" ? options.video : options.flashes) = start_dir / *value;
        } else if (option == "--clock") {
            auto value = next_value();
            if (!value) return "--clock needs a time of day HH:MM:SS.mmm";
            auto clock = ParseClock(*value);
            if (!clock) return "--clock: '" + *value + "' is not a time of day HH:MM:SS.mmm";
            options.clock = *clock;
        } else if (option == "--click" || option == "--until" || option == "--remove") {
            auto ms = millis(error);
            if (!ms) return error;
            if (option == "--click") options.clicks.push_back(*ms);
            if (option == "--until") options.until = *ms;
            if (option == "--remove") options.file_changes.push_back({*ms, {}});
        } else if (option == "--replace") {
            auto ms = millis(error);
            if (!ms) return error;
            auto file = next_value();
            if (!file || file->empty()) return "--replace needs a time and a FILE";
            std::filesystem::path source = start_dir / *file;
            if (!IsReadableFile(source)) return "--replace: cannot read the file '" + *file + "'";
            options.file_changes.push_back({*ms, source});
        } else {
            return "unknown argument '" + arg + "'";
        }
        if (inline_value) return option + " takes no value after '='";
    }
    return options;
}
