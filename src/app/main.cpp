// kestrune: the operator program of the balancing machine.
//
// Opens the window with its OpenGL 2.0 context, creates the GUI context, the
// one Gui and the Machine, loads the settings, runs the frame loop on the
// main thread until the window is closed or an exit code is set, then stops
// the machine and tears everything down.  The decisions live in
// gui/app_rules.h; this file carries them out.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl2.h>
#include <stb_image.h>

#include "files/log_tidy.h"
#include "files/logger.h"
#include "gui/app_rules.h"
#include "gui/gl/gl_keys.h"
#include "gui/gl/gl_snapshot.h"
#include "gui/gl/gl_texture_uploader.h"
#include "gui/gui.h"
#include "gui/gui_style.h"
#include "gui/ui_probe_recorder.h"
#include "machine/machine.h"
#include "platform/crash_handler.h"
#include "platform/launcher_sign.h"
#include "platform/removable.h"
#include "protocols/protocols.h"
#include "resources/resource_store.h"

namespace {

constexpr TextId kWindowIcon = 0x179E407;  // resource image of the window icon
constexpr auto kQuitPoll = std::chrono::milliseconds(1);

KioskCursor* g_cursor = nullptr;

void glfwErrorCallback(int code, const char* text) { std::printf("Glfw Error %d: %s\n", code, text); }

void onMouseButton(GLFWwindow*, int, int action, int) {
    if (action == GLFW_PRESS && g_cursor) g_cursor->buttonPressed();
}

void onCursorPos(GLFWwindow* window, double, double) {
    if (g_cursor) g_cursor->cursorMoved(glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS);
}

// Full screen on the primary monitor in its current mode (creating the window
// when there is none yet), or back to a 790 x 540 window at (30, 30).
void setFullScreen(GLFWwindow*& window, bool full) {
    if (!full) {
        if (window)
            glfwSetWindowMonitor(window, nullptr, appwindow::kWindowedX, appwindow::kWindowedY,
                                 appwindow::kMinWidth, appwindow::kMinHeight, GLFW_DONT_CARE);
        return;
    }
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    if (!mode) return;
    glfwWindowHint(GLFW_RED_BITS, mode->redBits);
    glfwWindowHint(GLFW_GREEN_BITS, mode->greenBits);
    glfwWindowHint(GLFW_BLUE_BITS, mode->blueBits);
    glfwWindowHint(GLFW_REFRESH_RATE, mode->refreshRate);
    if (!window)
        window = glfwCreateWindow(mode->width, mode->height, appwindow::kTitle, monitor, nullptr);
    else
        glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

int monitorRefreshRate() {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    return mode ? mode->refreshRate : 0;
}

void setupGuiContext() {
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableSetMousePos | ImGuiConfigFlags_NoMouseCursorChange |
                      ImGuiConfigFlags_IsTouchScreen;
    io.IniFilename = nullptr;
    applyInterfaceStyle();
}

void setWindowIcon(GLFWwindow* window) {
    const ResourceEntry entry = findResource(kWindowIcon);
    if (entry.size == 0) return;
    GLFWimage image{};
    int channels = 0;
    image.pixels = stbi_load_from_memory(static_cast<const stbi_uc*>(entry.data), static_cast<int>(entry.size),
                                         &image.width, &image.height, &channels, 4);
    if (!image.pixels) return;
    glfwSetWindowIcon(window, 1, &image);
    stbi_image_free(image.pixels);
}

void takeDriveRootsFromEnvironment() {
    const char* value = std::getenv("KESTRUNE_DRIVE_ROOTS");
    if (!value) return;
    platform::setRemovableRoots(splitDriveRoots(value));
    std::printf("removable drive roots from KESTRUNE_DRIVE_ROOTS: %s\n", value);
}

// The window cleared to what the screen leaves unpainted, then the frame
// without what its opaque windows hide.
void renderFrame(GLFWwindow* window, Gui& gui) {
    ImGui::Render();
    gui.trimFrame(*ImGui::GetDrawData());
    const ImU32 clearColour = gui._clearColour;
    glfwMakeContextCurrent(window);
    int w = 0, h = 0;
    glfwGetFramebufferSize(window, &w, &h);
    glViewport(0, 0, w, h);
    const ImVec4 clear = ImGui::ColorConvertU32ToFloat4(clearColour);
    glClearColor(clear.x, clear.y, clear.z, clear.w);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

// KESTRUNE_SNAPSHOT=f.png: the back buffer is saved once the delay has
// passed, then the window closes (tests and screenshots).
struct Snapshot {
    const char* path = std::getenv("KESTRUNE_SNAPSHOT");
    Clock::time_point due;

    explicit Snapshot(Clock::time_point start)
        : due(start + std::chrono::milliseconds(snapshotDelayMs(std::getenv("KESTRUNE_SNAPSHOT_MS")))) {}

    void takeWhenDue(GLFWwindow* window, Clock::time_point now) {
        if (!path || !*path || now < due) return;
        int w = 0, h = 0;
        glfwGetFramebufferSize(window, &w, &h);
        if (!saveBackBufferPng(path, w, h)) std::printf("snapshot %s could not be written\n", path);
        glfwSetWindowShouldClose(window, GLFW_TRUE);
        path = nullptr;
    }
};

// A line for the maintainer where start-up cannot do what it should.
void logStartupLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    logOneLine("dbr", line);
}

// This program has shown its first frame: the one an update replaced can go,
// and the launcher, which would end a program on trial that shows none and put
// that one back, is told.  Neither may fail unnoticed.
void sayStarted() {
    std::error_code ec;
    std::filesystem::remove(appwindow::kPreviousExecutable, ec);
    if (ec) logStartupLine(std::string("Remove ") + appwindow::kPreviousExecutable + " error: " + ec.message());
    std::string reason;
    if (platform::signFirstFrame(&reason) == platform::LauncherSign::kFailed)
        logStartupLine("First frame sign to the launcher error: " + reason);
}

void applyCursorChange(GLFWwindow* window, KioskCursor::Change change) {
    if (change == KioskCursor::Change::Hide) glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
    if (change == KioskCursor::Change::Show) glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("starting...\n");
    std::fflush(stdout);
    const LaunchOptions options = parseArguments(argc, argv);

    glfwSetErrorCallback(glfwErrorCallback);
    if (!glfwInit()) {
        std::printf("glfwInit error\n");
        return exitcodes::kStartFailed;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    glfwWindowHint(GLFW_AUTO_ICONIFY, GLFW_FALSE);
    GLFWwindow* window = nullptr;
    if (options.kiosk)
        setFullScreen(window, true);
    else
        window = glfwCreateWindow(appwindow::kStartWidth, appwindow::kStartHeight, appwindow::kTitle, nullptr, nullptr);
    if (!window) {
        std::printf("window create error\n");
        glfwTerminate();
        return exitcodes::kStartFailed;
    }

    const Clock& clock = SteadyClock::instance();
    KioskCursor cursor(options.kiosk, clock.now());
    g_cursor = &cursor;
    glfwSetMouseButtonCallback(window, onMouseButton);
    glfwSetCursorPosCallback(window, onCursorPos);

    // The touch service's press-and-hold feedback is Windows' own: nothing to turn off here.
    platform::installCrashHandler("logs");

    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    setupGuiContext();
    auto gui = std::make_unique<Gui>();
    installKeyQueue(window, &gui->keys());  // before the backend's, which chains to it
    ImGui_ImplGlfw_InitForOpenGL(window, true);
    ImGui_ImplOpenGL2_Init();
    ImGui::GetIO().UserData = gui.get();
    gui->_devMode = options.devMode;
    gui->_fullScreen = options.kiosk;

    GlTextureUploader uploader;
    gui->_uploader = &uploader;
    gui->loadTextures();
    gui->loadFonts();
    gui->_logsFolderSize = cleanLogsFolder();

    auto* machine = new Machine(connectPauseMs(options.devMode), gui->_config);
    gui->startMachine(machine);
    registerProtocols();
    takeDriveRootsFromEnvironment();

    glfwSetWindowSizeLimits(window, appwindow::kMinWidth, appwindow::kMinHeight, GLFW_DONT_CARE, GLFW_DONT_CARE);
    setWindowIcon(window);
    glfwSetInputMode(window, GLFW_CURSOR, options.kiosk ? GLFW_CURSOR_HIDDEN : GLFW_CURSOR_NORMAL);

    bool fullScreen = options.kiosk;
    const int refreshHz = monitorRefreshRate();
    Snapshot snapshot(clock.now());
    bool fontAtlasOnGpu = false;
    bool started = false;  // the first frame is on the screen
    const std::unique_ptr<UiProbeRecorder> probe = UiProbeRecorder::fromEnvironment();
    while (frameLoopContinues(glfwWindowShouldClose(window), exitCode)) {
        gui->startFrame();
        glfwPollEvents();
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();
        if (probe) probe->beginFrame();
        int width = 0, height = 0;
        glfwGetWindowSize(window, &width, &height);
        gui->draw(static_cast<float>(width), static_cast<float>(height));
        renderFrame(window, *gui);
        if (!fontAtlasOnGpu) {
            // The first frame has made the font texture: the atlas's copies of
            // the faces and its pixels (some 30 MB) are not needed any more.
            ImGui::GetIO().Fonts->ClearInputData();
            ImGui::GetIO().Fonts->ClearTexData();
            fontAtlasOnGpu = true;
        }
        snapshot.takeWhenDue(window, clock.now());
        glfwMakeContextCurrent(window);
        glfwSwapBuffers(window);
        if (!started) {
            sayStarted();
            started = true;
        }
        if (probe) probe->afterFrame(*gui, clock.now());  // what is now on the screen
        for (int n = gui->keys().take(GuiKey::FullScreen); n > 0; --n) {
            fullScreen = !fullScreen;
            setFullScreen(window, fullScreen);
        }
        applyCursorChange(window, cursor.update(clock.now()));
        std::this_thread::sleep_for(framePacingRest(refreshHz, clock.now() - gui->_frameTime));
    }

    while (!machine->requestQuit()) std::this_thread::sleep_for(kQuitPoll);
    delete machine;
    gui->_machine = nullptr;
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    gui.reset();  // its textures go while the GL context still exists
    g_cursor = nullptr;
    glfwDestroyWindow(window);
    glfwTerminate();
    return exitCode;
}
