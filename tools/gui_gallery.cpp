// gui_gallery OUT.png [resources|frame|widgets|keyboard]
// gui_gallery --screen editing CFG OUT.png
// gui_gallery --screen balancing CFG OUT.png
// gui_gallery --screen influence CFG OUT.png
// gui_gallery --coverage [--most R]
// Pictures of the interface drawn the way the program draws them (GL window,
// the program's texture upload and fonts), for a person to look at:
//   resources  every texture slot in key order on a grey cell (the dial face
//              in its three tints, at half size) and one line per font slot;
//   frame      the frame, message boxes and the progress dialog in both
//              languages, in windows of the smallest size the program allows;
//   widgets    the shared widgets in their states (normal, held, disabled,
//              marked, editing, locked, running) and the dials: angle dials
//              with markers and the reading mark at 0 and at 90, a touch
//              target, a sized dial in tolerance, speed dials in both phases
//              of the blink;
//   keyboard   every layout of the on-screen keyboard, in both languages and
//              in windows of that size;
//   --screen editing CFG
//              the Editing screen of the real Gui over the settings file CFG
//              (with a Machine that is not started): rotors of one to four
//              planes, a control rotor, both languages, the largest window and
//              the smallest (a distance being typed, the content scrolled).
//   --screen balancing CFG
//              the Balancing screen of a proving rotor at steps of its test
//              and over its records' progress (continued, refused, not kept
//              on a full disk), both languages; over runs measured through the rotor's
//              intake: two planes out of tolerance in both modes and both
//              languages, a plane marked Ready, a run in tolerance, the
//              compensator's hint, a drilling plane, the smallest window in
//              both languages; three planes drilled and milled in both
//              languages, in the largest window and the smallest (scrolled
//              to its end in Russian).
//   --screen influence CFG
//              the influence-coefficient screen the same way: the reference
//              run, a trial run after it (both languages), three planes with
//              one unmeasured, the coefficient view, four planes, the smallest
//              window in Russian, and a trial mass being typed in it in English.
//   --coverage the area each screen's frame paints, over the window's area
//              (gallery/coverage_page.h); no window is opened.  With --most,
//              exit code 1 when a screen covers more than R.
// Exit code 0 when the picture was written.

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>
#include <stb_image.h>
#include <stb_image_write.h>

#ifdef KS_GALLERY_COVERAGE
#include "gallery/coverage_page.h"
#endif
#include "gui/app_rules.h"
#include "gui/dial.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/gl/gl_snapshot.h"
#include "gui/gl/gl_texture_uploader.h"
#include "gui/gui.h"
#include "gui/screens/balancing.h"
#include "gui/screens/editing.h"
#include "gui/screens/influence.h"
#include "gui/widgets.h"
#include "machine/machine.h"
#include "platform/file_replace.h"
#include "records/job_records.h"
#include "records/settings_file.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/test_progress.h"
#include "texts/record_tags.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {

constexpr const char* kSampleLine = "Балансировка Balancing 0,5 À Á Â Ã Ä Å Æ Ç È É";
constexpr const char* kFaceNames[] = {"Light", "Regular", "Bold"};

constexpr float kPage = 1700;  // width of the resources page
constexpr float kGap = 12;
constexpr float kCaption = 18;
constexpr float kPadding = 4;
constexpr int kHalfSizeAbove = 500;  // larger images are shown at half size
constexpr ImU32 kCell = 0xFFB8B0B0;
constexpr ImU32 kCaptionColour = 0xFF333333;
constexpr ImU32 kTextColour = 0xFF000000;

class ManualClock final : public Clock {
public:
    time_point now() const override { return now_; }
    void sleepFor(std::chrono::milliseconds ms) override { now_ += ms; }

private:
    time_point now_{};
};

// ---- the window and one frame -----------------------------------------------

struct Window {
    GLFWwindow* handle = nullptr;

    Window(int width, int height) {
        if (!glfwInit()) return;
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        handle = glfwCreateWindow(width, height, "gui_gallery", nullptr, nullptr);
        if (!handle) return;
        glfwMakeContextCurrent(handle);
        ImGui::CreateContext();
        ImGui::GetIO().IniFilename = nullptr;
        ImGui::StyleColorsLight();
        ImGui_ImplOpenGL2_Init();
    }
    ~Window() {
        if (handle) {
            ImGui_ImplOpenGL2_Shutdown();
            ImGui::DestroyContext();
            glfwDestroyWindow(handle);
        }
        glfwTerminate();
    }
};

// One frame of `draw` at the given size, rendered into the back buffer over
// white, or over the clear colour of the Gui that `draw` draws.
void renderFrame(float width, float height, const std::function<void()>& draw, Gui* gui = nullptr) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(width, height);
    io.DeltaTime = 1.0f / 60;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui::NewFrame();
    draw();
    ImGui::Render();
    if (gui) gui->trimFrame(*ImGui::GetDrawData());
    glViewport(0, 0, static_cast<int>(width), static_cast<int>(height));
    const ImVec4 clear = ImGui::ColorConvertU32ToFloat4(gui ? gui->_clearColour : IM_COL32_WHITE);
    glClearColor(clear.x, clear.y, clear.z, clear.w);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

// ---- resources page -----------------------------------------------------------

struct Cell {
    int slot = 0;
    std::size_t variant = 0;
    ImVec2 at;
    ImVec2 size;  // as drawn
    std::string caption;
};

// Where each picture goes, from the sizes in the store (known before the
// window exists, so that the window fits them).
std::vector<Cell> layoutImages(float& bottom) {
    std::vector<Cell> cells;
    float x = kGap, y = kGap, rowHeight = 0;
    for (TextId key = textid::kInterfaceImageFirst; key <= textid::kInterfaceImageLast; ++key) {
        const ResourceEntry image = findResource(key);
        int w = 0, h = 0, n = 0;
        if (image.size == 0 || !stbi_info_from_memory(static_cast<const stbi_uc*>(image.data),
                                                      static_cast<int>(image.size), &w, &h, &n))
            continue;
        const float scale = std::max(w, h) > kHalfSizeAbove ? 0.5f : 1.0f;
        std::size_t variants = 0;
        for (const std::uint32_t* c = attrsOf(key); *c; ++c) ++variants;
        for (std::size_t v = 0; v < std::max<std::size_t>(variants, 1); ++v) {
            Cell cell;
            cell.slot = static_cast<int>(key - textid::kInterfaceImageFirst);
            cell.variant = v;
            cell.size = ImVec2(w * scale, h * scale);
            cell.caption = ks::format("{} · {:X}{}{}", cell.slot, key & 0xFFF, variants ? ks::format(" /{}", v) : "",
                                      scale < 1 ? " ½" : "");
            const float cellWidth = std::max(cell.size.x, 60.0f) + 2 * kPadding;
            if (x + cellWidth > kPage - kGap) {
                x = kGap;
                y += rowHeight + kGap;
                rowHeight = 0;
            }
            cell.at = ImVec2(x, y);
            x += cellWidth + kGap;
            rowHeight = std::max(rowHeight, cell.size.y + 2 * kPadding + kCaption);
            cells.push_back(cell);
        }
    }
    bottom = y + rowHeight + kGap;
    return cells;
}

