#include "app/Project1.h"

#include <exception>

#include "app/ApplicationTitle.h"
#include "app/Unit1.h"
#include "platform/Platform.h"

Application::Application(Platform& platform) : m_runner(platform, ApplicationTitle(platform)) {}

Project1::Project1(Platform& platform, HandlerTrace* trace)
    : m_platform(platform), m_application(platform) {
    m_application.Runner().SetTrace(trace);
}

Project1::~Project1() = default;

bool Project1::Start() {
    m_platform.SetApplicationTitle(m_application.Title());
    try {
        m_form = std::make_unique<TForm1>(m_platform, m_application.Runner());
    } catch (const std::exception& error) {
        m_application.Runner().ShowError(error.what());
        return false;
    }
    m_platform.Attach(m_form->View(), *m_form);
    m_form->RunOnCreate();
    m_platform.ShowMainWindow();
    return true;
}

int Project1::Run() { return Start() ? m_platform.Run() : 1; }
