#include "platform/qt/QtPlatform.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Cp932Text.h"
#include "platform/WindowRules.h"
#include "platform/fluidsynth/MusicThread.h"

namespace {

// Metric-compatible with the Japanese proportional Gothic face the form's
// layout was made with, so "0" measures the same where that face is missing.
constexpr const char* kStandInFace = "IPAPGothic";

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString ToQString(std::string_view cp932) {
    const std::string utf8 = cp932::ToUtf8(cp932);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QIcon BuiltInIcon(IconId id) {
    switch (id) {
        case IconId::Transparent16:
            break;
    }
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply == nullptr) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// Ctrl+C copies the box's caption, text and button as plain text, as Windows
// message boxes do.
class ErrorBox final : public QMessageBox {
public:
    ErrorBox(const QString& caption, const QString& text, QWidget* owner)
        : QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner) {
        setWindowModality(Qt::ApplicationModal);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(event);
            return;
        }
        const QString rule = QStringLiteral("---------------------------\n");
        QGuiApplication::clipboard()->setText(rule + windowTitle() + QLatin1Char('\n') + rule +
                                              text() + QLatin1Char('\n') + rule +
                                              QStringLiteral("OK\n") + rule);
    }
};

}  // namespace

QtPlatform::QtPlatform(MusicThread& music) : m_music(music) {
    // The application's own icon, for its taskbar entry.
    QApplication::setWindowIcon(BuiltInIcon(IconId::Transparent16));
    m_window.winId();  // the native window, hidden, for the layout's measurement
    ClearX11Title();
}

void QtPlatform::SetApplicationTitle(std::string_view utf8) {
    m_window.setWindowIconText(FromUtf8(utf8));
}

void QtPlatform::Attach(const FormView& form, PlatformEvents& events) {
    m_form = &form;
    m_window.setWindowIcon(BuiltInIcon(form.Icon()));
    m_window.Attach(form, events);
}

void QtPlatform::ShowMainWindow() {
    if (m_form == nullptr) return;
    const Bounds stored = m_form->StoredBounds();
    m_window.resize(stored.width, stored.height);
    m_window.HoldFittedSize();
    m_window.move(stored.left, stored.top);
    // The stored position is the frame's outer corner. The native window
    // takes the widget's geometry first, so that showing it does not set it
    // again and turn the position back into the client area's.
    QWindow* native = m_window.windowHandle();
    native->resize(m_window.size());
    native->setFramePosition(QPoint(stored.left, stored.top));
    m_window.show();
    if (m_form->Caption().empty()) ClearX11Title();
}

int QtPlatform::Run() { return QApplication::exec(); }

bool QtPlatform::StartTimer(TimerId id, std::uint32_t interval_ms) {
    return m_window.StartTimer(id, interval_ms);
}

void QtPlatform::StopTimer(TimerId id) { m_window.StopTimer(id); }

void QtPlatform::SetTitle(std::string_view cp932) {
    m_window.setWindowTitle(ToQString(cp932));
    if (cp932.empty()) ClearX11Title();
}

// HACK: Qt puts the application's name on the X server for an empty title,
// so the window's name properties are emptied directly.
void QtPlatform::ClearX11Title() {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;
    xcb_connection_t* connection = x11->connection();
    const auto window = static_cast<xcb_window_t>(m_window.winId());
    const xcb_atom_t net_wm_name = Atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8_string = Atom(connection, "UTF8_STRING");
    if (net_wm_name != XCB_ATOM_NONE && utf8_string != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, net_wm_name, utf8_string, 8,
                            0, nullptr);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(connection);
}

void QtPlatform::RequestRepaint() { m_window.update(); }

void QtPlatform::ShowErrorBox(std::string_view caption_utf8, std::string_view text_cp932) {
    // The window that was active before the box (the main window, an earlier
    // box, or none of the program's) is active again once it is dismissed.
    ErrorBox box(FromUtf8(caption_utf8), ToQString(text_cp932), &m_window);
    RunBoxThenActivateAgain(
        QPointer<QWidget>(QApplication::activeWindow()),
        // NOTE: exec runs a nested event loop: timer ticks and repaints go on.
        [&box] { box.exec(); },
        [](const QPointer<QWidget>& w) {
            const QWidget* widget = w.data();
            return widget != nullptr && widget->isVisible();
        },
        [](const QPointer<QWidget>& w) {
            if (QWidget* widget = w.data(); widget != nullptr) widget->activateWindow();
        });
}

void QtPlatform::SendMusicCommand(std::string_view command) { m_music.Send(command); }

TimeOfDay QtPlatform::UtcTimeOfDay() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    return TimeOfDayFromMillis(duration_cast<milliseconds>(now - floor<days>(now)).count());
}

int QtPlatform::PixelsPerInch() {
    const QScreen* screen = m_window.screen();
    if (screen == nullptr) return 96;
    return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
}

// The font's resolved pixel size: the character height that "0" is drawn at.
// A line height would count a substitute's extra leading.
int QtPlatform::MeasureTextHeight(const FontSpec& font) {
    QFont qfont = m_window.font();
    const QString face = ToQString(font.face);
    qfont.setFamily(QFontDatabase::hasFamily(face) ? face : QString::fromLatin1(kStandInFace));
    qfont.setStyleStrategy(QFont::PreferMatch);
    if (font.height != 0) qfont.setPixelSize(std::abs(font.height));
    return QFontInfo(qfont).pixelSize();
}

// The path as the file system names it, in UTF-8, with its folders separated
// by "\\" as the show reads paths.
std::string QtPlatform::ExecutablePath() {
    std::error_code ec;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec) path = QCoreApplication::applicationFilePath().toStdString();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
