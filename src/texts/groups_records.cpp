// Labels and units of the record fields and the texts of the settings'
// choices.  A field's label is the text of its tag and its unit the first
// units-group entry of the tag's attribute list; a choice field's value is an
// id whose text names the choice.  A few groups give a text for their base:
// a record's title, or the pattern with which a pair is shown in one line.

#include "texts/record_tags.h"
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
    {jobrec::kModeAddition, "Addition of masses", "Добавлением масс"},
    {jobrec::kModeRemoval, "Removing of masses", "Удалением масс"},
    {jobrec::kModeCentering, "Centering", "Центрированием"},
};
static_assert(validTable(kCorrectionModes, jobrec::kModeGroup), "kCorrectionModes");

// Correction means of a plane (choice).
constexpr TextItem kCorrectionMeans[] = {
    {jobrec::kMeanArbitrary, "On arbitrary positions", "На произвольных углах"},
    {jobrec::kMeanIndexed, "On indexed positions", "На конструктивных углах"},
    {jobrec::kMeanArc, "On arc", "На дуге"},
    {jobrec::kMeanEndDrilling, "End drilling", "Торцевым сверлением"},
    {jobrec::kMeanRadialDrilling, "Radial drilling", "Радиальным сверлением"},
    {jobrec::kMeanFlatMilling, "Flat milling", "Фрезеровкой лыски"},
    {jobrec::kMeanArcMilling, "Arc milling", "Фрезеровкой дуги"},
};
static_assert(validTable(kCorrectionMeans, jobrec::kMeanGroup), "kCorrectionMeans");

// `Plane` field labels; some unlabelled fields have a unit.
constexpr TextItem kPlaneFields[] = {
    {jobrec::kRadius, "Correction radius, R", "Радиус корректировки, R"},
    {jobrec::kMode, "Correction mode", "Вид корректировки"},
    {jobrec::kMean, "Correction mean", "Способ корректировки"},
    {jobrec::kMinMass, "Minimum mass, m~min", "Минимальный вес груза, m~min"},
    {jobrec::kMaxMass, "Maximum mass, m~max", "Максимальный вес груза, m~max"},
    {jobrec::kPositions, "Number of positions in plane, N", "Число конструктивных углов коррекции в плоскости, N"},
    {jobrec::kLinearMass, "Linear mass, m~udel", "Удельная линейная масса груза, m~udel"},
    {jobrec::kHoleDiameter, "Drilled hole diameter, À", "Диаметр просверливаемого отверстия, À"},
    {jobrec::kDrillAngle, "Included angle of the drill bit, 2Á", "Угол заточки сверла, 2Á"},
    {jobrec::kWallThickness, "Wall thickness between adjacent holes, s", "Толщина стенки между соседними отверстиями, s"},
    {jobrec::kMaxDrillDepth, "Maximum depth of drilled hole, h~max", "Максимальная глубина просверливаемого отверстия, h~max"},
    {jobrec::kAdditionalHoles, "Number of additional holes in row, n", "Количество дополнительных отверстий в ряду, n"},
    {jobrec::kMillWidth, "Mill width, w", "Ширина фрезерования, w"},
    {jobrec::kMaxMillDepth, "Maximum milling depth, h~max", "Максимальная глубина фрезерования, h~max"},
    {jobrec::kMillSpeed, "Speed of milling, v~mil", "Скорость подачи, v~под"},
    {jobrec::kDensity, "Material density", "Плотность материала"},
    {jobrec::kRadiusSmall, "Correction radius, r", "Радиус корректировки, r"},
    {jobrec::kRadiusR1, "Correction radius, r~1", "Радиус корректировки, r~1"},
    {jobrec::kMassStation, "Mass, m~station", "Масса , m~station"},
    {jobrec::kMassTravel, "Mass, m~travel", "Масса , m~travel"},
    {jobrec::kMassUmar, "Mass, m~umar", "Масса , m~umar"},
};
static_assert(validTable(kPlaneFields, jobrec::kPlaneType), "kPlaneFields");
constexpr AttrItem kPlaneFieldsUnits[] = {
    {jobrec::kRadius, kUnitMmList},
    {jobrec::kMinMass, kUnitGramList},
    {jobrec::kMaxMass, kUnitGramList},
    {jobrec::kLinearMass, kUnitGPerMmList},
    {jobrec::kHoleDiameter, kUnitDiameterMmList},
    {jobrec::kDrillAngle, kUnitDegreeList},
    {jobrec::kWallThickness, kUnitMmList},
    {jobrec::kMaxDrillDepth, kUnitMmList},
    {jobrec::kMillWidth, kUnitMmList},
    {jobrec::kMaxMillDepth, kUnitMmList},
    {jobrec::kMillSpeed, kUnitMmPerSList},
    {jobrec::kDensity, kUnitDensityList},
    {jobrec::kDistance1, kUnitMmList},
    {jobrec::kDistance2, kUnitMmList},
    {jobrec::kDistance3, kUnitMmList},
    {jobrec::kRadiusSmall, kUnitMmList},
    {jobrec::kRadiusR1, kUnitMmList},
    {jobrec::kMassStation, kUnitGramList},
    {jobrec::kMassTravel, kUnitGramList},
    {jobrec::kMassUmar, kUnitGramList},
};
static_assert(validTable(kPlaneFieldsUnits, jobrec::kPlaneType), "kPlaneFieldsUnits");