float fontLinesHeight() {
    float h = 0;
    for (int slot = 0; slot < fontslot::kCount; ++slot)
        h += static_cast<float>(attrsOf(textid::kFontStyleFirst + slot)[1]) * 1.25f + 4;
    return h + kGap;
}

void drawResources(Gui& gui, const std::vector<Cell>& cells, float fontsTop) {
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
    ImGui::Begin("gallery", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoBackground);
    ImDrawList* list = ImGui::GetWindowDrawList();
    ImFont* small = uiFont(fontslot::kLight14);
    for (const Cell& c : cells) {
        const ImVec2 max(c.at.x + std::max(c.size.x, 60.0f) + 2 * kPadding, c.at.y + c.size.y + 2 * kPadding);
        list->AddRectFilled(c.at, max, kCell);
        const ImVec2 imageAt(c.at.x + kPadding, c.at.y + kPadding);
        if (void* id = gui._textures[c.slot].id(c.variant))
            list->AddImage(id, imageAt, ImVec2(imageAt.x + c.size.x, imageAt.y + c.size.y));
        list->AddText(small, small->FontSize, ImVec2(c.at.x, max.y + 1), kCaptionColour, c.caption.c_str());
    }
    float y = fontsTop;
    for (int slot = 0; slot < fontslot::kCount; ++slot) {
        ImFont* font = gui._fonts[slot];
        const std::string line = ks::format("{} {} {}: {}", slot, kFaceNames[slot / fontslot::kSizesPerFace],
                                            font->FontSize, kSampleLine);
        list->AddText(font, font->FontSize, ImVec2(kGap, y), kTextColour, line.c_str());
        y += font->FontSize * 1.25f + 4;
    }
    ImGui::End();
}

int resourcesPage(const char* out) {
    indexEmbeddedResources();
    float imagesBottom = 0;
    const std::vector<Cell> cells = layoutImages(imagesBottom);
    const int height = static_cast<int>(imagesBottom + fontLinesHeight());
    Window window(static_cast<int>(kPage), height);
    if (!window.handle) return 1;
    GlTextureUploader uploader;
    Gui gui;
    gui._uploader = &uploader;
    ImGui::GetIO().UserData = &gui;
    gui.loadTextures();
    gui.loadFonts();
    renderFrame(kPage, static_cast<float>(height), [&] { drawResources(gui, cells, imagesBottom); });
    return saveBackBufferPng(out, static_cast<int>(kPage), height) ? 0 : 1;
}

// ---- frame page ---------------------------------------------------------------

constexpr int kColumns = 2;

// The page's picture: the cells kColumns to a row, white where a shot is
// smaller than its cell.
class Sheet {
public:
    Sheet(int cellWidth, int cellHeight, std::size_t cells)
        : _cellWidth(cellWidth),
          _cellHeight(cellHeight),
          _width(cellWidth * kColumns),
          _rows((static_cast<int>(cells) + kColumns - 1) / kColumns),
          _pixels(static_cast<std::size_t>(_width) * _cellHeight * _rows * 4, 255),
          _shot(static_cast<std::size_t>(cellWidth) * cellHeight * 4) {}

    // The back buffer's lower-left w x h pixels into cell `i`.
    void take(std::size_t i, int w, int h) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, _shot.data());
        const int left = static_cast<int>(i % kColumns) * _cellWidth;
        const int top = static_cast<int>(i / kColumns) * _cellHeight;
        for (int y = 0; y < h; ++y)  // GL rows run bottom-up
            std::memcpy(&_pixels[(static_cast<std::size_t>(top + y) * _width + left) * 4],
                        &_shot[static_cast<std::size_t>(h - 1 - y) * w * 4], static_cast<std::size_t>(w) * 4);
    }

    bool write(const char* path) const {
        return stbi_write_png(path, _width, _cellHeight * _rows, 4, _pixels.data(), _width * 4) != 0;
    }

private:
    int _cellWidth, _cellHeight, _width, _rows;
    std::vector<unsigned char> _pixels, _shot;
};

struct Scene {
    bool english;
    std::function<void(Gui&)> setUp;       // before the first frame
    std::function<void(Gui&)> afterDraw;   // every frame, after Gui::draw
};

std::string joined(TextId a, TextId b) { return std::string(textOrEmpty(a)) + "|" + textOrEmpty(b); }

std::vector<Scene> frameScenes() {
    constexpr TextId kModel = 0x1796801;        // "Model"
    constexpr TextId kSave = 0x195DC0E;         // "Save"
    constexpr TextId kLongHint = 0x18A4004;     // the editing screen's hint
    constexpr TextId kHintTitle = 0x18A4003;
    auto service = [](Gui& g) { g._config->local.serviceAccess = true; };
    auto banner = [](Gui& g) {
        g._config->local.serviceAccess = true;
        g._settingsChanged = true;
    };
    auto yesNoSecond = [](Gui& g) {
        g.messageBox(textOrEmpty(textid::kTextUsbDeviceNotFound), textOrEmpty(textid::kTextDemoContinues),
                     textOrEmpty(textid::kTextButtonsYesNo), [](int i) { return i == -1 ? 1 : -1; });
    };
    auto field = [](Gui& g) {
        g.messageBox(textOrEmpty(kSave), nullptr, textOrEmpty(textid::kTextButtonsConnectCancel));
        g._modalInputWidth = 400;
        g._modalInputLabel = textOrEmpty(kModel);
        g._keyboardText = textOrEmpty(textid::kTextRotorNamePrefix) + std::string("12");
    };
    auto four = [](Gui& g) {
        const std::string labels = joined(textid::kTextButtonsYesNo, textid::kTextButtonsConnectCancel);
        g.messageBox(textOrEmpty(textid::kTextInvertersError), textOrEmpty(textid::kTextCheckSettings),
                     labels.c_str());
    };
    auto three = [](Gui& g) {  // too wide for the window: narrow buttons
        const std::string labels = joined(textid::kTextButtonsYesNo, kSave);
        g.messageBox(textOrEmpty(textid::kTextSettingsLoadError), nullptr, labels.c_str());
    };
    auto hint = [](Gui& g) { g.messageBox(textOrEmpty(kHintTitle), textOrEmpty(kLongHint), nullptr); };
    auto progress = [](Gui& g) {
        g._progressText = textOrEmpty(textid::kTextInitializing);
        g._progressValue = 40;
        g.drawProgress(g._screenWidth, g._screenHeight);
    };
    return {
        {true, service, {}},      {false, banner, {}},     {false, yesNoSecond, {}}, {true, field, {}},
        {false, four, {}},        {true, three, {}},       {false, hint, {}},        {true, {}, progress},
    };
}

