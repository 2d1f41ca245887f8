#include "tools/replay/VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstring>
#include <system_error>

#include "platform/MusicCommands.h"
#include "platform/fluidsynth/FluidSynthMusic.h"

namespace {

constexpr int kSide = 400;
constexpr std::int64_t kTickMs = 30;
constexpr std::int64_t kProgressMs = 10000;
constexpr int kSamplesPerMs = VideoWriter::kSampleRate / 1000;
// The sound is rendered this many frames at a time.
constexpr int kRenderBlock = 960;

// The picture's encoder: libvpx's VP9 in its real-time mode at its fastest
// setting, on two threads with row multithreading, at constant quality. On
// the show's noisy picture this keeps the steps above 40 dB PSNR and encodes
// a 110 s show in about 16 s on two cores, at about 1.1 Mbit/s; libvpx's
// "good" mode at speed 4 took ten times as long (README, "Share the show").
constexpr const char* kVideoEncoder = "libvpx-vp9";
constexpr std::array<std::array<const char*, 2>, 5> kVideoOptions = {{
    {"deadline", "realtime"},
    {"cpu-used", "8"},
    {"row-mt", "1"},
    {"crf", "30"},
    {"lag-in-frames", "0"},
}};
constexpr int kThreads = 2;
// A key frame at least every 100 frames: every 3 s during the show.
constexpr int kKeyFrameDistance = 100;
constexpr const char* kAudioEncoder = "libopus";
constexpr std::int64_t kAudioBitRate = 128000;

// The file being written, removed should the process be interrupted, hung up
// or terminated before it is finished; one video at a time.
std::array<char, 4096> g_partial{};
constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, 3> g_previous{};
std::array<bool, 3> g_guarding{};

extern "C" void RemovePartial(int signal) {
    unlink(g_partial.data());
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void GuardPartial(const std::string& path) {
    if (path.size() >= g_partial.size()) return;
    std::memcpy(g_partial.data(), path.c_str(), path.size() + 1);
    struct sigaction guard {};
    guard.sa_handler = &RemovePartial;
    sigemptyset(&guard.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        // A signal the caller ignores (nohup) stays ignored.
        struct sigaction previous {};
        sigaction(kStopSignals[i], nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        g_guarding[i] = sigaction(kStopSignals[i], &guard, &g_previous[i]) == 0;
    }
}

void ReleasePartial() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        if (g_guarding[i]) sigaction(kStopSignals[i], &g_previous[i], nullptr);
        g_guarding[i] = false;
    }
    g_partial[0] = '\0';
}

std::string AvError(int code) {
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(code, text.data(), text.size());
    return text.data();
}

// A track of `format` carrying what `encoder` makes, in its time base; null
// when it cannot be added.
AVStream* AddTrack(AVFormatContext* format, const AVCodecContext* encoder) {
    AVStream* stream = avformat_new_stream(format, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) {
        return nullptr;
    }
    stream->time_base = encoder->time_base;
    return stream;
}

}  // namespace

struct VideoWriter::State {
    State() : music(kSampleRate, {}), commands(music) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (created) ReleasePartial();
        sws_freeContext(scale);
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format != nullptr) {
            if (format->pb != nullptr) avio_closep(&format->pb);
            avformat_free_context(format);
        }
        if (created && !finished) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }

    std::filesystem::path file;
    VideoSettings settings;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* video_stream = nullptr;
    AVStream* audio_stream = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    // The interpreter's tunes go before the synthesizer they play on.
    FluidSynthMusic music;
    MusicCommands commands;
    std::vector<float> pending;  // rendered, not yet encoded: left, right, left...
    std::int64_t rendered = 0;   // frames of sound rendered
    std::int64_t encoded = 0;    // frames of sound sent to the encoder
    std::int64_t last_ms = -1;
    std::int64_t next_progress = kProgressMs;
    bool created = false;
    bool finished = false;
};

namespace {

// Sends `frame` (null: the end) to `codec` and writes what comes out.
bool Encode(AVFormatContext* format, AVCodecContext* codec, AVStream* stream, AVFrame* frame,
            AVPacket* packet, std::string& error) {
    int rc = avcodec_send_frame(codec, frame);
    while (rc >= 0) {
        rc = avcodec_receive_packet(codec, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) break;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        rc = av_interleaved_write_frame(format, packet);
        if (rc < 0) {
            error = "cannot write the video: " + AvError(rc);
            return false;
        }
    }
    error = std::string("the ") + codec->codec->name + " encoder failed: " + AvError(rc);
    return false;
}

}  // namespace