// Drive kinds of a rotor (choice).
constexpr TextItem kDriveKinds[] = {
    {jobrec::kDriveEnd, "End", "Осевой"},
    {jobrec::kDriveBelt, "Belt", "Ременный"},
};
static_assert(validTable(kDriveKinds, jobrec::kDriveGroup), "kDriveKinds");

// `RotorData` field labels.  The first letter of "Сontrol rotor" is Cyrillic
// in both languages, as the rotor files have always shown it.
constexpr TextItem kRotorDataFields[] = {
    {jobrec::kRotation, "Rotation", "Вращение"},
    {jobrec::kRotorMass, "Rotor mass", "Масса изделия"},
    {jobrec::kDrive, "Drive", "Привод"},
    {jobrec::kDrivePulley, "Drive pulley", "Приводной шкив"},
    {jobrec::kRotorSurface, "Rotor surface", "Поверхность изделия"},
    {jobrec::kPermissibleUnbalance, "Permissible unbalance", "Допустимый дисбаланс"},
    {jobrec::kControlRotor, "Сontrol rotor", "Контрольный ротор"},
};
static_assert(validTable(kRotorDataFields, jobrec::kRotorDataType), "kRotorDataFields");
constexpr AttrItem kRotorDataFieldsUnits[] = {
    {jobrec::kRotation, kUnitRpmList},
    {jobrec::kRotorMass, kUnitKgList},
    {jobrec::kDrivePulley, kUnitDiameterMmList},
    {jobrec::kRotorSurface, kUnitDiameterMmList},
    {jobrec::kPermissibleUnbalance, kUnitGmmList},
};
static_assert(validTable(kRotorDataFieldsUnits, jobrec::kRotorDataType), "kRotorDataFieldsUnits");

// Data collection system (choice): the device the machine opens.
constexpr TextItem kVersionChoices[] = {
    {settings_choice::kVersion1, "Version 1", "Версия 1"},
    {settings_choice::kVersion2, "Version 2", "Версия 2"},
};
static_assert(validTable(kVersionChoices, settings_choice::kVersionGroup), "kVersionChoices");

// Motor auto-tuning modes (choice).
constexpr TextItem kAutoTuningModes[] = {
    {settings_choice::kAutoTuningOff, "Off", "Выключена"},
    {settings_choice::kAutoTuningStatic, "Static", "Статическая"},
    {settings_choice::kAutoTuningDynamic, "Dynamic", "Динамическая"},
};
static_assert(validTable(kAutoTuningModes, settings_choice::kAutoTuningGroup), "kAutoTuningModes");

// Machine interface types (choice).
constexpr TextItem kMachineLayouts[] = {
    {settings_choice::kHorizontal, "Horizontal", "Горизонтальный"},
    {settings_choice::kVertical, "Vertical", "Вертикальный"},
    {settings_choice::kConsole, "Console", "Консольный"},
};
static_assert(validTable(kMachineLayouts, settings_choice::kMachineLayoutGroup), "kMachineLayouts");