// Every keyboard layout, opened the way a screen opens it.
std::vector<Scene> keyboardScenes() {
    auto keyboard = [](int mode, const char* text) {
        return [mode, text](Gui& g) {
            g._keyboardText = text;
            g._keyboardMode = mode;
            g._keyboardState = Gui::kEntering;
            g._barState = Gui::kEntering;
            g._transitionTime = g._frameTime;
            g._onEnter = [] {};
        };
    };
    return {
        {true, keyboard(1, "12"), {}},  {false, keyboard(1, "12"), {}},  {false, keyboard(3, ""), {}},
        {true, keyboard(5, ""), {}},    {true, keyboard(6, ""), {}},     {false, keyboard(6, ""), {}},
        {true, keyboard(7, ""), {}},    {true, keyboard(9, "R"), {}},    {false, keyboard(7, ""), {}},
        {false, keyboard(9, "Р"), {}},  {false, keyboard(8, ""), {}},    {false, keyboard(10, "R"), {}},
    };
}

int framePage(const char* out, const std::vector<Scene>& scenes) {
    const int w = appwindow::kMinWidth, h = appwindow::kMinHeight;
    Sheet sheet(w, h, scenes.size());
    Window window(w, h);
    if (!window.handle) return 1;
    GlTextureUploader uploader;
    std::vector<ImFont*> fonts;
    {
        Gui loader;
        ImGui::GetIO().UserData = &loader;
        loader.loadFonts();
        fonts = loader._fonts;
    }
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const Scene& scene = scenes[i];
        setLanguage(scene.english);
        ManualClock clock;
        Gui gui{GuiClock(clock)};
        gui._fonts = fonts;
        gui._uploader = &uploader;
        gui.loadTextures();
        ImGui::GetIO().UserData = &gui;
        gui.setScreen(true, &Gui::balancing);
        gui.applyScreen();  // an open keyboard would hold the switch
        if (scene.setUp) scene.setUp(gui);
        for (int frame = 0; frame < 3; ++frame) {  // the slides end
            clock.sleepMs(400);
            gui.startFrame();
            renderFrame(
                static_cast<float>(w), static_cast<float>(h),
                [&] {
                    gui.draw(static_cast<float>(w), static_cast<float>(h));
                    if (scene.afterDraw) scene.afterDraw(gui);
                },
                &gui);
        }
        sheet.take(i, w, h);
        ImGui::GetIO().UserData = nullptr;
    }
    return sheet.write(out) ? 0 : 1;
}


// ---- widgets page -------------------------------------------------------------

constexpr float kPanelWidth = 800;
constexpr float kPanelHeight = 520;
constexpr int kPanelFrames = 6;
constexpr int kPressFrame = 2;  // after two frames without a touch (the last panel's drag has ended)
constexpr ImU32 kNoteColour = 0xFF777777;

// One picture of the widgets page: drawn in a plain window of the panel's
// size over a few frames, with a touch held from the third frame on (moved
// by `drag` over the next three) so that one item shows its held look.
struct Panel {
    const char* title;
    bool english;
    bool blink;  // the caret's and the speed dial's phase
    std::function<void(Gui&)> draw;
    ImVec2 touch{-1, -1};
    ImVec2 drag{0, 0};
};

const char* say(const char* english, const char* russian) { return isEnglish() ? english : russian; }

void note(const char* text, float x, float y) {
    drawSlotText(fontslot::kLight14, text, ImGui::GetWindowPos() + ImVec2(x, y), kNoteColour);
}

// A window of its own inside the panel (the start switch and the dials place
// themselves in the window they are drawn in).
void subWindow(const char* name, ImVec2 at, ImVec2 size, const std::function<void()>& draw,
               ImGuiWindowFlags flags = 0) {
    beginFrameWindow(name, at, size, flags);
    draw();
    ImGui::End();
}

void textsPanel(Gui&) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 o = ImGui::GetWindowPos();
    ImGui::PushFont(uiFont(fontslot::kRegular28));
    float y = 20;
    for (const char* text : {"min^-1", "g/cm^3", "m~station", "m~x^2", "Start##3"}) {
        ImVec2 size;
        drawLabel(size, list, o.x + 20, o.y + y, uiFont(fontslot::kRegular17), text);
        note(text, 200, y + 8);
        y += 44;
    }
    ImGui::PopFont();
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    drawFontText(list, "tabButton: caption by drawFontText", o.x + 320, o.y + 50);
    tabButton(nullptr, textOrEmpty(textid::kTextRotorNamePrefix), 0, 320, 50, 420, 50);
    tabButton(nullptr, "Name", kTabPlaceholder, 320, 130, 420, 50);
    tabButton(uiTexture(textureslot::kFilter), "ROTOR 1", 0, 320, 210, 420, 50);
    ImGui::PopFont();
    note("text with caret, placeholder, with icon", 320, 270);
    float x = 20;
    for (int slot : {3, 5, 6, textureslot::kTileBalancing}) {
        if (const Texture* t = uiTexture(slot)) {
            drawImage(list, *t, o.x + x, o.y + 330);
            x += t->width + 20;
        }
    }
    note("drawImage: slots 3, 5, 6, 12", 20, 470);
}

void buttonsPanel(Gui&) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    optionButton("Correction##1", 20, 60, 180, 50, "Display mode");
    optionButton("Unbalances##1", 203, 60, 180, 50);  // held
    note("normal, held", 20, 115);
    const char* captions[] = {"supports", nullptr, nullptr, nullptr};
    const bool disabled[] = {false, false, true, true};
    const bool marked[] = {false, true, false, true};
    for (int i = 0; i < 4; ++i) {
        const std::string label = std::to_string(i + 1) + "##c";
        optionButton(label.c_str(), 20 + 55 * i, 190, 0, 50, captions[i], disabled[i], marked[i]);
    }
    note("square: normal, marked, disabled, marked and disabled", 20, 245);
    planeButton("Turn", IM_COL32(134, 134, 149, 255), 0, 20, 300, 103, 50);
    planeButton("Ready", 0xFF7AD645, 0, 133, 300, 103, 50);
    planeButton("!##w", 0xFF4057CD, kPlaneButtonImage, 246, 300, 60, 50);
    planeButton("@##x", 0xFFCD933C, kPlaneButtonImage, 316, 300, 60, 50);
    planeButton("<##b", 0xFF959595, kPlaneButtonImage, 386, 300, 60, 50);
    note("planeButton: text, text, '!', '@', other picture", 20, 355);
    ImGui::PopFont();
}

