#include "app/driver.h"
#include "app/music_clock.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "gfx/renderer.h"
#include "gfx/shared_device.h"
#include "platform/files/load_failure.h"
#include "scenes/music_time.h"
#include "scenes/timer.h"

#include <cstdio>
#include <string>
#include <vector>

bool quitRequested = false;
bool deviceLost = false;

namespace {

const char kClassName[] = "Tulips on the ceiling";
const char kTitle[] = "brokwel 11 | glintVAT | dwm2001";
constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr uint32_t kMusicFrequency = 44100;

struct Message {
    const char* text;
    UINT flags;
};

const Message kNoWindowClass{"Can not register window class.", MB_ICONERROR};
const Message kNoWindow{"Can not create window.", MB_ICONERROR};
const Message kNoDevice{"Can not create a Direct3D 8.0 device. Do you have DirectX 8.0 and proper "
                        "graphics adapter drivers installed?",
                        MB_ICONERROR};
const Message kNoSharedBuffers{"Failed to create the required Direct3D resources.", MB_ICONERROR};
const Message kNoScene{"Could not initialize an effect. Check if all the datafiles are in place "
                       "and make sure your system isn't a crappy piece of junk.",
                       MB_ICONERROR};
const Message kNoMusic{"het geluid doet het niet klootzak, kijk die rammelbak eens na", MB_OK};
const Message kDeviceLost{"The Direct3D device was lost, please don't steal my focus :)",
                          MB_ICONERROR};

// Everything the driver owns. Teardown destroys whatever exists, so each failure before the
// frame loop only has to say which message to show.
struct Show {
    HINSTANCE instance = nullptr;
    Schedule schedule{};
    bool classRegistered = false;
    HWND window = nullptr;
    Renderer* renderer = nullptr;
    bool sharedBuffersCreated = false;
    // One per entry of the schedule, in its order, once constructed.
    std::vector<void*> scenes;
    Sound* sound = nullptr;
    Stream* stream = nullptr;
    Timer* timer = nullptr;
    float bytesPerSecond = 0.0f;
};

bool RegisterWindowClass(const Show& show) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC | CS_SAVEBITS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = show.instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_APPSTARTING);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

HWND CreateMainWindow(const Show& show) {
    const DWORD style = windowed ? WS_SYSMENU : WS_POPUP;
    RECT rect{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&rect, style, FALSE, 0);
    return CreateWindowExA(0, kClassName, kTitle, style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           show.instance, nullptr);
}

// Every scene is constructed before the first Init, and Init stops at the first failure.
bool InitScenes(Show& show) {
    TakeLoadFailure();
    show.scenes.reserve(show.schedule.count);
    for (size_t i = 0; i < show.schedule.count; ++i)
        show.scenes.push_back(show.schedule.scenes[i].calls->construct());
    for (size_t i = 0; i < show.schedule.count; ++i)
        if (show.schedule.scenes[i].calls->init(show.scenes[i]) < 0) return false;
    return true;
}

// Starts the music and sets up the clock; the only failure is a stream that does not open
// (which is also how a failed Sound::Init comes to light).
bool StartMusic(Show& show) {
    show.sound = new Sound();
    show.sound->Init(kMusicFrequency, show.window);
    show.stream = new Stream();
    if (show.stream->Open(kMusicFile, false, 0, 0) < 0) return false;
    show.stream->Play(false);
    DWORD frequency = 0;
    show.sound->ChannelGetAttributes(show.stream->Handle(), &frequency, nullptr, nullptr);
    const DWORD flags = show.sound->ChannelGetFlags(show.stream->Handle());
    show.bytesPerSecond = BytesPerSecond(frequency, flags);
    // The clock starts from zero with playback already running.
    show.sound->ChannelSetPosition(show.stream->Handle(), 0);
    return true;
}