// `Inverter` field labels.
constexpr TextItem kInverterFields[] = {
    {settingtags::Inverter::kInverterType, "Type", "Тип"},
    {settingtags::Inverter::kAddress, "Address", "Адрес"},
};
static_assert(validTable(kInverterFields, settingtags::Inverter::kType), "kInverterFields");

// Phasor, the source of the angle mark (choice).
constexpr TextItem kPhasorSources[] = {
    {settings_choice::kWithoutPhasor, "Without phasor", "Без отметчика"},
    {settings_choice::kOptic1, "Optic #1", "Оптический Ã  1"},
    {settings_choice::kEncoder1, "Encoder #1", "Энкодер Ã  1"},
    {settings_choice::kOptic2, "Optic #2", "Оптический Ã  2"},
    {settings_choice::kEncoder2, "Encoder #2", "Энкодер Ã  2"},
};
static_assert(validTable(kPhasorSources, settings_choice::kPhasorGroup), "kPhasorSources");

// `Channel` field labels; the base carries the record's title.
constexpr TextItem kChannelFields[] = {
    {settingtags::Channel::kType, "Channel", "Канал"},
    {settingtags::Channel::kActive, "Active", "Активирован"},
    {settingtags::Channel::kGain, "Vibration channel gain", "Коэффициент усиления канала вибрации"},
    {settingtags::Channel::kAutoGain, "Auto", "Авто"},
    {settingtags::Channel::kSensitivity, "Vibration transducer sensitivity", "Чувствительность датчика вибрации"},
    {settingtags::Channel::kAmplifierRatio, "Amplifier ratio", "Коэффициент преобразования усилителя"},
    {settingtags::Channel::kPcbRatio, "PCB ratio", "Коэффициент преобразования платы"},
    {settingtags::Channel::kPhaseShift, "Vibration phase shift", "Постоянный сдвиг фазы колебаний"},
    {settingtags::Channel::kSoftBearing, "Soft bearing", "Зарезонансный"},
};
static_assert(validTable(kChannelFields, settingtags::Channel::kType), "kChannelFields");
constexpr AttrItem kChannelFieldsUnits[] = {
    {settingtags::Channel::kSensitivity, kUnitMvPerGList},
    {settingtags::Channel::kAmplifierRatio, kUnitVPerUnitList},
    {settingtags::Channel::kPcbRatio, kUnitVPerUnitList},
    {settingtags::Channel::kPhaseShift, kUnitDegreeList},
};
static_assert(validTable(kChannelFieldsUnits, settingtags::Channel::kType), "kChannelFieldsUnits");

// `Material`: only the type tag has a text; the density has a unit.
constexpr TextItem kMaterialFields[] = {
    {settingtags::Material::kType, "Material", "Материал"},
};
static_assert(validTable(kMaterialFields, settingtags::Material::kType), "kMaterialFields");
constexpr AttrItem kMaterialFieldsUnits[] = {
    {settingtags::Material::kDensity, kUnitDensityList},
};
static_assert(validTable(kMaterialFieldsUnits, settingtags::Material::kType), "kMaterialFieldsUnits");

// `Contact` field labels.
constexpr TextItem kContactFields[] = {
    {settingtags::Contact::kCompany, "Company", "Организация"},
    {settingtags::Contact::kAddress, "Address", "Адрес"},
    {settingtags::Contact::kPhones, "Phones", "Телефоны"},
    {settingtags::Contact::kEmailWeb, "Email/Web", "Электронный адрес"},
    {settingtags::Contact::kAddress2, "Address 2", "Адрес 2"},
    {settingtags::Contact::kPhones2, "Phones 2", "Телефоны 2"},
};
static_assert(validTable(kContactFields, settingtags::Contact::kType), "kContactFields");

// `Info` field labels.
constexpr TextItem kInfoFields[] = {
    {settingtags::Info::kModel, "Model", "Наименование"},
    {settingtags::Info::kSerialNumber, "Serial number", "Серийный номер"},
    {settingtags::Info::kYear, "Year of manufacture", "Год выпуска"},
    {settingtags::Info::kManufacturer, "Manufacturer", "Производитель"},
};
static_assert(validTable(kInfoFields, settingtags::Info::kType), "kInfoFields");

