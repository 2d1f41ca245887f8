#include "platform/qt/FluidSynthMusic.h"

#include <fluidsynth.h>

#include <array>
#include <utility>

namespace {

// Where Debian's General MIDI soundfonts live, should the configured default
// be missing.
constexpr std::array<const char*, 3> kSoundfonts = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// PulseAudio first: it works wherever a desktop session runs; plain ALSA
// where none does.
constexpr std::array<const char*, 2> kAudioDrivers = {"pulseaudio", "alsa"};

void Silence() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
        fluid_set_log_function(level, nullptr, nullptr);
    }
}

class FluidSynthTune final : public Sequence {
public:
    FluidSynthTune(FluidSynthMusic& music, std::string path)
        : m_music(music), m_path(std::move(path)) {}
    FluidSynthTune(const FluidSynthTune&) = delete;
    FluidSynthTune& operator=(const FluidSynthTune&) = delete;
    ~FluidSynthTune() override { Drop(); }

    void Play() override {
        if (m_player != nullptr && fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING) {
            return;
        }
        // A fresh player starts from the beginning, also after the tune ended.
        Drop();
        m_player = new_fluid_player(m_music.Synth());
        if (m_player == nullptr) return;
        m_music.Attach(m_player);
        if (fluid_player_add(m_player, m_path.c_str()) != FLUID_OK ||
            fluid_player_play(m_player) != FLUID_OK) {
            Drop();
        }
    }

private:
    void Drop() {
        if (m_player == nullptr) return;
        m_music.Detach(m_player);
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        m_player = nullptr;
    }

    FluidSynthMusic& m_music;
    std::string m_path;
    fluid_player_t* m_player = nullptr;
};

}  // namespace

FluidSynthMusic::FluidSynthMusic() = default;

FluidSynthMusic::FluidSynthMusic(std::string raw_file) : m_raw_file(std::move(raw_file)) {}

FluidSynthMusic::~FluidSynthMusic() {
    WaitForSynth();
    // The tunes (and their players) belong to the interpreter and go first;
    // the driver stops calling the synth before the synth goes.
    if (m_driver != nullptr) delete_fluid_audio_driver(m_driver);
    if (m_synth != nullptr) delete_fluid_synth(m_synth);
    if (m_settings != nullptr) delete_fluid_settings(m_settings);
}

std::unique_ptr<Sequence> FluidSynthMusic::Open(const std::string& path) {
    if (!Start()) return nullptr;
    if (fluid_is_midifile(path.c_str()) == 0) return nullptr;
    return std::make_unique<FluidSynthTune>(*this, path);
}

void FluidSynthMusic::Prepare() {
    if (m_started || m_failed || m_preparing.joinable()) return;
    Silence();
    // The thread alone touches the settings and the synthesizer until it is
    // joined.
    m_preparing = std::thread([this] { m_synth_made = MakeSynth(); });
}

void FluidSynthMusic::WaitForSynth() {
    if (m_preparing.joinable()) m_preparing.join();
}

bool FluidSynthMusic::Start() {
    if (m_started || m_failed) return m_started;
    if (m_preparing.joinable()) {
        WaitForSynth();
    } else {
        Silence();
        m_synth_made = MakeSynth();
    }
    m_failed = true;
    if (!m_synth_made) return false;

    if (m_raw_file.empty()) {
        for (const char* driver : kAudioDrivers) {
            fluid_settings_setstr(m_settings, "audio.driver", driver);
            m_driver = new_fluid_audio_driver(m_settings, m_synth);
            if (m_driver != nullptr) break;
        }
        if (m_driver == nullptr) return false;
    }
    m_failed = false;
    m_started = true;
    return true;
}

bool FluidSynthMusic::MakeSynth() {
    m_settings = new_fluid_settings();
    if (m_settings == nullptr) return false;
    fluid_settings_setnum(m_settings, "synth.sample-rate", kSampleRate);
    if (!m_raw_file.empty()) {
        fluid_settings_setstr(m_settings, "audio.file.name", m_raw_file.c_str());
        fluid_settings_setstr(m_settings, "audio.file.type", "raw");
        fluid_settings_setstr(m_settings, "audio.file.format", "s16");
        fluid_settings_setstr(m_settings, "audio.file.endian", "little");
    }
    m_synth = new_fluid_synth(m_settings);
    if (m_synth == nullptr) return false;

    bool loaded = false;
    char* configured = nullptr;
    if (fluid_settings_dupstr(m_settings, "synth.default-soundfont", &configured) == FLUID_OK &&
        configured != nullptr) {
        loaded = fluid_is_soundfont(configured) != 0 &&
                 fluid_synth_sfload(m_synth, configured, 1) != FLUID_FAILED;
        fluid_free(configured);
    }
    for (const char* file : kSoundfonts) {
        if (loaded) break;
        loaded =
            fluid_is_soundfont(file) != 0 && fluid_synth_sfload(m_synth, file, 1) != FLUID_FAILED;
    }
    return loaded;
}

bool FluidSynthMusic::RenderToFile(int max_seconds) {
    if (!m_started || m_raw_file.empty()) return false;
    fluid_file_renderer_t* renderer = new_fluid_file_renderer(m_synth);
    if (renderer == nullptr) return false;
    int period = 64;
    fluid_settings_getint(m_settings, "audio.period-size", &period);
    const long long max_blocks = static_cast<long long>(max_seconds) * kSampleRate / period;
    auto playing = [this] {
        for (fluid_player_t* player : m_players) {
            if (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) return true;
        }
        return false;
    };
    bool ok = true;
    for (long long block = 0; block < max_blocks && playing(); ++block) {
        if (fluid_file_renderer_process_block(renderer) != FLUID_OK) {
            ok = false;
            break;
        }
    }
    delete_fluid_file_renderer(renderer);
    return ok;
}
