#include "tools/replay/Replay.h"

#include <zlib.h>

#include <algorithm>
#include <cinttypes>
#include <string>
#include <system_error>

#include "app/Project1.h"
#include "app/Unit1.h"
#include "core/Cp932.h"
#include "picture/PictureFile.h"
#include "platform/virtual/VirtualPlatform.h"
#include "tools/replay/FrameSink.h"
#include "tools/replay/Frames.h"
#include "tools/replay/Recorders.h"

namespace {

namespace fs = std::filesystem;

// `-` while WorkBitmap is unset, else WxH:CRC over the rows' runs, top row first.
std::string PictureSummary(const WorkPicture* picture) {
    if (picture == nullptr) return "-";
    uLong crc = crc32(0, nullptr, 0);
    const PixelRows& rows = picture->Rows();
    const auto run = static_cast<uInt>(rows.RunLength());
    for (std::int32_t r = 0; r < rows.Height() && run != 0; ++r) crc = crc32(crc, rows.Row(r), run);
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d:%08lx", rows.Width(), rows.Height(), crc);
    return text;
}

class Tracer final : public HandlerTrace, public VirtualPlatform::Observer {
public:
    Tracer(VirtualPlatform& platform, std::FILE* out, std::FILE* err,
           std::optional<fs::path> frames)
        : m_platform(platform), m_out(out), m_err(err), m_frames(std::move(frames)) {}

    // The program whose form is traced; its handlers run only once it has one.
    void Attach(const Project1* program) { m_program = program; }

    // Recorders that get a frame each time the area is repainted.
    void AddSink(FrameSink* sink) { m_sinks.push_back(sink); }

    void HandlerStarted(HandlerId id) override {
        m_repaints_at_start = m_platform.RepaintRequests();
        // What a moment's handlers painted shows once the clock moves on.
        if (m_frame_due && m_platform.Now() > m_frame_ms) SendFrame();
        // The area still shows what the last repaint drew; a reload that
        // empties the picture asks for none.
        if (m_frames && id == HandlerId::Timer1Timer && m_dirty) Repaint();
    }

    void HandlerEnded(HandlerId id) override {
        const long long marks = m_platform.RepaintRequests() - m_repaints_at_start;
        const TForm1& form = *m_program->Form();
        const std::string title(form.Caption());
        std::fprintf(m_out, "%" PRId64 " %s %d %s %lld %s\n", m_platform.Now(),
                     std::string(HandlerName(id)).c_str(), form.CurrentStepCount(),
                     PictureSummary(form.WorkBitmapOrNull()).c_str(), marks,
                     title.empty() ? "-" : cp932::ToHex(title).c_str());
        // The recorders see each repaint as it comes; the frames only the
        // last one before a step, which they repaint then.
        const bool repainted = !m_sinks.empty() && (marks > 0 || id == HandlerId::FormCreate);
        if (repainted) {
            Repaint();
            m_frame_due = true;
            m_frame_ms = m_platform.Now();
        }
        if (!m_frames) return;
        if (marks > 0 && !repainted) m_dirty = true;
        if (id == HandlerId::FormCreate || id == HandlerId::Timer1Timer) {
            // The window's first showing paints it whole.
            if (m_dirty || (id == HandlerId::FormCreate && !repainted)) Repaint();
            WriteFrame();
        }
    }

    void MusicCommandSent(std::int64_t ms, std::string_view command) override {
        std::fprintf(m_out, "%" PRId64 " mci %.*s\n", ms, static_cast<int>(command.size()),
                     command.data());
        for (FrameSink*& sink : m_sinks) {
            if (sink != nullptr && !sink->MusicCommand(ms, command)) Drop(sink);
        }
    }

    // The run ended at `end_ms`: the last frame goes out and the recorders finish.
    void Finish(std::int64_t end_ms) {
        if (m_frame_due) SendFrame();
        for (FrameSink*& sink : m_sinks) {
            if (sink != nullptr && !sink->Finish(end_ms)) Drop(sink);
        }
    }

    void ErrorBoxShown(std::int64_t ms, std::string_view, std::string_view text) override {
        std::fprintf(m_out, "%" PRId64 " error %s\n", ms, cp932::ToHex(text).c_str());
    }

