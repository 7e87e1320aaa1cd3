// The on-screen keyboard: number keypads, the symbol page, the letter pages
// of both layouts and the login PIN keypad, drawn into the current window
// (the frame's keyboard window, or the home screen's keypad column).
//
// A page is a list of rows of keys; `drawRows` places them (60 x 60 px keys,
// 66 px apart, the block of four rows centred vertically, each row centred
// horizontally) and applies the key that fired.

#include <cctype>
#include <cfloat>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "gui/utf8.h"
#include "texts/text_groups.h"
#include "texts/texts.h"

namespace {

constexpr float kKey = 60;
constexpr float kPitch = 66;
constexpr float kGap = kPitch - kKey;
constexpr float kBlockHeight = 4 * kPitch - kGap;  // 258: three rows and the bottom row
constexpr float kTall = kKey + kPitch;             // 126: a key over two rows or columns
constexpr float kWide = 112;                       // shift, backspace, "123", language
constexpr float kSpaceLetters = 310;
constexpr float kSpaceSymbols = 3 * kPitch - kGap;  // 192
constexpr float kEnterLetters = 150;
constexpr float kSymbolGap = 18;  // after the fourth key of a symbol row
constexpr float kLoginRowDrop = 120;  // the "<" and "Login" row below the bottom row
constexpr float kLongPressSeconds = 0.6f;
constexpr std::size_t kPinLength = 16;

constexpr TextId kTextLayoutFirst = 0x1EFB801;  // 3 rows of the interface language
constexpr TextId kTextLayoutSecond = 0x1EFB804; // 3 rows of the second layout
constexpr TextId kTextDecimalPoint = 0x1EFB807;
constexpr TextId kTextBackspace = 0x195DC11;  // the backspace glyph
constexpr TextId kTextLogin = 0x195DC03;
constexpr const char* kDigitAlternatives = "1234567890()";

constexpr ImU32 kKeyFace = 0xFFEEEEEE;      // 0.933
constexpr ImU32 kKeyHeld = 0xFF999999;      // 0.6
constexpr ImU32 kActionFace = 0xFF958686;   // (0.525, 0.525, 0.584)
constexpr ImU32 kActionHeld = 0xFF453636;   // (0.212, 0.212, 0.271)
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kAlternativeGrey = 0xFF777777;
constexpr ImU32 kPinOutline = 0xFFCD933C;
constexpr float kKeyRounding = 4;
constexpr float kPinDotRadius = 4.5f;
constexpr float kPinDotPitch = 11;
constexpr float kPinDotInset = 15;  // the first dot's centre from the box's left

enum class Act { Type, Backspace, Enter, Shift, Language, Symbols, Letters, Close };

struct Key {
    std::string label;
    Act act = Act::Type;
    std::string types;  // Type: the text it adds
    float width = kKey;
    float height = kKey;
    int flags = 0;
    int image = -1;
    std::string alternative;  // typed by a long press (Backspace: clears)
    bool holdable = false;
    float skip = 0;  // extra space before the key
};

struct Row {
    std::vector<Key> keys;
    float width = 0;  // the block's width when its rows line up; 0: centred alone
    float drop = 0;   // extra space above the row
};

bool letterMode(int mode) { return mode >= 7 && mode <= 10; }
bool smallLetters(int mode) { return mode == 9 || mode == 10; }
bool secondLayout(int mode) { return mode == 8 || mode == 10; }

// The UTF-8 characters of a text, one string each.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

// The small form of a capital on the letter pages: ASCII by the C library;
// Cyrillic А-П by adding 0x20 to the second byte, Р-Я by moving to the next
// lead byte and taking 0x20 from the second.
std::string smallLetter(std::string ch) {
    if (ch.size() == 1) {
        ch[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(ch[0])));
    } else if (ch.size() == 2 && static_cast<unsigned char>(ch[0]) == 0xD0) {
        const auto second = static_cast<unsigned char>(ch[1]);
        if (second < 0xA0) {
            ch[1] = static_cast<char>(second + 0x20);
        } else {
            ch[0] = static_cast<char>(0xD1);
            ch[1] = static_cast<char>(second - 0x20);
        }
    }
    return ch;
}

Key typeKey(const std::string& ch, float width = kKey) {
    Key k;
    k.label = ch;
    k.types = ch;
    k.width = width;
    return k;
}

