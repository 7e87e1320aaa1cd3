// The Measuring screen: one machine process on behalf of the screen that
// opened it, the speed dial, the transducer signals and the result table,
// and the return once the machine is idle again (measuring.h).

#include "gui/screens/measuring.h"

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <string>

#include "files/logger.h"
#include "gui/dial.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "machine/machine_base.h"
#include "machine/machine_codes.h"
#include "records/settings_labels.h"
#include "records/settings_records.h"
#include "rotor/channel_result.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace MeasuringData {
namespace {

constexpr TextId kTextTest = 0x195DC0A;
constexpr TextId kTextStart = 0x195DC0B;
constexpr TextId kTextBalance = 0x195DC0D;
constexpr TextId kTextAmplitude = 0x195DC15;
constexpr TextId kTextPhase = 0x195DC16;
constexpr TextId kTextPrevious = 0x195DC17;  // "prev."
constexpr TextId kTextNoMass = 0x195DC18;    // "no m."
constexpr TextId kTextBegin = 0x195DC28;
constexpr TextId kTextFrequency = 0x13DFC08;
constexpr TextId kUnitMicrometre = 0xB95C15;
constexpr TextId kUnitHertz = 0xB95C0F;

constexpr auto kReturnDelay = std::chrono::microseconds(4'001'000);  // 40,010,000 ticks of 100 ns
constexpr float kDialTop = 190;  // the ring's centre: under the top bar
constexpr float kBoxHeight = 250;
constexpr float kLowWindow = 700;  // below it: half-height boxes, boxes higher, no header
constexpr float kBoxTop = 374;
constexpr float kBoxTopLow = 320;
constexpr float kVerticalBoxTop = 344;
constexpr float kVerticalBoxLeft = 10;
constexpr float kRowHeight = 30;
constexpr float kRowHeightSmall = 24;
constexpr float kTightTable = 150;  // less room than this under the boxes: lower boxes, smaller rows
constexpr float kBoxShrink = 100;
constexpr float kLowestBox = 2 * SignalChart::kInnerMargin;
constexpr float kHeaderMinColumn = 200;
constexpr float kCellGap = 5;
constexpr float kAngleGap = 10;
constexpr float kLabelGap = 10;
constexpr float kLabelRoom = 60;  // Vertical: the row labels between the boxes and the table
constexpr float kPanelTop = 110;
constexpr float kBeginGap = 20;
constexpr float kToolbarPadding = 40;  // a toolbar button is its label plus this
constexpr float kStartSwitchWidth = 180;
constexpr float kNameGap = 20;
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kVeil = 0x40FFFFFF;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kTraceColour = 0xFF004000;
constexpr ImU32 kGridColour = 0xFFE5E5E5;
constexpr ImU32 kTitleGrey = 0xFF545454;  // 0.33 grey
constexpr ImU32 kNameGrey = 0xFF8C8C8C;   // 0.55 grey
constexpr float kToolbarMiddle = 40;
constexpr float kToolbarTop = 15;
constexpr int kTableFont = fontslot::kRegular24;
constexpr int kTitleFont = fontslot::kRegular28;
constexpr int kBoxFont = fontslot::kRegular20;

bool vertical(const Config* c) { return c && c->machineInterface == settings_choice::kVertical; }

// The rows of the table before the first measured one.
bool wantsPreviousRow(const Gui& g, Rotor* rotor, bool testMode) {
    if (testMode || !rotor) return false;
    if (g._icRunMask < 0) return rotor->runCount() != 0;
    return (g._icRunMask & 1) != 0;
}

// One pair per channel of a ring row: the channel count is the row's width.
void appendPreviousRow(Data& d, int mask) {
    const int n = d.rotor->channelCount();
    for (int i = 0; i < n; ++i) {
        double amplitude = 0, angle = 0;
        if (mask < 0)
            amplitude = d.rotor->runVibration(-1, i, &angle);
        else
            d.rotor->factorData(3, 0, i + 1, &amplitude, &angle);
        d.rows.emplace_back(amplitude, angle);
    }
}

// False when the machine refused the start as a busy one does (a balancing
// speed beyond the drive's is shown as the run's error instead).
bool startProcess(Gui& g, Data& d) {
    MachineBase& m = *d.machine;
    m.setRotor(g._rotor);
    if (d.testMode) {
        return m.startProcess(MachineProcess::kTest);
    } else if (d.autosetting) {
        // The calibration steps run up to half the drive's top speed.
        m.setSpeed(d.config ? d.config->endDrive.maxSpeed : 0.0, false);
        return m.startProcess(MachineProcess::kAcceleration);
    } else {
        m.setSpeed(d.rotor ? d.rotor->balancingSpeed() : 0.0, false);
        return m.startProcess(MachineProcess::kBalancing) || m.getResult() == MachineError::kOverDriveLimit;
    }
}

// The first frame: refuses a busy machine, else makes the data object and starts the run.
Data* open(Gui& g) {
    if (g._pendingScreen) return nullptr;  // refused already, on the way back
    auto* d = g._machine && g._machine->getState() == MachineState::kIdle ? new Data(g) : nullptr;
    if (d) {
        d->testMode = g._measuringMode == MeasuringMode::kTest;
        d->autosetting = g._measuringMode == MeasuringMode::kAutosetting;
    }
    if (!d || !startProcess(g, *d)) {
        delete d;
        g.messageBox(textOrEmpty(textid::kTextInitializing));
        g.back();
        return nullptr;
    }
    delete g._data;
    g._data = d;
    d->logger = createLogger("measuring");
    d->log("starting");
    d->resultsTaken = 0;
    if (wantsPreviousRow(g, d->rotor, d->testMode)) {
        d->hasPreviousRow = true;
        appendPreviousRow(*d, g._icRunMask);
    }
    readCertTable(*d);
    readCertData(*d);
    return d;
}

void keyboardEntry(Gui& g, Data& d) {
    if (d.entry == entry::kNone) return;
    if (g._keyboardState == Gui::kHidden) {
        g._keyboardText.clear();
        g._keyboardMode = 1;  // digit keypad
        g._transitionTime = g._frameTime;
        if (g._barState == Gui::kHidden) g._barState = Gui::kEntering;
        g._keyboardState = Gui::kEntering;
        g._onEnter = [&d] { commitEntry(d); };
    } else if (g._keyboardState == Gui::kLeaving) {
        d.entry = entry::kNone;
    }
}

float textWidth(int slot, const char* text) {
    ImFont* font = uiFont(slot);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text).x;
}