void toolbarPanel(Gui& gui) {
    // On the white of the bar the toolbar stands in.
    ImGuiWindow* panel = ImGui::GetCurrentWindow();
    panel->DrawList->AddRectFilled(panel->Pos, panel->Pos + panel->Size, IM_COL32_WHITE);
    static SideSelectorState modes;
    modes.items.clear();
    for (TextId id = 0x9DD001; id <= 0x9DD004; ++id) modes.items.push_back({textOrEmpty(id), id == 0x9DD003});
    modes.selected = 1;
    ImGui::PushFont(uiFont(fontslot::kLight28));
    SideSelector(modes, 2 * gui._margin, kPanelHeight - 40);
    ImGui::PopFont();
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    ImGui::SetCursorPos(ImVec2(modes.width + 20, 0));
    toolbarButton(say("Settings", "Настройки"));
    ImGui::SameLine(0, 10);
    toolbarButton(say("Apply##s", "Применить##s"), kToolbarSmallFont);
    gui._config->local.text2 = say("ROTOR 12", "ИЗДЕЛИЕ 12");
    toolbarButton("filter", kToolbarFilter | kToolbarFromRight);
    gui._config->local.text2.clear();
    ImGui::SetCursorPos(ImVec2(modes.width + 20, 90));
    toolbarButton(say("Protocol##g", "Протокол##g"), kToolbarGreyLabel | kToolbarAtCursor);
    ImGui::SameLine(0, 10);
    toolbarButton("filter##empty", kToolbarFilter | kToolbarAtCursor);
    ImGui::PopFont();
    note("top: plain, small font, the filter with a long name from the right edge", modes.width + 20, 160);
    note("at the cursor: grey label, the filter without a name", modes.width + 20, 180);
    note("SideSelector: second selected, third disabled", modes.width + 20, 200);
}

void entriesPanel(Gui& gui) {
    gui._keyboardText = "123456789,123456789";
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    const char* radius = say("Radius", "Радиус");
    const char* mass = say("Mass", "Масса");
    const char* diameter = say("Pipe diameter", "Диаметр трубы");
    const char* wall = say("Wall thickness", "Толщина стенки");
    numericEntry(kEntryNormal, say("mm", "мм"), radius, nullptr, 0, 20, 50, 220, 50, 125.5);
    numericEntry(kEntryEditing, say("g", "г"), mass, nullptr, 0, 280, 50, 220, 50, 0);
    numericEntry(kEntryInvalid, say("À|mm", "À|мм"), diameter, nullptr, 0, 540, 50, 220, 50, 0);
    note("normal, editing (the keyboard's text cut to fit), invalid with a prefix", 20, 110);
    numericEntry(kEntryDisabled, say("mm", "мм"), wall, nullptr, 0, 20, 170, 220, 50, 4.5);
    numericEntry(kEntryNormal, say("g", "г"), "m", nullptr, 1, 280, 170, 220, 50, 12.75);
    numericEntry(kEntryNormal, textOrEmpty(textid::kUnitRpm), "n", nullptr, 0, 540, 170, 220, 50, 1500);
    note("disabled, one-letter label with index, marked unit", 20, 230);
    numericEntry(kEntryNormal, say("gmm/kg", "гмм/кг"), "e", nullptr, 0, 20, 280, 220, 50, 0.000123456);
    numericEntry(kEntryNormal, textOrEmpty(textid::kUnitDensity), say("Density", "Плотность"), nullptr, 0, 280,
                 310, 220, 50, 7.85);
    note("a value too long for its field; g/cm^3", 20, 370);
    ImGui::PopFont();
}

void switchesPanel(Gui&) {
    static float states[] = {-1, 1, 8, -1, 1, -1, 1, -1};
    const float fixed[] = {-1, 1, 8, -1, 1, -1, 1};
    std::copy(std::begin(fixed), std::end(fixed), std::begin(states));
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    const char* labels[] = {"Compensator", "Increased accuracy", "Test table", "Plane P2##l", "Plane P3##l",
                            "Active##w", "External welding machine##r"};
    const int flags[] = {0, 0, 0, kCheckLocked, kCheckLocked, kCheckWide, kCheckRightAligned | kCheckWide};
    for (int i = 0; i < 7; ++i) {
        ImGui::SetCursorPos(ImVec2(20, 20 + 60.0f * i));
        checkList(states[i], labels[i], flags[i], nullptr, 0, 0);
    }
    ImGui::SetCursorPos(ImVec2(420, 20));
    checkList(states[7], "Dragged##k", 0, nullptr, 100, 0);  // held and moved
    ImGui::PopFont();
    note("off, on, turning; locked off and on; wide; wide at the right edge; knob held halfway (top right)", 20,
         450);
}

void startPanel(Gui&) {
    struct Start {
        const char* name;
        float knob;
        bool locked;
        const char* what;
    };
    static const Start starts[] = {{"s0", 0, false, "at rest"},     {"s1", 0, false, "held, slid part way"},
                                   {"s2", 77, false, "running"},    {"s3", 0, true, "locked"},
                                   {"s4", -40, false, "sliding back after a stop"}};
    static float knobs[5];
    const ImVec2 o = ImGui::GetWindowPos();
    for (int i = 0; i < 5; ++i) {
        if (i != 1) knobs[i] = starts[i].knob;  // the second follows the finger
        subWindow(starts[i].name, o + ImVec2(20, 20 + 95.0f * i), ImVec2(330, 80), [&] {
            ImGui::PushFont(uiFont(fontslot::kRegular24));
            startButton(knobs[i], say("Start", "Пуск"), starts[i].locked);
            ImGui::PopFont();
        });
        note(starts[i].what, 380, 50 + 95.0f * i);
    }
}

DialLayout angleDial(float left, float top, double value, int flags, double zero, bool reversed) {
    DialLayout layout;
    dialLayout(layout, left, top);
    layout.zeroOffset = zero;
    layout.reversed = reversed;
    drawDial(layout, value, flags);
    return layout;
}

void angleDialsPanel(Gui&) {
    const ImVec2 o = ImGui::GetWindowPos();
    const double planes[] = {30, 120, 250};
    subWindow("a0", o, ImVec2(400, 420), [&] {
        const DialLayout layout = angleDial(0, 180, 30, 0, 0, false);
        for (int i = 0; i < 3; ++i) drawDialMarker(layout, i + 1, 0, planes[i]);
        drawDialMarker(layout, -1, 1, 330);
    });
    subWindow("a90", o + ImVec2(400, 0), ImVec2(400, 420), [&] {
        const DialLayout layout = angleDial(0, 180, 30, 0, 90, true);
        for (int i = 0; i < 3; ++i) drawDialMarker(layout, i + 1, 0, planes[i]);
        drawDialMarker(layout, 12, 0, 330);
    });
    note("reading mark at 0, value 30, markers 1 at 30, 2 at 120, 3 at 250, green at 330", 20, 440);
    note("reading mark at 90, reversed, marker 12 at 330", 420, 460);
}

