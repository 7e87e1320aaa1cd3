// The home screen: the operator list and the PIN keypad while nobody is
// logged in, the tiles to the other screens once somebody is; the logout (or
// service-entry) tile and the clock in a left column; the welder question
// and its reminder.
//
// Layout: tiles T x T px (300, or 200 in a window lower than 800 or narrower
// than 1000 px) in two columns 20 px apart; a column pitch P = T + (width -
// 20 - 3T) / 3.  The tile grid (or the operator list, as wide) starts P + 20
// px from the left, the left column ends 20 px before it.  The keypad column
// (200 px) slides in from the right edge by up to P px while everything else
// slides left by as much, so the left column leaves the window then.

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/gui.h"
#include "gui/scroll_drag.h"
#include "gui/ui_probe.h"
#include "gui/visible_rows.h"
#include "machine/machine_base.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

constexpr TextId kTextBalancing = 0x195DC05;
constexpr TextId kTextHistory = 0x195DC06;
constexpr TextId kTextDatabase = 0x195DC07;
constexpr TextId kTextLogout = 0x195DC0F;
constexpr TextId kTextWelding = 0x195DC10;
constexpr TextId kTextDatePattern = 0x195DC12;
constexpr TextId kTextNoWelder = 0x9DD009;
constexpr TextId kTextWelderQuestion = 0x9DD00A;
constexpr TextId kButtonsYesNo = 0x1CA6402;
constexpr TextId kButtonsConnectCancel = 0x1CA6403;

constexpr const char* kServiceCode = "482715";
constexpr int kServiceEntry = 1000000;
constexpr const char* kServiceLabel = "service-entry";  // the probe's name of the captionless tile

constexpr float kBigTile = 300;
constexpr float kSmallTile = 200;
constexpr float kWideWindow = 1000;
constexpr float kTallWindow = 800;
constexpr float kTileGap = 20;
constexpr float kEdge = 20;  // above and below the tile area and the keypad
constexpr float kLeftTile = 140;
constexpr float kNameAbove = 6;
constexpr float kClockBelow = 20;
constexpr float kRowHeight = 60;
constexpr int kRowsWithoutScroll = 6;
constexpr float kRowTextInset = 20;
constexpr float kRowReserve = 70;  // right of the name: the arrow
constexpr float kRowArrowInset = 16;
constexpr float kKeypadWidth = 200;
constexpr float kCaptionGap = 12;
constexpr float kFadeHeight = 30;
constexpr float kWeldingScroll = 150;
constexpr float kNoScroll = -1;
constexpr double kSlideMsPerRange = 200;
constexpr double kSlideFull = 100;
constexpr double kSlideAlmostFull = 99;
constexpr std::int64_t kWelderReminderMs = 5000;
const ImVec2 kVersionAt(5, 20);  // x from the left, y from the bottom

constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kBlue = 0xFFCD933C;
constexpr ImU32 kLightGrey = 0xFFEEEEEE;
constexpr ImU32 kPressedGrey = 0xFFCCCCCC;
constexpr ImU32 kOtherName = 0xFFCCCCCC;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kClear = 0x00FFFFFF;

// What the home screen keeps between frames; gone whenever another screen
// is shown.
struct HomeData : Gui::ActiveData {
    bool weldingTile = false;  // the Welding tile was shown last frame
    float scrollTo = kNoScroll;  // where the tiles or the list scroll to next
};

struct HomeLayout {
    float tile;
    float pitch;      // how far the keypad slides in
    float gridLeft;   // of the tiles and of the operator list
    float gridWidth;
    float areaHeight;
};

HomeLayout homeLayout(float width, float height) {
    HomeLayout l{};
    l.tile = height < kTallWindow || width < kWideWindow ? kSmallTile : kBigTile;
    l.pitch = l.tile + (width - kEdge - 3 * l.tile) / 3;
    l.gridLeft = l.pitch + kEdge;
    l.gridWidth = 2 * l.tile + kTileGap;
    l.areaHeight = height - 2 * kEdge;
    return l;
}

ImVec2 textSize(int slot, const char* text, const char* end = nullptr) {
    ImFont* font = uiFont(slot);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, text, end);
}

