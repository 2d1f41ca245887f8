#include "app/ApplicationTitle.h"

std::string CutApplicationTitle(std::string_view path, LeadByteTest is_lead_byte) {
    std::size_t name_start = 0;
    for (std::size_t i = 0; i < path.size(); i = cp932::NextCharacter(path, i, is_lead_byte)) {
        if (path[i] == '\\') name_start = i + 1;
    }
    std::string_view name = path.substr(name_start);
    for (std::size_t i = 0; i < name.size(); i = cp932::NextCharacter(name, i, is_lead_byte)) {
        if (name[i] == '.') return std::string(name.substr(0, i));
    }
    return std::string(name);
}

std::string ApplicationTitle(Platform& platform) {
    std::string title = CutApplicationTitle(platform.ExecutablePath(), platform.PathLeadBytes());
    if (title.size() > 1) {
        std::string rest = title.substr(1);
        platform.LowerCase(rest);
        title.replace(1, std::string::npos, rest);
    }
    return title;
}