void toleranceDialPanel(Gui&) {
    const ImVec2 o = ImGui::GetWindowPos();
    static double target = 200;
    subWindow("big", o, ImVec2(kPanelWidth, kPanelHeight), [&] {
        angleDial(300, 10, 359.957, kDialHighlight | kDialInTolerance | kDialTwoDecimals, 0, false);
    }, ImGuiWindowFlags_NoBackground);
    subWindow("t", o, ImVec2(300, 420), [&] {
        DialLayout layout;
        dialLayout(layout, 0, 180);
        DialTarget(layout, 30, &target);
    });
    note("DialTarget: value 30, touched at the right of the ring: 120", 20, 440);
    note("sized from the window, highlighted, in tolerance, 359.957 with two decimals", 320, 465);
}

void speedDialsPanel(Gui&) {
    const ImVec2 o = ImGui::GetWindowPos();
    const double speeds[] = {0, 1480};
    for (int i = 0; i < 2; ++i) {
        const std::string name = "v" + std::to_string(i);
        subWindow(name.c_str(), o + ImVec2(400.0f * i, 0), ImVec2(400, 420), [&] {
            DialLayout layout;
            dialLayout(layout, 0, 180);
            drawDial(layout, speeds[i], kDialSpeed);
        });
    }
    note("speed 0 and 1480", 20, 440);
}

std::vector<Panel> widgetPanels() {
    return {
        {"texts", true, true, textsPanel},
        {"buttons", true, false, buttonsPanel, ImVec2(290, 85)},
        {"toolbar", false, false, toolbarPanel},
        {"entries", false, true, entriesPanel},
        {"switches", true, false, switchesPanel, ImVec2(420 + 100 + 17.5f + 16, 45), ImVec2(14, 0)},
        {"start", false, false, startPanel, ImVec2(20 + 330 - 32 - 180 + 40, 20 + 95 + 40), ImVec2(40, 0)},
        {"angle", true, false, angleDialsPanel},
        {"tolerance", false, false, toleranceDialPanel, ImVec2(150 + 97, 180)},
        {"speed, blink off", true, false, speedDialsPanel},
        {"speed, blink on", false, true, speedDialsPanel},
    };
}

int widgetsPage(const char* out) {
    const int w = static_cast<int>(kPanelWidth), h = static_cast<int>(kPanelHeight);
    const std::vector<Panel> panels = widgetPanels();
    Sheet sheet(w, h, panels.size());
    Window window(w, h);
    if (!window.handle) return 1;
    GlTextureUploader uploader;
    Gui loader;  // owns the fonts and textures that every panel's Gui borrows
    loader._uploader = &uploader;
    ImGui::GetIO().UserData = &loader;
    loader.loadTextures();
    loader.loadFonts();
    ImGuiIO& io = ImGui::GetIO();
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const Panel& panel = panels[i];
        setLanguage(panel.english);
        ManualClock clock;
        clock.sleepMs(panel.blink ? 100 : 600);
        Gui gui{GuiClock(clock)};
        gui._fonts = loader._fonts;
        gui._textures = loader._textures;  // no uploader: this Gui releases nothing
        gui._margin = 32;
        io.UserData = &gui;
        for (int frame = 0; frame < kPanelFrames; ++frame) {
            clock.sleepMs(16);
            gui.startFrame();
            const float moved = std::min(1.0f, std::max(0.0f, (frame - kPressFrame) / 3.0f));
            io.MouseDown[0] = frame >= kPressFrame && panel.touch.x >= 0;
            io.MousePos = io.MouseDown[0] ? panel.touch + panel.drag * moved : ImVec2(-FLT_MAX, -FLT_MAX);
            renderFrame(kPanelWidth, kPanelHeight, [&] {
                beginFrameWindow("widgets", ImVec2(0, 0), ImVec2(kPanelWidth, kPanelHeight));
                ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(0, 0), ImVec2(kPanelWidth, kPanelHeight), 0xFFF0F0F0);
                panel.draw(gui);
                note(panel.title, kPanelWidth - 120, kPanelHeight - 20);
                ImGui::End();
            });
        }
        io.MouseDown[0] = false;
        sheet.take(i, w, h);
        io.UserData = &loader;
    }
    return sheet.write(out) ? 0 : 1;
}


// ---- the Editing screen -------------------------------------------------------

// A cell of a screen's page: a new rotor, shaped, opened in the screen.
template <class Data>
struct ScreenScene {
    bool english;
    bool small;                                   // the smallest window, else the largest
    std::function<void(Rotor&)> shape;            // the rotor, before the first frame
    std::function<void(Gui&, Data&, int)> touch;  // after each frame (its number)
};

// The screen of the real Gui over the settings file `settings`, one cell a
// scene, written to `out`; 0 when written.
template <class Data>
int screenPage(const char* settings, const char* out, void (Gui::*screen)(),
               const std::vector<ScreenScene<Data>>& scenes) {
    namespace fs = std::filesystem;
    constexpr int kCellWidth = 1280, kCellHeight = 960;
    std::error_code ec;
    const fs::path cfg = fs::absolute(settings, ec), shotPath = fs::absolute(out, ec);
    const fs::path home = fs::current_path(ec);
    // The machine's logs and the rotor folders go into a folder of their own.
    std::string scratch = (fs::temp_directory_path(ec) / "gui_gallery_XXXXXX").string();
    if (!mkdtemp(scratch.data())) return 1;
    fs::current_path(scratch, ec);
    fs::create_directory("logs", ec);

    Sheet sheet(kCellWidth, kCellHeight, scenes.size());
    int code = 1;
    {
        Window window(kCellWidth, kCellHeight);
        if (!window.handle) return 1;
        GlTextureUploader uploader;
        ManualClock clock;
        Gui gui{GuiClock(clock)};
        gui._uploader = &uploader;
        ImGui::GetIO().UserData = &gui;
        gui.loadTextures();
        gui.loadFonts();
        MachineDeps deps;
        deps.makeOlder = [](Clock&) -> Api* { return nullptr; };
        deps.demoReplayPath = "no-such-dir/mapi.dmp";
        Machine machine(1, gui._config, deps);
        gui._machine = &machine;
        if (!loadSettings(gui, cfg.c_str())) {
            std::fprintf(stderr, "gui_gallery: cannot load %s\n", cfg.c_str());
        } else {
            // The machine is never connected: what the load and the status say
            // of it is not the screen's.
            gui.closeModal();
            gui._invertersShown = gui._demoShown = true;
            for (std::size_t i = 0; i < scenes.size(); ++i) {
                const ScreenScene<Data>& scene = scenes[i];
                const int w = scene.small ? appwindow::kMinWidth : kCellWidth;
                const int h = scene.small ? appwindow::kMinHeight : kCellHeight;
                setLanguage(scene.english);
                gui._modalState = Gui::kHidden;  // the scene before's box is not this one's
                gui.newRotor();
                scene.shape(*gui._rotor);
                gui.setScreen(false, screen);
                for (int frame = 0; frame < 40; ++frame) {  // the slides end
                    clock.sleepMs(16);
                    gui.startFrame();
                    renderFrame(
                        static_cast<float>(w), static_cast<float>(h),
                        [&] { gui.draw(static_cast<float>(w), static_cast<float>(h)); }, &gui);
                    auto* data = dynamic_cast<Data*>(gui._data);
                    if (data && scene.touch) scene.touch(gui, *data, frame);
                }
                sheet.take(i, w, h);
            }
            code = sheet.write(shotPath.c_str()) ? 0 : 1;
        }
        gui._machine = nullptr;
    }
    fs::current_path(home, ec);
    fs::remove_all(scratch, ec);
    return code;
}

