#include "platform/MusicCommands.h"

#include <optional>
#include <vector>

#include "core/Cp932.h"
#include "platform/Cp932Text.h"

namespace {

std::string Lower(std::string_view text) {
    std::string lowered(text);
    cp932::LowerLatinLetters(lowered);
    return lowered;
}

// Splits at spaces and tabs; a word in double quotes may hold spaces. An
// unclosed quote makes the whole command invalid.
std::optional<std::vector<std::string_view>> Words(std::string_view command) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    auto blank = [&](std::size_t at) { return command[at] == ' ' || command[at] == '\t'; };
    while (i < command.size()) {
        if (blank(i)) {
            ++i;
            continue;
        }
        if (command[i] == '"') {
            const std::size_t close = command.find('"', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            words.push_back(command.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        const std::size_t start = i;
        while (i < command.size() && !blank(i)) ++i;
        words.push_back(command.substr(start, i - start));
    }
    return words;
}

}  // namespace

void MusicCommands::Send(std::string_view command) {
    const auto words = Words(command);
    if (!words || words->empty()) return;
    const std::string verb = Lower(words->front());
    if (verb == "open" && words->size() >= 2) {
        std::string_view type;
        std::string_view alias;
        for (std::size_t i = 2; i + 1 < words->size(); i += 2) {
            const std::string key = Lower((*words)[i]);
            if (key == "type") {
                type = (*words)[i + 1];
            } else if (key == "alias") {
                alias = (*words)[i + 1];
            } else {
                return;
            }
        }
        if (words->size() % 2 != 0) return;  // a keyword without its value
        Open((*words)[1], type, alias);
    } else if (verb == "play" && words->size() == 2) {
        const auto found = m_open.find(Lower((*words)[1]));
        if (found != m_open.end()) found->second->Play();
    }
}

bool MusicCommands::HasAlias(std::string_view alias) const { return m_open.contains(Lower(alias)); }

std::string MusicCommands::FileSystemPath(std::string_view stored) {
    std::string path(stored);
    for (std::size_t i = 0; i < path.size(); i = cp932::NextCharacter(path, i)) {
        if (path[i] == '\\') path[i] = '/';
    }
    bool ok = false;
    std::string utf8 = cp932::ToUtf8(path);
    cp932::FromUtf8(utf8, ok);  // a path with bad bytes names no file
    return ok ? utf8 : std::string();
}

void MusicCommands::Open(std::string_view element, std::string_view type, std::string_view alias) {
    if (Lower(type) != "sequencer") return;
    const std::string key = Lower(alias.empty() ? element : alias);
    if (m_open.contains(key)) return;
    const std::string path = FileSystemPath(element);
    if (path.empty()) return;
    if (auto sequence = m_sequencer.Open(path)) m_open.emplace(key, std::move(sequence));
}