// The text, or its longest prefix of whole UTF-8 characters with "..." that
// fits in `width`.
std::string fitText(int slot, const std::string& text, float width) {
    if (textSize(slot, text.c_str()).x <= width) return text;
    std::size_t end = text.size();
    while (end > 0) {
        do {
            --end;
        } while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
        const std::string cut = text.substr(0, end) + "...";
        if (textSize(slot, cut.c_str()).x <= width) return cut;
    }
    return "...";
}

void drawTexture(const Gui& gui, int slot, ImVec2 at) {
    if (slot < 0 || slot >= static_cast<int>(gui._textures.size())) return;
    const Texture& t = gui._textures[static_cast<std::size_t>(slot)];
    if (t.empty()) return;
    ImGui::GetWindowDrawList()->AddImage(t.id(), at, at + ImVec2(static_cast<float>(t.width), static_cast<float>(t.height)));
}

ImVec2 textureSize(const Gui& gui, int slot, float fallback) {
    if (slot >= 0 && slot < static_cast<int>(gui._textures.size()) && !gui._textures[static_cast<std::size_t>(slot)].empty()) {
        const Texture& t = gui._textures[static_cast<std::size_t>(slot)];
        return ImVec2(static_cast<float>(t.width), static_cast<float>(t.height));
    }
    return ImVec2(fallback, fallback);
}

// A pressable item of `size` at the cursor; the box, and whether it is held.
bool tileBehaviour(const char* id, ImVec2 size, ImRect& box, bool& held) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImGuiID itemId = window->GetID(id);
    box = ImRect(window->DC.CursorPos, window->DC.CursorPos + size);
    ImGui::ItemSize(box);
    held = false;
    if (!ImGui::ItemAdd(box, itemId)) return false;
    bool hovered = false;
    return ImGui::ButtonBehavior(box, itemId, &hovered, &held);
}

// The leading decimal digits of `text` as a PIN (none: 0); nothing when
// they do not fit in 32 bits.
std::optional<std::uint32_t> typedPin(const std::string& text) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

void logIn(Gui& gui, int index) {
    const Operator& op = gui._config->operators[static_cast<std::size_t>(index)];
    gui._operator = index;
    gui._config->local.operatorName = op.name;
    gui._config->local.operatorAccess = op.access;
    gui._config->local.serviceAccess = false;  // service access stays with the service login
}

void slideOut(Gui& gui) {
    if (gui._keypadSlide == kSlideFull) gui._keypadSlide = kSlideAlmostFull;
    gui._keypadSlideTime = gui._frameTime;
}

void slideIn(Gui& gui) {
    if (gui._keypadSlide == 0) gui._keypadSlide = 1;
    gui._keypadSlideTime = gui._frameTime;
}

void advanceKeypadSlide(Gui& gui) {
    double& slide = gui._keypadSlide;
    if (slide <= 0 || slide >= kSlideFull) return;
    const double ms = std::chrono::duration<double, std::milli>(gui._frameTime - gui._keypadSlideTime).count();
    const double step = ms / kSlideMsPerRange * kSlideFull;
    const bool in = gui._selectedOperator != -1 && !gui.loggedIn();
    slide = std::clamp(in ? slide + step : slide - step, 0.0, kSlideFull);
    gui._keypadSlideTime = gui._frameTime;
}

HomeData& homeData(Gui& gui) {
    auto* data = dynamic_cast<HomeData*>(gui._data);
    if (!data) {
        delete gui._data;
        data = new HomeData;
        gui._data = data;
    }
    return *data;
}

// The question once per run after the machine is ready, then the reminder
// every 5 s while an expected welder is not connected.
void askAboutWelder(Gui& gui) {
    MachineBase* machine = gui._machine;
    if (!machine || gui._modalState != Gui::kHidden) return;
    if (machine->getConnectFlag() && gui._config->externalWelding && !gui._welderAsked) {
        gui._welderAsked = true;
        gui.messageBox(textOrEmpty(kTextWelderQuestion), "", textOrEmpty(kButtonsYesNo), [&gui](int index) {
            if (index < 0) return index;
            gui._welderExpected = index == 0;
            return -2;
        });
        return;
    }
    const auto sinceCheck = std::chrono::duration_cast<std::chrono::milliseconds>(gui._frameTime - gui._welderCheckTime);
    if (gui._welderExpected && !machine->getWelderStatusFlag() && sinceCheck.count() > kWelderReminderMs) {
        gui._welderCheckTime = gui._frameTime;
        gui.messageBox(textOrEmpty(kTextNoWelder), "", textOrEmpty(kButtonsConnectCancel), [&gui](int index) {
            if (index == 0) {
                if (gui._machine) gui._machine->restartWelder();
                return -2;
            }
            if (index == 1) {
                gui._welderExpected = false;
                return -2;
            }
            return index;
        });
    }
}

