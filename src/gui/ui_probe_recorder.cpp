#include "gui/ui_probe_recorder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gui/gui.h"
#include "gui/utf8.h"
#include "machine/machine_base.h"
#include "platform/file_replace.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

const char* screenName(Gui::ScreenId id) {
    using Id = Gui::ScreenId;
    switch (id) {
        case Id::Home: return "Home";
        case Id::Editing: return "Editing";
        case Id::Balancing: return "Balancing";
        case Id::Influence: return "Influence";
        case Id::Measuring: return "Measuring";
        case Id::History: return "History";
        case Id::Database: return "Database";
        case Id::Settings: return "Settings";
        case Id::Welding: return "Welding";
        case Id::Other: break;
    }
    return "Other";
}

void appendMachine(std::string& out, Gui& gui) {
    if (!gui._machine) {
        out += "null";
        return;
    }
    const int state = gui._machine->getState();
    out += ks::format("{{\"state\": {}, \"text\": {}}}", state,
                      jsonQuoted(textOrEmpty(textid::kMachineStateFirst + static_cast<TextId>(state))));
}

void appendBox(std::string& out, const Gui& gui) {
    if (gui._modalState == Gui::kHidden) {
        out += "null";
        return;
    }
    out += ks::format("{{\"text\": {}, \"details\": {}, \"buttons\": {}}}", jsonQuoted(gui._modalText),
                      jsonQuoted(gui._modalDetails), jsonQuoted(gui._modalButtons));
}

void appendItems(std::string& out, const UiProbe& probe) {
    out += '[';
    bool first = true;
    for (const UiItem& item : probe.items()) {
        if (!first) out += ",\n  ";
        first = false;
        out += ks::format("{{\"label\": {}, \"text\": {}, \"x0\": {:.0f}, \"y0\": {:.0f}, \"x1\": {:.0f}, \"y1\": {:.0f}}}",
                          jsonQuoted(item.label), jsonQuoted(item.text), item.min.x, item.min.y, item.max.x,
                          item.max.y);
    }
    out += ']';
}

}  // namespace

std::string jsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        const std::size_t n = utf8CharacterBytes(text, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || n == 0) {
            // Control characters, and bytes that are no UTF-8 (a drive's file
            // name), as the code point of the byte: every record stays UTF-8.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

std::string uiProbeRecord(Gui& gui, const UiProbe& probe, std::int64_t frame, std::int64_t ms) {
    std::string out = ks::format("{{\"frame\": {}, \"ms\": {}, \"screen\": \"{}\",\n \"machine\": ", frame, ms,
                                 screenName(gui.currentScreen()));
    appendMachine(out, gui);
    // Whole numbers only: the formatting helper writes the language's decimal separator.
    out += ks::format(",\n \"slides\": {{\"bars\": {}, \"keyboard\": {}, \"box\": {}, \"keypad\": {}}},",
                      gui._barState, gui._keyboardState, gui._modalState, std::lround(gui._keypadSlide));
    out += "\n \"keyboard\": " + jsonQuoted(gui._keyboardText) + ",\n \"box\": ";
    appendBox(out, gui);
    out += ",\n \"items\": ";
    appendItems(out, probe);
    out += "}\n";
    return out;
}

UiProbeRecorder::UiProbeRecorder(std::string path) : path_(std::move(path)) {}

std::unique_ptr<UiProbeRecorder> UiProbeRecorder::fromEnvironment() {
    const char* path = std::getenv("KESTRUNE_UI_PROBE");
    if (!path || !*path) return nullptr;
    return std::make_unique<UiProbeRecorder>(path);
}

bool UiProbeRecorder::afterFrame(Gui& gui, Clock::time_point now) {
    ++frames_;
    if (frames_ == 1) start_ = now;
    if (written_ && now - lastWrite_ < kMinInterval) return false;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count();
    std::string error;
    if (!platform::replaceFile(path_, uiProbeRecord(gui, probe_, frames_, ms), &error)) {
        if (!warned_) std::printf("UI probe %s could not be written: %s\n", path_.c_str(), error.c_str());
        warned_ = true;
        return false;
    }
    lastWrite_ = now;
    written_ = true;
    return true;
}