using EditingScene = ScreenScene<Editing::Data>;

// A write that finds the disk full.
long fullDisk(int, const void*, std::size_t) { return (errno = ENOSPC, -1); }

void setFlag(Rotor& rotor, std::uint32_t tag, std::uint32_t value) {
    const std::uint32_t path[] = {tag, value};
    rotor.setParameter(path, 2, nullptr);
}

void setPlaneValue(Rotor& rotor, int plane, std::uint32_t tag, const char* text) {
    const std::uint32_t path[] = {jobrec::kPlanes, static_cast<std::uint32_t>(plane), tag};
    rotor.setParameter(path, 3, text);
}

// Planes with their two channels each (0 none).
void shapeRotor(Rotor& rotor, std::initializer_list<std::pair<int, int>> channels) {
    rotor.clearPlanes();
    rotor.setPlaneCount(static_cast<int>(channels.size()));
    int p = 1;
    for (const auto& [first, second] : channels)
        rotor.setPlaneChannels(p++, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second));
}

constexpr float kBarHeight = 80;    // the content starts under the top bar
constexpr float kEntryScroll = 90;  // a tapped box stands this far above the keyboard

std::vector<EditingScene> editingScenes() {
    const auto twoPlanes = [](Rotor& r) {
        shapeRotor(r, {{1, 0}, {0, 2}});
        setPlaneValue(r, 0, jobrec::kDistance1, "120");
        setPlaneValue(r, 1, jobrec::kDistance1, "600");
        setPlaneValue(r, 1, jobrec::kDistance2, "150");
    };
    const auto onePlane = [](Rotor& r) { shapeRotor(r, {{1, 2}}); };
    const auto controlRotor = [](Rotor& r) {
        shapeRotor(r, {{1, 0}, {0, 0}, {0, 2}});
        setFlag(r, jobrec::kControlRotor, 1);
    };
    const auto fourPlanes = [](Rotor& r) {
        shapeRotor(r, {{1, 0}, {2, 0}, {0, 0}, {0, 3}});
        setFlag(r, jobrec::kDrive, jobrec::kDriveBelt);
    };
    const auto threePlanes = [](Rotor& r) { shapeRotor(r, {{1, 0}, {0, 0}, {0, 2}}); };
    // As a tap on the box "B" does it; the digits typed once the keyboard is up.
    const auto typeDistance = [](Gui& g, Editing::Data& d, int frame) {
        if (frame == 0) {
            d.editTarget = Editing::planeFieldTarget(1, jobrec::kDistance1);
            for (const SchemeBox& box : schemeBoxes(d.view, 0))
                if (box.field == static_cast<std::uint32_t>(d.editTarget))
                    d.scroll = kBarHeight + box.at.y + kEntryScroll;
        } else if (frame == 20) {
            g._keyboardText = "600";
        }
    };
    const auto scrollDown = [](Gui&, Editing::Data&, int frame) {
        if (frame != 0) return;
        if (ImGuiWindow* content = ImGui::FindWindowByName(Editing::kContentWindow)) content->ScrollTarget.y = 330;
    };
    return {
        {true, false, twoPlanes, {}},          {false, false, onePlane, {}},
        {true, false, controlRotor, {}},       {false, false, fourPlanes, {}},
        {false, true, threePlanes, scrollDown}, {true, true, twoPlanes, typeDistance},  // the keyboard stays up
    };
}

// ---- the Balancing screen -----------------------------------------------------

using BalancingScene = ScreenScene<BalancingData::Data>;

// A run of the given unbalances, measured through the rotor's intake over
// direct influence coefficients (0.01 per gmm) and solved.
void measureRun(Rotor& r, const std::vector<std::pair<double, double>>& unbalances) {
    const int n = static_cast<int>(unbalances.size());
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double amp = i == j ? 0.01 : 0.0, deg = 0;
            r.factorData(1, i, j, &amp, nullptr);
            r.factorData(2, i, j, nullptr, &deg);
        }
    r.startSession();
    for (int k = 0; k < n; ++k) r.initChannel(static_cast<unsigned>(k), 1, k);
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < n; ++k) {
            const auto [gmm, deg] = unbalances[static_cast<std::size_t>(k)];
            const double mirrored = std::fmod(360.0 - deg, 360.0);  // the intake mirrors the angles it averages
            r.addMeasureResult(gmm * 0.01, mirrored * 3.14159265358979 / 180, mirrored, 1, k);
        }
    if (r.takeMeasurement()) r.computeDisbalance();
}

