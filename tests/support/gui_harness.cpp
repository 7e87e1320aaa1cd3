#include "support/gui_harness.h"

#include <atomic>
#include <cfloat>
#include <vector>

#include "protocols/protocols.h"
#include "records/settings_file.h"
#include "rotor/rotor_clock.h"
#include "texts/texts.h"

namespace {
std::atomic<std::int64_t> g_wall{GuiHarness::kStartWall};
std::int64_t harnessWall() { return g_wall.load(); }

// One font atlas for all harnesses of a process: the interface's 33 fonts
// take long to build and never change.  Never destroyed.
struct SharedFonts {
    ImFontAtlas atlas;
    std::vector<ImFont*> slots;
};
SharedFonts& sharedFonts() {
    static SharedFonts* fonts = new SharedFonts;
    return *fonts;
}
}  // namespace

GuiHarness::GuiHarness(float width, float height, bool english) : size_(width, height), wasEnglish_(isEnglish()) {
    registerProtocols();
    g_wall = kStartWall;
    rotorclock::setClock(&harnessWall);
    SharedFonts& fonts = sharedFonts();
    context_ = ImGui::CreateContext(&fonts.atlas);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = size_;
    io.ConfigFlags |= ImGuiConfigFlags_IsTouchScreen;
    io.GetClipboardTextFn = &GuiHarness::clipboardText;
    io.ClipboardUserData = this;

    gui_.emplace(GuiClock(clock_));
    gui_->_machine = &machine_;
    io.UserData = &*gui_;
    if (fonts.slots.empty()) {
        gui_->loadFonts();
        unsigned char* pixels = nullptr;
        int w = 0, h = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
        io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(1));
        fonts.slots = gui_->_fonts;
    } else {
        gui_->_fonts = fonts.slots;
    }

    loadSettings(*gui_, "");  // defaults and a fresh rotor, as at start-up without a file
    setLanguage(english);
    lastFrame_ = clock_.now();
}

void GuiHarness::restart() {
    saveSettingsFile(*gui_->_config);
    const bool english = isEnglish();
    gui_.reset();
    gui_.emplace(GuiClock(clock_));
    gui_->_machine = &machine_;
    gui_->_fonts = sharedFonts().slots;
    ImGui::GetIO().UserData = &*gui_;
    loadSettings(*gui_, nullptr);
    setLanguage(english);
}

GuiHarness::~GuiHarness() {
    gui_.reset();
    ImGui::DestroyContext(context_);
    rotorclock::setClock(nullptr);
    setLanguage(wasEnglish_);
}

const char* GuiHarness::clipboardText(void* self) { return static_cast<GuiHarness*>(self)->clipboard_.c_str(); }

void GuiHarness::advance(std::int64_t ms) {
    clock_.advanceMs(ms);
    wallMs_ += ms;
    g_wall = wallBase_ + wallMs_ / 1000;
}

void GuiHarness::setWallTime(std::int64_t seconds) {
    wallBase_ = seconds;
    wallMs_ = 0;
    g_wall = seconds;
}

void GuiHarness::resize(float width, float height) { size_ = ImVec2(width, height); }

void GuiHarness::frame(int count) {
    for (int i = 0; i < count; ++i) {
        advance(kFrameMs);
        ImGuiIO& io = ImGui::GetIO();
        const auto now = clock_.now();
        io.DeltaTime = std::chrono::duration<float>(now - lastFrame_).count();
        if (io.DeltaTime <= 0) io.DeltaTime = 1e-4f;
        lastFrame_ = now;
        io.DisplaySize = size_;
        io.MousePos = touching_ || touch_.x >= 0 ? touch_ : ImVec2(-FLT_MAX, -FLT_MAX);
        io.MouseDown[0] = touching_;
        probe_.clear();
        gui_->startFrame();
        ImGui::NewFrame();
        gui_->draw(size_.x, size_.y);
        ImGui::Render();
        gui_->trimFrame(*ImGui::GetDrawData());  // as the program renders it
    }
}

void GuiHarness::run(std::int64_t ms) {
    for (std::int64_t t = 0; t < ms; t += kFrameMs) frame();
}

void GuiHarness::press(ImVec2 at) {
    touch_ = at;
    touching_ = true;
}

void GuiHarness::release() { touching_ = false; }

bool GuiHarness::tap(const std::string& label) {
    const UiItem* item = probe_.find(label);
    if (!item) return false;
    tapAt(item->centre());
    return true;
}

bool GuiHarness::tap(const std::string& label, const std::string& text) {
    for (const UiItem& item : probe_.items())
        if (item.label == label && item.text == text) {
            tapAt(item.centre());
            return true;
        }
    return false;
}

void GuiHarness::tapAt(ImVec2 at) {
    touch_ = at;
    touching_ = false;
    frame();  // hover
    touching_ = true;
    frame();  // press
    touching_ = false;
    frame();  // release: the click
    touch_ = ImVec2(-1, -1);
}

bool GuiHarness::hold(const std::string& label, std::int64_t ms) {
    const UiItem* item = probe_.find(label);
    if (!item) return false;
    touch_ = item->centre();
    frame();  // hover
    touching_ = true;
    run(ms);
    touching_ = false;
    frame();
    touch_ = ImVec2(-1, -1);
    return true;
}

void GuiHarness::drag(ImVec2 from, ImVec2 to, int steps) {
    touch_ = from;
    frame();  // hover
    touching_ = true;
    frame();
    for (int i = 1; i <= steps; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(steps);
        touch_ = ImVec2(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f);
        frame();
    }
    touching_ = false;
    frame();
    touch_ = ImVec2(-1, -1);
}