// A scroll asked for is set after the window's items, so that it is
// measured against this frame's content (a new window has none before).
void takeScroll(HomeData& data) {
    if (data.scrollTo == kNoScroll) return;
    ImGui::SetScrollY(data.scrollTo);
    data.scrollTo = kNoScroll;
}

struct TileEntry {
    int texture;
    TextId caption;
    Gui::ScreenId screen;
};

void openTile(Gui& gui, Gui::ScreenId screen) {
    switch (screen) {
        case Gui::ScreenId::Balancing:
            if (gui._machine) gui._machine->setRotor(gui._rotor);
            gui.setScreen(true, &Gui::editing);
            break;
        case Gui::ScreenId::Welding: gui.setScreen(true, &Gui::welding); break;
        case Gui::ScreenId::History: gui.setScreen(true, &Gui::history); break;
        case Gui::ScreenId::Database: gui.setScreen(true, &Gui::database); break;
        default: gui.setScreen(true, &Gui::settings); break;
    }
}

void drawTiles(Gui& gui, HomeData& data, const HomeLayout& l) {
    using Id = Gui::ScreenId;
    const TileEntry balancing{textureslot::kTileBalancing, kTextBalancing, Id::Balancing};
    const TileEntry welding{textureslot::kTileWelding, kTextWelding, Id::Welding};
    const TileEntry history{textureslot::kTileHistory, kTextHistory, Id::History};
    const TileEntry database{textureslot::kTileDatabase, kTextDatabase, Id::Database};
    const TileEntry settings{textureslot::kTileSettings, textid::kTextSettings, Id::Settings};
    const bool withWelding = gui._config->weldDrive.active || gui._config->externalWeldingControl;
    std::vector<TileEntry> tiles{balancing, history, database, settings};
    if (withWelding) tiles = {balancing, welding, history, database, settings};

    if (withWelding != data.weldingTile) {
        data.weldingTile = withWelding;
        data.scrollTo = withWelding ? kWeldingScroll : 0;
    }
    const float rows = static_cast<float>((tiles.size() + 1) / 2);
    const float gridHeight = rows * l.tile + (rows - 1) * kTileGap;
    const float padTop = std::max(0.0f, (l.areaHeight - gridHeight) / 2);
    ImGui::SetCursorPos(ImVec2(l.gridLeft, kEdge));
    ImGui::BeginChild("tiles", ImVec2(l.gridWidth, l.areaHeight), false, ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoScrollbar);
    if (withWelding) scrollByDrag();
    ImGui::PushFont(uiFont(fontslot::kLight28));
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const float col = static_cast<float>(i % 2), row = static_cast<float>(i / 2);
        ImGui::SetCursorPos(ImVec2(col * (l.tile + kTileGap), padTop + row * (l.tile + kTileGap)));
        if (gui.imageTile(tiles[i].texture, textOrEmpty(tiles[i].caption), l.tile, l.tile)) openTile(gui, tiles[i].screen);
    }
    ImGui::PopFont();
    if (withWelding) {
        const ImRect r = ImGui::GetCurrentWindow()->InnerRect;
        ImDrawList* list = ImGui::GetWindowDrawList();
        list->AddRectFilledMultiColor(r.Min, ImVec2(r.Max.x, r.Min.y + kFadeHeight), kWhite, kWhite, kClear, kClear);
        list->AddRectFilledMultiColor(ImVec2(r.Min.x, r.Max.y - kFadeHeight), r.Max, kClear, kClear, kWhite, kWhite);
    }
    takeScroll(data);
    ImGui::EndChild();
}

void tapOperator(Gui& gui, int index) {
    if (gui._selectedOperator == -1) {
        if (gui._config->operators[static_cast<std::size_t>(index)].pin != 0) {
            gui._selectedOperator = index;
            slideIn(gui);
        } else {
            logIn(gui, index);
        }
    } else {
        gui._selectedOperator = -1;
        slideOut(gui);
    }
    gui._keypadSlideTime = gui._frameTime;
    gui._keyboardText.clear();
}