// `Limit`: the base is the pattern of a pair shown in one line.
constexpr TextItem kLimitFields[] = {
    {settingtags::Limit::kType, "{} Â {}", "{} Â {}"},
    {settingtags::Limit::kMinimum, "Minimum", "Минимум"},
    {settingtags::Limit::kMaximum, "Maximum", "Максимум"},
};
static_assert(validTable(kLimitFields, settingtags::Limit::kType), "kLimitFields");

// `AccDec`: the base is the pattern of a pair shown in one line.
constexpr TextItem kAccDecFields[] = {
    {settingtags::AccDec::kType, "{} Â {}", "{} Â {}"},
    {settingtags::AccDec::kAcceleration, "Acceleration", "Разгон"},
    {settingtags::AccDec::kDeceleration, "Deceleration", "Торможение"},
};
static_assert(validTable(kAccDecFields, settingtags::AccDec::kType), "kAccDecFields");

// `LocalConfig` field labels.
constexpr TextItem kLocalConfigFields[] = {
    {settingtags::LocalConfig::kRotorsBalanced, "Number of rotors balanced", "Счетчик сбалансированных изделий"},
};
static_assert(validTable(kLocalConfigFields, settingtags::LocalConfig::kType), "kLocalConfigFields");
constexpr AttrItem kLocalConfigFieldsUnits[] = {
    {settingtags::LocalConfig::kRotorsBalanced, kUnitPartsList},
};
static_assert(validTable(kLocalConfigFieldsUnits, settingtags::LocalConfig::kType), "kLocalConfigFieldsUnits");

// `EngineParams` field labels; the base carries the record's title.
constexpr TextItem kEngineParamsFields[] = {
    {settingtags::EngineParams::kType, "Engine parameters", "Параметры двигателя"},
    {settingtags::EngineParams::kRatedPower, "Rated motor power", "Номинальная мощность двигателя"},
    {settingtags::EngineParams::kRatedVoltage, "Rated motor supply voltage", "Номинальное напряжение питания двигателя"},
    {settingtags::EngineParams::kRatedCurrent, "Rated motor current", "Номинальный ток двигателя"},
    {settingtags::EngineParams::kRatedFrequency, "Rated current frequency", "Номинальная частота тока"},
    {settingtags::EngineParams::kRatedSpeed, "Rated speed", "Номинальная частота вращения"},
    {settingtags::EngineParams::kPoles, "Number of poles", "Количество полюсов"},
    {settingtags::EngineParams::kAutoAdjusting, "Auto-adjusting", "Авто-подстройка"},
    {settingtags::EngineParams::kLoadParameters, "Load parameters", "Загружать параметры"},
};
static_assert(validTable(kEngineParamsFields, settingtags::EngineParams::kType), "kEngineParamsFields");
constexpr AttrItem kEngineParamsFieldsUnits[] = {
    {settingtags::EngineParams::kRatedPower, kUnitKwList},
    {settingtags::EngineParams::kRatedVoltage, kUnitVoltList},
    {settingtags::EngineParams::kRatedCurrent, kUnitAmpereList},
    {settingtags::EngineParams::kRatedFrequency, kUnitHzList},
    {settingtags::EngineParams::kRatedSpeed, kUnitRpmList},
};
static_assert(validTable(kEngineParamsFieldsUnits, settingtags::EngineParams::kType), "kEngineParamsFieldsUnits");

