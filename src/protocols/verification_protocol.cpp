// The verification-test protocol's driver, its page frame, the numbered row
// of its first section and the helpers its section writers share.
#include "protocols/verification_protocol.h"

#include <cmath>
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;

// Page frame: the top band from y0 = topMargin + 2, the footer rows.
constexpr float kFrameTopShift = 2.f;
constexpr float kLogoHeight = 40.f;
constexpr float kContactFontSize = 7.5f;
constexpr float kContactRowHeight = 10.f;
constexpr float kContactBlockShift =
    25.f;  // the address block's left edge from W / 3, the phones' width from it
constexpr float kFooterRow1Y = 790.f;
constexpr float kFooterRow2Y = 802.f;
constexpr float kFooterFontSize = 9.f;
constexpr float kFooterHeight = 12.f;
constexpr float kFooterNarrow = 120.f;
constexpr float kFooterWide = 200.f;
constexpr float kFooterMiddleX = 150.f;  // from the content's left edge
constexpr float kFooterRightX = 450.f;

// Numbered rows.
constexpr float kRowFontSize = 9.f;
constexpr float kRowHeight = 12.f;
constexpr float kRowUnderline = 14.f;
constexpr float kCellInset = 1.f;
constexpr float kWideIndent = 20.f;  // section 1's two-digit items and continuations
constexpr float kIndent = 15.f;
constexpr int kFirstTwoDigitItem = 8;

// E|mar| class limits, g·mm/kg.
constexpr double kHighAccuracyBelow = 0.2;
constexpr double kIncreasedAccuracyBelow = 0.5;

// Sections after page 1.
constexpr float kSectionHeadingHeight = 20.f;
constexpr float kSectionHeadingSize = 15.f;
constexpr float kVerdictRed = 0.7764f, kVerdictGreen = 0.9176f, kVerdictBlue = 0.9843f;

constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;

// A text field of the rotor ("" when it has none).
std::string rotorText(Rotor& rotor, TextId field) {
    std::string text;
    return rotor.rotorParameter(field, &text) ? text : std::string();
}

}  // namespace

int writeVerificationProtocol(ReportContext& c) {
    Doc& doc = *c.doc;
    Rotor& rotor = *c.rotor;
    setContentGeometry(c);
    setReportTime(c);
    const std::tm& t = c.reportTime;
    c.protocolNumber = t.tm_sec + kSecondsPerMinute * (t.tm_min + kMinutesPerHour * t.tm_hour);
    if (!doc.begin()) return reportresult::kBeginFailed;
    if (!loadProtocolFaces(doc)) {
        doc.discard();
        return reportresult::kNotWritten;
    }
    // Later sections make runs current while they read them; the balancing
    // screen and the history browser must find the rotor as it was.
    const int remembered = rotor.currentRun();
    writeVerificationTitlePage(c);
    writeUmarDataSheets(c);
    writeUmarEvaluation(c);
    writeUrrTest(c);
    writeCompensatorTest(c);
    writeTorqueTest(c);
    writeConclusions(c);
    rotor.selectRun(remembered);
    return doc.save() ? reportresult::kWritten : reportresult::kNotWritten;
}

void writeVerificationPageFrame(ReportContext& c, int page) {
    const Contact& owner = settingsOf(c).company;
    Rotor& rotor = *c.rotor;
    const float X = c.contentLeft;
    const float W = c.contentWidth;
    const float y0 = c.topMargin + kFrameTopShift;

    const ResourceEntry logo = findResource(textid::kProtocolImagePageFrame);
    if (logo.size > 0)
        c.doc->image(X + 4 * W / 5, y0, W / 5, kLogoHeight, logo.data, static_cast<int>(logo.size));

    auto contactRow = [&](float x, float y, float w, const std::string& text) {
        valueText(c, x, y, w, kContactRowHeight, text.c_str(), kRegular, kContactFontSize);
    };
    const float h = kContactRowHeight;
    const float addressX = X + W / 3 - kContactBlockShift;
    const float addressW = W / 3 + kContactBlockShift;
    contactRow(addressX, y0, addressW, textOrEmpty(kAddressLabel));
    contactRow(addressX, y0 + h, 2 * addressW, owner.address);
    if (owner.address2.empty()) {
        contactRow(addressX, y0 + 2 * h, 2 * addressW, owner.emailWeb);
    } else {
        contactRow(addressX, y0 + 2 * h, 2 * addressW, owner.address2);
        contactRow(addressX, y0 + 3 * h, 2 * addressW, owner.emailWeb);
    }
    const float phonesW = W / 3 - kContactBlockShift;
    contactRow(X, y0, phonesW, textOrEmpty(kPhonesLabel));
    contactRow(X, y0 + h, phonesW, owner.phones);
    contactRow(X, y0 + 2 * h, phonesW, owner.phones2);

    const std::tm& t = c.reportTime;
    auto footer = [&](float x, float y, float w, const std::string& text) {
        valueText(c, x, y, w, kFooterHeight, text.c_str(), kBold, kFooterFontSize);
    };
    footer(X, kFooterRow1Y, kFooterNarrow,
           ks::format("{}: {}", textOrEmpty(kProtocolNumberLabel), c.protocolNumber));
    footer(X, kFooterRow2Y, kFooterNarrow,
           ks::format(textOrEmpty(kTestDate), t.tm_mday, t.tm_mon + 1, t.tm_year + 1900));
    footer(X + kFooterMiddleX, kFooterRow1Y, kFooterWide,
           ks::format("{} {}", textOrEmpty(kExpertNameLabel), rotorText(rotor, jobrec::kCustomer)));
    footer(X + kFooterMiddleX, kFooterRow2Y, kFooterWide,
           ks::format("{}: {}", textOrEmpty(Contact::kCompany), rotorText(rotor, jobrec::kTestCompany)));
    footer(X + kFooterRightX, kFooterRow1Y, kFooterNarrow,
           ks::format("{}: {}", textOrEmpty(kPageLabel), page));
    footer(X + kFooterRightX, kFooterRow2Y, kFooterNarrow,
           ks::format("{}: {}", textOrEmpty(kPagesLabel), kVerificationPages));
}