// Null when everything is ready for the frame loop, else the message for what failed.
const Message* StartUp(Show& show) {
    if (!RegisterWindowClass(show)) return &kNoWindowClass;
    show.classRegistered = true;

    show.window = CreateMainWindow(show);
    if (!show.window) return &kNoWindow;
    ShowWindow(show.window, SW_SHOW);
    SetFocus(show.window);
    if (!windowed) ShowCursor(FALSE);

    show.renderer = new Renderer();
    if (show.renderer->CreateDevice(kWidth, kHeight, show.window, windowed, D3DADAPTER_DEFAULT) < 0)
        return &kNoDevice;
    if (CreateSharedBuffers(show.renderer) < 0) return &kNoSharedBuffers;
    show.sharedBuffersCreated = true;

    if (!InitScenes(show)) return &kNoScene;
    if (!StartMusic(show)) return &kNoMusic;

    show.timer = new Timer();
    return nullptr;
}

void RenderScene(Show& show, size_t scene) {
    const int32_t milliseconds = show.timer->Elapsed();
    show.schedule.scenes[scene].calls->render(show.scenes[scene], milliseconds);
}

void TearDown(Show& show) {
    delete show.timer;
    delete show.stream;
    delete show.sound;
    for (size_t i = show.scenes.size(); i-- > 0;)
        show.schedule.scenes[i].calls->destroy(show.scenes[i]);
    if (show.sharedBuffersCreated) ReleaseSharedBuffers();
    delete show.renderer;
    if (show.window) DestroyWindow(show.window);
    if (show.classRegistered) UnregisterClassA(kClassName, show.instance);
}

} // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // The window stays until teardown; the frame loop sees the request.
        quitRequested = true;
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PumpMessages(HWND window) {
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_NOREMOVE)) {
        GetMessageA(&message, window, 0, 0);
        DispatchMessageA(&message);
    }
}

struct ShowRun::Parts {
    Show show;
    const Message* failure = nullptr;
    bool over = false;
};

ShowRun::ShowRun(HINSTANCE instance, const Schedule& schedule) : parts(std::make_unique<Parts>()) {
    quitRequested = false;
    deviceLost = false;
    parts->show.instance = instance;
    parts->show.schedule = schedule;
    parts->failure = StartUp(parts->show);
    parts->over = parts->failure != nullptr;
}

bool ShowRun::Started() const {
    return !parts->failure;
}

bool ShowRun::Frame() {
    if (parts->over) return false;
    Show& show = parts->show;
    const int32_t position = int32_t(show.sound->ChannelGetPosition(show.stream->Handle()));
    musicTime = MusicTimeAt(position, show.bytesPerSecond);
    PumpMessages(show.window);
    RenderScene(show, SceneAt(show.schedule, musicTime));
    // The last frame is drawn but not presented.
    if (ShowIsOver(musicTime))
        parts->over = true;
    else if (show.renderer->EndFrame() < 0)
        deviceLost = parts->over = true;
    // Tested after presenting, so the frame in which Escape arrived is still shown.
    else if (quitRequested)
        parts->over = true;
    return !parts->over;
}

ShowRun::~ShowRun() {
    TearDown(parts->show);
    // Shown only once everything is gone, the window included. A data file that could not be
    // loaded is named on standard error too: the message itself cannot say which.
    const Message* failure = parts->failure;
    if (failure) {
        if (failure == &kNoScene || failure == &kNoMusic) {
            const std::string why = TakeLoadFailure();
            if (!why.empty()) std::fprintf(stderr, "%s\n", why.c_str());
        }
        MessageBoxA(nullptr, failure->text, kTitle, failure->flags);
    } else if (deviceLost)
        MessageBoxA(nullptr, kDeviceLost.text, kTitle, kDeviceLost.flags);
}

int RunShow(HINSTANCE instance, const Schedule& schedule) {
    ShowRun run(instance, schedule);
    while (run.Frame()) {
    }
    return 0;
}
