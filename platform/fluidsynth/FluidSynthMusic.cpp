#include "platform/fluidsynth/FluidSynthMusic.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <utility>

#include "platform/MusicMix.h"

namespace {

// Without the limiter only a low gain keeps most tunes from clipping.
constexpr double kGainWithoutLimiter = 0.2;

// Frames rendered at a time into a file.
constexpr int kFileBlock = 512;
// The longest that a file goes on after the tunes end, while notes still
// sound.
constexpr int kTailSeconds = 5;
// The blocks whose level says whether a file still sounds: 50 ms.
constexpr int kQuietBlocksASecond = 20;

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
    FluidSynthTune(FluidSynthMusic& music, std::vector<std::uint8_t> file)
        : m_music(music), m_file(std::move(file)) {}
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
        if (fluid_player_add_mem(m_player, m_file.data(), m_file.size()) != FLUID_OK ||
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
    std::vector<std::uint8_t> m_file;  // as the player is handed it
    fluid_player_t* m_player = nullptr;
};

// The file at `path`, or nothing when it cannot be read or its first bytes
// mark no tune (so that no large file of another kind is read whole).
std::vector<std::uint8_t> ReadTuneFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file(kTuneMarkBytes);
    in.read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
    file.resize(static_cast<std::size_t>(in.gcount()));
    if (!MarksTune(file)) return {};
    file.insert(file.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return {};
    return file;
}

}  // namespace

FluidSynthMusic::FluidSynthMusic() = default;

FluidSynthMusic::FluidSynthMusic(std::string wav_file, std::string soundfont)
    : m_wav_file(std::move(wav_file)), m_soundfont(std::move(soundfont)), m_offline(true) {}

FluidSynthMusic::FluidSynthMusic(int sample_rate, std::string soundfont)
    : m_soundfont(std::move(soundfont)), m_sample_rate(sample_rate), m_offline(true) {}

FluidSynthMusic::~FluidSynthMusic() {
    WaitForSynth();
    // The tunes (and their players) belong to the interpreter and go first;
    // the driver stops calling the synth before the synth goes.
    if (m_driver != nullptr) delete_fluid_audio_driver(m_driver);
    if (m_synth != nullptr) delete_fluid_synth(m_synth);
    if (m_settings != nullptr) delete_fluid_settings(m_settings);
}

std::unique_ptr<Sequence> FluidSynthMusic::Open(const std::string& path) {
    TuneKind kind = TuneKind::NotATune;
    return Open(path, kind);
}

