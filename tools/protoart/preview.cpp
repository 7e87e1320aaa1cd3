#include "protoart/preview.h"

#include <cmath>

#include "protocols/diagram_sheets.h"
#include "protocols/pdf_doc.h"
#include "resources/resource_store.h"
#include "texts/text_ids.h"

namespace protoart {

namespace {

namespace ds = diagram_sheets;

// The verification protocol's page geometry (points, y downward).
constexpr float kLeft = 46, kWidth = 517;
constexpr float kFrameTop = 29, kLogoHeight = 40;
constexpr float kUmarSheetTop = 159, kUrrSheetTop = 117;
constexpr float kUmarMark = 10, kUrrMark = 5;
constexpr float kVerdictTop = 695, kVerdictHeight = 46;
constexpr float kVerdictBlue[3] = {0.7764f, 0.9176f, 0.9843f};
constexpr double kPi = 3.14159265358979323846;
constexpr double kTravellingMultiple = 5;  // U|travel| = 5 U|station|

void picture(Doc& doc, float x, float y, float w, float h, const std::string& bytes) {
    doc.image(x, y, w, h, bytes.data(), static_cast<int>(bytes.size()));
}

void caption(Doc& doc, float x, float y, float w, const char* text, int slot = Doc::kRegularSlot, float size = 9) {
    doc.text(x, y, w, 14, text, slot, size, Doc::kAlignLeft);
}

void pageFrame(Doc& doc, const PictureFiles& files) {
    picture(doc, kLeft + 4 * kWidth / 5, kFrameTop, kWidth / 5, kLogoHeight, files.emblem);
    caption(doc, kLeft, kFrameTop, kWidth / 3 - 25, "Контактные телефоны:", Doc::kRegularSlot, 7.5f);
    caption(doc, kLeft + kWidth / 3 - 25, kFrameTop, kWidth / 3 + 25, "Адрес:", Doc::kRegularSlot, 7.5f);
}

void verdictBox(Doc& doc, const char* line1, const char* line2) {
    doc.fillRect(kLeft, kVerdictTop, kWidth, kVerdictHeight, kVerdictBlue[0], kVerdictBlue[1], kVerdictBlue[2]);
    caption(doc, kLeft + 5, kVerdictTop + 5, kWidth - 10, line1);
    caption(doc, kLeft + 5, kVerdictTop + 17, kWidth - 10, line2);
}

// Section 3 of page 1: the drawing beside its rows.
void provingRotorPage(Doc& doc, const PictureFiles& files) {
    pageFrame(doc, files);
    caption(doc, kLeft, 370.8f, kWidth, "3. Контрольный ротор и настройки измерительного прибора", Doc::kBoldSlot,
            15);
    picture(doc, kLeft, 395.8f, 170, 150, files.provingRotor);
    const char* const left[] = {"3.1. Тип ротора:", "3.2. Номер ротора:", "3.3. Серийный номер ротора:",
                                "3.4. Масса ротора:", "3.5. Число плоскостей:"};
    const char* const leftValues[] = {"B", "4", "17-0342", "4,6 кг", "3"};
    const char* const numbers[] = {"3.6.", "3.7.", "3.8.", "3.9.", "3.10."};
    const char* const rightValues[] = {"A = 60 мм", "B = 180 мм", "C = 60 мм", "R = 45 мм", "r = 40 мм"};
    for (int k = 0; k < 5; ++k) {
        const float y = 435.8f + 16 * k;
        caption(doc, kLeft + 200, y, 119, left[k]);
        caption(doc, kLeft + 320, y, 44, leftValues[k]);
        doc.line(kLeft + 200, y + 14, kLeft + 365, y + 14);
        caption(doc, kLeft + 385, y, 19, numbers[k]);
        caption(doc, kLeft + 405, y, 44, rightValues[k]);
        doc.line(kLeft + 385, y + 14, kLeft + 450, y + 14);
    }
}

// Page 4: every reading exactly the mean (k = 1), marked as the writer marks it.
void umarPage(Doc& doc, const PictureFiles& files) {
    pageFrame(doc, files);
    caption(doc, kLeft, 117, kWidth, "5.5. Диаграмма для оценки испытания на U|mar|");
    picture(doc, kLeft, kUmarSheetTop, kWidth, kWidth, files.umarSheet);
    const float s = kWidth / ds::kUmarSide;
    const float k = 1;
    for (int i = 0; i < ds::kUmarPositions - 1; ++i)
        for (const ds::UmarGraph& g : ds::kUmarGraphs) {
            const float x = kLeft + s * g.x0 - kUmarMark / 2 + i * ds::kUmarPositionStep * s;
            const float y = kUmarSheetTop + s * g.y0 - kUmarMark / 2 + (1 - k) * ds::kUmarPixelsPerUnit * s;
            picture(doc, x, y, kUmarMark, kUmarMark, files.plane1Mark);
            if (i == 0)
                picture(doc, x + (ds::kUmarPositions - 1) * ds::kUmarPositionStep * s, y, kUmarMark, kUmarMark,
                        files.plane1Mark);
        }
    verdictBox(doc,
               "5.6. Так как все точки на графике находятся внутри диапазона между двумя пунктирными линиями "
               "(0,88 ... 1,12 U|mar|),",
               "то балансировочный станок считается успешно прошедшим проверку на соответствие заявленному "
               "значению точности");
}

struct Reading {
    double multiple;  // of U|station|
    double degrees;   // [0, 360)
};

// A plane's reading when it shows exactly the sum of its two test unbalances.
Reading idealUrrReading(int plane, int run) {
    const double stationary = plane == 1 ? 0 : 90;
    const double travelling = plane == 1 ? 30 * (run + 1) : std::fmod(420 - 30 * run, 360);
    const double x = std::cos(stationary * kPi / 180) + kTravellingMultiple * std::cos(travelling * kPi / 180);
    const double y = std::sin(stationary * kPi / 180) + kTravellingMultiple * std::sin(travelling * kPi / 180);
    double degrees = std::atan2(y, x) * 180 / kPi;
    if (degrees < 0) degrees += 360;
    return {std::hypot(x, y), degrees};
}

// Page 6: every reading the exact sum of its test unbalances, marked as the
// writer marks it (plane 1 turned by 90°, the mark's corner on the point).
void urrPage(Doc& doc, const PictureFiles& files) {
    pageFrame(doc, files);
    caption(doc, kLeft, 117, kWidth, "6.2. Диаграмма оценки URR для испытания в двух плоскостях");
    picture(doc, kLeft, kUrrSheetTop, kWidth, kWidth, files.urrSheet);
    const double s = kWidth / ds::kUrrSide;
    const std::string* marks[2] = {&files.plane1Mark, &files.plane2Mark};
    for (int p = 0; p < 2; ++p)
        picture(doc, kLeft + ds::kUrrLegendX * s, kUrrSheetTop + ds::kUrrLegendY[p] * s, kUrrMark, kUrrMark,
                *marks[p]);
    const double cx = kLeft + ds::kUrrOriginX * s, cy = kUrrSheetTop + ds::kUrrOriginY * s;
    const double k = -ds::kUrrPixelsPerStation * s;
    for (int run = 0; run < ds::kUrrTargets - 1; ++run)
        for (int plane = 1; plane <= 2; ++plane) {
            const Reading r = idealUrrReading(plane, run);
            const double theta = (r.degrees + (plane == 1 ? 90 : 0)) * kPi / 180;
            picture(doc, static_cast<float>(cx + k * r.multiple * std::cos(theta)),
                    static_cast<float>(cy + k * r.multiple * std::sin(theta)), kUrrMark, kUrrMark, *marks[plane - 1]);
        }
    verdictBox(doc, "6.3. Все испытательные точки на диаграмме оценки URR находятся внутри предельных окружностей",
               "URR = 95 % (допускается одно исключение в каждой плоскости коррекции). Это выше заявленного");
}

}  // namespace

bool writePreview(const std::string& path, const PictureFiles& files) {
    PdfDoc doc(path);
    if (!doc.begin()) return false;
    const TextId faces[Doc::kFontSlots] = {textid::kFontFace2, textid::kFontFace3};
    for (int slot = 0; slot < Doc::kFontSlots; ++slot) {
        const ResourceEntry face = findResource(faces[slot]);
        if (!doc.loadFont(slot, face.data, static_cast<int>(face.size))) return false;
    }
    provingRotorPage(doc, files);
    doc.newPage();
    umarPage(doc, files);
    doc.newPage();
    urrPage(doc, files);
    return doc.save();
}

}  // namespace protoart
