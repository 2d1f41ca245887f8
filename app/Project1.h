#pragma once

#include <string>

#include "app/HandlerRunner.h"

class Platform;

// The application object: its title labels the taskbar entry and captions
// every error box, and is fixed when it is created.
class Application {
public:
    explicit Application(Platform& platform);

    [[nodiscard]] const std::string& Title() const { return m_runner.Caption(); }
    [[nodiscard]] HandlerRunner& Runner() { return m_runner; }

private:
    HandlerRunner m_runner;
};