std::vector<BalancingScene> balancingScenes() {
    const std::vector<std::pair<double, double>> outside = {{420, 30}, {310, 200}};
    const auto twoPlanes = [](Rotor& r) { shapeRotor(r, {{1, 0}, {0, 2}}); };
    const auto drilling = [](Rotor& r) {
        shapeRotor(r, {{1, 0}, {0, 2}});
        r.data().planes[1].mode = jobrec::kModeRemoval;
        r.data().planes[1].mean = jobrec::kMeanRadialDrilling;
        r.data().planes[1].holeDiameter = 8;
        r.data().planes[1].additionalHoles = 3;
    };
    // Three planes: radial drilling of two holes in a row, flat milling, arc
    // milling; the shallow cut is one the full depth cannot make.
    const auto machining = [](double millDepth) {
        return [millDepth](Rotor& r) {
            shapeRotor(r, {{1, 0}, {2, 0}, {3, 0}});
            for (Plane& p : r.data().planes) p.mode = jobrec::kModeRemoval;
            Plane& drilled = r.data().planes[0];
            drilled.mean = jobrec::kMeanRadialDrilling;
            drilled.holeDiameter = 8;
            drilled.additionalHoles = 1;
            drilled.wallThickness = 2;
            drilled.maxDrillDepth = 20;
            for (std::size_t i : {1, 2}) {
                Plane& milled = r.data().planes[i];
                milled.mean = i == 1 ? jobrec::kMeanFlatMilling : jobrec::kMeanArcMilling;
                milled.millWidth = 10;
                milled.maxMillDepth = millDepth;
            }
        };
    };
    const std::vector<std::pair<double, double>> threeOutside = {{420, 30}, {310, 200}, {260, 120}};
    const auto unbalances = [](BalancingData::Data& d) {
        d._displayUnbalances = true;
        d.prepare(false);
    };
    const auto firstReady = [](BalancingData::Data& d) { d._acknowledgedPlanes = 1; };
    const auto pending = [](BalancingData::Data& d) { d._compensatorPending = true; };
    const auto scrolledDown = [](BalancingData::Data&) {
        for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
            if (std::strncmp(w->Name, "Balancing/supports", 18) == 0) w->ScrollTarget.y = 1e5f;  // clamped to the end
    };
    // A named rotor of the given shape and unbalances (per plane: gmm,
    // degrees), measured once; `touch` after the first frame.
    const auto scene = [](bool english, bool small, std::vector<std::pair<double, double>> unbalances,
                          std::function<void(Rotor&)> shape,
                          std::function<void(BalancingData::Data&)> touch) -> BalancingScene {
        const auto measured = [english, unbalances, shape](Rotor& rotor) {
            rotor.setName(english ? "Shaft 7" : "Вал 7");
            rotor.data().speed = 1000;
            rotor.data().permissibleUnbalance = 50;
            shape(rotor);
            for (auto& plane : rotor.data().planes) plane.radius = 100;
            measureRun(rotor, unbalances);
        };
        const auto first = [touch](Gui&, BalancingData::Data& d, int frame) {
            if (frame == 0) touch(d);
        };
        return {english, small, measured,
                touch ? first : std::function<void(Gui&, BalancingData::Data&, int)>()};
    };
    // A proving rotor of `kg` at r `radius` after `runs` runs of its
    // verification test, its test planes reading 0.3 × U|mar| and in the last
    // run `last` × U|mar|: after run 19 the U|mar| test mass comes off and the
    // URR masses go on; a light rotor's run 6 above 0.5 × U|mar| asks its
    // correction with the digits that pass the step; after run 39 the test is
    // complete, and once its last masses are off it offers the last run again;
    // with an earlier run `chosen` it leads back to the last; opened from a
    // record that a newer record of the test continued, it asks nothing; one
    // whose progress is refused says so as it opens; a "Ready" that a full
    // disk does not keep says so at once; a record left when a new test of
    // the rotor was begun asks nothing; a run a full disk does not take is
    // said at once, and the screen stands as before it.
    enum class Record { kNone, kContinued, kRefused, kFullDisk, kBegunAgain, kRunRefused };
    const auto proving = [](bool english, bool small, double kg, double radius, int runs, double last,
                            std::uint32_t ready = 0, int chosen = -1, Record record = Record::kNone) -> BalancingScene {
        const auto measured = [=](Rotor& r) {
            r.setName(english ? "Proving" : "Контрольный");
            r.data().speed = 800;
            shapeRotor(r, {{1, 0}, {0, 0}, {0, 2}});
            setFlag(r, jobrec::kControlRotor, 1);
            r.data().permissibleUnbalance = 0.4 * kg;
            for (Plane& p : r.data().planes) p.radius = p.radiusSmall = p.radiusR1 = radius;
            r.computeTestMasses();
            r.data().runs.resize(static_cast<std::size_t>(runs));
            for (Measurement& m : r.data().runs) {
                m.results.resize(2);
                const double u = (&m == &r.data().runs.back() ? last : 0.3) * 0.4 * kg;
                m.results[0].unbalance = m.results[1].unbalance = Vector(u, 1);
            }
            r.selectRun(chosen >= 0 ? chosen : runs - 1);
            if (record == Record::kNone) return;
            const std::string name = ks::format("{}_3", r.nameText(false));
            const std::string file = name + "20230125120000.rotor";
            std::filesystem::remove_all("history");  // no record of a scene before
            std::filesystem::create_directory("history");
            if (record == Record::kContinued) {
                r.data().runs.push_back(r.data().runs.back());
                r.data().save(ks::format("history/{}20230125130000.rotor", name));
                r.data().runs.pop_back();
            }
            r.data().save("history/" + file);
            if (record == Record::kRefused) platform::replaceFile(testProgressPath("history/" + file), "cut short");
            if (record == Record::kBegunAgain) {
                TestProgress left;
                left.left = TestLeft::kBegunAgain;
                keepTestProgress("history/" + file, testProgressRuns(r.data()), left);
            }
            r.loadRotor(file.c_str(), 2);
        };
        const auto acknowledged = [ready, record](Gui& g, BalancingData::Data& d, int frame) {
            if (frame != 0) return;
            if (record == Record::kFullDisk) platform::setReplaceFileWriter(&fullDisk);
            d.setAcknowledged(ready);
            if (record == Record::kRunRefused) {
                platform::setReplaceFileWriter(&fullDisk);
                d._rotor->recordRun(d._rotor->data().runs.back());
                g.sayWriteError(*d._rotor);
            }
            platform::setReplaceFileWriter(nullptr);
        };
        using Touch = std::function<void(Gui&, BalancingData::Data&, int)>;
        return {english, small, measured, ready ? Touch(acknowledged) : Touch()};
    };
    return {
        proving(true, false, 25, 150, 39, 0.3),
        proving(false, false, 25, 150, 39, 0.3, 0b101),
        proving(true, false, 25, 150, 19, 10),
        proving(false, false, 25, 150, 19, 10),
        proving(true, false, 2.1, 140, 6, 0.6),
        proving(false, false, 2.1, 140, 6, 0.6),
        proving(true, false, 25, 150, 21, 0.3, 0, 19),  // an earlier run chosen: nothing asked
        proving(false, true, 25, 150, 21, 0.3, 0, 0),
        proving(true, false, 25, 150, 12, 0.3, 0, -1, Record::kContinued),  // the test went on in a newer record
        proving(false, false, 25, 150, 12, 0.3, 0, -1, Record::kContinued),
        proving(true, false, 25, 150, 12, 0.3, 0, -1, Record::kRefused),
        proving(false, true, 25, 150, 12, 0.3, 0, -1, Record::kRefused),
        proving(false, false, 25, 150, 12, 0.3, 0b010, -1, Record::kFullDisk),
        proving(true, true, 25, 150, 12, 0.3, 0b010, -1, Record::kFullDisk),
        proving(true, false, 25, 150, 12, 0.3, 0, -1, Record::kBegunAgain),  // a new test of the rotor was begun
        proving(false, false, 25, 150, 12, 0.3, 0, -1, Record::kBegunAgain),
        proving(true, false, 25, 150, 12, 0.3, 0b111, -1, Record::kRunRefused),
        proving(false, false, 25, 150, 12, 0.3, 0b111, -1, Record::kRunRefused),
        proving(false, true, 25, 150, 12, 0.3, 0b111, -1, Record::kRunRefused),
        scene(true, false, outside, twoPlanes, {}),
        scene(false, false, outside, twoPlanes, unbalances),
        scene(true, false, outside, drilling, firstReady),
        scene(false, false, {{12, 30}, {20, 200}}, twoPlanes, {}),
        scene(true, false, outside, twoPlanes, pending),
        scene(true, true, outside, twoPlanes, {}),
        scene(false, true, outside, twoPlanes, {}),
        scene(true, false, threeOutside, machining(5), {}),
        scene(false, false, threeOutside, machining(0.5), {}),
        scene(true, true, threeOutside, machining(5), {}),
        scene(false, true, threeOutside, machining(0.5), scrolledDown),
    };
}