std::unique_ptr<VideoWriter> VideoWriter::Open(const std::filesystem::path& file,
                                               const VideoSettings& settings, std::string& error) {
    // The encoders' own notes (libvpx names its version) stay out of the way.
    av_log_set_level(AV_LOG_ERROR);
    auto s = std::make_unique<State>();
    s->file = file;
    s->settings = settings;
    const std::string name = file.string();
    int rc = avformat_alloc_output_context2(&s->format, nullptr, "webm", name.c_str());
    if (rc < 0) {
        error = "cannot make a WebM file: " + AvError(rc);
        return nullptr;
    }
    // The path is tried first, before the encoders and the soundfont.
    rc = avio_open(&s->format->pb, name.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        error = "cannot write the video " + name + ": " + AvError(rc);
        return nullptr;
    }
    s->created = true;
    GuardPartial(std::filesystem::absolute(file).string());

    const AVCodec* vp9 = avcodec_find_encoder_by_name(kVideoEncoder);
    const AVCodec* opus = avcodec_find_encoder_by_name(kAudioEncoder);
    if (vp9 == nullptr || opus == nullptr) {
        error = std::string("FFmpeg's libavcodec lacks the ") +
                (vp9 == nullptr ? kVideoEncoder : kAudioEncoder) + " encoder";
        return nullptr;
    }
    const bool global_header = (s->format->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    s->video = avcodec_alloc_context3(vp9);
    AVCodecContext* v = s->video;
    v->width = kSide;
    v->height = kSide;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = settings.ticks_time_base ? AVRational{kTickMs, 1000} : AVRational{1, 1000};
    v->framerate = AVRational{1000, kTickMs};
    v->gop_size = kKeyFrameDistance;
    v->bit_rate = 0;
    v->thread_count = kThreads;
    v->color_range = AVCOL_RANGE_MPEG;
    v->colorspace = AVCOL_SPC_SMPTE170M;
    v->color_primaries = AVCOL_PRI_BT709;
    v->color_trc = AVCOL_TRC_IEC61966_2_1;
    if (global_header) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : kVideoOptions) av_dict_set(&options, key, value, 0);
    rc = avcodec_open2(v, vp9, &options);
    av_dict_free(&options);
    if (rc < 0) {
        error = std::string("cannot start the ") + kVideoEncoder + " encoder: " + AvError(rc);
        return nullptr;
    }
    s->video_stream = AddTrack(s->format, v);
    if (s->video_stream == nullptr) {
        error = "cannot add the picture's track";
        return nullptr;
    }

    s->audio = avcodec_alloc_context3(opus);
    AVCodecContext* a = s->audio;
    a->sample_rate = kSampleRate;
    a->sample_fmt = AV_SAMPLE_FMT_FLT;
    av_channel_layout_default(&a->ch_layout, 2);
    a->bit_rate = kAudioBitRate;
    a->time_base = AVRational{1, kSampleRate};
    if (global_header) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(a, opus, nullptr);
    if (rc < 0) {
        error = std::string("cannot start the ") + kAudioEncoder + " encoder: " + AvError(rc);
        return nullptr;
    }
    s->audio_stream = AddTrack(s->format, a);
    if (s->audio_stream == nullptr) {
        error = "cannot add the sound's track";
        return nullptr;
    }

    s->picture = av_frame_alloc();
    s->sound = av_frame_alloc();
    s->packet = av_packet_alloc();
    s->scale = sws_getContext(kSide, kSide, AV_PIX_FMT_BGR24, kSide, kSide, AV_PIX_FMT_YUV420P,
                              SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (s->picture == nullptr || s->sound == nullptr || s->packet == nullptr ||
        s->scale == nullptr) {
        error = "out of memory for the video";
        return nullptr;
    }
    s->picture->format = v->pix_fmt;
    s->picture->width = kSide;
    s->picture->height = kSide;
    s->picture->color_range = v->color_range;
    s->picture->colorspace = v->colorspace;
    s->sound->format = a->sample_fmt;
    s->sound->sample_rate = kSampleRate;
    av_channel_layout_copy(&s->sound->ch_layout, &a->ch_layout);
    s->sound->nb_samples = a->frame_size;
    if (av_frame_get_buffer(s->picture, 0) < 0 || av_frame_get_buffer(s->sound, 0) < 0) {
        error = "out of memory for the video";
        return nullptr;
    }

    if (!s->music.Start()) {
        error =
            "no General MIDI soundfont could be loaded for the sound; install "
            "timgm6mb-soundfont or fluid-soundfont-gm";
        return nullptr;
    }
    rc = avformat_write_header(s->format, nullptr);
    if (rc < 0) {
        error = "cannot write the video " + name + ": " + AvError(rc);
        return nullptr;
    }
    return std::unique_ptr<VideoWriter>(new VideoWriter(std::move(s)));
}

VideoWriter::VideoWriter(std::unique_ptr<State> state) : m_state(std::move(state)) {}

VideoWriter::~VideoWriter() = default;

namespace {

// Renders the sound up to `ms` and encodes every whole frame of it; at the
// end (`last`) the remainder too, padded with silence.
bool AdvanceSound(VideoWriter::State& s, std::int64_t ms, bool last, std::string& error) {
    const std::int64_t target = ms * kSamplesPerMs;
    std::array<float, kRenderBlock> left{};
    std::array<float, kRenderBlock> right{};
    while (s.rendered < target) {
        const int n = static_cast<int>(std::min<std::int64_t>(kRenderBlock, target - s.rendered));
        s.music.Render(left.data(), right.data(), n);
        for (int i = 0; i < n; ++i) {
            s.pending.push_back(left[static_cast<std::size_t>(i)]);
            s.pending.push_back(right[static_cast<std::size_t>(i)]);
        }
        s.rendered += n;
    }
    const auto frame = static_cast<std::size_t>(s.audio->frame_size);
    if (last && s.pending.size() % (2 * frame) != 0) {
        s.pending.resize((s.pending.size() / (2 * frame) + 1) * 2 * frame, 0.0f);
    }
    std::size_t used = 0;
    while (s.pending.size() - used >= 2 * frame) {
        if (av_frame_make_writable(s.sound) < 0) {
            error = "out of memory for the sound";
            return false;
        }
        std::memcpy(s.sound->data[0], s.pending.data() + used, 2 * frame * sizeof(float));
        used += 2 * frame;
        s.sound->pts = s.encoded;
        s.encoded += static_cast<std::int64_t>(frame);
        if (!Encode(s.format, s.audio, s.audio_stream, s.sound, s.packet, error)) {
            return false;
        }
    }
    s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

void Progress(VideoWriter::State& s, std::int64_t ms) {
    if (s.settings.progress == nullptr) return;
    while (ms >= s.next_progress) {
        std::fprintf(s.settings.progress, "replay: video: %" PRId64 " s of %" PRId64 " s\n",
                     s.next_progress / 1000, s.settings.end_ms / 1000);
        s.next_progress += kProgressMs;
    }
}

}  // namespace

bool VideoWriter::Frame(std::int64_t ms, std::span<const std::uint8_t> bgr, int width, int height) {
    State& s = *m_state;
    if (width != kSide || height != kSide || bgr.size() < std::size_t{3} * kSide * kSide) {
        m_error = "the video takes frames of 400 x 400 pixels";
        return false;
    }
    if (ms <= s.last_ms || (s.settings.ticks_time_base && ms % kTickMs != 0)) {
        m_error = "a frame at " + std::to_string(ms) + " ms does not fit the video's time base";
        return false;
    }
    s.last_ms = ms;
    if (!AdvanceSound(s, ms, false, m_error)) return false;
    if (av_frame_make_writable(s.picture) < 0) {
        m_error = "out of memory for the picture";
        return false;
    }
    const std::array<const std::uint8_t*, 1> source = {bgr.data()};
    const std::array<int, 1> stride = {3 * kSide};
    sws_scale(s.scale, source.data(), stride.data(), 0, kSide, s.picture->data,
              s.picture->linesize);
    s.picture->pts = s.settings.ticks_time_base ? ms / kTickMs : ms;
    if (!Encode(s.format, s.video, s.video_stream, s.picture, s.packet, m_error)) {
        return false;
    }
    Progress(s, ms);
    return true;
}

bool VideoWriter::MusicCommand(std::int64_t ms, std::string_view command) {
    State& s = *m_state;
    if (!AdvanceSound(s, ms, false, m_error)) return false;
    s.commands.Send(command);
    return true;
}

bool VideoWriter::Finish(std::int64_t end_ms) {
    State& s = *m_state;
    if (!AdvanceSound(s, std::max(end_ms, s.last_ms + kTickMs), true, m_error) ||
        !Encode(s.format, s.video, s.video_stream, nullptr, s.packet, m_error) ||
        !Encode(s.format, s.audio, s.audio_stream, nullptr, s.packet, m_error)) {
        return false;
    }
    int rc = av_write_trailer(s.format);
    if (rc >= 0) rc = avio_closep(&s.format->pb);
    if (rc < 0) {
        m_error = "cannot write the video " + s.file.string() + ": " + AvError(rc);
        return false;
    }
    Progress(s, end_ms);
    s.finished = true;
    ReleasePartial();
    return true;
}
