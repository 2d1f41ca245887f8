#include "app/Project1.h"

#include "app/ApplicationTitle.h"

Application::Application(Platform& platform) : m_runner(platform, ApplicationTitle(platform)) {}
