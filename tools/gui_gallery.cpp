// gui_gallery OUT.png [resources|frame]
// Pictures of the interface drawn the way the program draws them (GL window,
// the program's texture upload and fonts), for a person to look at:
//   resources  every texture slot in key order on a grey cell (the dial face
//              in its three tints, at half size) and one line per font slot;
//   frame      the frame, message boxes and the progress dialog in both
//              languages, in windows of the smallest size the program allows.
// Exit code 0 when the picture was written.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include "gui/app_rules.h"
#include "gui/fonts.h"
#include "gui/gl/gl_snapshot.h"
#include "gui/gl/gl_texture_uploader.h"
#include "gui/gui.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
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

// One frame of `draw` at the given size, rendered into the back buffer.
void renderFrame(float width, float height, const std::function<void()>& draw) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(width, height);
    io.DeltaTime = 1.0f / 60;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui::NewFrame();
    draw();
    ImGui::Render();
    glViewport(0, 0, static_cast<int>(width), static_cast<int>(height));
    glClearColor(1, 1, 1, 1);
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

int framePage(const char* out) {
    const int w = appwindow::kMinWidth, h = appwindow::kMinHeight;
    const std::vector<Scene> scenes = frameScenes();
    const int rows = (static_cast<int>(scenes.size()) + kColumns - 1) / kColumns;
    const int sheetWidth = w * kColumns;
    std::vector<unsigned char> sheet(static_cast<std::size_t>(sheetWidth) * h * rows * 4, 255);
    std::vector<unsigned char> shot(static_cast<std::size_t>(w) * h * 4);
    Window window(w, h);
    if (!window.handle) return 1;
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
        ImGui::GetIO().UserData = &gui;
        gui.setScreen(true, &Gui::balancing);
        if (scene.setUp) scene.setUp(gui);
        for (int frame = 0; frame < 3; ++frame) {  // the slides end
            clock.sleepMs(400);
            gui.startFrame();
            renderFrame(static_cast<float>(w), static_cast<float>(h), [&] {
                gui.draw(static_cast<float>(w), static_cast<float>(h));
                if (scene.afterDraw) scene.afterDraw(gui);
            });
        }
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, shot.data());
        const int left = static_cast<int>(i % kColumns) * w;
        const int top = static_cast<int>(i / kColumns) * h;
        for (int y = 0; y < h; ++y)  // GL rows run bottom-up
            std::memcpy(&sheet[(static_cast<std::size_t>(top + y) * sheetWidth + left) * 4],
                        &shot[static_cast<std::size_t>(h - 1 - y) * w * 4], static_cast<std::size_t>(w) * 4);
        ImGui::GetIO().UserData = nullptr;
    }
    return stbi_write_png(out, sheetWidth, h * rows, 4, sheet.data(), sheetWidth * 4) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: gui_gallery OUT.png [resources|frame]\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    const int n = argc - optind;
    const std::string page = n > 1 ? argv[optind + 1] : "resources";
    if (n < 1 || n > 2 || (page != "resources" && page != "frame")) return tooloptions::usage(kUsage, false);
    const char* out = argv[optind];
    const int code = page == "resources" ? resourcesPage(out) : framePage(out);
    if (code != 0) std::fprintf(stderr, "gui_gallery: %s not written\n", out);
    return code;
}
