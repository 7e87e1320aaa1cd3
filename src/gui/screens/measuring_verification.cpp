// The Measuring screen's test panels and the channel verification: the
// measurement-mode selector, the test speed entries, the verification files
// "cert_tab.txt" and "cert_data.txt", the per-channel calibration and the
// correction of readings.
//
// Channel slots.  The screen's boxes, buttons and table columns are the
// rotor's used channels in order (slot k); the settings channel of slot k is
// `usedChannels[k] - 1`, which picks the transducer data in the `Config` and
// the column [1 + c] of a `CertRow`.

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/screens/measuring.h"
#include "gui/widgets.h"
#include "machine/machine_base.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace MeasuringData {
namespace {

constexpr TextId kTextMeasurementMode = 0x13DFC01;
constexpr TextId kTextTest = 0x13DFC02;
constexpr TextId kTextVerification = 0x13DFC03;
constexpr TextId kTextIsFrequencySet = 0x13DFC04;  // "Is frequency {} Hz set?"
constexpr TextId kTextCalibrate = 0x13DFC05;       // "Calibrate##{}"
constexpr TextId kTextTestFrequency = 0x13DFC06;
constexpr TextId kTextSpeedBufferSize = 0x13DFC07;
constexpr TextId kTextRotorRpm = 0x1EFD001;
constexpr TextId kTextVfdFrequency = 0x1EFD002;
constexpr TextId kUnitSecond = 0xB95C02;
constexpr TextId kUnitRpm = 0xB95C0A;
constexpr TextId kUnitHertz = 0xB95C0F;

constexpr const char* kCertTable = "cert_tab.txt";
constexpr const char* kCertData = "cert_data.txt";
constexpr std::size_t kCertColumns = std::tuple_size<CertRow>::value;
constexpr std::size_t kFactors = kCertColumns - 1;  // one per settings channel
constexpr std::uint64_t kCertFileCap = 4 << 20;     // far beyond any history of calibrations

constexpr CertPoint kBuiltInPoints[] = {{3, 27629586}, {10, 2486663}, {40, 155416}, {80, 38854},
                                        {160, 9714},   {200, 6217},   {400, 1554},   {500, 995}};

// A block holds one second of samples: below 1 Hz a period is longer than
// the block, and the lowest frequency an operator may set leaves one whole.
constexpr double kLowestTestFrequency = 1;  // Hz
// Readings settle this long after the operator confirmed the frequency.
constexpr auto kSettling = std::chrono::microseconds(7'001'000);  // 70,010,000 ticks of 100 ns
constexpr double kSameFrequency = 0.01;                           // Hz
// Range correction of the peak-to-peak value.
constexpr double kHighRange = 5000, kHighFactor = 1.04;
constexpr double kMiddleRange = 1000;
constexpr double kLowRange = 100, kLowDivisor = 1.014;
// The sensitivity button's steps: 1, 10, 100, 1.
constexpr double kSensitivityStep = 10, kSensitivityMax = 100;
// The machine keeps the speed measurement period in ms; the operator reads and types seconds.
constexpr double kMsPerSecond = 1000;

// Layout (pixels).
constexpr float kPanelHeight = 50;
constexpr float kPanelRow = 90;
constexpr float kTestWidth = 70;
constexpr float kVerificationLeft = 75;
constexpr float kVerificationWidth = 120;
constexpr float kEntryWidth = 150;
constexpr float kCaptionRoom = 4;  // a caption wider than its entry moves the entry left
constexpr float kButtonAbove = 45;
constexpr float kButtonHeight = 40;
constexpr float kCalibrateLeft = 5, kCalibrateWidth = 90;
constexpr float kSensitivityLeft = 95, kSensitivityWidth = 40;
constexpr int kPanelFont = fontslot::kRegular24;
constexpr int kButtonFont = fontslot::kRegular17;
constexpr int kCaptionFont = fontslot::kRegular17;

// The settings channel (from 0) of slot k; -1 when the rotor has no such slot.
int settingsChannel(const Data& d, int slot) {
    if (!d.rotor || slot < 0) return -1;
    std::vector<RotorBase::u32> used;
    d.rotor->usedChannels(&used);
    if (slot >= static_cast<int>(used.size()) || used[static_cast<std::size_t>(slot)] == 0) return -1;
    return static_cast<int>(used[static_cast<std::size_t>(slot)]) - 1;
}

Channel* channelSettings(const Data& d, int slot) {
    const int c = settingsChannel(d, slot);
    if (!d.config || c < 0 || c >= static_cast<int>(d.config->channels.size())) return nullptr;
    return &d.config->channels[static_cast<std::size_t>(c)];
}

// The column of slot k's factor in a row; 0 when it has none.
std::size_t factorColumn(const Data& d, int slot) {
    const int c = settingsChannel(d, slot);
    return c >= 0 && static_cast<std::size_t>(c) < kFactors ? static_cast<std::size_t>(c) + 1 : 0;
}

std::string certTableText(const Data& d) {
    std::string text;
    char number[64];
    auto kept = d.certKept.begin();
    for (std::size_t r = 0; r <= d.certTable.size(); ++r) {
        for (; kept != d.certKept.end() && kept->beforeRow <= r; ++kept) text += kept->text + '\n';
        if (r == d.certTable.size()) break;
        for (std::size_t i = 0; i < d.certTable[r].size(); ++i) {
            std::snprintf(number, sizeof number, i == 0 ? "%lg" : ",%lg", d.certTable[r][i]);
            text += number;
        }
        text += '\n';
    }
    return text;
}

// The numbers of a line "a,b,..." when it holds 1 to `most` of them and nothing else.
bool lineNumbers(std::string_view line, std::size_t most, std::vector<double>& out) {
    out.clear();
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(line.find(',', start), line.size());
        const std::string field(line.substr(start, comma - start));
        char* end = nullptr;
        const double value = std::strtod(field.c_str(), &end);
        if (end == field.c_str() || !std::isfinite(value) || out.size() == most) return false;
        while (std::isspace(static_cast<unsigned char>(*end))) ++end;
        if (*end) return false;
        out.push_back(value);
        if (comma == line.size()) return true;
        start = comma + 1;
    }
}