void drawOperators(Gui& gui, HomeData& data, const HomeLayout& l) {
    const std::vector<Operator>& ops = gui._config->operators;
    const float listHeight = static_cast<float>(ops.size()) * kRowHeight;
    const float top = std::max(kEdge, (gui._screenHeight - listHeight) / 2);
    ImGui::SetCursorPos(ImVec2(l.gridLeft, top));
    ImGui::BeginChild("operators", ImVec2(l.gridWidth, std::min(listHeight, l.areaHeight)), false,
                      ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoScrollbar);
    if (static_cast<int>(ops.size()) > kRowsWithoutScroll && gui._keypadSlide == 0) scrollByDrag();
    const int selected = gui._selectedOperator;
    drawVisibleRows(ops.size(), kRowHeight, [&](std::size_t i) {
        const int row = static_cast<int>(i);
        int style = row == 0 ? operatorstyle::kFirst : 0;
        if (selected != -1) style |= selected == row ? operatorstyle::kSelected : operatorstyle::kOther;
        if (gui.operatorList(ops[i].name.c_str(), row, l.gridWidth, kRowHeight, style)) tapOperator(gui, row);
        return true;
    });
    takeScroll(data);
    ImGui::EndChild();
}

std::string dateText(int weekday, int day, int month) {
    return ks::format(textOrEmpty(kTextDatePattern), textOrEmpty(textid::kWeekdaysGroup + 1 + static_cast<TextId>(weekday)),
                      day, textOrEmpty(textid::kMonthsGroup + 1 + static_cast<TextId>(month)));
}

// The width of the widest date of the language, so the left column keeps
// its place from day to day.
float widestDate() {
    int weekday = 0, month = 0;
    for (int i = 1; i < 7; ++i)
        if (textSize(fontslot::kLight22, dateText(i, 1, 0).c_str()).x > textSize(fontslot::kLight22, dateText(weekday, 1, 0).c_str()).x)
            weekday = i;
    for (int i = 1; i < 12; ++i)
        if (textSize(fontslot::kLight22, dateText(0, 1, i).c_str()).x > textSize(fontslot::kLight22, dateText(0, 1, month).c_str()).x)
            month = i;
    return textSize(fontslot::kLight22, dateText(weekday, 28, month).c_str()).x;
}

// Logout tile (service entry while nobody is logged in), the operator's name
// above it and the clock under it, centred on one column left of the grid.
void drawLeftColumn(Gui& gui, HomeData& data, const HomeLayout& l, float top) {
    const bool in = gui.loggedIn();
    const float columnRight = l.gridLeft - kTileGap;
    const float centre = columnRight - std::clamp(widestDate(), kLeftTile, columnRight - kEdge) / 2;
    const float tileTop = top + uiFont(fontslot::kRegular24)->FontSize + kNameAbove;
    if (gui._operator >= 0) {
        const std::string name = fitText(fontslot::kRegular24, gui._config->local.operatorName, 2 * (columnRight - centre));
        const ImVec2 origin = ImGui::GetWindowPos();
        const float w = textSize(fontslot::kRegular24, name.c_str()).x;
        drawSlotText(fontslot::kRegular24, name.c_str(), origin + ImVec2(centre - w / 2, top), kBlack);
    }
    ImGui::SetCursorPos(ImVec2(centre - kLeftTile / 2, tileTop));
    if (in) {
        if (gui.logoutTile(textureslot::kTileLogout, textOrEmpty(kTextLogout), kLeftTile)) {
            gui.logOut();
            data.scrollTo = 0;
        }
    } else if (gui.logoutTile(textureslot::kTileService, "", kLeftTile)) {
        gui._selectedOperator = kServiceEntry;
        slideIn(gui);
        gui._keyboardText.clear();
        data.scrollTo = 0;
    }
    ImGui::SetCursorPos(ImVec2(centre, tileTop + kLeftTile + kClockBelow));
    gui.drawClock();
}

}  // namespace

bool Gui::loggedIn() const { return _operator >= 0 || _config->operators.empty(); }

void Gui::logOut() {
    _operator = -1;
    _config->local.serviceAccess = false;  // the next person logs in with their own rights
}

void Gui::logOutToHome() {
    logOut();
    _config->local.operatorName.clear();  // no run is written under a name no longer listed
    _onBack = nullptr;
    setScreen(true, Screen{});
}