void writeNumberedRow(ReportContext& c, float x, float y, float totalWidth, float labelWidth,
                      const char* label, const char* value, RowValue kind, bool underline, int section,
                      int item) {
    float indent = 0.f;
    if (section != 0) {
        if (item != 0)
            leftText(c, x, y, labelWidth - kCellInset, kRowHeight,
                     ks::format("{}.{}.", section, item).c_str(), kRegular, kRowFontSize);
        indent = (section == 1 && (item >= kFirstTwoDigitItem || item == 0)) ? kWideIndent : kIndent;
    }
    leftText(c, x + indent, y, labelWidth - kCellInset - indent, kRowHeight, label, kRegular, kRowFontSize);
    auto draw = kind == RowValue::typed ? valueText : leftText;
    draw(c, x + labelWidth, y, totalWidth - labelWidth - kCellInset, kRowHeight, value, kRegular,
         kRowFontSize);
    if (underline) c.doc->line(x, y + kRowUnderline, x + totalWidth, y + kRowUnderline);
}

TextId accuracyClass(double emar) {
    if (emar < kHighAccuracyBelow) return kAccuracyHigh;
    if (emar < kIncreasedAccuracyBelow) return kAccuracyIncreased;
    return kAccuracyStandard;
}

namespace {

constexpr double kEquationPlaces = 1e4;  // an unbalance is printed to four decimals
constexpr int kMostFactorDecimals = 6;
constexpr double kNearlyHalf = 0.499;
// A mass read back from a file is the suggestion it was stored as.
constexpr double kSameMass = 1e-9;

// The decimals a printed number shows after its separator.
int decimalsOf(const std::string& number) {
    const std::size_t point = number.find_first_of(".,");
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// The unbalance a test mass stands for: the one it was made for when it is
// the suggestion, else the mass times its radius.
double mountedUnbalance(int kind, double mass, double umar, double r) {
    const double suggested = Rotor::suggestedTestMass(kind, umar, r);
    if (r != 0.0 && suggested != 0.0 && std::fabs(mass - suggested) <= kSameMass * suggested)
        return Rotor::kTestUnbalanceFactor[kind] * umar;
    return mass * r;
}

}  // namespace

std::string unbalanceText(double v) {
    return ks::format("{}", std::round(v * kEquationPlaces) / kEquationPlaces);
}

std::string factorText(std::optional<double> factor, double base, const std::string& product) {
    double printed = 0;
    if (!factor || !ks::parseDouble(product, printed)) return "-";
    // Within half a unit of the product's last digit, a half-way product left out: it rounds either way.
    const double halfUnit = kNearlyHalf * std::pow(10.0, -decimalsOf(product));
    for (int d = 0; d <= kMostFactorDecimals; ++d) {
        const double scale = std::pow(10.0, d);
        const double shown = std::round(*factor * scale) / scale;
        if (std::fabs(shown * base - printed) < halfUnit) return ks::fixed(shown, d);
    }
    return ks::format("{}", *factor);
}

ProvingUnbalances provingUnbalances(Rotor& rotor) {
    ProvingUnbalances u;
    u.umar = rotor.permissibleUnbalance(1);
    u.rotorMass = rotor.rotorMass();
    u.r = rotor.testMassRadius();
    const auto& planes = rotor.data().planes;
    u.r1 = planes.empty() ? 0.0 : planes.front().radiusR1;
    u.umarMass = rotor.testMass(0, Rotor::kUmarMass);
    u.stationMass = rotor.testMass(0, Rotor::kStationMass);
    u.travelMass = rotor.testMass(0, Rotor::kTravelMass);
    u.umarTest = mountedUnbalance(Rotor::kUmarMass, u.umarMass, u.umar, u.r);
    u.station = mountedUnbalance(Rotor::kStationMass, u.stationMass, u.umar, u.r);
    u.travel = mountedUnbalance(Rotor::kTravelMass, u.travelMass, u.umar, u.r);
    u.umarText = unbalanceText(u.umar);
    u.emarText = factorText(quotient(u.umar, u.rotorMass), u.rotorMass, u.umarText);
    double shown = 0;
    if (u.emarText != "-" && ks::parseDouble(u.emarText, shown)) u.emar = shown;
    return u;
}

const char* testedAccuracyClass(const ProvingUnbalances& u) {
    return u.emar ? textOrEmpty(accuracyClass(*u.emar)) : "-";
}

std::string numberText(const char* pattern, std::optional<double> value) {
    return value ? ks::format(pattern, *value) : std::string("-");
}

void sectionText(ReportContext& c, float x, float y, float w, const std::string& s, int slot, float h,
                 float size) {
    leftText(c, x, y, w, h, s.c_str(), slot, size);
}

void sectionHeading(ReportContext& c, float y, TextId title) {
    sectionText(c, c.contentLeft, y, c.contentWidth, textOrEmpty(title), kBold, kSectionHeadingHeight,
                kSectionHeadingSize);
}

void sectionRule(ReportContext& c, float y) {
    c.doc->line(c.contentLeft, y, c.contentLeft + c.contentWidth, y);
}

void verdictBox(ReportContext& c, float y, float h) {
    c.doc->fillRect(c.contentLeft, y, c.contentWidth, h, kVerdictRed, kVerdictGreen, kVerdictBlue);
}