// Calls use(line) for every line of the file that holds more than white space;
// false when the file cannot be read.
template <typename Use>
bool forEachLine(const char* path, Use use) {
    std::string text;
    if (!platform::readBoundedFile(path, kCertFileCap, text, nullptr)) return false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line(text.data() + start, end - start);
        if (line.find_first_not_of(" \t\r\v\f") != std::string_view::npos) use(line);
        start = end + 1;
    }
    return true;
}

// A typed number that may become an int setting or a speed.
bool wholeRange(double value) { return std::isfinite(value) && value >= 0 && value <= INT_MAX; }

double typedValue(const Gui& g) {
    double value = 0;
    return ks::parseDouble(g._keyboardText, value) ? value : 0;  // no number: 0
}

// A step that cannot give a factor ends the channel's calibration.
void abandonCalibration(Data& d) {
    d.certStep = -1;
    d.selectedChannel = -1;
    d.stepRunning = false;
    d.gui.messageBox(textOrEmpty(textid::kTextError));
}

// A row of the step's result; then the next point, or the end.
void completeStep(Data& d) {
    const double mean = d.stepSum / d.stepCount;
    const double factor = d.stepExpected / mean;
    const std::size_t column = factorColumn(d, d.selectedChannel);
    if (!(mean > 0) || !std::isfinite(factor) || column == 0) {
        abandonCalibration(d);
        return;
    }
    CertRow row{};
    row[0] = d.testFrequency;
    row[column] = factor;
    d.certTable.push_back(row);
    writeCertTable(d);
    if (d.certStep < 0) return;
    ++d.certStep;
    if (d.certStep < static_cast<int>(d.certPoints.size())) {
        askFrequency(d);
    } else {
        d.certStep = -1;
        d.selectedChannel = -1;
        d.stepRunning = false;
    }
}

// The peak-to-peak value of one trace over P periods of L samples, range corrected.
double peakToPeak(const Data& d, const std::vector<float>& trace, std::size_t periods, std::size_t length) {
    double sum = 0;
    for (std::size_t k = 0; k < periods; ++k) {
        const auto first = trace.begin() + static_cast<std::ptrdiff_t>(k * length);
        const auto [low, high] = std::minmax_element(first, first + static_cast<std::ptrdiff_t>(length));
        sum += std::fabs(std::trunc(static_cast<double>(*high)) - std::trunc(static_cast<double>(*low)));
    }
    double m = sum / static_cast<double>(periods);
    if (m > kHighRange)
        m *= kHighFactor;
    else if (m < kLowRange)
        m /= d.lowRangeDivisor;
    else if (m < kMiddleRange)
        m /= kLowDivisor;
    return m;
}

float captionWidth(const char* caption) {
    ImFont* font = uiFont(kCaptionFont);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, caption).x;
}

// One entry of the speed panel, right-aligned at x; true when tapped.
bool rightEntry(Data& d, int target, const char* caption, const char* unit, float x, float y, double value) {
    const float width = std::max(kEntryWidth, captionWidth(caption) + kCaptionRoom);
    const int state = d.entry == target ? kEntryEditing : kEntryNormal;
    return numericEntry(state, unit, caption, nullptr, 0, x - width, y, width, kPanelHeight, value);
}

}  // namespace

