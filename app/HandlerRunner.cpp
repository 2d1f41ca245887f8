#include "app/HandlerRunner.h"

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

void HandlerRunner::ShowError(std::string_view message) noexcept {
    try {
        m_platform.ShowErrorBox(m_caption, ErrorBoxText(message));
    } catch (...) {  // NOTE: nothing is left to report a failing box with.
    }
}

std::string HandlerRunner::MessageOf(std::exception_ptr error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::bad_alloc&) {
            return std::string(messages::kOutOfMemory);
        } catch (const std::exception& e) {
            return e.what();
        }
    } catch (...) {
        return {};
    }
}