// `Drive` field labels.
constexpr TextItem kDriveFields[] = {
    {settingtags::Drive::kActive, "Active", "Активирован"},
    {settingtags::Drive::kExternal, "External", "Внешний"},
    {settingtags::Drive::kDrive, "Drive", "Привод"},
    {settingtags::Drive::kDriveRatio, "Drive ratio", "Передаточное число привода"},
    {settingtags::Drive::kMaxSpeed, "Drive max speed", "Ограничения максимальной частоты вращения привода"},
    {settingtags::Drive::kRatedTorque, "Drive rated torque", "Номинальный крутящий момент привода"},
    {settingtags::Drive::kRatedMotorSpeed, "Rated motor speed at 50 Hz", "Номинальная частота вращения двигателя на 50 Гц"},
    {settingtags::Drive::kAutotuningFrequency, "Autotuning frequency", "Начальная частота вращения при автонастройке"},
    {settingtags::Drive::kDefaultDirection, "Default rotation direction", "Направление вращения по умолчанию"},
    {settingtags::Drive::kUnidirectional, "Unidirectional rotation", "Одно направление вращения"},
    {settingtags::Drive::kPulleyDiameter, "Belt drive pulley diameter by default", "Диаметр приводного шкива ременного привода по умолчанию"},
    {settingtags::Drive::kAccDecCurve, "ACC/DEC curve type", "Тип кривой разгона/торможения"},
    {settingtags::Drive::kAccDecTime, "ACC/DEC minimum processing time of rotor (for 1000 min^-1)", "Минимальное время разгона и торможения изделия (для 1000 мин^-1^)"},
    {settingtags::Drive::kAccDecFactors, "ACC/DEC time factors", "Коэффициенты времени разгона и торможения изделия"},
    {settingtags::Drive::kStabilizationAccuracy, "Speed stabilization accuracy", "Точность стабилизации"},
    {settingtags::Drive::kStabilizationFromDrive, "Obtain stabilization signal from drive", "Получать сигнал стабилизации от инвертора"},
    {settingtags::Drive::kStabilizationFactor, "Speed stabilization factor", "Коэффициент стабилизации оборотов"},
    {settingtags::Drive::kStabilizationAttempts, "Maximum number of stabilization attempts", "Максимальное число попыток стабилизации"},
    {settingtags::Drive::kAngleTuningAccuracy, "Angle tuning accuracy", "Точность обучения"},
    {settingtags::Drive::kExternalPhasor, "Use external phasor", "Использовать внешний отметчик"},
    {settingtags::Drive::kPhasorTimeout, "Phasor signal timeout", "Таймаут ожидания сигнала датчика оборотов"},
    {settingtags::Drive::kEncoderSpeedThreshold, "Encoder based speed control threshold", "Частота, ниже которой скорость замерять через угол"},
    {settingtags::Drive::kPositionTurnActive, "Position turn activated", "Активирован доворот"},
    {settingtags::Drive::kPositionTurn, "Position turn", "Доворот"},
    {settingtags::Drive::kPositionTurnSpeed, "Position turn speed", "Скорость доворота"},
    {settingtags::Drive::kPositionTurnAccuracy, "Position turn accuracy", "Точность доворота"},
    {settingtags::Drive::kReverseFeed, "Reverse feed direction", "Обратное направление подачи"},
    {settingtags::Drive::kBrakeInstalled, "Electromagnetic brake installed", "Установлен электромагнитный тормоз"},
    {settingtags::Drive::kBrakeHoldTime, "Electromagnetic brake hold time", "Время удержания привода электромагнитным тормозом"},
    {settingtags::Drive::kUsedPhasor, "Used phasor", "Используемый отметчик"},
    {settingtags::Drive::kEngine, "Engine parameters", "Параметры двигателя"},
    {settingtags::Drive::kExtErrorStartBit, "Start bit for checking additional errors", "Начальный бит для проверки дополнительных ошибок"},
    {settingtags::Drive::kExtErrorCount, "Number of additional errors monitored", "Количество обрабатываемых дополнительных ошибок"},
    {settingtags::Drive::kExtErrors, "Additional error messages", "Дополнительные сообщения об ошибках"},
    {settingtags::Drive::kLineSpeed, "Line speed", "Линейная скорость"},
    {settingtags::Drive::kSeamOverlap, "Seam overlap", "Перехлест шва"},
    {settingtags::Drive::kTackTime, "Tack time", "Время прихватки"},
    {settingtags::Drive::kReverseTurning, "Reverse turning", "Обратное направление вращения"},
    {settingtags::Drive::kTurnSpeed, "Turn speed", "Скорость доворота"},
    {settingtags::Drive::kReversePermitted, "Reverse rotation permitted", "Разрешено обратное вращение"},
    {settingtags::Drive::kEncoderResolution, "Encoder resolution", "Разрешение энкодера"},
    {settingtags::Drive::kEncoderRatio, "Encoder ratio", "Передаточное число энкодера"},
    {settingtags::Drive::kGearRatio, "Gear ratio", "Передаточное число привода"},
};
static_assert(validTable(kDriveFields, settingtags::Drive::kType), "kDriveFields");
constexpr AttrItem kDriveFieldsUnits[] = {
    {settingtags::Drive::kMaxSpeed, kUnitRpmList},
    {settingtags::Drive::kRatedTorque, kUnitNmList},
    {settingtags::Drive::kRatedMotorSpeed, kUnitRpmList},
    {settingtags::Drive::kAutotuningFrequency, kUnitHzList},
    {settingtags::Drive::kPulleyDiameter, kUnitMmList},
    {settingtags::Drive::kAccDecTime, kUnitSecondList},
    {settingtags::Drive::kPhasorTimeout, kUnitSecondList},
    {settingtags::Drive::kEncoderSpeedThreshold, kUnitRpmList},
    {settingtags::Drive::kPositionTurnSpeed, kUnitHzList},
    {settingtags::Drive::kPositionTurnAccuracy, kUnitDegreeList},
    {settingtags::Drive::kBrakeHoldTime, kUnitSecondList},
    {settingtags::Drive::kLineSpeed, kUnitMmPerMinList},
    {settingtags::Drive::kSeamOverlap, kUnitDegreeList},
    {settingtags::Drive::kTackTime, kUnitSecondList},
    {settingtags::Drive::kTurnSpeed, kUnitHzList},
};
static_assert(validTable(kDriveFieldsUnits, settingtags::Drive::kType), "kDriveFieldsUnits");

