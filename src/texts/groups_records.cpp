// Labels and units of the record fields and the texts of the settings'
// choices.  A field's label is the text of its tag and its unit the first
// units-group entry of the tag's attribute list; a choice field's value is an
// id whose text names the choice.  A few groups give a text for their base:
// a record's title, or the pattern with which a pair is shown in one line.

#include "texts/text_groups.h"
#include "texts/text_ids.h"
#include "texts/text_table.h"

using texts_detail::AttrItem;
using texts_detail::findAttrs;
using texts_detail::findText;
using texts_detail::TextItem;
using texts_detail::validTable;

namespace {

// One-entry unit lists.
constexpr std::uint32_t kUnitGramList[] = {textid::kUnitGram, 0};  // "g"
constexpr std::uint32_t kUnitSecondList[] = {textid::kUnitSecond, 0};  // "s"
constexpr std::uint32_t kUnitMmList[] = {textid::kUnitMm, 0};  // "mm"
constexpr std::uint32_t kUnitGmmList[] = {textid::kUnitGmm, 0};  // "gmm"
constexpr std::uint32_t kUnitDegreeList[] = {textid::kUnitDegree, 0};  // "°"
constexpr std::uint32_t kUnitDensityList[] = {textid::kUnitDensity, 0};  // "g/cm^3"
constexpr std::uint32_t kUnitPartsList[] = {textid::kUnitParts, 0};  // "parts"
constexpr std::uint32_t kUnitGmmPerKgList[] = {textid::kUnitGmmPerKg, 0};  // "gmm/kg"
constexpr std::uint32_t kUnitPercentList[] = {textid::kUnitPercent, 0};  // "%"
constexpr std::uint32_t kUnitRpmList[] = {textid::kUnitRpm, 0};  // "min^-1"
constexpr std::uint32_t kUnitKgList[] = {textid::kUnitKg, 0};  // "kg"
constexpr std::uint32_t kUnitGPerMmList[] = {textid::kUnitGPerMm, 0};  // "g/mm"
constexpr std::uint32_t kUnitMmPerSList[] = {textid::kUnitMmPerS, 0};  // "mm/s"
constexpr std::uint32_t kUnitNmList[] = {textid::kUnitNm, 0};  // "Nm"
constexpr std::uint32_t kUnitHzList[] = {textid::kUnitHz, 0};  // "Hz"
constexpr std::uint32_t kUnitMvPerGList[] = {textid::kUnitMvPerG, 0};  // "mV/G"
constexpr std::uint32_t kUnitVPerUnitList[] = {textid::kUnitVPerUnit, 0};  // "V/unit"
constexpr std::uint32_t kUnitDiameterMmList[] = {textid::kUnitDiameterMm, 0};  // "À|mm"
constexpr std::uint32_t kUnitAmpereList[] = {textid::kUnitAmpere, 0};  // "A"
constexpr std::uint32_t kUnitKwList[] = {textid::kUnitKw, 0};  // "kW"
constexpr std::uint32_t kUnitVoltList[] = {textid::kUnitVolt, 0};  // "V"
constexpr std::uint32_t kUnitMmPerMinList[] = {textid::kUnitMmPerMin, 0};  // "mm/min"

// Correction modes of a plane (choice).
constexpr TextItem kCorrectionModes[] = {
    {0x1D9C401, "Addition of masses", "Добавлением масс"},
    {0x1D9C402, "Removing of masses", "Удалением масс"},
    {0x1D9C403, "Centering", "Центрированием"},
};
static_assert(validTable(kCorrectionModes, 0x1D9C400), "kCorrectionModes");

// Correction means of a plane (choice).
constexpr TextItem kCorrectionMeans[] = {
    {0x1D9C801, "On arbitrary positions", "На произвольных углах"},
    {0x1D9C802, "On indexed positions", "На конструктивных углах"},
    {0x1D9C803, "On arc", "На дуге"},
    {0x1D9C804, "End drilling", "Торцевым сверлением"},
    {0x1D9C805, "Radial drilling", "Радиальным сверлением"},
    {0x1D9C806, "Flat milling", "Фрезеровкой лыски"},
    {0x1D9C807, "Arc milling", "Фрезеровкой дуги"},
};
static_assert(validTable(kCorrectionMeans, 0x1D9C800), "kCorrectionMeans");

// `Plane` field labels; some unlabelled fields have a unit.
constexpr TextItem kPlaneFields[] = {
    {0x10A4803, "Correction radius, R", "Радиус корректировки, R"},
    {0x10A4804, "Correction mode", "Вид корректировки"},
    {0x10A4805, "Correction mean", "Способ корректировки"},
    {0x10A4806, "Minimum mass, m~min", "Минимальный вес груза, m~min"},
    {0x10A4807, "Maximum mass, m~max", "Максимальный вес груза, m~max"},
    {0x10A4808, "Number of positions in plane, N", "Число конструктивных углов коррекции в плоскости, N"},
    {0x10A4809, "Linear mass, m~udel", "Удельная линейная масса груза, m~udel"},
    {0x10A480A, "Drilled hole diameter, À", "Диаметр просверливаемого отверстия, À"},
    {0x10A480B, "Included angle of the drill bit, 2Á", "Угол заточки сверла, 2Á"},
    {0x10A480C, "Wall thickness between adjacent holes, s", "Толщина стенки между соседними отверстиями, s"},
    {0x10A480D, "Maximum depth of drilled hole, h~max", "Максимальная глубина просверливаемого отверстия, h~max"},
    {0x10A480E, "Number of additional holes in row, n", "Количество дополнительных отверстий в ряду, n"},
    {0x10A480F, "Mill width, w", "Ширина фрезерования, w"},
    {0x10A4810, "Maximum milling depth, h~max", "Максимальная глубина фрезерования, h~max"},
    {0x10A4811, "Speed of milling, v~mil", "Скорость подачи, v~под"},
    {0x10A4812, "Material density", "Плотность материала"},
    {0x10A4817, "Correction radius, r", "Радиус корректировки, r"},
    {0x10A4818, "Correction radius, r~1", "Радиус корректировки, r~1"},
    {0x10A4819, "Mass, m~station", "Масса , m~station"},
    {0x10A481A, "Mass, m~travel", "Масса , m~travel"},
    {0x10A481B, "Mass, m~umar", "Масса , m~umar"},
};
static_assert(validTable(kPlaneFields, 0x10A4800), "kPlaneFields");
constexpr AttrItem kPlaneFieldsUnits[] = {
    {0x10A4803, kUnitMmList},
    {0x10A4806, kUnitGramList},
    {0x10A4807, kUnitGramList},
    {0x10A4809, kUnitGPerMmList},
    {0x10A480A, kUnitDiameterMmList},
    {0x10A480B, kUnitDegreeList},
    {0x10A480C, kUnitMmList},
    {0x10A480D, kUnitMmList},
    {0x10A480F, kUnitMmList},
    {0x10A4810, kUnitMmList},
    {0x10A4811, kUnitMmPerSList},
    {0x10A4812, kUnitDensityList},
    {0x10A4814, kUnitMmList},
    {0x10A4815, kUnitMmList},
    {0x10A4816, kUnitMmList},
    {0x10A4817, kUnitMmList},
    {0x10A4818, kUnitMmList},
    {0x10A4819, kUnitGramList},
    {0x10A481A, kUnitGramList},
    {0x10A481B, kUnitGramList},
};
static_assert(validTable(kPlaneFieldsUnits, 0x10A4800), "kPlaneFieldsUnits");

// Drive kinds of a rotor (choice).
constexpr TextItem kDriveKinds[] = {
    {0x1C73001, "End", "Осевой"},
    {0x1C73002, "Belt", "Ременный"},
};
static_assert(validTable(kDriveKinds, 0x1C73000), "kDriveKinds");

// `RotorData` field labels.  The first letter of "Сontrol rotor" is Cyrillic
// in both languages, as the rotor files have always shown it.
constexpr TextItem kRotorDataFields[] = {
    {0xE63801, "Rotation", "Вращение"},
    {0xE63803, "Rotor mass", "Масса изделия"},
    {0xE63804, "Drive", "Привод"},
    {0xE63805, "Drive pulley", "Приводной шкив"},
    {0xE63806, "Rotor surface", "Поверхность изделия"},
    {0xE63807, "Permissible unbalance", "Допустимый дисбаланс"},
    {0xE63814, "Сontrol rotor", "Контрольный ротор"},
};
static_assert(validTable(kRotorDataFields, 0xE63800), "kRotorDataFields");
constexpr AttrItem kRotorDataFieldsUnits[] = {
    {0xE63801, kUnitRpmList},
    {0xE63803, kUnitKgList},
    {0xE63805, kUnitDiameterMmList},
    {0xE63806, kUnitDiameterMmList},
    {0xE63807, kUnitGmmList},
};
static_assert(validTable(kRotorDataFieldsUnits, 0xE63800), "kRotorDataFieldsUnits");

// Data collection system (choice): the device the machine opens.
constexpr TextItem kVersionChoices[] = {
    {0x1CEB401, "Version 1", "Версия 1"},
    {0x1CEB402, "Version 2", "Версия 2"},
};
static_assert(validTable(kVersionChoices, 0x1CEB400), "kVersionChoices");

// Motor auto-tuning modes (choice).
constexpr TextItem kAutoTuningModes[] = {
    {0x1FFB001, "Off", "Выключена"},
    {0x1FFB002, "Static", "Статическая"},
    {0x1FFB003, "Dynamic", "Динамическая"},
};
static_assert(validTable(kAutoTuningModes, 0x1FFB000), "kAutoTuningModes");

// Machine interface types (choice).
constexpr TextItem kMachineLayouts[] = {
    {0x1364001, "Horizontal", "Горизонтальный"},
    {0x1364002, "Vertical", "Вертикальный"},
    {0x1364003, "Console", "Консольный"},
};
static_assert(validTable(kMachineLayouts, 0x1364000), "kMachineLayouts");

// `Inverter` field labels.
constexpr TextItem kInverterFields[] = {
    {0x1792801, "Type", "Тип"},
    {0x1792802, "Address", "Адрес"},
};
static_assert(validTable(kInverterFields, 0x1792800), "kInverterFields");

// Phasor, the source of the angle mark (choice).
constexpr TextItem kPhasorSources[] = {
    {0x10C3001, "Without phasor", "Без отметчика"},
    {0x10C3002, "Optic #1", "Оптический Ã  1"},
    {0x10C3003, "Encoder #1", "Энкодер Ã  1"},
    {0x10C3004, "Optic #2", "Оптический Ã  2"},
    {0x10C3005, "Encoder #2", "Энкодер Ã  2"},
};
static_assert(validTable(kPhasorSources, 0x10C3000), "kPhasorSources");

// `Channel` field labels; the base carries the record's title.
constexpr TextItem kChannelFields[] = {
    {0x1DC4800, "Channel", "Канал"},
    {0x1DC4801, "Active", "Активирован"},
    {0x1DC4802, "Vibration channel gain", "Коэффициент усиления канала вибрации"},
    {0x1DC4803, "Auto", "Авто"},
    {0x1DC4804, "Vibration transducer sensitivity", "Чувствительность датчика вибрации"},
    {0x1DC4805, "Amplifier ratio", "Коэффициент преобразования усилителя"},
    {0x1DC4806, "PCB ratio", "Коэффициент преобразования платы"},
    {0x1DC4807, "Vibration phase shift", "Постоянный сдвиг фазы колебаний"},
    {0x1DC4808, "Soft bearing", "Зарезонансный"},
};
static_assert(validTable(kChannelFields, 0x1DC4800), "kChannelFields");
constexpr AttrItem kChannelFieldsUnits[] = {
    {0x1DC4804, kUnitMvPerGList},
    {0x1DC4805, kUnitVPerUnitList},
    {0x1DC4806, kUnitVPerUnitList},
    {0x1DC4807, kUnitDegreeList},
};
static_assert(validTable(kChannelFieldsUnits, 0x1DC4800), "kChannelFieldsUnits");

// `Material`: only the type tag has a text; the density has a unit.
constexpr TextItem kMaterialFields[] = {
    {0x1363800, "Material", "Материал"},
};
static_assert(validTable(kMaterialFields, 0x1363800), "kMaterialFields");
constexpr AttrItem kMaterialFieldsUnits[] = {
    {0x1363802, kUnitDensityList},
};
static_assert(validTable(kMaterialFieldsUnits, 0x1363800), "kMaterialFieldsUnits");

// `Contact` field labels.
constexpr TextItem kContactFields[] = {
    {0x1D8C801, "Company", "Организация"},
    {0x1D8C802, "Address", "Адрес"},
    {0x1D8C803, "Phones", "Телефоны"},
    {0x1D8C804, "Email/Web", "Электронный адрес"},
    {0x1D8C805, "Address 2", "Адрес 2"},
    {0x1D8C806, "Phones 2", "Телефоны 2"},
};
static_assert(validTable(kContactFields, 0x1D8C800), "kContactFields");

// `Info` field labels.
constexpr TextItem kInfoFields[] = {
    {0x1796801, "Model", "Наименование"},
    {0x1796802, "Serial number", "Серийный номер"},
    {0x1796803, "Year of manufacture", "Год выпуска"},
    {0x1796804, "Manufacturer", "Производитель"},
};
static_assert(validTable(kInfoFields, 0x1796800), "kInfoFields");

// `Limit`: the base is the pattern of a pair shown in one line.
constexpr TextItem kLimitFields[] = {
    {0x14BCC00, "{} Â {}", "{} Â {}"},
    {0x14BCC01, "Minimum", "Минимум"},
    {0x14BCC02, "Maximum", "Максимум"},
};
static_assert(validTable(kLimitFields, 0x14BCC00), "kLimitFields");

// `AccDec`: the base is the pattern of a pair shown in one line.
constexpr TextItem kAccDecFields[] = {
    {0x1FEF400, "{} Â {}", "{} Â {}"},
    {0x1FEF401, "Acceleration", "Разгон"},
    {0x1FEF402, "Deceleration", "Торможение"},
};
static_assert(validTable(kAccDecFields, 0x1FEF400), "kAccDecFields");

// `LocalConfig` field labels.
constexpr TextItem kLocalConfigFields[] = {
    {0x1DD5001, "Number of rotors balanced", "Счетчик сбалансированных изделий"},
};
static_assert(validTable(kLocalConfigFields, 0x1DD5000), "kLocalConfigFields");
constexpr AttrItem kLocalConfigFieldsUnits[] = {
    {0x1DD5001, kUnitPartsList},
};
static_assert(validTable(kLocalConfigFieldsUnits, 0x1DD5000), "kLocalConfigFieldsUnits");

// `EngineParams` field labels; the base carries the record's title.
constexpr TextItem kEngineParamsFields[] = {
    {0x1B96400, "Engine parameters", "Параметры двигателя"},
    {0x1B96401, "Rated motor power", "Номинальная мощность двигателя"},
    {0x1B96402, "Rated motor supply voltage", "Номинальное напряжение питания двигателя"},
    {0x1B96403, "Rated motor current", "Номинальный ток двигателя"},
    {0x1B96404, "Rated current frequency", "Номинальная частота тока"},
    {0x1B96405, "Rated speed", "Номинальная частота вращения"},
    {0x1B96406, "Number of poles", "Количество полюсов"},
    {0x1B96407, "Auto-adjusting", "Авто-подстройка"},
    {0x1B96408, "Load parameters", "Загружать параметры"},
};
static_assert(validTable(kEngineParamsFields, 0x1B96400), "kEngineParamsFields");
constexpr AttrItem kEngineParamsFieldsUnits[] = {
    {0x1B96401, kUnitKwList},
    {0x1B96402, kUnitVoltList},
    {0x1B96403, kUnitAmpereList},
    {0x1B96404, kUnitHzList},
    {0x1B96405, kUnitRpmList},
};
static_assert(validTable(kEngineParamsFieldsUnits, 0x1B96400), "kEngineParamsFieldsUnits");

// `Drive` field labels.
constexpr TextItem kDriveFields[] = {
    {0x1C72801, "Active", "Активирован"},
    {0x1C72802, "External", "Внешний"},
    {0x1C72803, "Drive", "Привод"},
    {0x1C72804, "Drive ratio", "Передаточное число привода"},
    {0x1C72805, "Drive max speed", "Ограничения максимальной частоты вращения привода"},
    {0x1C72806, "Drive rated torque", "Номинальный крутящий момент привода"},
    {0x1C72807, "Rated motor speed at 50 Hz", "Номинальная частота вращения двигателя на 50 Гц"},
    {0x1C72808, "Autotuning frequency", "Начальная частота вращения при автонастройке"},
    {0x1C7280A, "Default rotation direction", "Направление вращения по умолчанию"},
    {0x1C7280B, "Unidirectional rotation", "Одно направление вращения"},
    {0x1C7280C, "Belt drive pulley diameter by default", "Диаметр приводного шкива ременного привода по умолчанию"},
    {0x1C7280F, "ACC/DEC curve type", "Тип кривой разгона/торможения"},
    {0x1C72810, "ACC/DEC minimum processing time of rotor (for 1000 min^-1)", "Минимальное время разгона и торможения изделия (для 1000 мин^-1^)"},
    {0x1C72811, "ACC/DEC time factors", "Коэффициенты времени разгона и торможения изделия"},
    {0x1C72814, "Speed stabilization accuracy", "Точность стабилизации"},
    {0x1C72815, "Obtain stabilization signal from drive", "Получать сигнал стабилизации от инвертора"},
    {0x1C72816, "Speed stabilization factor", "Коэффициент стабилизации оборотов"},
    {0x1C72817, "Maximum number of stabilization attempts", "Максимальное число попыток стабилизации"},
    {0x1C72828, "Angle tuning accuracy", "Точность обучения"},
    {0x1C72829, "Use external phasor", "Использовать внешний отметчик"},
    {0x1C7282A, "Phasor signal timeout", "Таймаут ожидания сигнала датчика оборотов"},
    {0x1C7282B, "Encoder based speed control threshold", "Частота, ниже которой скорость замерять через угол"},
    {0x1C7282C, "Position turn activated", "Активирован доворот"},
    {0x1C7282D, "Position turn", "Доворот"},
    {0x1C7282E, "Position turn speed", "Скорость доворота"},
    {0x1C7282F, "Position turn accuracy", "Точность доворота"},
    {0x1C72832, "Reverse feed direction", "Обратное направление подачи"},
    {0x1C72837, "Electromagnetic brake installed", "Установлен электромагнитный тормоз"},
    {0x1C72838, "Electromagnetic brake hold time", "Время удержания привода электромагнитным тормозом"},
    {0x1C72839, "Used phasor", "Используемый отметчик"},
    {0x1C7283A, "Engine parameters", "Параметры двигателя"},
    {0x1C7283B, "Start bit for checking additional errors", "Начальный бит для проверки дополнительных ошибок"},
    {0x1C7283C, "Number of additional errors monitored", "Количество обрабатываемых дополнительных ошибок"},
    {0x1C7283D, "Additional error messages", "Дополнительные сообщения об ошибках"},
    {0x1C7283F, "Line speed", "Линейная скорость"},
    {0x1C72840, "Seam overlap", "Перехлест шва"},
    {0x1C72841, "Tack time", "Время прихватки"},
    {0x1C72842, "Reverse turning", "Обратное направление вращения"},
    {0x1C72843, "Turn speed", "Скорость доворота"},
    {0x1C72844, "Reverse rotation permitted", "Разрешено обратное вращение"},
    {0x1C72845, "Encoder resolution", "Разрешение энкодера"},
    {0x1C72846, "Encoder ratio", "Передаточное число энкодера"},
    {0x1C72847, "Gear ratio", "Передаточное число привода"},
};
static_assert(validTable(kDriveFields, 0x1C72800), "kDriveFields");
constexpr AttrItem kDriveFieldsUnits[] = {
    {0x1C72805, kUnitRpmList},
    {0x1C72806, kUnitNmList},
    {0x1C72807, kUnitRpmList},
    {0x1C72808, kUnitHzList},
    {0x1C7280C, kUnitMmList},
    {0x1C72810, kUnitSecondList},
    {0x1C7282A, kUnitSecondList},
    {0x1C7282B, kUnitRpmList},
    {0x1C7282E, kUnitHzList},
    {0x1C7282F, kUnitDegreeList},
    {0x1C72838, kUnitSecondList},
    {0x1C7283F, kUnitMmPerMinList},
    {0x1C72840, kUnitDegreeList},
    {0x1C72841, kUnitSecondList},
    {0x1C72843, kUnitHzList},
};
static_assert(validTable(kDriveFieldsUnits, 0x1C72800), "kDriveFieldsUnits");

// `Config` field labels.
constexpr TextItem kConfigFields[] = {
    {0x1DD6401, "Language", "Язык"},
    {0x1DD6403, "Company", "Организация"},
    {0x1DD6404, "Machine info", "Информация о станке"},
    {0x1DD6405, "Instrument info", "Информация о приборе"},
    {0x1DD6406, "Service engineer contacts", "Контакты сервисного инженера"},
    {0x1DD6407, "Service maintenance period", "Интервал технического обслуживания станка"},
    {0x1DD6408, "Number of rotors balanced", "Счетчик сбалансированных изделий"},
    {0x1DD6409, "Balancing accuracy E~mar", "Точность балансировки E~mar"},
    {0x1DD640A, "Unbalance reduction ratio URR", "Коэффициент уменьшения дисбаланса URR"},
    {0x1DD640B, "Rotor weight limit", "Ограничение массы изделия"},
    {0x1DD640C, "Rotor speed limit", "Ограничения частоты вращения изделия"},
    {0x1DD640D, "End drive", "Осевой привод"},
    {0x1DD640E, "Belt drive", "Ременный привод"},
    {0x1DD640F, "Mill drive", "Фрезерный привод"},
    {0x1DD6410, "Vibration measurement channels", "Каналы измерения вибрации"},
    {0x1DD6411, "Weld drive", "Сварочный привод"},
    {0x1DD641E, "Number of measurement cycles (accuracy level)", "Количество усреднений"},
    {0x1DD641F, "Amplitude measurement deviation", "Погрешность измерения амплитуды"},
    {0x1DD6420, "Number of test measurements (per point)", "Количество тестовых замеров на одну точку"},
    {0x1DD6428, "Always display transducers signals", "Всегда отображать сигналы с датчиков"},
    {0x1DD642A, "Trial weight recommendations", "Рекомендации по пробным грузам"},
    {0x1DD642B, "Interface direction of rotation", "Направление визуализации вращения изделия"},
    {0x1DD642C, "Reverse angle direction", "Обратное направление значений углов"},
    {0x1DD642D, "Angle readout mark position", "Положение угла отчета в градусах по часовой стрелке"},
    {0x1DD642E, "Setting accuracy of rotor angle", "Точность установки угла поворота изделия"},
    {0x1DD642F, "Display test measurements in mkm", "Отображать тестовые замеры в мкм"},
    {0x1DD6430, "Printer connected", "Присоединен принтер"},
    {0x1DD643C, "Mean speed buffer size", "Размер буфера усреднения скорости"},
    {0x1DD643D, "Speed measurement period", "Период измерения скорости"},
    {0x1DD643E, "Revolutions accumulated before measurement", "Количество оборотов накопления перед замером"},
    {0x1DD6446, "Gain reduction threshold", "Пороговое значение снижения усиления"},
    {0x1DD6447, "Gain increase threshold", "Пороговое значение повышения усиления"},
    {0x1DD6448, "Automatic emergency stop on high vibration level", "Останавливать балансировку при превышении уровня сигнала"},
    {0x1DD644A, "Included angle of the drill bit", "Угол заточки сверла"},
    {0x1DD644B, "Materials", "Материалы"},
    {0x1DD644E, "Operators", "Операторы"},
    {0x1DD64C9, "Machine interface type", "Тип интерфейса станка"},
    {0x1DD64CA, "Measuring board with the filter", "Измерительная плата с фильтром"},
    {0x1DD64CB, "Start bit for checking additional errors", "Начальный бит для проверки дополнительных ошибок"},
    {0x1DD64CC, "Number of additional errors monitored", "Количество обрабатываемых дополнительных ошибок"},
    {0x1DD64CD, "Additional error messages", "Дополнительные сообщения об ошибках"},
    {0x1DD64CE, "Data collection system type", "Тип системы сбора данных"},
    {0x1DD64CF, "External welding machine", "Внешний сварочный аппарат"},
    {0x1DD64D0, "External welding machine control", "Управление внешним сварочным аппаратом"},
    {0x1DD64D1, "Torque unbalance coefficient of influence I~sc", "Коэффициент влияния моментной неуравновешенности I~sc"},
    {0x1DD64D2, "Compensator deviation", "Погрешность цепи условной балансировки"},
};
static_assert(validTable(kConfigFields, 0x1DD6400), "kConfigFields");
constexpr AttrItem kConfigFieldsUnits[] = {
    {0x1DD6407, kUnitPartsList},
    {0x1DD6408, kUnitPartsList},
    {0x1DD6409, kUnitGmmPerKgList},
    {0x1DD640A, kUnitPercentList},
    {0x1DD640B, kUnitKgList},
    {0x1DD640C, kUnitRpmList},
    {0x1DD641F, kUnitPercentList},
    {0x1DD642D, kUnitDegreeList},
    {0x1DD642E, kUnitDegreeList},
    {0x1DD6446, kUnitPercentList},
    {0x1DD6447, kUnitPercentList},
    {0x1DD644A, kUnitDegreeList},
    {0x1DD64D1, kUnitPercentList},
    {0x1DD64D2, kUnitPercentList},
};
static_assert(validTable(kConfigFieldsUnits, 0x1DD6400), "kConfigFieldsUnits");

}  // namespace