// Where the boxes and the table stand this frame.
struct Layout {
    float boxWidth = 0;   // also the table's column width (Horizontal)
    float boxHeight = 0;
    float boxTop = 0;     // window-local
    float rowHeight = kRowHeight;
    float columnWidth = 0;
    float windowHeight = 0;
};

Layout layoutFor(Gui& g, int channels) {
    Layout l;
    l.windowHeight = ImGui::GetWindowHeight();
    const bool low = l.windowHeight < kLowWindow;
    l.boxHeight = low ? kBoxHeight / 2 : kBoxHeight;
    l.boxTop = vertical(g._config) ? kVerticalBoxTop : (low ? kBoxTopLow : kBoxTop);
    if (channels > 0) l.boxWidth = (g._screenWidth - 2 * g._margin) / static_cast<float>(channels);
    l.columnWidth = l.boxWidth;
    if (vertical(g._config)) {
        // The boxes stand in one column at the left; the table shares the rest.
        if (channels > 0)
            l.columnWidth = (g._screenWidth - 2 * g._margin - l.boxWidth - kLabelRoom) / static_cast<float>(channels);
    } else if (l.windowHeight - Gui::kBarHeight - (l.boxTop + l.boxHeight) < kTightTable) {
        // Lower boxes for the table, but never too low for the title and a trace.
        l.boxHeight = std::max(l.boxHeight - kBoxShrink, kLowestBox);
        l.rowHeight = kRowHeightSmall;
    }
    return l;
}

// ---- the running display ---------------------------------------------------------------

int zoomFor(const Data& d) {
    if (!d.verification) return -1;
    if (d.testFrequency > 100) return 1;
    if (d.testFrequency > 45) return 2;
    if (d.testFrequency > 15) return 3;
    return 4;
}

void drawSignals(Gui& g, Data& d, const Layout& l) {
    if (d.verification) measureSignals(d);
    const int zoom = zoomFor(d);
    int points = 1, blocks = 1;
    int* frames = d.machine->getSamples(&points, &blocks);
    SignalChart chart;
    chart.setup(d.rotor, d.machine->getMaxSamples(), frames, points, blocks, l.boxWidth, l.boxHeight);
    if (l.boxWidth <= 0) return;  // no channel: nothing to show
    for (int k = 0; k < chart.channelCount(); ++k)
        chart.drawChannel(k, d.machine->getChannelGain(k), zoom, g.signalBoxPosition(k, l.boxWidth));
}