Key backspaceKey(float width = kKey, const char* idSuffix = "") {
    Key k;
    k.label = std::string(textOrEmpty(kTextBackspace)) + idSuffix;
    k.act = Act::Backspace;
    k.width = width;
    k.holdable = true;
    return k;
}

Key actionKey(const char* label, Act act, float width, float height = kKey, int flags = 0, int image = -1) {
    Key k;
    k.label = label;
    k.act = act;
    k.width = width;
    k.height = height;
    k.flags = flags;
    k.image = image;
    return k;
}

Key enterKey(float width, float height) { return actionKey("enter", Act::Enter, width, height, keyflag::kAction); }

Key spaceKey(float width) {
    Key k = typeKey(" ", width);
    k.label = "space";
    k.flags = keyflag::kNoLabel;
    return k;
}

Key gapBefore(Key k, float skip) {
    k.skip = skip;
    return k;
}

std::string decimalPointText() { return textOrEmpty(kTextDecimalPoint); }

// Keypads 1, 3 and 5: four columns, the enter key over the second and third rows.
std::vector<Row> numberPad(int mode) {
    const float width = 4 * kPitch - kGap;
    std::vector<Row> rows(4);
    for (const char* c : {"7", "8", "9"}) rows[0].keys.push_back(typeKey(c));
    rows[0].keys.push_back(backspaceKey());
    for (const char* c : {"4", "5", "6"}) rows[1].keys.push_back(typeKey(c));
    rows[1].keys.push_back(enterKey(kKey, kTall));
    for (const char* c : {"1", "2", "3"}) rows[2].keys.push_back(typeKey(c));
    rows[3].keys.push_back(typeKey("0", kTall));
    if (mode == 1) rows[3].keys.push_back(typeKey(decimalPointText()));
    if (mode == 3) rows[3].keys.push_back(backspaceKey(kKey, "##2"));
    for (Row& r : rows) r.width = width;
    return rows;
}

// Mode 6: eight columns with a gap after the fourth; the third row offers the
// separator that the decimal key does not.
std::vector<Row> symbolPage() {
    const float width = 8 * kPitch - kGap + kSymbolGap;
    const std::string point = decimalPointText();
    const char* rowTexts[3] = {"()/&789", "!?\"'456", point == "." ? ":;-,123" : ":;-.123"};
    std::vector<Row> rows(4);
    for (int r = 0; r < 3; ++r) {
        const std::string text = rowTexts[r];
        for (std::size_t i = 0; i < text.size(); ++i) {
            Key k = typeKey(std::string(1, text[i]));
            rows[r].keys.push_back(i == 4 ? gapBefore(k, kSymbolGap) : k);
        }
        rows[r].width = width;
    }
    rows[0].keys.push_back(backspaceKey());
    rows[1].keys.push_back(enterKey(kKey, kTall));
    rows[3].width = width;
    rows[3].keys = {actionKey("ABC", Act::Letters, kKey), spaceKey(kSpaceSymbols),
                    gapBefore(typeKey("0", kTall), kSymbolGap), typeKey(point)};
    return rows;
}

// Modes 7 to 10: the layout's three rows, shift and backspace around the
// third, then "123", the language key (with a second layout), space, "." and enter.
std::vector<Row> letterPage(int mode) {
    const bool hasSecond = *textOrEmpty(kTextLayoutSecond) != '\0';
    const TextId first = secondLayout(mode) && hasSecond ? kTextLayoutSecond : kTextLayoutFirst;
    std::vector<Row> rows(4);
    const std::vector<std::string> alternatives = characters(kDigitAlternatives);
    for (int r = 0; r < 3; ++r) {
        std::size_t i = 0;
        for (const std::string& capital : characters(textOrEmpty(first + static_cast<TextId>(r)))) {
            Key k = typeKey(smallLetters(mode) ? smallLetter(capital) : capital);
            if (r == 0 && i < alternatives.size()) {
                k.alternative = alternatives[i];
                k.holdable = true;
            }
            rows[r].keys.push_back(k);
            ++i;
        }
    }
    rows[2].keys.insert(rows[2].keys.begin(), actionKey("shift", Act::Shift, kWide, kKey, 0, textureslot::kShiftKey));
    rows[2].keys.push_back(backspaceKey(kWide));
    rows[3].keys.push_back(actionKey("123", Act::Symbols, kWide));
    if (hasSecond)
        rows[3].keys.push_back(actionKey("language", Act::Language, kWide, kKey, 0, textureslot::kLanguageKey));
    rows[3].keys.push_back(spaceKey(kSpaceLetters));
    rows[3].keys.push_back(typeKey("."));
    rows[3].keys.push_back(enterKey(kEnterLetters, kKey));
    return rows;
}

