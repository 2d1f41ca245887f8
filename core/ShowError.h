#pragma once

#include <stdexcept>
#include <string>

// The one error the show raises. Its message is code page 932 bytes; it is
// caught once, by the handler runner, and shown in the error box.
struct ShowError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