void runningDisplay(Gui& g, Data& d, const Layout& l) {
    if (g._config->alwaysShowSignals || d.machine->getSpeedInfo(false) == 0) drawSignals(g, d, l);
    if (d.verification) calibrationButtons(d, l.boxWidth);
    resultsTable(d, d.machine->getResultCount(), d.rotor, g._icRunMask >= 0);
}

// Step 6: back once the machine is idle, no sooner than 4.001 s after the last switch.
void returnWhenIdle(Gui& g, Data& d, int state) {
    if (g._frameTime - g._transitionTime < kReturnDelay) return;
    if (state != MachineState::kIdle && state != MachineState::kInitializing) return;
    // A start held behind a reconnection runs once a controller answers: the
    // screen that can stop it stays until then.
    if (d.machine->isStartPending()) return;
    // A machine error is read where it happened: the switch follows its "OK".
    if (g._modalState != Gui::kHidden) return;
    if (!d.errorShown && d.machine->getResult() != MachineError::kNone) return;
    if (g._pendingScreen) return;  // already on its way
    d.log("Exit after 2sec %d", state);
    g._modalButtons = "OK";
    g.back();
}

void showMachineError(Gui& g, Data& d) {
    if (d.errorShown) return;
    if (d.machine->getResult() == MachineError::kNone) return;
    d.errorShown = true;
    std::string title;
    const std::string text = d.machine->errorText(nullptr, &title);
    g.messageBox(title.c_str(), text.c_str());
    d.machine->stop();
    d.stopped = true;
    d.buttonState = 0;
}

// Home leaves the run for good: nobody is left to take its results, so the
// machine stops and no later screen takes them for its own.
void leaveForHome(Gui& g, Data& d) {
    if (!g._pendingScreen || *g._pendingScreen) return;
    g._resultsExpected = false;
    if (!d.stopped && (d.machine->getState() != MachineState::kIdle || d.machine->isStartPending())) {
        d.machine->stop();
        d.stopped = true;
    }
}

// ---- the table ---------------------------------------------------------------------------

// The left edge of column k, window-local.
float columnX(Gui& g, const Layout& l, int k) {
    const float originX = ImGui::GetWindowPos().x;
    if (vertical(g._config))
        return g.signalBoxPosition(0, l.boxWidth).x - originX + l.boxWidth + kLabelRoom +
               static_cast<float>(k) * l.columnWidth;
    return g.signalBoxPosition(k, l.boxWidth).x - originX;
}

void drawRightAligned(int slot, const std::string& text, float right, float y) {
    drawSlotText(slot, text.c_str(), ImVec2(right - textWidth(slot, text.c_str()), y), kBlack);
}

// The right edge of a row label, window-local: just before column 0; a label
// wider than the room there (a long translation, the narrow margin of a small
// window) starts at the room's left end instead, over the column's empty left part.
float rowLabelRight(Gui& g, const Layout& l, const std::string& label) {
    const float roomLeft =
        vertical(g._config) ? g.signalBoxPosition(0, l.boxWidth).x - ImGui::GetWindowPos().x + l.boxWidth : 0;
    return std::max(columnX(g, l, 0) - kLabelGap, roomLeft + kLabelGap + textWidth(kTableFont, label.c_str()));
}

}  // namespace

Data::Data(Gui& g) : gui(g), machine(g._machine), rotor(g._rotor), config(g._config) {}

Data::~Data() { delete logger; }

