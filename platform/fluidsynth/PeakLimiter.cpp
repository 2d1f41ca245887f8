#include "platform/fluidsynth/PeakLimiter.h"

#include <dlfcn.h>
#include <ladspa.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kLibrary = "fast_lookahead_limiter_1913.so";
constexpr std::string_view kLabel = "fastLookaheadLimiter";
constexpr float kReleaseSeconds = 0.5f;

// The directories to look in, in order: LADSPA_PATH's, then the usual ones.
std::vector<std::filesystem::path> PluginDirectories() {
    std::vector<std::filesystem::path> dirs;
    if (const char* path = std::getenv("LADSPA_PATH"); path != nullptr) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            if (colon != 0) dirs.emplace_back(rest.substr(0, colon));
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    dirs.emplace_back("/usr/lib/ladspa");
    dirs.emplace_back("/usr/local/lib/ladspa");
    return dirs;
}

// The value for each control input of the plugin, by the start of its name.
float ControlValue(std::string_view name, float ceiling_db) {
    if (name.starts_with("Limit")) return ceiling_db;
    if (name.starts_with("Release")) return kReleaseSeconds;
    return 0.0f;  // "Input gain (dB)": the level is set by the synthesizer's gain.
}

}  // namespace

PeakLimiter::~PeakLimiter() {
    if (m_instance != nullptr) {
        if (m_plugin->deactivate != nullptr) m_plugin->deactivate(m_instance);
        m_plugin->cleanup(m_instance);
    }
    if (m_library != nullptr) dlclose(m_library);
}

bool PeakLimiter::Load(unsigned long sample_rate, float ceiling_db) {
    if (m_instance != nullptr) return true;
    for (const std::filesystem::path& dir : PluginDirectories()) {
        m_library = dlopen((dir / kLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_library != nullptr) break;
    }
    if (m_library == nullptr) return false;
    // NOTE: a LADSPA library exports one function, which lists its plugins.
    const auto list =
        reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(m_library, "ladspa_descriptor"));
    if (list == nullptr) return false;
    for (unsigned long i = 0; m_plugin == nullptr; ++i) {
        const LADSPA_Descriptor* plugin = list(i);
        if (plugin == nullptr) return false;
        if (kLabel == plugin->Label) m_plugin = plugin;
    }
    // Run limits in place, so the plugin must allow its inputs and outputs
    // to share buffers.
    if (LADSPA_IS_INPLACE_BROKEN(m_plugin->Properties)) return false;

    m_instance = m_plugin->instantiate(m_plugin, sample_rate);
    if (m_instance == nullptr) return false;
    m_controls.assign(m_plugin->PortCount, 0.0f);
    for (unsigned long port = 0; port < m_plugin->PortCount; ++port) {
        const LADSPA_PortDescriptor kind = m_plugin->PortDescriptors[port];
        if (LADSPA_IS_PORT_AUDIO(kind)) {
            (LADSPA_IS_PORT_INPUT(kind) ? m_inputs : m_outputs).push_back(port);
            continue;
        }
        // Every control port needs a place, the plugin's outputs too.
        if (LADSPA_IS_PORT_INPUT(kind)) {
            m_controls[port] = ControlValue(m_plugin->PortNames[port], ceiling_db);
        }
        m_plugin->connect_port(m_instance, port, &m_controls[port]);
    }
    if (m_inputs.size() != 2 || m_outputs.size() != 2) {
        m_plugin->cleanup(m_instance);
        m_instance = nullptr;
        return false;
    }
    if (m_plugin->activate != nullptr) m_plugin->activate(m_instance);
    return true;
}

void PeakLimiter::Run(float* left, float* right, std::size_t frames) {
    if (m_instance == nullptr || frames == 0) return;
    float* channels[2] = {left, right};
    for (std::size_t c = 0; c < 2; ++c) {
        m_plugin->connect_port(m_instance, m_inputs[c], channels[c]);
        m_plugin->connect_port(m_instance, m_outputs[c], channels[c]);
    }
    m_plugin->run(m_instance, frames);
}