std::unique_ptr<Sequence> FluidSynthMusic::Open(const std::string& path, TuneKind& kind) {
    kind = TuneKind::NotATune;
    if (!Start()) return nullptr;
    std::vector<std::uint8_t> file = ReadTuneFile(path);
    TuneFile tune = ReadTune(file);
    kind = tune.kind;
    switch (tune.kind) {
        case TuneKind::Clean:
            return std::make_unique<FluidSynthTune>(*this, std::move(file));
        case TuneKind::Repaired:
            return std::make_unique<FluidSynthTune>(*this, std::move(tune.bytes));
        default:
            return nullptr;
    }
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

    if (!m_offline) {
        for (const char* driver : kAudioDrivers) {
            fluid_settings_setstr(m_settings, "audio.driver", driver);
            m_driver = new_fluid_audio_driver2(m_settings, &FluidSynthMusic::Fill, this);
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
    fluid_settings_setnum(m_settings, "synth.sample-rate", m_sample_rate);
    const bool limited =
        m_limiter.Load(static_cast<unsigned long>(m_sample_rate), static_cast<float>(kCeilingDb));
    fluid_settings_setnum(m_settings, "synth.gain", limited ? kSynthGain : kGainWithoutLimiter);
    m_synth = new_fluid_synth(m_settings);
    if (m_synth == nullptr) return false;

    if (!m_soundfont.empty()) {
        return fluid_is_soundfont(m_soundfont.c_str()) != 0 &&
               fluid_synth_sfload(m_synth, m_soundfont.c_str(), 1) != FLUID_FAILED;
    }
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

bool FluidSynthMusic::Playing() const {
    return std::any_of(m_players.begin(), m_players.end(), [](fluid_player_t* player) {
        return fluid_player_get_status(player) == FLUID_PLAYER_PLAYING;
    });
}

void FluidSynthMusic::Mix(float* left, float* right, int frames) {
    const auto count = static_cast<std::size_t>(frames);
    std::fill_n(left, count, 0.0f);
    std::fill_n(right, count, 0.0f);
    // The reverb and chorus go into the same two channels, so that the
    // limiter hears all that is played.
    std::array<float*, 2> channels = {left, right};
    fluid_synth_process(m_synth, frames, 2, channels.data(), 2, channels.data());
    m_limiter.Run(left, right, count);
}

int FluidSynthMusic::Fill(void* music, int frames, int /*effect_count*/, float* /*effects*/[],
                          int channel_count, float* channels[]) {
    if (channel_count < 2) return FLUID_FAILED;
    static_cast<FluidSynthMusic*>(music)->Mix(channels[0], channels[1], frames);
    for (int c = 2; c < channel_count; ++c) {
        std::fill_n(channels[c], static_cast<std::size_t>(frames), 0.0f);
    }
    return FLUID_OK;
}

bool FluidSynthMusic::RenderToFile(int max_seconds) {
    if (!m_started || m_wav_file.empty()) return false;
    SF_INFO format{};
    format.samplerate = m_sample_rate;
    format.channels = 2;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(m_wav_file.c_str(), SFM_WRITE, &format);
    if (file == nullptr) return false;
    // Should anything pass full scale, it is cut off there, not wrapped round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::array<float, kFileBlock> left{};
    std::array<float, kFileBlock> right{};
    std::array<float, 2 * kFileBlock> frames{};
    const long long max_blocks = static_cast<long long>(max_seconds) * m_sample_rate / kFileBlock;
    long long tail_blocks = static_cast<long long>(kTailSeconds) * m_sample_rate / kFileBlock;
    // The level of each 50 ms from the start, and the end of the last one
    // that sounded.
    const long long quiet_block = m_sample_rate / kQuietBlocksASecond;
    const long long quiet_tail = static_cast<long long>(kQuietTailSeconds) * m_sample_rate;
    const double quiet_power = 2 * std::pow(10.0, kQuietDb / 10);
    double power = 0;
    long long in_block = 0;
    long long written = 0;
    long long sounded = 0;
    bool ok = true;
    for (long long block = 0; ok && block < max_blocks; ++block) {
        if (!Playing() && (fluid_synth_get_active_voice_count(m_synth) == 0 ||
                           written - sounded >= quiet_tail || tail_blocks-- == 0)) {
            break;
        }
        Mix(left.data(), right.data(), kFileBlock);
        for (std::size_t i = 0; i < left.size(); ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
            const auto l = static_cast<double>(left[i]);
            const auto r = static_cast<double>(right[i]);
            power += l * l + r * r;
            ++written;
            if (++in_block == quiet_block) {
                if (power > quiet_power * static_cast<double>(quiet_block)) sounded = written;
                power = 0;
                in_block = 0;
            }
        }
        ok = sf_writef_float(file, frames.data(), kFileBlock) == kFileBlock;
    }
    if (in_block > 0 && power > quiet_power * static_cast<double>(in_block)) sounded = written;
    // What followed the last sound for longer than the tail is cut off.
    if (ok && written > sounded + quiet_tail) {
        sf_count_t keep = sounded + quiet_tail;
        ok = sf_command(file, SFC_FILE_TRUNCATE, &keep, sizeof(keep)) == 0;
    }
    return sf_close(file) == 0 && ok;
}