void Data::log(const char* fmt, ...) {
    if (!logger) return;
    char line[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    logger->open(true);
    logPrintf(&logger, "%s", line);
    logger->open(false);
}

void topBar(Data& d) {
    Gui& g = d.gui;
    const ImVec2 origin = ImGui::GetWindowPos();
    const float titleX = ImGui::GetCursorPosX();
    const char* title = textOrEmpty(d.testMode ? kTextTest : kTextBalance);
    ImFont* font = uiFont(kTitleFont);
    drawSlotText(kTitleFont, title, origin + ImVec2(titleX, kToolbarMiddle - font->FontSize / 2),
                 kTitleGrey);
    const float titleEnd = titleX + textWidth(kTitleFont, title);

    ImGui::PushFont(font);
    if (startButton(d.buttonState, textOrEmpty(kTextStart), d.stopped)) {
        d.machine->stop();
        d.stopped = true;
    }
    // Left of the switch: "Begin" while the machine waits for it, then the rotor's name.
    float right = ImGui::GetWindowWidth() - g._margin - kStartSwitchWidth - kBeginGap;
    if (d.machine->getState() == MachineState::kBeginPrompt) {
        const char* begin = textOrEmpty(kTextBegin);
        right -= textWidth(kTitleFont, begin) + kToolbarPadding;
        ImGui::SetCursorPos(ImVec2(right, kToolbarTop));
        if (toolbarButton(begin, kToolbarAtCursor)) d.machine->confirmStart();
        right -= kBeginGap;
    }
    ImGui::PopFont();
    if (!d.rotor) return;
    std::string name = d.rotor->nameText(false);
    const float room = right - (titleEnd + kNameGap);
    if (room <= 0) return;
    fitText(name, font, font->FontSize, room);
    const ImVec2 at = origin + ImVec2(right - textWidth(kTitleFont, name.c_str()), kToolbarMiddle - font->FontSize / 2);
    ImGui::PushClipRect(origin, origin + ImGui::GetWindowSize(), true);
    drawSlotText(kTitleFont, name.c_str(), at, kNameGrey);
    ImGui::PopClipRect();
}

void resultsTable(Data& d, int resultCount, Rotor* rotor, bool fromInfluence) {
    Gui& g = d.gui;
    const int n = rotor ? rotor->channelCount() : 0;
    // Intake: every new result, one pair per channel of its ring row.
    while (d.resultsTaken < resultCount) {
        d.log("n_results: %d -> %d", resultCount, d.resultsTaken);
        const ChannelResult* row = rotor ? rotor->measureResult(d.resultsTaken - resultCount) : nullptr;
        ++d.resultsTaken;
        if (!row) continue;
        for (int u = 0; u < n; ++u) {
            const double angle = row[u].angleDeg;
            Pair pair(row[u].amplitude, angle > 0 ? 360 - angle : angle);
            if (d.verification) calibrateValue(d, pair, u);
            d.rows.push_back(pair);
        }
    }
    if (n == 0) return;  // no channel: no columns

    const Layout l = layoutFor(g, n);
    const bool upright = vertical(g._config);
    const float rowHeight = upright ? kRowHeight : l.rowHeight;
    const float boxHeight = upright ? 0 : l.boxHeight;
    const ImVec2 origin = ImGui::GetWindowPos();
    float y = l.boxTop + boxHeight;
    int fit = static_cast<int>((l.windowHeight - Gui::kBarHeight - y - rowHeight) / rowHeight);
    if (d.hasPreviousRow) --fit;
    const bool header = l.windowHeight > kLowWindow && l.columnWidth > kHeaderMinColumn;
    const float half = l.columnWidth / 2;
    if (header) {
        --fit;
        const char* amplitude = textOrEmpty(kTextAmplitude);
        const char* phase = textOrEmpty(d.verification ? kTextFrequency : kTextPhase);
        ImDrawList* list = ImGui::GetWindowDrawList();
        for (int k = 0; k < n; ++k) {
            const float x = columnX(g, l, k) + half;
            drawSlotText(kTableFont, amplitude, origin + ImVec2(x + kCellGap, y), kBlack);
            drawRightAligned(kTableFont, phase, origin.x + x - kAngleGap + kCellGap, origin.y + y);
            const float lineY = origin.y + y + rowHeight - 2;
            list->AddLine(ImVec2(origin.x + x - half / 2, lineY), ImVec2(origin.x + x + half / 2, lineY), kBlack, 1.0f);
            list->AddLine(ImVec2(origin.x + x, lineY - rowHeight + 6), ImVec2(origin.x + x, lineY), kBlack, 1.0f);
        }
        y += rowHeight;
    }
    fit = std::max(fit, 0);

    const int total = static_cast<int>(d.rows.size()) / n;
    const int firstMeasured = d.hasPreviousRow ? 1 : 0;
    const int first = std::max(firstMeasured, total - fit);
    auto drawRow = [&](int r) {
        std::string label;
        if (d.hasPreviousRow && r == 0)
            label = textOrEmpty(fromInfluence ? kTextNoMass : kTextPrevious);
        else
            label = ks::format("{}", d.hasPreviousRow ? r : r + 1);
        drawRightAligned(kTableFont, label, origin.x + rowLabelRight(g, l, label), origin.y + y);
        for (int k = 0; k < n; ++k) {
            const Pair& p = d.rows[static_cast<std::size_t>(r * n + k)];
            const float x = origin.x + columnX(g, l, k) + half + kCellGap;
            std::string value, second;
            if (d.verification) {
                value = ks::format("{:.1f}{}", toMicrometres(d, p.first, k), textOrEmpty(kUnitMicrometre));
                second = ks::format("{:.1f}{}", p.second, textOrEmpty(kUnitHertz));
            } else {
                value = ks::format("{:.2f}{}", p.first, "");
                second = ks::format("{:.1f}{}", p.second, textOrEmpty(textid::kUnitDegree));
            }
            drawSlotText(kTableFont, value.c_str(), ImVec2(x, origin.y + y), kBlack);
            drawRightAligned(kTableFont, second, x - kAngleGap, origin.y + y);
        }
        y += rowHeight;
    };
    if (d.hasPreviousRow && total > 0) drawRow(0);
    for (int r = first; r < total; ++r) drawRow(r);
}

}  // namespace MeasuringData

