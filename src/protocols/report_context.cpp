#include "protocols/report_context.h"

#include <cmath>

#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/rotor_clock.h"
#include "texts/text_ids.h"

namespace {
constexpr float kCellPad = 2.f;
}  // namespace

const Config& settingsOf(const ReportContext& c) {
    static const Config kDefaults;
    return c.config ? *c.config : kDefaults;
}

bool loadProtocolFaces(Doc& doc) {
    const TextId faces[Doc::kFontSlots] = {textid::kFontFace2, textid::kFontFace3};
    for (int slot = 0; slot < Doc::kFontSlots; ++slot) {
        const ResourceEntry face = findResource(faces[slot]);
        if (face.size == 0 || !doc.loadFont(slot, face.data, static_cast<int>(face.size))) return false;
    }
    return true;
}

void setContentGeometry(ReportContext& c) {
    c.contentLeft = c.leftMargin;
    c.cellPad = kCellPad;
    c.contentWidth = ReportContext::kPageWidth - c.leftMargin - c.rightMargin;
}

void setReportTime(ReportContext& c) {
    const int runs = c.rotor->runCount();
    const std::int64_t t = runs > 0 ? c.rotor->runTime(runs - 1) : rotorclock::now();
    std::tm tm{};
    if (rotorclock::localTime(t, &tm)) c.reportTime = tm;
}

float leftText(ReportContext& c, float x, float y, float w, float h, const char* text, int slot, float size) {
    return c.doc->text(x, y, w, h, text, slot, size, Doc::kAlignLeft);
}

float valueText(ReportContext& c, float x, float y, float w, float h, const char* text, int slot,
                float size) {
    return c.doc->text(x, y, w, h, text, slot, size, Doc::kAlignLeft | Doc::kFitWhole);
}

std::optional<double> quotient(double dividend, double divisor) {
    const double v = dividend / divisor;
    if (divisor == 0.0 || !std::isfinite(v)) return std::nullopt;
    return v;
}