void Gui::operatorsChanged(int erased) {
    if (_operator < 0 || _config->local.serviceAccess) return;
    const bool gone = erased == _operator;
    if (erased >= 0 && erased < _operator) --_operator;
    if (gone || _operator >= static_cast<int>(_config->operators.size())) {
        logOutToHome();
        return;
    }
    logIn(*this, _operator);
}

void Gui::sessionAfterSettingsLoad() {
    // The load never takes the session from the file: the one logged in goes
    // on, with the rights the loaded list gives his name, or ends when it
    // lists him no more.
    if (_config->local.serviceAccess) {
        _config->local.operatorName.clear();  // the engineer is none of the operators
        return;
    }
    const std::vector<Operator>& ops = _config->operators;
    for (std::size_t i = 0; _operator >= 0 && i < ops.size(); ++i)
        if (ops[i].name == _config->local.operatorName) {
            logIn(*this, static_cast<int>(i));
            return;
        }
    if (_operator >= 0 || !loggedIn()) logOutToHome();
}

bool Gui::loginKeypadShown() const {
    return onHomeScreen() && _keyboardState == kHidden && _keyboardMode == 4 && _keypadSlide > 0 && !loggedIn();
}

void Gui::home() {
    HomeData& data = homeData(*this);
    const HomeLayout l = homeLayout(_screenWidth, _screenHeight);
    advanceKeypadSlide(*this);
    const bool in = loggedIn();

    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_ChildBorderSize, 0.0f);
    ImGui::Begin("KESTRUNE", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoBringToFrontOnFocus |
                     ImGuiWindowFlags_NoScrollWithMouse);
    const float shift = static_cast<float>(_keypadSlide / kSlideFull) * l.pitch;
    constexpr ImGuiWindowFlags kStill =
        ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
    ImGui::SetCursorPos(ImVec2(-shift, 0));
    ImGui::BeginChild("info", ImVec2(_screenWidth, _screenHeight), false, kStill);
    drawMachineStatus(true);
    const float tileRows = (_config->weldDrive.active || _config->externalWeldingControl) ? 3.0f : 2.0f;
    const float columnTop = kEdge + std::max(0.0f, (l.areaHeight - tileRows * l.tile - (tileRows - 1) * kTileGap) / 2);
    if (in) {
        _selectedOperator = -1;
        askAboutWelder(*this);
        drawTiles(*this, data, l);
    } else {
        drawOperators(*this, data, l);
    }
    drawLeftColumn(*this, data, l, columnTop);
    ImGui::EndChild();

    if (_keypadSlide > 0) {
        ImGui::SetCursorPos(ImVec2(_screenWidth - shift, kEdge));
        ImGui::BeginChild("keyboard", ImVec2(kKeypadWidth, l.areaHeight), false, kStill);
        if (!in) {
            _keyboardMode = 4;
            _onEnter = [this] { acceptLogin(); };
        }
        if (_keyboardMode == 4) drawKeyboard();
        ImGui::EndChild();
    }
    const std::string& version = _config->local.banner;
    drawSlotText(fontslot::kLight14, version.c_str(), ImVec2(kVersionAt.x, _screenHeight - kVersionAt.y), kBlack);
    ImGui::End();
    ImGui::PopStyleVar(4);
    if (_modalState != kHidden) drawFrame(false, nullptr);
}

void Gui::acceptLogin() {
    if (_selectedOperator == kServiceEntry) {
        const bool service = _keyboardText == kServiceCode;
        _config->local.serviceAccess = service;
        _operator = service ? 0 : -1;
        // The engineer is none of the operators: no operator's name is shown
        // or written into the runs while the service login lasts.
        if (service) _config->local.operatorName.clear();
    } else if (_selectedOperator >= 0 && _selectedOperator < static_cast<int>(_config->operators.size())) {
        const std::optional<std::uint32_t> pin = typedPin(_keyboardText);
        if (pin && *pin == _config->operators[static_cast<std::size_t>(_selectedOperator)].pin)
            logIn(*this, _selectedOperator);
    }
    slideOut(*this);
    _keyboardText.clear();
    if (_operator >= 0) _onEnter = nullptr;  // the keypad is done with
}