    [[nodiscard]] bool Failed() const { return m_failed; }

private:
    void SendFrame() {
        m_frame_due = false;
        for (FrameSink*& sink : m_sinks) {
            if (sink != nullptr &&
                !sink->Frame(m_frame_ms, m_area.Image().Pixels(), m_area.Image().Area().width,
                             m_area.Image().Area().height)) {
                Drop(sink);
            }
        }
    }

    // A recorder that failed says why and gets nothing more.
    void Drop(FrameSink*& sink) {
        std::fprintf(m_err, "replay: %s\n", sink->Error().c_str());
        sink = nullptr;
        m_failed = true;
    }

    void Repaint() {
        m_area.Paint(*m_platform.Form());
        m_dirty = false;
    }

    void WriteFrame() {
        char name[80];
        std::snprintf(name, sizeof name, "frame-%010" PRId64 "ms-step%04d.bmp", m_platform.Now(),
                      m_program->Form()->CurrentStepCount());
        if (!m_area.WriteBmp(*m_frames / name)) {
            std::fprintf(m_err, "replay: cannot write the frame %s\n",
                         (*m_frames / name).string().c_str());
            m_failed = true;
        }
    }

    VirtualPlatform& m_platform;
    std::FILE* m_out;
    std::FILE* m_err;
    std::optional<fs::path> m_frames;
    const Project1* m_program = nullptr;
    long long m_repaints_at_start = 0;
    PictureArea m_area;
    std::vector<FrameSink*> m_sinks;  // null once failed
    bool m_frame_due = false;
    std::int64_t m_frame_ms = 0;
    bool m_dirty = false;
    bool m_failed = false;
};

// Changes the working directory for the run and back again after it.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : m_previous(fs::current_path()) {
        fs::current_path(dir);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    ~WorkingDirectory() {
        std::error_code ec;
        fs::current_path(m_previous, ec);
    }

private:
    fs::path m_previous;
};

void ChangePictureFile(const FileChange& change, std::FILE* err) {
    const fs::path picture = NativePath(kPicturePath);
    std::error_code ec;
    if (change.source.empty()) {
        fs::remove(picture, ec);
    } else {
        fs::create_directories(picture.parent_path(), ec);
        if (!ec && !fs::equivalent(change.source, picture, ec)) {
            ec.clear();
            fs::copy_file(change.source, picture, fs::copy_options::overwrite_existing, ec);
        }
    }
    if (ec) {
        std::fprintf(err, "replay: cannot change %s: %s\n", picture.string().c_str(),
                     ec.message().c_str());
    }
}

}  // namespace

int RunReplay(const ReplayOptions& options, std::FILE* out, std::FILE* err) {
    std::error_code ec;
    if (options.frames && !fs::create_directories(*options.frames, ec) && ec) {
        std::fprintf(err, "replay: cannot create the frames directory %s: %s\n",
                     options.frames->string().c_str(), ec.message().c_str());
        return 1;
    }
    Recorders recorders;
    if (!recorders.Open(options, err)) return 1;
    WorkingDirectory in_dir(options.dir);

    VirtualPlatform platform(options.clock);
    Tracer tracer(platform, out, err, options.frames);
    platform.SetObserver(&tracer);
    for (FrameSink* sink : recorders.Sinks()) tracer.AddSink(sink);
    for (const FileChange& change : options.file_changes) {
        platform.ScheduleAction(change.ms, [&change, err] { ChangePictureFile(change, err); });
    }
    std::vector<std::int64_t> clicks = options.clicks;
    std::ranges::stable_sort(clicks);
    for (std::int64_t ms : clicks) platform.ScheduleClick(ms);

    platform.SetRunEnd(options.until);
    Project1 program(platform, &tracer);
    tracer.Attach(&program);
    const int status = program.Run();
    // The sound renders to its end while the tune's file is still at hand.
    tracer.Finish(options.until);
    std::fflush(out);
    const bool closed = recorders.Close(options, err);
    const bool failed = status != 0 || tracer.Failed() || !closed;
    return failed ? 1 : 0;
}
