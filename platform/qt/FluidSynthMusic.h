#pragma once

// Tunes played by FluidSynth's MIDI file player.
//  [X] The system's default General MIDI soundfont, loaded in the background
//      once Prepare is called, so the first open does not hold the window
//      while tens of megabytes are read; an open that comes sooner waits.
//  [X] Sound through the first audio driver that starts (PulseAudio, then
//      ALSA); with none, or no soundfont, every open fails and the show runs
//      in silence.
//  [X] Rendering to a sound file instead, faster than real time (tests).
//  [X] FluidSynth's own messages are silenced.
// The player runs on the audio driver's thread, so nothing here blocks the
// window. Tunes stop when the process ends.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/MusicCommands.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;
struct _fluid_player_t;

class FluidSynthMusic final : public Sequencer {
public:
    // Plays through the sound device.
    FluidSynthMusic();
    // Renders into `raw_file` (16-bit little-endian stereo at 44100 Hz) when
    // RenderToFile is called; nothing is heard.
    explicit FluidSynthMusic(std::string raw_file);
    FluidSynthMusic(const FluidSynthMusic&) = delete;
    FluidSynthMusic& operator=(const FluidSynthMusic&) = delete;
    ~FluidSynthMusic() override;

    [[nodiscard]] std::unique_ptr<Sequence> Open(const std::string& path) override;

    // Starts making the synthesizer and loading the soundfont on a thread of
    // their own; the sound device is still started only by the first open.
    void Prepare();

    // Renders until every tune has ended, at most `max_seconds` of sound;
    // false when the file renderer cannot start.
    bool RenderToFile(int max_seconds);

    static constexpr int kSampleRate = 44100;

    // The players of the open tunes.
    void Attach(_fluid_player_t* player) { m_players.push_back(player); }
    void Detach(_fluid_player_t* player) { std::erase(m_players, player); }
    [[nodiscard]] _fluid_synth_t* Synth() const { return m_synth; }

private:
    bool Start();
    // The synthesizer with its soundfont, into m_settings and m_synth; false
    // when either fails.
    bool MakeSynth();
    void WaitForSynth();

    std::string m_raw_file;
    std::thread m_preparing;  // runs MakeSynth, setting m_synth_made
    bool m_synth_made = false;
    bool m_started = false;
    bool m_failed = false;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    _fluid_audio_driver_t* m_driver = nullptr;
    std::vector<_fluid_player_t*> m_players;
};