// ---- SignalChart ------------------------------------------------------------------------------

SignalChart::Trace SignalChart::traceFor(int zoom, int samples, float blockWidth) {
    Trace t;
    switch (zoom) {
        case 0: t = {samples, 1}; break;
        case 1: t = {samples / 40, 1}; break;
        case 2: t = {samples / 20, 1}; break;
        case 3: t = {samples / 10, 5}; break;
        case 4: t = {samples / 5, 10}; break;
        default:
            if (blockWidth > 0 && static_cast<float>(samples) > blockWidth)
                t.step = static_cast<int>(std::ceil(static_cast<float>(samples) / blockWidth));
            t.points = samples / t.step;
            break;
    }
    // No point past the block's samples: the trace ends where they do.
    const int widest = blockWidth > 0 ? static_cast<int>(blockWidth) : 0;
    t.points = std::clamp(std::min(t.points, samples / t.step), 0, widest);
    return t;
}

SignalChart::~SignalChart() { std::free(frames_); }

void SignalChart::setup(Rotor* rotor, int maxSample, int* frames, int points, int blocks, float boxWidth,
                        float boxHeight) {
    std::free(frames_);
    frames_ = frames;
    drawList_ = ImGui::GetWindowDrawList();
    channels_.clear();
    if (rotor) {
        std::vector<RotorBase::u32> used;
        rotor->usedChannels(&used);
        for (RotorBase::u32 c : used) channels_.push_back(Channel{static_cast<int>(c), 0});
    }
    maxSample_ = maxSample > 0 ? maxSample : 1;
    points_ = frames ? std::max(points, 0) : 0;
    blocks_ = std::max(blocks, 1);
    boxWidth_ = boxWidth;
    boxHeight_ = boxHeight;
    blockWidth_ = (boxWidth - 10) / static_cast<float>(blocks_);
    stride_ = static_cast<int>(channels_.size()) + 1;
    if (!frames_) return;
    const std::size_t count = static_cast<std::size_t>(points_) * static_cast<std::size_t>(blocks_);
    for (std::size_t f = 0; f < count; ++f) {
        const int* frame = frames_ + f * static_cast<std::size_t>(stride_);
        for (std::size_t k = 0; k < channels_.size(); ++k)
            channels_[k].peak = std::max(channels_[k].peak, std::abs(frame[k + 1]));
    }
}

void SignalChart::drawChannel(int slot, int gain, int zoom, ImVec2 at) {
    at_ = at;
    const ImVec2 end = at + ImVec2(boxWidth_, boxHeight_);
    drawList_->AddRectFilled(at, end, MeasuringData::kWhite);
    drawList_->PushClipRect(at, end, true);
    drawTrace(slot, zoom);
    drawList_->PopClipRect();
    const Channel& c = channels_[static_cast<std::size_t>(slot)];
    const std::string title = channelRowLabel(static_cast<std::size_t>(c.number - 1));
    drawSlotText(MeasuringData::kBoxFont, title.c_str(), at + ImVec2(8, 4), MeasuringData::kBlack);
    if (gain > 0) {
        const int level = static_cast<int>(100.0 * c.peak / maxSample_);
        const std::string text = ks::format("x{} : {}%", 1000 / gain, level);
        MeasuringData::drawRightAligned(MeasuringData::kBoxFont, text, end.x - 8, at.y + 4);
    }
    UiProbe::report(0, "signal box", at, end, title.c_str());
}