// ---- the influence-coefficient screen -------------------------------------------

using InfluenceScene = ScreenScene<InfluenceData::Data>;

// The rotor's final values are these vectors (amplitude, degrees) of its
// measuring planes, stored as run `run`.
void storeRun(Rotor& rotor, int run, std::initializer_list<std::pair<double, double>> vectors) {
    rotor.startSession();
    unsigned k = 0;
    for (const auto& [amplitude, degrees] : vectors) {
        rotor.initChannel(k, 1, static_cast<int>(k));
        const double mirrored = 360.0 - degrees;
        rotor.addMeasureResult(amplitude, mirrored * 3.14159265358979323846 / 180.0, mirrored, 1, static_cast<int>(k));
        ++k;
    }
    if (rotor.finalResults()) rotor.takeTrialMeasurement(run);
}

std::vector<InfluenceScene> influenceScenes() {
    using InfluenceData::Data;
    const auto twoPlanes = [](Rotor& r) {
        shapeRotor(r, {{1, 0}, {0, 2}});
        for (int i = 0; i < 2; ++i) setPlaneValue(r, i, jobrec::kRadius, "100");
    };
    const auto threePlanes = [](Rotor& r) { shapeRotor(r, {{1, 0}, {0, 0}, {0, 2}}); };
    const auto fourPlanes = [](Rotor& r) { shapeRotor(r, {{1, 0}, {2, 0}, {0, 0}, {0, 3}}); };
    const auto withFactors = [twoPlanes](Rotor& r) {
        twoPlanes(r);
        r.data().factors = {Vector(0.0123, 0.5), Vector(0.0088, 2.1), Vector(0.0301, 4.0), Vector(0.0164, 1.2)};
        r.data().references = {Vector(10, 0.52), Vector(8, 1.31),  Vector(20, 1.05),
                               Vector(16, 4.45), Vector(30, 1.57), Vector(24, 1.57)};
    };
    // The reference run measured; the trial mass of plane 1 confirmed.
    const auto afterReference = [](Gui&, Data& d, int frame) {
        if (frame != 0) return;
        storeRun(*d.rotor, 0, {{10, 30}, {8, 75}});
        d.doneMask = 1;
        d.currentRun = 1;
        d.rotor->setTrialMass(12.5, 0);
        d.massConfirmed = d.angleEntered = true;
        d.rotor->setTrialAngle(0, 45);
    };
    const auto threeRuns = [](Gui&, Data& d, int frame) {
        if (frame != 0) return;
        storeRun(*d.rotor, 0, {{10, 30}, {8, 75}});
        d.doneMask = 1;
        d.currentRun = 3;
    };
    const auto typeMass = [](Gui& g, Data& d, int frame) {
        if (frame == 0) {
            d.currentRun = 1;
            d.editTarget = InfluenceData::kMassEntry;
            d.scroll = kBarHeight + d.bandTop + InfluenceData::kPanelDrop + InfluenceData::kMassScroll;
        } else if (frame == 20) {
            g._keyboardText = "12,5";
        }
    };
    return {
        {true, false, twoPlanes, {}},        {false, false, twoPlanes, afterReference},
        {true, false, threePlanes, threeRuns}, {true, false, withFactors, {}},
        {false, false, fourPlanes, {}},      {false, true, twoPlanes, {}},
        {true, true, twoPlanes, typeMass},
    };
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage =
        "usage: gui_gallery OUT.png [resources|frame|widgets|keyboard]\n"
        "       gui_gallery --screen editing|balancing|influence CFG OUT.png\n"
        "       gui_gallery --coverage [--most R]\n";
#ifdef KS_GALLERY_COVERAGE
    if (argc >= 2 && std::strcmp(argv[1], "--coverage") == 0) {
        char* end = nullptr;
        const double most =
            argc == 4 && std::strcmp(argv[2], "--most") == 0 ? std::strtod(argv[3], &end) : HUGE_VAL;
        if ((argc != 2 && argc != 4) || (argc == 4 && (end == argv[3] || *end != '\0')))
            return tooloptions::usage(kUsage, false);
        return coveragePage(most);
    }
#endif
    if (argc == 5 && std::strcmp(argv[1], "--screen") == 0) {
        const std::string screen = argv[2];
        int code = 1;
        if (screen == "editing")
            code = screenPage(argv[3], argv[4], &Gui::editing, editingScenes());
        else if (screen == "balancing")
            code = screenPage(argv[3], argv[4], &Gui::balancing, balancingScenes());
        else if (screen == "influence")
            code = screenPage(argv[3], argv[4], &Gui::influenceCoefficients, influenceScenes());
        else
            return tooloptions::usage(kUsage, false);
        if (code != 0) std::fprintf(stderr, "gui_gallery: %s not written\n", argv[4]);
        return code;
    }
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    const int n = argc - optind;
    const std::string page = n > 1 ? argv[optind + 1] : "resources";
    if (n < 1 || n > 2 || (page != "resources" && page != "frame" && page != "widgets" && page != "keyboard"))
        return tooloptions::usage(kUsage, false);
    const char* out = argv[optind];
    int code = 0;
    if (page == "resources")
        code = resourcesPage(out);
    else if (page == "frame")
        code = framePage(out, frameScenes());
    else if (page == "widgets")
        code = widgetsPage(out);
    else
        code = framePage(out, keyboardScenes());
    if (code != 0) std::fprintf(stderr, "gui_gallery: %s not written\n", out);
    return code;
}