// Mode 4: three columns, and the "<" and "Login" row further down.
std::vector<Row> pinPad() {
    const float width = 3 * kPitch - kGap;
    std::vector<Row> rows(5);
    const char* rowTexts[3] = {"789", "456", "123"};
    for (int r = 0; r < 3; ++r)
        for (const char* c = rowTexts[r]; *c; ++c) rows[r].keys.push_back(typeKey(std::string(1, *c)));
    rows[3].keys = {typeKey("0", kTall), backspaceKey()};
    rows[4].keys = {actionKey("<", Act::Close, kKey), enterKey(kTall, kKey)};
    rows[4].keys[1].label = textOrEmpty(kTextLogin);
    rows[4].drop = kLoginRowDrop - kPitch;
    for (Row& r : rows) r.width = width;
    return rows;
}

float rowWidth(const Row& row) {
    if (row.width > 0) return row.width;
    float w = 0;
    for (const Key& k : row.keys) w += k.skip + k.width;
    return w + kGap * static_cast<float>(row.keys.empty() ? 0 : row.keys.size() - 1);
}

// The PIN display above the pad: one dot per character and the caret.
void drawPinDisplay(Gui& gui, float x, float y) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImVec2 min = window->Pos + ImVec2(x, y);
    const ImVec2 max = min + ImVec2(3 * kPitch - kGap, kKey);
    ImDrawList* list = window->DrawList;
    list->AddRect(min, max, kPinOutline, kKeyRounding, 0, 2.0f);
    const std::size_t dots = characters(gui._keyboardText).size();
    float cx = min.x + kPinDotInset;
    const float cy = (min.y + max.y) / 2;
    for (std::size_t i = 0; i < dots; ++i, cx += kPinDotPitch) list->AddCircleFilled(ImVec2(cx, cy), kPinDotRadius, kBlack);
    if (gui.blink()) {
        const float caretX = cx - kPinDotPitch / 2 + kPinDotRadius;
        list->AddLine(ImVec2(caretX, cy - 12), ImVec2(caretX, cy + 12), kBlack, 2.0f);
    }
    UiProbe::report(window->GetID("pin-display"), "pin-display", min, max, std::string(dots, '*').c_str());
}

// Keeps at most the first kPinLength characters of the text.
void cutPin(std::string& text) {
    const std::vector<std::string> chars = characters(text);
    if (chars.size() <= kPinLength) return;
    std::string cut;
    for (std::size_t i = 0; i < kPinLength; ++i) cut += chars[i];
    text = cut;
}

int shifted(int mode) {
    switch (mode) {
        case 7: return 9;
        case 8: return 10;
        case 9: return 7;
        default: return 8;
    }
}

// What a key does when it fires (by a long press when `byHold`).
void apply(Gui& gui, const Key& key, bool byHold) {
    int& mode = gui._keyboardMode;
    std::string& text = gui._keyboardText;
    switch (key.act) {
        case Act::Type:
            appendWithin(text, byHold ? key.alternative : key.types, gui._keyboardLimit);
            if (characters(text).size() == 1 && (mode == 7 || mode == 8)) mode += 2;
            break;
        case Act::Backspace:
            utf8Backspace(text, byHold);
            if (text.empty() && smallLetters(mode)) mode -= 2;
            break;
        case Act::Enter: {
            const Gui::Action onEnter = gui._onEnter;  // the handler may replace itself
            if (onEnter) onEnter();
            break;
        }
        case Act::Shift: mode = shifted(mode); break;
        case Act::Language: mode += secondLayout(mode) ? -1 : 1; break;
        case Act::Symbols: mode = 6; break;
        case Act::Letters: mode = 7; break;
        case Act::Close:
            gui._selectedOperator = -1;
            if (gui._keypadSlide == 100) gui._keypadSlide = 99;
            gui._keypadSlideTime = gui._frameTime;
            break;
    }
}