const char* correctionModeText(TextId id) { return findText(kCorrectionModes, id); }
const char* correctionMeanText(TextId id) { return findText(kCorrectionMeans, id); }
const char* planeFieldText(TextId id) { return findText(kPlaneFields, id); }
const std::uint32_t* planeFieldAttrs(TextId id) { return findAttrs(kPlaneFieldsUnits, id); }
const char* driveKindText(TextId id) { return findText(kDriveKinds, id); }
const char* rotorDataFieldText(TextId id) { return findText(kRotorDataFields, id); }
const std::uint32_t* rotorDataFieldAttrs(TextId id) { return findAttrs(kRotorDataFieldsUnits, id); }
const char* versionChoiceText(TextId id) { return findText(kVersionChoices, id); }
const char* autoTuningModeText(TextId id) { return findText(kAutoTuningModes, id); }
const char* machineLayoutText(TextId id) { return findText(kMachineLayouts, id); }
const char* inverterFieldText(TextId id) { return findText(kInverterFields, id); }
const char* phasorSourceText(TextId id) { return findText(kPhasorSources, id); }
const char* channelFieldText(TextId id) { return findText(kChannelFields, id); }
const std::uint32_t* channelFieldAttrs(TextId id) { return findAttrs(kChannelFieldsUnits, id); }
const char* materialFieldText(TextId id) { return findText(kMaterialFields, id); }
const std::uint32_t* materialFieldAttrs(TextId id) { return findAttrs(kMaterialFieldsUnits, id); }
const char* contactFieldText(TextId id) { return findText(kContactFields, id); }
const char* infoFieldText(TextId id) { return findText(kInfoFields, id); }
const char* limitFieldText(TextId id) { return findText(kLimitFields, id); }
const char* accDecFieldText(TextId id) { return findText(kAccDecFields, id); }
const char* localConfigFieldText(TextId id) { return findText(kLocalConfigFields, id); }
const std::uint32_t* localConfigFieldAttrs(TextId id) { return findAttrs(kLocalConfigFieldsUnits, id); }
const char* engineParamsFieldText(TextId id) { return findText(kEngineParamsFields, id); }
const std::uint32_t* engineParamsFieldAttrs(TextId id) { return findAttrs(kEngineParamsFieldsUnits, id); }
const char* driveFieldText(TextId id) { return findText(kDriveFields, id); }
const std::uint32_t* driveFieldAttrs(TextId id) { return findAttrs(kDriveFieldsUnits, id); }
const char* configFieldText(TextId id) { return findText(kConfigFields, id); }
const std::uint32_t* configFieldAttrs(TextId id) { return findAttrs(kConfigFieldsUnits, id); }
