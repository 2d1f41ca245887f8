#include "picture/PictureFile.h"

#include <filesystem>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"
#include "picture/WorkPicture.h"

std::string NativePath(std::string_view stored_path) {
    std::string native(stored_path);
    for (char& c : native) {
        if (c == '\\') c = static_cast<char>(std::filesystem::path::preferred_separator);
    }
    return native;
}

void ReloadPicture(WorkPicture& picture, std::string_view stored_path) {
    FileSource file;
    if (!file.Open(NativePath(stored_path))) throw ShowError(messages::OpenError(stored_path));
    auto rows = LoadBmp(file, picture.Allocator());
    if (!rows) {
        picture.MakeEmpty();
        return;
    }
    picture.Replace(std::move(*rows));
    picture.MarkChanged();
}