// `Config` field labels.
constexpr TextItem kConfigFields[] = {
    {settingtags::Config::kLanguage, "Language", "Язык"},
    {settingtags::Config::kCompany, "Company", "Организация"},
    {settingtags::Config::kMachineInfo, "Machine info", "Информация о станке"},
    {settingtags::Config::kInstrumentInfo, "Instrument info", "Информация о приборе"},
    {settingtags::Config::kServiceContacts, "Service engineer contacts", "Контакты сервисного инженера"},
    {settingtags::Config::kServicePeriod, "Service maintenance period", "Интервал технического обслуживания станка"},
    {settingtags::Config::kRotorsBalanced, "Number of rotors balanced", "Счетчик сбалансированных изделий"},
    {settingtags::Config::kBalancingAccuracy, "Balancing accuracy E~mar", "Точность балансировки E~mar"},
    {settingtags::Config::kReductionRatio, "Unbalance reduction ratio URR", "Коэффициент уменьшения дисбаланса URR"},
    {settingtags::Config::kWeightLimit, "Rotor weight limit", "Ограничение массы изделия"},
    {settingtags::Config::kSpeedLimit, "Rotor speed limit", "Ограничения частоты вращения изделия"},
    {settingtags::Config::kEndDrive, "End drive", "Осевой привод"},
    {settingtags::Config::kBeltDrive, "Belt drive", "Ременный привод"},
    {settingtags::Config::kMillDrive, "Mill drive", "Фрезерный привод"},
    {settingtags::Config::kChannels, "Vibration measurement channels", "Каналы измерения вибрации"},
    {settingtags::Config::kWeldDrive, "Weld drive", "Сварочный привод"},
    {settingtags::Config::kMeasurementCycles, "Number of measurement cycles (accuracy level)", "Количество усреднений"},
    {settingtags::Config::kAmplitudeDeviation, "Amplitude measurement deviation", "Погрешность измерения амплитуды"},
    {settingtags::Config::kTestMeasurements, "Number of test measurements (per point)", "Количество тестовых замеров на одну точку"},
    {settingtags::Config::kAlwaysShowSignals, "Always display transducers signals", "Всегда отображать сигналы с датчиков"},
    {settingtags::Config::kTrialWeightHints, "Trial weight recommendations", "Рекомендации по пробным грузам"},
    {settingtags::Config::kInterfaceRotation, "Interface direction of rotation", "Направление визуализации вращения изделия"},
    {settingtags::Config::kReverseAngle, "Reverse angle direction", "Обратное направление значений углов"},
    {settingtags::Config::kAngleMarkPosition, "Angle readout mark position", "Положение угла отчета в градусах по часовой стрелке"},
    {settingtags::Config::kAngleAccuracy, "Setting accuracy of rotor angle", "Точность установки угла поворота изделия"},
    {settingtags::Config::kTestInMicrons, "Display test measurements in mkm", "Отображать тестовые замеры в мкм"},
    {settingtags::Config::kPrinterConnected, "Printer connected", "Присоединен принтер"},
    {settingtags::Config::kSpeedBufferSize, "Mean speed buffer size", "Размер буфера усреднения скорости"},
    {settingtags::Config::kSpeedPeriod, "Speed measurement period", "Период измерения скорости"},
    {settingtags::Config::kRevolutionsBefore, "Revolutions accumulated before measurement", "Количество оборотов накопления перед замером"},
    {settingtags::Config::kGainReduceThreshold, "Gain reduction threshold", "Пороговое значение снижения усиления"},
    {settingtags::Config::kGainIncreaseThreshold, "Gain increase threshold", "Пороговое значение повышения усиления"},
    {settingtags::Config::kEmergencyStop, "Automatic emergency stop on high vibration level", "Останавливать балансировку при превышении уровня сигнала"},
    {settingtags::Config::kDrillAngle, "Included angle of the drill bit", "Угол заточки сверла"},
    {settingtags::Config::kMaterials, "Materials", "Материалы"},
    {settingtags::Config::kOperators, "Operators", "Операторы"},
    {settingtags::Config::kMachineInterface, "Machine interface type", "Тип интерфейса станка"},
    {settingtags::Config::kFilterBoard, "Measuring board with the filter", "Измерительная плата с фильтром"},
    {settingtags::Config::kExtErrorStartBit, "Start bit for checking additional errors", "Начальный бит для проверки дополнительных ошибок"},
    {settingtags::Config::kExtErrorCount, "Number of additional errors monitored", "Количество обрабатываемых дополнительных ошибок"},
    {settingtags::Config::kExtErrors, "Additional error messages", "Дополнительные сообщения об ошибках"},
    {settingtags::Config::kDataCollection, "Data collection system type", "Тип системы сбора данных"},
    {settingtags::Config::kExternalWelding, "External welding machine", "Внешний сварочный аппарат"},
    {settingtags::Config::kExternalWeldingControl, "External welding machine control", "Управление внешним сварочным аппаратом"},
    {settingtags::Config::kTorqueInfluence, "Torque unbalance coefficient of influence I~sc", "Коэффициент влияния моментной неуравновешенности I~sc"},
    {settingtags::Config::kCompensatorDeviation, "Compensator deviation", "Погрешность цепи условной балансировки"},
};
static_assert(validTable(kConfigFields, settingtags::Config::kType), "kConfigFields");
constexpr AttrItem kConfigFieldsUnits[] = {
    {settingtags::Config::kServicePeriod, kUnitPartsList},
    {settingtags::Config::kRotorsBalanced, kUnitPartsList},
    {settingtags::Config::kBalancingAccuracy, kUnitGmmPerKgList},
    {settingtags::Config::kReductionRatio, kUnitPercentList},
    {settingtags::Config::kWeightLimit, kUnitKgList},
    {settingtags::Config::kSpeedLimit, kUnitRpmList},
    {settingtags::Config::kAmplitudeDeviation, kUnitPercentList},
    {settingtags::Config::kAngleMarkPosition, kUnitDegreeList},
    {settingtags::Config::kAngleAccuracy, kUnitDegreeList},
    {settingtags::Config::kGainReduceThreshold, kUnitPercentList},
    {settingtags::Config::kGainIncreaseThreshold, kUnitPercentList},
    {settingtags::Config::kDrillAngle, kUnitDegreeList},
    {settingtags::Config::kTorqueInfluence, kUnitPercentList},
    {settingtags::Config::kCompensatorDeviation, kUnitPercentList},
};
static_assert(validTable(kConfigFieldsUnits, settingtags::Config::kType), "kConfigFieldsUnits");

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
