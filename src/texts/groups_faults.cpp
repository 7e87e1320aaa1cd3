// Machine-error texts, the fault texts of the inverter makes (the item number
// is the inverter's own fault number, so the groups have gaps) and the status
// messages of the welding remote.  Texts are kept as the devices' manuals and
// the machine's documents write them.

#include "texts/text_groups.h"
#include "texts/text_table.h"

using texts_detail::TextItem;
using texts_detail::findText;
using texts_detail::validTable;

namespace {

// Machine errors: the text of code c is item c - 9000.
constexpr TextItem kMachineErrors[] = {
    {0x1B73B84, "Wait, initialization in process...", "Подождите, идет инициализация..."},
    {0x1B73B85, "No phasor signal", "Отcутствует сигнал от отметчика оборотов"},
    {0x1B73B86, "Vibration level exceeded", "Превышение уровня вибрации"},
    {0x1B73B87, "Unable to reach set speed", "Невозможно выйти на заданную частоту вращения"},
    {0x1B73B91, "Rotor speed under balancing exceeds\nlimitation for selected drive", "Частота вращения изделия при балансировке\nвыше ограничения для выбранного привода"},
    {0x1B73BDE, "Unknown error", "Неизвестная ошибка"},
    {0x1B73BDF, "Rotor angular position detection fault", "Угловое положение ротора не определено"},
    {0x1B73BE0, "Encoder malfunction", "Не работает энкодер"},
    {0x1B73BE1, "Encoder resolution does not match", "Кол-во дискрет не соответствует ожидаемому"},
    {0x1B73BE3, "Emergency stop", "Экстренный останов"},
    {0x1B73BE4, "Drive shaft is not connected to the rotor end", "Не присоединен привод"},
    {0x1B73BE5, "Unable to read frequency inverter error", "Невозможно прочитать ошибку преобразователя частоты"},
    {0x1B73BE6, "Communication loss with frequency inverter", "Потеря связи с преобразователем частоты"},
    {0x1B73BE7, "USB connection fault", "Обрыв USB-соединения"},
};
static_assert(validTable(kMachineErrors, 0x1B73800), "kMachineErrors");

// Schneider ATV12 and ATV930.
constexpr TextItem kSchneiderFaults[] = {
    {0xDEE001, "Configuration error", "Ошибка настройки"},
    {0xDEE003, "Incorrect configuration (CFF)", "Неправильная конфигурация"},
    {0xDEE004, "Invalid configuration (CF1)", "Неработоспособная конфигурация"},
    {0xDEE005, "Modbus communication (SLF1)", "Ошибка связи Modbus"},
    {0xDEE009, "Overcurrent (OCF)", "Перегрузка по току"},
    {0xDEE00A, "Precharge (CrF1)", "Цепь предварительного заряда"},
    {0xDEE010, "Drive overheat (OHF)", "Перегрев преобразователя частоты"},
    {0xDEE011, "Motor overload (OLF)", "Перегрузка двигателя"},
    {0xDEE012, "Overbraking (ObF)", "Чрезмерное торможение"},
    {0xDEE013, "Main overvoltage (OSF)", "Перенапряжение сети"},
    {0xDEE014, "1 output phase loss (OPF1)", "Обрыв фазы двигателя"},
    {0xDEE015, "Input phase loss (PHF)", "Обрыв входной фазы"},
    {0xDEE016, "Undervoltage (USF)", "Низкое напряжение питающей сети"},
    {0xDEE017, "Motor short circuit (SCF1)", "Короткое замыкание на входе преобразователя частоты"},
    {0xDEE018, "Overspeed (SOF)", "Превышение скорости"},
    {0xDEE019, "Auto-tuning (tnF)", "Ошибка автоподстройки"},
    {0xDEE01A, "Unknown drive rating (InF1)", "Неопределенный типоразмер преобразователя частоты"},
    {0xDEE01B, "Unknow or incompatible power card (InF2)", "Несовместимая силовая карта"},
    {0xDEE01C, "Internal serial link (InF3)", "Ошибка внутренней связи"},
    {0xDEE01D, "Invalid industrialization zone (InF4)", "Внутренняя неисправность"},
    {0xDEE020, "Ground short circuit (SCF3)", "Короткое замыкание на землю"},
    {0xDEE021, "3 output phase loss (OPF2)", "Обрыв трех фаз двигателя"},
    {0xDEE02A, "SoMove communication (SLF2)", "Ошибка связи SoMove"},
    {0xDEE02D, "HMI communication (SLF3)", "Ошибка связи HMI"},
    {0xDEE033, "Current measurement circuit (InF9)", "Цепь измерения тока"},
    {0xDEE035, "Internal thermal sensor detected fault (InFb)", "Неисправность собственного датчика температуры"},
    {0xDEE036, "IGBT overheat (tLF)", "Перегрев IGBT"},
    {0xDEE037, "IGBT short circuit (SCF4)", "Короткое замыкание IGBT"},
    {0xDEE038, "Load short circuit (SCFS)", "Короткое замыкание в нагрузке"},
    {0xDEE045, "Internal CPU (InFE)", "Неисправность CPU"},
    {0xDEE04D, "Download invalid configuration (CFI2)", "Загружена неработоспособная конфигурация"},
    {0xDEE064, "Process underload fault (ULF)", "Низкая нагрузка механизма"},
    {0xDEE065, "Process overload (OLF)", "Перегрузка механизма"},
    {0xDEE06A, "AI current lost fault (LFF1)", "Обрыв задания на аналоговом входе"},
};
static_assert(validTable(kSchneiderFaults, 0xDEE000), "kSchneiderFaults");

// Toshiba VF.
constexpr TextItem kToshibaFaults[] = {
    {0xC8B401, "Overcurrent during acceleration (OC1)", "Перегрузка по току при разгоне (OC1)"},
    {0xC8B402, "Overcurrent during deceleration (OC2)", "Перегрузка по току при торможении (OC2)"},
    {0xC8B403, "Overcurrent during constant speed operation (OC3)", "Перегрузка по току при работе с постоянной скоростью (OC3)"},
    {0xC8B404, "Overcurrent  (An overcurrent on the load side at start-up) (OCL)", "Перегрузка по току (перегрузка по току со стороны нагрузки при пуске) (OCL)"},
    {0xC8B405, "Ground overload under initialization", "Замыкание на землю при инициализации"},
    {0xC8B408, "Input phase loss (PHF)", "Обрыв входной фазы (PHF)"},
    {0xC8B409, "Output phase failure(EPH0)", "Обрыв выходной фазы (EPH0)"},
    {0xC8B40A, "Overvoltage during acceleration(OP1)", "Перенапряжение при разгоне (OP1)"},
    {0xC8B40B, "Overvoltage during deceleration(OP2)", "Перенапряжение при торможении (OP2)"},
    {0xC8B40C, "Overvoltage during constant-speed operation (OP3)", "Перенапряжение при работе с постоянной скоростью (OP3)"},
    {0xC8B40D, "Inverter overload(OL1)", "Перегрузка преобразователя частоты (OL1)"},
    {0xC8B40E, "Motor overload (OLF)", "Перегрузка двигателя (OLF)"},
    {0xC8B40F, "Dynamic brake overload", "Перегрузка тормозного резистора"},
    {0xC8B410, "Overheat(0H)", "Перегрев (0H)"},
    {0xC8B411, "Emergency stop", "Аварийный останов"},
    {0xC8B412, "EEPROM fault  1 (EEP1)", "Ошибка EEPROM 1 (EEP1)"},
    {0xC8B413, "EEPROM fault  2 (EEP2)", "Ошибка EEPROM 2 (EEP2)"},
    {0xC8B414, "EEPROM fault 3 (EEP3)", "Ошибка EEPROM 3 (EEP3)"},
    {0xC8B415, "Main unit RAM fault (ERR2)", "Ошибка ОЗУ основного блока (ERR2)"},
    {0xC8B416, "Main unit ROM fault (ERR3)", "Ошибка ПЗУ основного блока (ERR3)"},
    {0xC8B417, "CPU fault 1 (ERR4)", "Ошибка CPU 1 (ERR4)"},
    {0xC8B418, "Communication error (Err5)", "Ошибка связи (Err5)"},
    {0xC8B41A, "Current sensor fault (Err7)", "Неисправность датчика тока (Err7)"},
    {0xC8B41B, "Optional unit fault 1 (Err8)", "Неисправность дополнительного модуля 1 (Err8)"},
    {0xC8B41C, "Remote keypad disconnection fault (Err9)", "Отключение выносного пульта (Err9)"},
    {0xC8B41D, "Low-current operation fault (UC)", "Работа с низким током (UC)"},
    {0xC8B41E, "Undervoltage in main circuit (nOFF)", "Низкое напряжение в силовой цепи (nOFF)"},
    {0xC8B420, "Torque 1 overshot disconnect", "Отключение по превышению момента 1"},
    {0xC8B422, "Ground fault (EF2)", "Замыкание на землю (EF2)"},
    {0xC8B428, "Auto-tuning error (Etn, Etn1, Etn2, Etn3)", "Ошибка автоподстройки (Etn, Etn1, Etn2, Etn3)"},
    {0xC8B429, "Inverter type error (EtYP)", "Ошибка типа преобразователя частоты (EtYP)"},
    {0xC8B42D, "Over speed fault (E-13)", "Превышение скорости (E-13)"},
    {0xC8B42E, "Overheat (OH)", "Перегрев (OH)"},
    {0xC8B42F, "Motor single-step fault", "Ошибка шагового режима двигателя"},
    {0xC8B432, "Analog input break detection fault (E-18)", "Обрыв аналогового входа (E-18)"},
    {0xC8B433, "CPU comunication error (E-19)", "Ошибка связи CPU (E-19)"},
    {0xC8B434, "Over torque boost fault (Е-20)", "Превышение форсировки момента (Е-20)"},
    {0xC8B435, "CPU fault 2 (E-21)", "Ошибка CPU 2 (E-21)"},
    {0xC8B437, "Optional unit fault 2 (E-23)", "Неисправность дополнительного модуля 2 (E-23)"},
    {0xC8B43A, "CPU fault 3 (E-26)", "Ошибка CPU 3 (E-26)"},
    {0xC8B43E, "Inverter root module overmass", "Перегрузка силового модуля преобразователя частоты"},
    {0xC8B43F, "Overvoltage", "Перенапряжение"},
    {0xC8B440, "Thermosensor fault", "Неисправность датчика температуры"},
    {0xC8B441, "Over torque boost fault (E-20)", "Превышение форсировки момента (E-20)"},
    {0xC8B445, "Servo lock fault (E-37)", "Ошибка удержания вала (E-37)"},
    {0xC8B447, "Inverter autotuning fault (PM motor)", "Ошибка автоподстройки преобразователя частоты (двигатель с постоянными магнитами)"},
    {0xC8B448, "Torque/currentovermassfault", "Превышение момента/тока"},
    {0xC8B449, "Light torque/current fault", "Низкий момент/ток"},
    {0xC8B454, "Inverter 1 autotuning fault", "Ошибка автоподстройки преобразователя частоты 1"},
    {0xC8B455, "Inverter 2 autotuning fault", "Ошибка автоподстройки преобразователя частоты 2"},
    {0xC8B456, "Inverter 3 autotuning fault", "Ошибка автоподстройки преобразователя частоты 3"},
    {0xC8B457, "Inverter internal circuit fault", "Внутренняя неисправность преобразователя частоты"},
};
static_assert(validTable(kToshibaFaults, 0xC8B400), "kToshibaFaults");

// Delta MS300 and VFD.
constexpr TextItem kDeltaFaults[] = {
    {0x1CDD001, "Over curent (oc)", "Перегрузка по току (oc)"},
    {0x1CDD002, "Over voltage (ov)", "Перегрузка по напряжению (ov)"},
    {0x1CDD003, "IGBT Overheat (oH1) ", "Перегрев IGBT-модуля (oH1)"},
    {0x1CDD004, "Power board (oH2) overheating", "Перегрев силовой платы (oH2)"},
    {0x1CDD005, "Overload (oL)", "Перегрузка (oL)"},
    {0x1CDD006, "Overload1 (oL1)", "Перегрузка 1 (oL1)"},
    {0x1CDD007, "Motor over load (oL2)", "Перегрузка 2 (oL2)"},
    {0x1CDD008, "External fault (EF)", "Внешнее аварийное отключение (EF)"},
    {0x1CDD009, "Current exceeds 2 times rated current during accel. (ocA)", "Двукратное превышение тока при разгоне (ocA)"},
    {0x1CDD00A, "Current exceeds 2 times rated current during decel. (ocd)", "Двукратное превышение тока при торможении (ocd)"},
    {0x1CDD00B, "Current exceeds 2 times rated current during steady state operation (ocn)", "Двукратное превышение тока в установившемся режиме (ocn)"},
    {0x1CDD00C, "Ground fault (GFF)", "Замыкание на землю (GFF)"},
    {0x1CDD00D, "Low voltage (Lv)", "Низкое напряжение (Lv)"},
    {0x1CDD00E, "Phase-Loss (PHL)", "PHL (Отсутствие фазы)"},
    {0x1CDD00F, "Pause command", "Команда паузы"},
    {0x1CDD010, "Auto Acel/Decel failure (cFA)", "Сбой при автоматическом разгоне/замедлении (cFA)"},
    {0x1CDD011, "SW/Password protection (codE)", "Разрешение программной защиты (codE)"},
    {0x1CDD012, "Power Board CPU WRITE failure (CF1.0)", "Сбой при записи CPU силовой платы (CF1.0)"},
    {0x1CDD013, "Power Board CPU READ failure (CF2.0)", "Сбой при чтении CPU силовой платы (CF2.0)"},
    {0x1CDD014, "CC, OC Hardware protection failure (HPF1)", "Аппаратная защита CC, OC (HPF1)"},
    {0x1CDD015, "OV Hardware protection failure (HPF2)", "Аппаратная защита OV (HPF2)"},
    {0x1CDD016, "GFF Hardware protection failure (HPF3)", "Аппаратная защита GFF (HPF3)"},
    {0x1CDD017, "OC Hardware protection failure (HPF4)", "Аппаратная защита OC(HPF4)"},
    {0x1CDD018, "U-phase error (cF3.0)", "Ошибка в фазе U (cF3.0)"},
    {0x1CDD019, "V-phase error (cF3.1)", "Ошибка в фазе V (cF3.1)"},
    {0x1CDD01A, "W-phase error (cF3.2) ", "Ошибка в фазе W (cF3.2)"},
    {0x1CDD01B, "DCBUS error  (cF3.3)", "Ошибка в DCBUS(cF3.3)"},
    {0x1CDD01C, "IGBT Overheat (cF3.4)", "Перегрев IGBT (cF3.4)"},
    {0x1CDD01D, "Power board overheating (cF3.5)", "Перегрев силовой платы (cF3.5)"},
    {0x1CDD01E, "Control Board CPU WRITE failure (cF1.1)", "Сбой при записи CPU платы управления (cF1.1)"},
    {0x1CDD01F, "Control Board CPU WRITE failure (cF2.1)", "Сбой при чтении CPU платы управления (cF2.1)"},
    {0x1CDD020, "ACI signal error (AErr)", "Ошибка сигнала ACI (AErr)"},
    {0x1CDD022, "Motor PTC overheat protection (PtC1)", "PTC-защита перегрева двигателя (PtC1)"},
    {0x1CDD028, "Communication time-out error of control board and power board (CP10)", "Нет связи между силовой платой и платой управления(CP10)"},
    {0x1CDD029, "dEb error", "Управляемое торможение при потере питания(dEB)"},
    {0x1CDD02A, "ACL (Abnormal Communication Loop)", "Сбой в коммуникационной петле (ACL)"},
};
static_assert(validTable(kDeltaFaults, 0x1CDD000), "kDeltaFaults");

// Danfoss FC51 (Russian in both languages).
constexpr TextItem kDanfossFaults[] = {
    {0x1CFC802, "Низкий уровень сигнала внешнего источника задания частоты", "Низкий уровень сигнала внешнего источника задания частоты"},
    {0x1CFC804, "Низкий уровень напряжения одной или нескольких линий на входе преобразователя", "Низкий уровень напряжения одной или нескольких линий на входе преобразователя"},
    {0x1CFC805, "Уровень напряжения цепи постоянного тока выпрямителя выше установки", "Уровень напряжения цепи постоянного тока выпрямителя выше установки"},
    {0x1CFC806, "Уровень напряжения цепи постоянного тока выпрямителя ниже установки", "Уровень напряжения цепи постоянного тока выпрямителя ниже установки"},
    {0x1CFC807, "Высокий уровень напряжения цепи постоянного тока выпрямителя", "Высокий уровень напряжения цепи постоянного тока выпрямителя"},
    {0x1CFC808, "Низкий уровень напряжения цепи постоянного тока выпрямителя", "Низкий уровень напряжения цепи постоянного тока выпрямителя"},
    {0x1CFC809, "Перегрузка инвертора", "Перегрузка инвертора"},
    {0x1CFC80A, "Перегрузка электродвигателя", "Перегрузка электродвигателя"},
    {0x1CFC80B, "Перегрев двигателя, неисправность термистора двигателя", "Перегрев двигателя, неисправность термистора двигателя"},
    {0x1CFC80C, "Ток на выходе выше уставки", "Ток на выходе выше уставки"},
    {0x1CFC80D, "Перегрузка", "Перегрузка"},
    {0x1CFC80E, "Короткое замыкание на землю", "Короткое замыкание на землю"},
    {0x1CFC80F, "Неисправность системы питания", "Неисправность системы питания"},
    {0x1CFC810, "Короткое замыкание на выходе преобразователя Danfoss", "Короткое замыкание на выходе преобразователя Danfoss"},
    {0x1CFC811, "Таймаут соединения", "Таймаут соединения"},
    {0x1CFC812, "Таймаут соединения2", "Таймаут соединения2"},
    {0x1CFC821, "Выходная частота выше уставки", "Выходная частота выше уставки"},
    {0x1CFC823, "Неисправность коммутирующего устройства на входе инвертора", "Неисправность коммутирующего устройства на входе инвертора"},
    {0x1CFC824, "Перегрев частотного преобразователя", "Перегрев частотного преобразователя"},
};
static_assert(validTable(kDanfossFaults, 0x1CFC800), "kDanfossFaults");

// Chint NVF5.
constexpr TextItem kChintFaults[] = {
    {0x1D96C01, "Accel. Overcurrent-E.OC1", "Перегрузка по току при ускорении"},
    {0x1D96C02, "Decel. Overcurrent-E.OC2", "Перегрузка по току при торможении"},
    {0x1D96C03, "Constant Speed Overcurrent-E.OC3", "Перегрузка по току при движении с постоянной скоростью"},
    {0x1D96C04, "Accel. Overvoltage-E.OU1", "Перенапряжение при ускорении"},
    {0x1D96C05, "Decel. Overvoltage-E.OU2", "Перенапряжение при торможении"},
    {0x1D96C06, "Constant Speed Overvoltage-E.OU3", "Перенапряжение при движении с постоянной скоростью"},
    {0x1D96C08, "Input Phase Loss-E.SPI", "Обрыв входной фазы"},
    {0x1D96C09, "Output Phase Loss-E.SPO", "Обрыв выходной фазы"},
    {0x1D96C0A, "IGBT Protection-E.FO", "Защита IGBT модуля"},
    {0x1D96C0B, "Heatsink OverTemperature-E.OH1", "Перегрев радиатора"},
    {0x1D96C0C, "Rectifier OverTemperature-E.OH2", "Перегрев выпрямителя"},
    {0x1D96C0D, "Inverter Overload-E.OL2", "Перегрузка инвертора"},
    {0x1D96C0E, "Motor Overload-E.OL1", "Перегрузка двигателя"},
    {0x1D96C0F, "External Fault-E.EF", "Внешнее аварийное отключение"},
    {0x1D96C10, "EEprom abnormal-E.EEP", "Сбой EEPROM"},
    {0x1D96C11, "Comm. Abnormal-E.CE", "Сбой связи"},
    {0x1D96C12, "Contactor Abnormal-E.SHt", "Сбой контактора"},
    {0x1D96C13, "Current Detection Abnormal-E.ItE", "Сбой определения тока"},
    {0x1D96C18, "Motor Tuning Abnorma-E.tE", "Сбой автоподстройки двигателя"},
    {0x1D96C1F, "Under Voltage E.Uv", "Низкое напряжение"},
    {0x1D96C20, "Buffer Overload-E.OL3", "Перегрузка буфера"},
    {0x1D96C21, "Motor to Ground Short Circuit-E.StG", "Короткое замыкание на землю двигателя"},
    {0x1D96C22, "Rapid Current Limit Overtime-E.CbC", "Быстрое превышение ограничения тока"},
    {0x1D96C23, "Inverter Hardware Overcurrent Abnormal-E.Inv", "Перегрузка по току"},
    {0x1D96C24, "Load Loss-E.LL", "Потеря нагрузки"},
    {0x1D96C25, "PID Feedback Loss in Running Mode-E.FbL", "Потеря обратной связи ПИД-регулятора"},
    {0x1D96C26, "Motor Over Temperature-E.OT", "Перегрев двигателя"},
    {0x1D96C29, "Excessive Speed Deviation-E.dEv", "Чрезмерное отклонение скорости"},
    {0x1D96C2A, "Motor Over Speed-E.OS", "Превышение скорости двигателя"},
};
static_assert(validTable(kChintFaults, 0x1D96C00), "kChintFaults");

// Welding-remote status messages, by status value.
constexpr TextItem kRemoteStatus[] = {
    {0x976C01, "No connection to inverter!", "Нет соединения с инвертером!"},
    {0x976C02, "Emergency Stop!", "Аварийный останов!"},
    {0x976C03, "No connection to external welding machine!", "Нет соединения с внешним сварочным аппаратом!"},
    {0x976C40, "Remote control active!", "Активировано управление через пульт!"},
};
static_assert(validTable(kRemoteStatus, 0x976C00), "kRemoteStatus");
}  // namespace

const char* machineErrorGroupText(TextId id) { return findText(kMachineErrors, id); }
const char* schneiderFaultText(TextId id) { return findText(kSchneiderFaults, id); }
const char* toshibaFaultText(TextId id) { return findText(kToshibaFaults, id); }
const char* deltaFaultText(TextId id) { return findText(kDeltaFaults, id); }
const char* danfossFaultText(TextId id) { return findText(kDanfossFaults, id); }
const char* chintFaultText(TextId id) { return findText(kChintFaults, id); }
const char* remoteStatusText(TextId id) { return findText(kRemoteStatus, id); }