void SignalChart::drawTrace(int slot, int zoom) {
    lastTrace_.clear();
    const float middle = at_.y + kInnerMargin + (boxHeight_ - kInnerMargin) / 2;
    drawList_->AddLine(ImVec2(at_.x + 5, middle), ImVec2(at_.x + boxWidth_ - 5, middle), MeasuringData::kGridColour);
    for (int b = 1; b < blocks_; ++b) {
        const float x = at_.x + kLeftMargin + static_cast<float>(b) * blockWidth_;
        drawList_->AddLine(ImVec2(x, at_.y + kInnerMargin), ImVec2(x, at_.y + boxHeight_), MeasuringData::kGridColour);
    }
    const Channel& c = channels_[static_cast<std::size_t>(slot)];
    if (!frames_ || c.peak == 0) return;
    const float scale = (boxHeight_ - kInnerMargin) / 2 / static_cast<float>(c.peak);
    const Trace t = traceFor(zoom, points_, blockWidth_);
    if (t.points <= 0) return;
    const float dx = blockWidth_ / static_cast<float>(t.points);
    for (int b = 0; b < blocks_; ++b) {
        const int* block = frames_ + static_cast<std::size_t>(b) * static_cast<std::size_t>(points_) * stride_;
        ImVec2 previous;
        for (int i = 0; i < t.points; ++i) {
            long long sum = 0;
            for (int s = 0; s < t.step; ++s) {
                const int sample = i * t.step + s;
                if (sample >= points_) break;
                sum += block[static_cast<std::size_t>(sample) * stride_ + 1 + slot];
            }
            const ImVec2 p(at_.x + kLeftMargin + static_cast<float>(b) * blockWidth_ + static_cast<float>(i) * dx,
                           middle - static_cast<float>(sum) * scale / static_cast<float>(t.step));
            if (i > 0) drawList_->AddLine(previous, p, MeasuringData::kTraceColour, 2.0f);
            lastTrace_.push_back(p);
            previous = p;
        }
    }
}

// ---- the Gui's part ------------------------------------------------------------------------------

ImVec2 Gui::signalBoxPosition(int slot, float boxWidth) {
    const ImVec2 origin = ImGui::GetWindowPos();
    const float height = ImGui::GetWindowHeight();
    const float boxHeight = height < MeasuringData::kLowWindow ? MeasuringData::kBoxHeight / 2 : MeasuringData::kBoxHeight;
    if (_config && _config->machineInterface == settings_choice::kVertical) {
        // One column, slot 0 lowest; kept between the bars.
        float y = static_cast<float>(1 - slot) * height / 2 + MeasuringData::kVerticalBoxTop;
        y = std::clamp(y, kBarHeight, std::max(kBarHeight, height - kBarHeight - boxHeight));
        return origin + ImVec2(_margin + MeasuringData::kVerticalBoxLeft, y);
    }
    const float y = height < MeasuringData::kLowWindow ? MeasuringData::kBoxTopLow : MeasuringData::kBoxTop;
    return origin + ImVec2(_margin + static_cast<float>(slot) * boxWidth, y);
}

void Gui::measuring() {
    using namespace MeasuringData;
    auto* data = dynamic_cast<Data*>(_data);
    if (!data && !(data = open(*this))) return;
    Data& d = *data;

    keyboardEntry(*this, d);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("Measuring", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse |
                     screenBackground(ImGui::GetColorU32(ImGuiCol_WindowBg), true));
    ImGui::PopStyleVar();
    const bool entering = d.entry != entry::kNone;
    ImGui::BeginDisabled(entering);

    DialLayout dial;
    dialLayout(dial, 0, kDialTop);
    drawDial(dial, d.machine->getSpeedInfo(false), kDialSpeed);

    if (d.testMode) {
        if (_config->local.serviceAccess) modePanel(d, _margin, kPanelTop);
        speedPanel(d, _screenWidth - _margin, kPanelTop, d.machine->getSpeedInfo(d.speedEntryKind == 0));
    }

    const int state = d.machine->getState();
    const bool running = state == MachineState::kMeasuring ||
                         (state == MachineState::kDescending && d.machine->getResultCount() > 0);
    if (running)
        runningDisplay(*this, d, layoutFor(*this, d.rotor ? d.rotor->channelCount() : 0));
    else
        returnWhenIdle(*this, d, state);
    showMachineError(*this, d);

    ImGui::EndDisabled();
    if (entering && _modalState == kHidden) veilScreen(kVeil);
    ImGui::End();
    drawFrame(false, [&d] { topBar(d); });
    leaveForHome(*this, d);
}