void readCertTable(Data& d) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(kCertTable, ec))) return;  // none yet
    std::vector<double> numbers;
    d.certWritable = forEachLine(kCertTable, [&](std::string_view line) {
        if (!lineNumbers(line, kCertColumns, numbers)) {
            d.certKept.push_back({d.certTable.size(), std::string(line)});
            return;
        }
        CertRow& row = d.certTable.emplace_back();  // missing factors are 0
        std::copy(numbers.begin(), numbers.end(), row.begin());
    });
}

void writeCertTable(const Data& d) {
    if (d.certWritable) platform::replaceFile(kCertTable, certTableText(d));
}

void readCertData(Data& d) {
    std::vector<double> numbers;
    forEachLine(kCertData, [&](std::string_view line) {
        if (lineNumbers(line, 2, numbers) && numbers.size() == 2) d.certPoints.push_back({numbers[0], numbers[1]});
    });
    if (d.certPoints.empty()) d.certPoints.assign(std::begin(kBuiltInPoints), std::end(kBuiltInPoints));
}

void modePanel(Data& d, float x, float y) {
    ImGui::PushFont(uiFont(kPanelFont));
    if (optionButton(textOrEmpty(kTextTest), x, y, kTestWidth, kPanelHeight, textOrEmpty(kTextMeasurementMode), false,
                     !d.verification))
        d.verification = false;
    if (optionButton(textOrEmpty(kTextVerification), x + kVerificationLeft, y, kVerificationWidth, kPanelHeight,
                     nullptr, false, d.verification))
        d.verification = true;
    if (d.verification &&
        numericEntry(d.entry == entry::kTestFrequency ? kEntryEditing : kEntryNormal, textOrEmpty(kUnitHertz),
                     textOrEmpty(kTextTestFrequency), nullptr, 0, x, y + kPanelRow, kEntryWidth, kPanelHeight,
                     d.testFrequency))
        d.entry = entry::kTestFrequency;
    ImGui::PopFont();
}

void speedPanel(Data& d, float x, float y, double presentSpeed) {
    ImGui::PushFont(uiFont(kPanelFont));
    if (!d.verification) {
        const double rpm = d.speedEntryKind == 0 ? d.speedEntry[0] : presentSpeed;
        const double hz = d.speedEntryKind == 1 ? d.speedEntry[1] : presentSpeed;
        if (rightEntry(d, entry::kRotorSpeed, textOrEmpty(kTextRotorRpm), textOrEmpty(kUnitRpm), x, y, rpm))
            d.entry = entry::kRotorSpeed;
        if (rightEntry(d, entry::kInverterFrequency, textOrEmpty(kTextVfdFrequency), textOrEmpty(kUnitHertz), x,
                       y + kPanelRow, hz))
            d.entry = entry::kInverterFrequency;
    } else {
        int bufferSize = 0, period = 0;
        d.machine->getPlaneValues(&bufferSize, &period);
        if (rightEntry(d, entry::kSpeedPeriod, textOrEmpty(static_cast<TextId>(entry::kSpeedPeriod)),
                       textOrEmpty(kUnitSecond), x, y, period / kMsPerSecond))
            d.entry = entry::kSpeedPeriod;
        if (rightEntry(d, entry::kSpeedBufferSize, textOrEmpty(kTextSpeedBufferSize), "", x, y + kPanelRow,
                       bufferSize))
            d.entry = entry::kSpeedBufferSize;
    }
    ImGui::PopFont();
}

void commitEntry(Data& d) {
    Gui& g = d.gui;
    const double value = typedValue(g);
    switch (d.entry) {
        case entry::kRotorSpeed:
        case entry::kInverterFrequency:
            if (!wholeRange(value)) break;  // nothing the drive could take
            d.speedEntryKind = d.entry - entry::kRotorSpeed;
            d.speedEntry[d.speedEntryKind] = value;
            d.machine->setSpeed(value, d.speedEntryKind == 1);
            break;
        case entry::kTestFrequency:
            if (std::isfinite(value) && value >= kLowestTestFrequency) d.testFrequency = value;
            break;
        case entry::kSpeedBufferSize:
        case entry::kSpeedPeriod: {
            // Seconds become whole ms, truncated as when the machine takes the period from the settings.
            const double whole = d.entry == entry::kSpeedPeriod ? value * kMsPerSecond : value;
            if (!wholeRange(whole)) break;
            int bufferSize = 0, period = 0;
            d.machine->getPlaneValues(&bufferSize, &period);
            (d.entry == entry::kSpeedBufferSize ? bufferSize : period) = static_cast<int>(whole);
            d.machine->setPlaneValues(bufferSize, period);
            break;
        }
        default: break;
    }
    g.closeKeyboard();
}