bool Gui::imageTile(int texture, const char* caption, float width, float height) {
    ImRect box;
    bool held = false;
    ImGui::PushID(texture);
    const bool pressed = tileBehaviour("tile", ImVec2(width, height), box, held);
    const ImGuiID id = ImGui::GetItemID();
    ImGui::PopID();
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddRectFilled(box.Min, box.Max, held ? kPressedGrey : kLightGrey);
    const ImVec2 image = textureSize(*this, texture, 128);
    const ImVec2 captionSize = textSize(fontslot::kLight28, caption);
    const float top = box.Min.y + (height - image.y - kCaptionGap - captionSize.y) / 2;
    drawTexture(*this, texture, ImVec2(box.GetCenter().x - image.x / 2, top));
    list->AddText(uiFont(fontslot::kLight28), uiFont(fontslot::kLight28)->FontSize,
                  ImVec2(box.GetCenter().x - captionSize.x / 2, top + image.y + kCaptionGap), kBlack, caption);
    UiProbe::report(id, caption, box.Min, box.Max);
    return pressed;
}

bool Gui::logoutTile(int texture, const char* caption, float size) {
    ImRect box;
    bool held = false;
    const bool pressed = tileBehaviour("logout-tile", ImVec2(size, size), box, held);
    const ImVec2 image = textureSize(*this, texture, 96);
    const bool withCaption = caption && *caption;
    const ImVec2 captionSize = withCaption ? textSize(fontslot::kRegular20, caption) : ImVec2(0, 0);
    const float block = image.y + (withCaption ? kNameAbove + captionSize.y : 0);
    const float top = box.Min.y + (size - block) / 2;
    if (held) ImGui::GetWindowDrawList()->AddRectFilled(box.Min, box.Max, kLightGrey);
    drawTexture(*this, texture, ImVec2(box.GetCenter().x - image.x / 2, top));
    if (withCaption)
        drawSlotText(fontslot::kRegular20, caption,
                     ImVec2(box.GetCenter().x - captionSize.x / 2, top + image.y + kNameAbove), kBlue);
    UiProbe::report(ImGui::GetItemID(), withCaption ? caption : kServiceLabel, box.Min, box.Max);
    return pressed;
}

bool Gui::operatorList(const char* name, int row, float width, float height, int style) {
    ImRect box;
    bool held = false;
    ImGui::PushID(row);
    const bool pressed = tileBehaviour("operator", ImVec2(width, height), box, held);
    const ImGuiID id = ImGui::GetItemID();
    ImGui::PopID();
    ImDrawList* list = ImGui::GetWindowDrawList();
    if (style & operatorstyle::kSelected) list->AddRectFilled(box.Min, box.Max, kLightGrey);
    if (style & operatorstyle::kFirst) list->AddLine(box.Min, ImVec2(box.Max.x, box.Min.y), kLightGrey);
    list->AddLine(ImVec2(box.Min.x, box.Max.y - 1), ImVec2(box.Max.x, box.Max.y - 1), kLightGrey);
    const std::string shown = fitText(fontslot::kLight28, name, width - kRowReserve);
    const float textHeight = uiFont(fontslot::kLight28)->FontSize;
    list->AddText(uiFont(fontslot::kLight28), textHeight,
                  ImVec2(box.Min.x + kRowTextInset, box.Min.y + (height - textHeight) / 2),
                  style & operatorstyle::kOther ? kOtherName : kBlack, shown.c_str());
    const ImVec2 arrow = textureSize(*this, textureslot::kRowArrow, 24);
    drawTexture(*this, textureslot::kRowArrow,
                ImVec2(box.Max.x - kRowArrowInset - arrow.x, box.Min.y + (height - arrow.y) / 2));
    UiProbe::report(id, shown.c_str(), box.Min, box.Max);
    return pressed;
}

void Gui::drawClock() {
    const std::time_t wall = static_cast<std::time_t>(_wallTime);
    std::tm local{};
    localtime_r(&wall, &local);
    const std::string time = ks::format("{}:{:02d}", local.tm_hour, local.tm_min);
    const std::string date = dateText(local.tm_wday, local.tm_mday, local.tm_mon);
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const ImVec2 timeSize = textSize(fontslot::kLight64, time.c_str());
    drawSlotText(fontslot::kLight64, time.c_str(), ImVec2(at.x - timeSize.x / 2, at.y), kBlack);
    const float dateWidth = textSize(fontslot::kLight22, date.c_str()).x;
    drawSlotText(fontslot::kLight22, date.c_str(), ImVec2(at.x - dateWidth / 2, at.y + timeSize.y), kBlack);
}
