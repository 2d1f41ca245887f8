#pragma once

#include <memory>
#include <string>

#include "app/HandlerRunner.h"

class HandlerTrace;
class Platform;
class TForm1;

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

// The program, started the same way on every platform: the application
// object and its title, the form (its description applied and its layout
// scaled), the form handed to the platform, FormCreate, the main window
// shown, then the platform's event loop until the window is closed.
class Project1 {
public:
    // `trace`, if given, is told around every handler run.
    explicit Project1(Platform& platform, HandlerTrace* trace = nullptr);
    Project1(const Project1&) = delete;
    Project1& operator=(const Project1&) = delete;
    ~Project1();

    // The start-up up to the window shown. A timer refused while the form
    // description is applied leaves no form to show: the error box says so,
    // and false comes back.
    [[nodiscard]] bool Start();
    // Start, then the event loop; the process's exit status, 1 when start-up
    // was refused.
    [[nodiscard]] int Run();

    // The form, once Start has made it; else null.
    [[nodiscard]] TForm1* Form() const { return m_form.get(); }
    [[nodiscard]] const std::string& Title() const { return m_application.Title(); }

private:
    Platform& m_platform;
    Application m_application;
    std::unique_ptr<TForm1> m_form;
};