void askFrequency(Data& d) {
    d.stepRunning = false;
    if (d.certStep < 0 || d.certStep >= static_cast<int>(d.certPoints.size())) return;
    const CertPoint point = d.certPoints[static_cast<std::size_t>(d.certStep)];
    Gui& g = d.gui;
    const std::string question = ks::format(textOrEmpty(kTextIsFrequencySet), point.frequency);
    g.messageBox(question.c_str(), nullptr, textOrEmpty(textid::kTextButtonsYesNo), [&g, point](int answer) {
        auto* data = dynamic_cast<Data*>(g._data);
        if (answer < 0 || !data) return answer;
        if (answer == 0) {
            data->testFrequency = point.frequency;
            data->stepExpected = point.expected;
            data->stepCount = 0;
            data->stepSum = 0;
            data->stepRunning = true;
            data->stepStart = g._frameTime;
        } else {
            data->certStep = -1;
            data->selectedChannel = -1;
        }
        return -2;
    });
}

void measureSignals(Data& d) {
    std::vector<float> traces[16];
    if (d.machine->initPlaneData(traces, d.blockCounter) == 0) return;  // not acquired yet
    ++d.blockCounter;
    if (!(d.testFrequency > 0) || !std::isfinite(d.testFrequency) || !d.rotor) return;
    const std::size_t samples = traces[0].size();
    const double perPeriod = std::floor(static_cast<double>(samples) / d.testFrequency);
    if (perPeriod < 1) return;  // less than one sample per period: nothing to measure
    const auto length = static_cast<std::size_t>(perPeriod);
    const std::size_t periods = samples / length;
    if (periods == 0) return;  // not one whole period in the block: nothing to measure
    // One result per used channel in slot order: the ring takes whole rows.
    const int n = std::min(d.rotor->channelCount(), 16);
    std::array<double, 16> values{};
    for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
        const std::vector<float>& trace = traces[k];
        values[k] = trace.size() >= periods * length ? peakToPeak(d, trace, periods, length) : 0;
        if (!std::isfinite(values[k])) return;  // a damaged block: no row of it
    }
    for (int k = 0; k < n; ++k)
        d.rotor->addMeasureResult(values[static_cast<std::size_t>(k)], 0, 0, 1, std::max(settingsChannel(d, k), 0));
    d.machine->addResult();
}

void calibrateValue(Data& d, Pair& pair, int channel) {
    if (channel == d.selectedChannel && d.stepRunning && d.gui._frameTime - d.stepStart >= kSettling) {
        d.stepSum += toMicrometres(d, pair.first, channel);
        ++d.stepCount;
        if (d.stepCount >= 2) completeStep(d);
    }
    pair.second = d.testFrequency;
    const std::size_t column = factorColumn(d, channel);
    if (column == 0) return;
    for (auto row = d.certTable.rbegin(); row != d.certTable.rend(); ++row) {
        if (std::fabs((*row)[0] - d.testFrequency) <= kSameFrequency && (*row)[column] > 0) {
            pair.first *= (*row)[column];
            return;
        }
    }
}

void calibrationButtons(Data& d, float boxWidth) {
    if (!d.rotor) return;
    Gui& g = d.gui;
    const ImVec2 origin = ImGui::GetWindowPos();
    ImGui::PushFont(uiFont(kButtonFont));
    const int n = d.rotor->channelCount();
    for (int i = 0; i < n; ++i) {
        const ImVec2 p = g.signalBoxPosition(i, boxWidth) - origin;
        const std::string calibrate = ks::format(textOrEmpty(kTextCalibrate), i);
        if (optionButton(calibrate.c_str(), p.x + kCalibrateLeft, p.y - kButtonAbove, kCalibrateWidth, kButtonHeight,
                         nullptr, false, d.selectedChannel == i)) {
            if (d.selectedChannel == i) {
                d.selectedChannel = -1;
            } else {
                d.selectedChannel = i;
                d.certStep = 0;
                askFrequency(d);
            }
        }
        Channel* settings = channelSettings(d, i);
        if (!settings) continue;
        const std::string sensitivity = ks::format("{}##{}", settings->sensitivity, i);
        if (optionButton(sensitivity.c_str(), p.x + kSensitivityLeft, p.y - kButtonAbove, kSensitivityWidth,
                         kButtonHeight)) {
            // In memory only; 0 or an unreadable value starts the steps again at 1.
            const double next = settings->sensitivity * kSensitivityStep;
            settings->sensitivity = next > 0 && next <= kSensitivityMax ? next : 1.0;
        }
    }
    ImGui::PopFont();
}

double toMicrometres(const Data& d, double value, int channel) {
    const Channel* settings = channelSettings(d, channel);
    return settings ? channelReadingToG(*settings, value) : 0;
}

}  // namespace MeasuringData