// Lays the rows out in the current window and applies the key that fired.
void drawRows(Gui& gui, const std::vector<Row>& rows, float top) {
    const float windowWidth = ImGui::GetWindowWidth();
    float y = top;
    const Key* fired = nullptr;
    bool firedByHold = false;
    for (const Row& row : rows) {
        y += row.drop;
        float x = (windowWidth - rowWidth(row)) / 2;
        for (const Key& key : row.keys) {
            x += key.skip;
            bool byHold = false;
            if (gui.keyButton(key.label.c_str(), x, y, key.width, key.height, key.image, key.flags,
                              key.holdable ? key.alternative.c_str() : nullptr, &byHold) &&
                !fired) {
                fired = &key;
                firedByHold = byHold;
            }
            x += key.width + kGap;
        }
        y += kPitch;
    }
    if (fired) apply(gui, *fired, firedByHold);
}

}  // namespace

void Gui::drawKeyboard() {
    const float top = (ImGui::GetWindowHeight() - kBlockHeight) / 2;
    if (_keyboardMode == 1 || _keyboardMode == 3 || _keyboardMode == 5) {
        drawRows(*this, numberPad(_keyboardMode), top);
    } else if (_keyboardMode == 6) {
        drawRows(*this, symbolPage(), top);
    } else if (letterMode(_keyboardMode)) {
        drawRows(*this, letterPage(_keyboardMode), top);
    } else if (_keyboardMode == 4) {
        cutPin(_keyboardText);
        drawPinDisplay(*this, (ImGui::GetWindowWidth() - (3 * kPitch - kGap)) / 2, top - kPitch);
        drawRows(*this, pinPad(), top);
        cutPin(_keyboardText);
    }
}

bool Gui::keyButton(const char* label, float x, float y, float width, float height, int image, int flags,
                    const char* alternative, bool* byHold) {
    if (byHold) *byHold = false;
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (window->SkipItems) return false;
    const ImGuiID id = window->GetID(label);
    const ImRect box(window->Pos + ImVec2(x, y), window->Pos + ImVec2(x + width, y + height));
    if (!ImGui::ItemAdd(box, id)) return false;
    bool hovered = false, held = false;
    bool fired = ImGui::ButtonBehavior(box, id, &hovered, &held);
    if (held && alternative && ImGui::GetIO().MouseDownDuration[0] > kLongPressSeconds) {
        fired = true;
        held = false;
        if (byHold) *byHold = true;
        ImGui::ClearActiveID();  // the press ends here: its release types nothing
    }

    const bool action = (flags & keyflag::kAction) != 0;
    ImDrawList* list = window->DrawList;
    list->AddRectFilled(box.Min, box.Max, action ? (held ? kActionHeld : kActionFace) : (held ? kKeyHeld : kKeyFace),
                        kKeyRounding);
    const Texture* texture =
        image >= 0 && image < static_cast<int>(_textures.size()) ? &_textures[static_cast<std::size_t>(image)] : nullptr;
    if (texture && !texture->empty()) {
        const ImVec2 size(static_cast<float>(texture->width), static_cast<float>(texture->height));
        const ImVec2 at = box.GetCenter() - size * 0.5f;
        list->AddImage(texture->id(), at, at + size);
    } else if (!(flags & keyflag::kNoLabel)) {
        ImFont* font = uiFont(fontslot::kRegular28);
        const std::string_view shown = visibleLabel(label);
        const char* end = shown.data() + shown.size();
        const ImVec2 size = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, shown.data(), end);
        list->AddText(font, font->FontSize, box.GetCenter() - size * 0.5f, action ? kWhite : kBlack, shown.data(), end);
    }
    if (alternative && *alternative) {
        ImFont* small = uiFont(fontslot::kLight14);
        const ImVec2 size = small->CalcTextSizeA(small->FontSize, FLT_MAX, 0.0f, alternative);
        list->AddText(small, small->FontSize, ImVec2(box.Max.x - size.x - 5, box.Min.y + 3), kAlternativeGrey,
                      alternative);
    }
    UiProbe::report(id, label, box.Min, box.Max);
    return fired;
}
