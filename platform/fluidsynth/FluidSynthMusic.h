#pragma once

// Tunes played by FluidSynth's MIDI file player.
//  [X] The file is read as the platform's sequencer reads it (ReadTune) and
//      the player is handed the clean file: the file's own bytes when they
//      read cleanly, else the file rewritten. A file with nothing playable
//      does not open, and the show runs in silence.
//  [X] The system's default General MIDI soundfont, loaded in the background
//      once Prepare is called, so the first open does not hold the window
//      while tens of megabytes are read; an open that comes sooner waits.
//  [X] Sound through the first audio driver that starts (PulseAudio, then
//      ALSA); with none, or no soundfont, every open fails and the show runs
//      in silence.
//  [X] One level for every tune: the synthesizer's gain puts a tune written
//      at full level at a normal listening loudness, and a peak limiter
//      (PeakLimiter) turns down whatever would still clip, so a loud tune
//      comes out louder but never distorted. Without the limiter's plugin the
//      gain falls back to FluidSynth's own cautious default.
//  [X] Rendering to a WAV file instead, faster than real time, through the
//      same gain and limiter (render_tune, tests). The file ends at most
//      kQuietTailSeconds after the last 50 ms that sound above kQuietDb.
//  [X] FluidSynth's own messages are silenced.
// The player runs on the audio driver's thread, so nothing here blocks the
// window. Tunes stop when the process ends.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/MusicCommands.h"
#include "platform/TuneReader.h"
#include "platform/fluidsynth/PeakLimiter.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;
struct _fluid_player_t;

class FluidSynthMusic final : public Sequencer {
public:
    // Plays through the sound device.
    FluidSynthMusic();
    // Renders into `wav_file` (16-bit stereo at 44100 Hz) when RenderToFile
    // is called; nothing is heard. An empty `soundfont` means the system's
    // default, as the desktop program uses; another is used alone.
    explicit FluidSynthMusic(std::string wav_file, std::string soundfont = {});
    // Renders into memory at `sample_rate` when Render is called (a video's
    // sound track); nothing is heard.
    FluidSynthMusic(int sample_rate, std::string soundfont);
    FluidSynthMusic(const FluidSynthMusic&) = delete;
    FluidSynthMusic& operator=(const FluidSynthMusic&) = delete;
    ~FluidSynthMusic() override;

    [[nodiscard]] std::unique_ptr<Sequence> Open(const std::string& path) override;
    // The same, saying what the file was found to be (NotATune also when it
    // cannot be read, or nothing could be played).
    [[nodiscard]] std::unique_ptr<Sequence> Open(const std::string& path, TuneKind& kind);

    // Starts making the synthesizer and loading the soundfont on a thread of
    // their own; the sound device is still started only by the first open.
    void Prepare();

    // Makes the synthesizer, loads the soundfont and, unless rendering to a
    // file, starts the sound device, if not done before; false when any of
    // them fails, and from then on.
    [[nodiscard]] bool Start();

    // Renders until every tune has ended and its last notes have died away,
    // at most `max_seconds` of sound; false when the file cannot be written.
    bool RenderToFile(int max_seconds);

    // The next `frames` frames of sound, as RenderToFile writes them; only
    // once Start has succeeded.
    void Render(float* left, float* right, int frames) { Mix(left, right, frames); }

    static constexpr int kSampleRate = 44100;
    // Where a rendered file's sound counts as gone: the level of a 50 ms
    // block (its power over both channels), and how long the file goes on
    // after the last block above it.
    static constexpr double kQuietDb = -60.0;
    static constexpr int kQuietTailSeconds = 2;

    // The players of the open tunes.
    void Attach(_fluid_player_t* player) { m_players.push_back(player); }
    void Detach(_fluid_player_t* player) { std::erase(m_players, player); }
    [[nodiscard]] _fluid_synth_t* Synth() const { return m_synth; }

private:
    // The synthesizer with its soundfont, into m_settings and m_synth; false
    // when either fails.
    bool MakeSynth();
    void WaitForSynth();
    [[nodiscard]] bool Playing() const;
    // The next `frames` frames of sound, limited; the sound device's thread
    // calls it through Fill.
    void Mix(float* left, float* right, int frames);
    static int Fill(void* music, int frames, int effect_count, float* effects[], int channel_count,
                    float* channels[]);

    std::string m_wav_file;
    std::string m_soundfont;
    int m_sample_rate = kSampleRate;
    bool m_offline = false;   // rendering, into a file or memory
    std::thread m_preparing;  // runs MakeSynth, setting m_synth_made
    bool m_synth_made = false;
    bool m_started = false;
    bool m_failed = false;
    PeakLimiter m_limiter;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    _fluid_audio_driver_t* m_driver = nullptr;
    std::vector<_fluid_player_t*> m_players;
};
