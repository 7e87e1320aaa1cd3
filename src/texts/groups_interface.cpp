// Texts of the operator interface: units, calendar names, common captions,
// keyboard rows, machine states and the texts of the screens.
//
// Characters such as À to É are glyphs of the program's icon font; '~' and '|'
// inside labels and units are markup of the text drawing; '|' in a button text
// separates the buttons.  Texts with "{}" are fmt patterns, "%s"/"%d" printf
// patterns; both languages use the same fields.

#include "texts/text_groups.h"
#include "texts/text_table.h"

using texts_detail::TextItem;
using texts_detail::findText;
using texts_detail::validTable;

namespace {

// Units.
constexpr TextItem kUnits[] = {
    {0xB95C01, "g", "г"},
    {0xB95C02, "s", "с"},
    {0xB95C03, "mm", "мм"},
    {0xB95C04, "gmm", "гмм"},
    {0xB95C05, "°", "°"},
    {0xB95C06, "g/cm^3", "г/см^3"},
    {0xB95C07, "parts", "изделий"},
    {0xB95C08, "gmm/kg", "гмм/кг"},
    {0xB95C09, "%", "%"},
    {0xB95C0A, "min^-1", "мин^-1"},
    {0xB95C0B, "kg", "кг"},
    {0xB95C0C, "g/mm", "г/мм"},
    {0xB95C0D, "mm/s", "мм/с"},
    {0xB95C0E, "Nm", "Нм"},
    {0xB95C0F, "Hz", "Гц"},
    {0xB95C10, "mV/G", "мВ/G"},
    {0xB95C11, "V/unit", "В/ед"},
    {0xB95C12, "À|mm", "À|мм"},
    {0xB95C13, "gcm", "гсм"},
    {0xB95C14, "gm", "гм"},
    {0xB95C15, "mkm", "мкм"},
    {0xB95C16, "unit", "ед."},
    {0xB95C17, "A", "А"},
    {0xB95C18, "kW", "кВт"},
    {0xB95C19, "V", "В"},
    {0xB95C1A, "mm/min", "мм/мин"},
    {0xB95C1B, "Mbyte", "Мбайт"},
};
static_assert(validTable(kUnits, 0xB95C00), "kUnits");

// Language names, each in its own language.
constexpr TextItem kLanguages[] = {
    {0x1496401, "Русский", "Русский"},
    {0x1496402, "English", "English"},
};
static_assert(validTable(kLanguages, 0x1496400), "kLanguages");

// Month names, Russian in the genitive.
constexpr TextItem kMonths[] = {
    {0x138C801, "January", "января"},
    {0x138C802, "February", "февраля"},
    {0x138C803, "March", "марта"},
    {0x138C804, "April", "апреля"},
    {0x138C805, "May", "мая"},
    {0x138C806, "June", "июня"},
    {0x138C807, "July", "июля"},
    {0x138C808, "August", "августа"},
    {0x138C809, "September", "сентября"},
    {0x138C80A, "October", "октября"},
    {0x138C80B, "November", "ноября"},
    {0x138C80C, "December", "декабря"},
};
static_assert(validTable(kMonths, 0x138C800), "kMonths");

// Weekday names, Sunday first.
constexpr TextItem kWeekdays[] = {
    {0x1C8A401, "Sunday", "Воскресенье"},
    {0x1C8A402, "Monday", "Понедельник"},
    {0x1C8A403, "Tuesday", "Вторник"},
    {0x1C8A404, "Wednesday", "Среда"},
    {0x1C8A405, "Thursday", "Четверг"},
    {0x1C8A406, "Friday", "Пятница"},
    {0x1C8A407, "Saturday", "Суббота"},
};
static_assert(validTable(kWeekdays, 0x1C8A400), "kWeekdays");

// Common captions and messages.  Items 0x195DC12 to 0x195DC14 are date patterns
// whose languages take the arguments in another order.
constexpr TextItem kCommon[] = {
    {0x195DC01, "Error!", "Ошибка!"},
    {0x195DC02, "Drive fault!", "Авария привода!"},
    {0x195DC03, "Login", "Войти"},
    {0x195DC05, "Balancing", "Балансировка"},
    {0x195DC06, "History", "История"},
    {0x195DC07, "Database", "База изделий"},
    {0x195DC08, "Settings", "Настройки"},
    {0x195DC09, "[ Other ]", "[ Другое ]"},
    {0x195DC0A, "Test", "Тест"},
    {0x195DC0B, "Start", "Пуск"},
    {0x195DC0C, "Stop", "Стоп"},
    {0x195DC0D, "Balance", "Балансировать"},
    {0x195DC0E, "Save", "Сохранить"},
    {0x195DC0F, "Logout", "Выход"},
    {0x195DC10, "Welding", "Сварка"},
    {0x195DC11, "Ä", "Ä"},
    {0x195DC12, "{0}, {2} {1}", "{0}, {1} {2}"},
    {0x195DC13, "{1} {0}, {2:02d}:{3:02d}", "{0} {1}, {2:02d}:{3:02d}"},
    {0x195DC14, "{1} {0} {2}", "{0} {1} {2}"},
    {0x195DC15, "Amplitude", "Амплитуда"},
    {0x195DC16, "Phase", "Фаза"},
    {0x195DC17, "prev.", "пред."},
    {0x195DC18, "no m.", "нет изм."},
    {0x195DC19, "Determine IC", "Определить КВ"},
    {0x195DC1A, "Redetermine IC", "Переопределить КВ"},
    {0x195DC1B, "Edit", "Редактировать"},
    {0x195DC1C, "Æ", "Æ"},
    {0x195DC1D, "Å", "Å"},
    {0x195DC1E, "Â", "Â"},
    {0x195DC1F, "Ç", "Ç"},
    {0x195DC20, "È", "È"},
    {0x195DC21, "É", "É"},
    {0x195DC23, "Demo", "Демо"},
    {0x195DC24, "Attention! Error loading settings!", "Внимание! Ошибка загрузки настроек!"},
    {0x195DC25, "Attention! A backup settings has been loaded!", "Внимание! Загружены резервные настройки!"},
    {0x195DC26, "Wait, initialization in process ...", "Подождите, идет инициализация ..."},
    {0x195DC27, "Measure", "Измерить"},
    {0x195DC28, "Begin", "Начать"},
    {0x195DC29, "×", "×"},
    {0x195DC2A, "±", "±"},
    {0x195DC2B, "USB device not found!", "USB-устройство не найдено!"},
    {0x195DC2C, "Work will continue in Demo mode.", "Работа будет продолжена в демо-режиме."},
    {0x195DC2D, "Error adding inverters!", "Ошибка добавления преобразователей частоты!"},
    {0x195DC2E, "Check settings and restart machine.", "Проверьте настройки и перезапустите станок."},
    {0x195DC2F, "Read-only file system", "Файловая система доступна только для чтения"},
    {0x195DC30, "Permission denied", "Отказано в доступе"},
    {0x195DC31, "Input/output error", "Ошибка ввода/вывода"},
    {0x195DC32, "No such file or directory", "Нет такого файла или каталога"},
    {0x195DC33, "Operation not permitted", "Операция не разрешена"},
    {0x195DC34, "File too large", "Файл слишком велик"},
    {0x195DC35, "File name too long", "Слишком длинное имя файла"},
    {0x195DC36, "Too many open files", "Слишком много открытых файлов"},
    {0x195DC37, "Not enough memory", "Недостаточно памяти"},
    {0x195DC38, "Not a directory", "Не является каталогом"},
    {0x195DC39, "Is a directory", "Является каталогом"},
    {0x195DC3A, "File exists", "Файл уже существует"},
    {0x195DC3B, "Invalid argument", "Недопустимый аргумент"},
    {0x195DC3C, "Operation not supported", "Операция не поддерживается"},
    {0x195DC3D, "Device or resource busy", "Устройство или ресурс занято"},
    {0x195DC3E, "No such device", "Нет такого устройства"},
    {0x195DC3F, "Too many links", "Слишком много ссылок"},
    {0x195DC40, "System error {}", "Системная ошибка {}"},
};
static_assert(validTable(kCommon, 0x195DC00), "kCommon");

// On-screen keyboard: three letter rows of the current language, the Latin rows
// (empty in English), the decimal separator key, the state caption.
constexpr TextItem kKeyboard[] = {
    {0x1EFB801, "QWERTYUIOP", "ЙЦУКЕНГШЩЗХЪ"},
    {0x1EFB802, "ASDFGHJKL", "ФЫВАПРОЛДЖЭ"},
    {0x1EFB803, "ZXCVBNM", "ЯЧСМИТЬБЮ"},
    {0x1EFB804, "", "QWERTYUIOP"},
    {0x1EFB805, "", "ASDFGHJKL"},
    {0x1EFB806, "", "ZXCVBNM"},
    {0x1EFB807, ".", ","},
    {0x1EFB808, "State: ", "Статус: "},
};
static_assert(validTable(kKeyboard, 0x1EFB800), "kKeyboard");

// Machine states: the text of state s is item s + 1.
constexpr TextItem kMachineStates[] = {
    {0x1073001, "Idle", "Бездействие"},
    {0x1073002, "Initializing", "Инициализация"},
    {0x1073003, "Ascending", "Ускорение"},
    {0x1073004, "Descending", "Торможение"},
    {0x1073005, "Adjusting", "Подстройка"},
    {0x1073006, "Training", "Обучение"},
    {0x1073007, "Autosetting", "Автонастройка"},
    {0x1073008, "Measuring", "Измерение"},
    {0x1073009, "Turning", "Поворот"},
    {0x107300A, "Testing", "Тестирование"},
    {0x107300B, "Waiting", "Ожидание"},
    {0x107300C, "Waiting-1", "Ожидание-1"},
    {0x107300D, "Certification", "Сертификация"},
    {0x107300E, "Calibration", "Тарировка"},
    {0x107300F, "Begin?", "Начать?"},
    {0x1073010, "Configuring", "Конфигурование"},
    {0x1073011, "Copying logs", "Копирование логов"},
};
static_assert(validTable(kMachineStates, 0x1073000), "kMachineStates");

// Balancing and influence-coefficient screens.
constexpr TextItem kBalancing[] = {
    {0x1EFD001, "Rotor RPM", "Частота вращения изделия"},
    {0x1EFD002, "VFD Frequency", "Частота преобразователя"},
    {0x1EFD003, "Trial mass", "Пробный груз"},
    {0x1EFD004, "Trial mass setting angle", "Угол установки пробного груза"},
    {0x1EFD005, "Module of influence coefficient", "Модуль коэффициента влияния"},
    {0x1EFD006, "Influence coefficient angle", "Угол коэффициента влияния"},
    {0x1EFD007, "%s in P%d plane", "%s в плоскости P%d"},
    {0x1EFD008, "Influence Coefficients", "Коэффициенты влияния"},
    {0x1EFD009, "Measurements", "Измерения"},
    {0x1EFD00A, "Display mode", "Режим отображения"},
    {0x1EFD00B, "Measurement with a trial mass in the plane", "Измерение с пробным грузом в плоскости"},
    {0x1EFD00C, "No trial mass measurement", "Измерение без пробного груза"},
    {0x1EFD00D, "Turn", "Поворот"},
    {0x1EFD00E, "Plane", "Плоскость"},
    {0x1EFD00F, "Ready", "Готово"},
    {0x1EFD010, "Determining IC", "Определение КВ"},
    {0x1EFD011, "Save IC", "Сохранить КВ"},
    {0x1EFD012, "Correction", "Корректировка"},
    {0x1EFD013, "Unbalances", "Дисбалансы"},
    {0x1EFD014, "Compensator", "Компенсатор"},
    {0x1EFD015, "Summation of measurements", "Суммирование измерений"},
    {0x1EFD016, "Increased accuracy", "Повышенная точность"},
    {0x1EFD017, "Alternative parameters", "Альтернативные параметры"},
    {0x1EFD018, "Compensator mode enabled.", "Включен режим компенсатора."},
    {0x1EFD019, "Index the rotor by 180° with", "Поверните изделие на 180° относительно"},
    {0x1EFD01A, "respect to the mandrel or drive shaft,", "оправки или карданного вала привода"},
    {0x1EFD01B, "and start rotation.", "и запустите вращение."},
    {0x1EFD01C, "Correction", "Угол"},
    {0x1EFD01D, "angle", "корректировки"},
    {0x1EFD01E, "Attach", "Установите"},
    {0x1EFD01F, "mass", "массу"},
    {0x1EFD020, "Unbalance", "Угол"},
    {0x1EFD021, "angle", "дисбаланса"},
    {0x1EFD022, "Unbalance", "Величина"},
    {0x1EFD023, "amount", "дисбаланса"},
    {0x1EFD024, "Ошибка инвертора (23)", "Ошибка инвертора (23)"},
    {0x1EFD025, "{:.2f} × D~tol", "{:.2f} × D~tol"},
    {0x1EFD026, "IN TOLERANCE", "В ДОПУСКЕ"},
    {0x1EFD027, "New", "Новая"},
    {0x1EFD028, "Start balancing again", "Начать балансировку заново"},
    {0x1EFD029, "Are you sure you want to delete all measurements?", "Вы уверены что хотите удалить все измерения?"},
    {0x1EFD02A, "Correction angle", "Угол корректировки"},
    {0x1EFD02B, "Attach mass", "Установите массу"},
    {0x1EFD02C, "Unbalance angle", "Угол дисбаланса"},
    {0x1EFD02D, "Unbalance amount", "Величина дисбаланса"},
    {0x1EFD02E, "IC", "КВ"},
    {0x1EFD02F, "Next", "Далее"},
    {0x1EFD030, "Unbalance exceeds\ncorrection limit!", "Дисбаланс превышает\nпредел корректировки!"},
    {0x1EFD031, "Remove mass", "Снимите массу"},
    {0x1EFD032, "Drill À{0} to depth", "Высверлите À{0} на глубину"},
    {0x1EFD033, "Drill {1}×À{0} to depth", "Высверлите {1}×À{0} на глубину"},
    {0x1EFD034, "Minimum achievable residual unbalance", "Минимально достижимый остаточный дисбаланс"},
    {0x1EFD035, "Imbalance calculation error", "Ошибка расчета дисбаланса"},
    {0x1EFD036, "Failed Gaussian Test", "Ошибка метода Гаусса"},
    {0x1EFD037, "Test table", "Тестовая таблица"},
    {0x1EFD038, "Angle, °", "Угол, °"},
    {0x1EFD039, "Mass, g", "Масса, г"},
    {0x1EFD03A, "U mult.", "Множ. U"},
    {0x1EFD03B, "Unbal., gmm", "Дисб., гмм"},
    {0x1EFD03C, "Set up\nangles", "Задать\nуглы"},
    {0x1EFD03D, "Indexed position", "Конструктивный угол"},
    {0x1EFD03E, "Cancel", "Отмена"},
    {0x1EFD03F, "Mill to depth", "Фрезеруйте на глубину"},
    {0x1EFD040, "Mill full depth, width", "Фрезеруйте на всю глубину, ширина"},
    {0x1EFD041, "Mill an arc of", "Фрезеруйте дугу"},
    {0x1EFD042, "Verification test complete", "Проверочные испытания завершены"},
    {0x1EFD043, "Repeat run {}", "Повторить пуск {}"},
    {0x1EFD044, "Back to run {}", "Вернуться к пуску {}"},
    {0x1EFD045, "Test continued in a newer record", "Испытания продолжены в новой записи"},
    {0x1EFD046, "Test progress saving error!", "Ошибка сохранения хода испытаний!"},
    {0x1EFD047, "Test progress reading error!", "Ошибка чтения хода испытаний!"},
    {0x1EFD048, "Every ask of the run is asked again: check what is on the rotor first.",
     "Все указания пуска будут даны заново: сначала проверьте, что установлено на изделии."},
    {0x1EFD049, "A new test of the rotor was begun", "Начаты новые испытания изделия"},
    {0x1EFD04A, "The run was not saved!", "Пуск не сохранён!"},
    {0x1EFD04B, "Make the run again.", "Выполните пуск заново."},
};
static_assert(validTable(kBalancing, 0x1EFD000), "kBalancing");

// History, rotor database and rotor editing.
constexpr TextItem kHistory[] = {
    {0x1CFB001, "Today", "Сегодня"},
    {0x1CFB002, "All", "Вся"},
    {0x1CFB003, "For the day", "За сегодня"},
    {0x1CFB004, "For the week", "За неделю"},
    {0x1CFB005, "For the month", "За месяц"},
    {0x1CFB006, "Name", "Наименование"},
    {0x1CFB007, "Planes", "Плоскости"},
    {0x1CFB008, "Change date", "Дата изменения"},
    {0x1CFB009, "Rotor name", "Наименование изделия"},
    {0x1CFB00A, "ROTOR ", "ИЗДЕЛИЕ "},
    {0x1CFB00B, "Plane disengaged", "Плоскость отключена"},
    {0x1CFB00C, "Rotor maximum service speed", "Максимальная эксплуатационная частота вращения изделия"},
    {0x1CFB00D, "Permissible residual unbalance, D~tol", "Допустимый остаточный дисбаланс, D~tol"},
    {0x1CFB00E, "Drive", "Привод"},
    {0x1CFB00F, "Belt", "Ременный"},
    {0x1CFB010, "End", "Осевой"},
    {0x1CFB011, "Influence Coefficients:", "Коэффициенты влияния:"},
    {0x1CFB012, "Determined", "Определяемые"},
    {0x1CFB013, "Permanent", "Встроенные"},
    {0x1CFB014, "Permissible", "Допустимый"},
    {0x1CFB015, "Engaged", "Задействованные"},
    {0x1CFB016, "supports", "опоры"},
    {0x1CFB017, "Parameters", "Параметры"},
    {0x1CFB018, "Opening file error!", "Ошибка открытия файла!"},
    {0x1CFB019, "Start editing rotor", "Начать редактирование изделия"},
    {0x1CFB01A, "Are you sure you want to delete the rotor?", "Вы уверены что хотите удалить изделие?"},
    {0x1CFB01B, "Are you sure you want to delete the balancing history?", "Вы уверены что хотите удалить историю балансировки?"},
    {0x1CFB01C, "Unable to delete active history", "Невозможно удалить активную историю"},
    {0x1CFB01D, "Replace the existing file?", "Заменить существующий файл?"},
};
static_assert(validTable(kHistory, 0x1CFB000), "kHistory");

// Welding screen.
constexpr TextItem kWelding[] = {
    {0x9DD001, "Fast rotation", "Быстрое вращение"},
    {0x9DD002, "JOG", "JOG"},
    {0x9DD003, "Auto JOG", "Авто JOG"},
    {0x9DD004, "Welding", "Сварка"},
    {0x9DD005, "Pipe diameter", "Диаметр трубы"},
    {0x9DD006, "Number of tack welds", "Количество прихваточных швов"},
    {0x9DD007, "Rotational speed", "Скорость вращения"},
    {0x9DD008, "Welding is in use...", "Используется сварка..."},
    {0x9DD009, "No connection with an external welding machine", "Отсутствует подключение к внешнему сварочному аппарату"},
    {0x9DD00A, "Do you plan to use an external welding machine?", "Планируется ли использование внешнего сварочного аппарата?"},
    {0x9DD00B, "Progress", "Прогресс"},
    {0x9DD00C, "Wall thickness", "Толщина стенки"},
};
static_assert(validTable(kWelding, 0x9DD000), "kWelding");

// Dialog button sets.
constexpr TextItem kButtons[] = {
    {0x1CA6401, "OK", "OK"},
    {0x1CA6402, "Yes|No", "Да|Нет"},
    {0x1CA6403, "Connect|Cancel", "Подключить|Отмена"},
};
static_assert(validTable(kButtons, 0x1CA6400), "kButtons");

// Hints.
constexpr TextItem kHints[] = {
    {0x18A4001, "Close", "Закрыть"},
    {0x18A4002, "Hint isn't defined", "Подсказка не задана"},
    {0x18A4003, "View/edit rotor parameters", "Просмотр/редактирования параметров изделия"},
    {0x18A4004, "Achieve the absence of red marks, then store the rotor in the database and / or start balancing", "Добейтесь отсутствия красных пометок, затем сохраните изделие в базе и/или начните балансировку"},
    {0x18A4005, "Influence Coefficients determination", "Определение коэффициентов влияния"},
    {0x18A4006, "Start measuring without trial mass", "Запустите измерение без пробных грузов"},
    {0x18A4007, "Move the trial mass to the selected plane and start measuring", "Перенесите пробный груз на выбранную плоскость и запустите измерение"},
    {0x18A4008, "Correct unbalances on the rotor", "Скорректируйте дисбалансы на изделии"},
};
static_assert(validTable(kHints, 0x18A4000), "kHints");

// Measuring modes and the measuring screen.
constexpr TextItem kMeasureModes[] = {
    {0x13DFC01, "Measurement mode", "Режим измерения"},
    {0x13DFC02, "Test", "Тест"},
    {0x13DFC03, "Verification", "Поверка"},
    {0x13DFC04, "Is frequency {} Hz set?", "Частота {} Гц установлена?"},
    {0x13DFC05, "Calibrate##{}", "Калибровка##{}"},
    {0x13DFC06, "Test frequency", "Частота измерения"},
    {0x13DFC07, "Speed buffer size", "Размер буфера скорости"},
    {0x13DFC08, "Frequency", "Частота"},
};
static_assert(validTable(kMeasureModes, 0x13DFC00), "kMeasureModes");

// Steps of the verification test of the machine (Russian in both languages).
constexpr TextItem kVerificationSteps[] = {
    {0x176C401, "Проверка начального дисбаланса (< 5 ° U|mar|)", "Проверка начального дисбаланса (< 5 ° U|mar|)"},
    {0x176C402, "Контроль внесённого дисбаланса", "Контроль внесённого дисбаланса"},
    {0x176C403, "Балансировка U|mar| ({}/4)", "Балансировка U|mar| ({}/4)"},
    {0x176C404, "Контроль U|mar|", "Контроль U|mar|"},
    {0x176C405, "Контроль U|mar| после поворота", "Контроль U|mar| после поворота"},
    {0x176C406, "Замеры для оценки U|mar| ({}/12)", "Замеры для оценки U|mar| ({}/12)"},
    {0x176C407, "Замеры коэффициента URR ({}/12)", "Замеры коэффициента URR ({}/12)"},
    {0x176C408, "Проверка дисбаланса (< 5 ° U|mar|)", "Проверка дисбаланса (< 5 ° U|mar|)"},
    {0x176C409, "Компенсационные пуски ({}/3)", "Компенсационные пуски ({}/3)"},
    {0x176C40A, "Проверка дисбаланса (< U|mar|)", "Проверка дисбаланса (< U|mar|)"},
    {0x176C40B, "Проверка дисбаланса ({}/4)", "Проверка дисбаланса ({}/4)"},
};
static_assert(validTable(kVerificationSteps, 0x176C400), "kVerificationSteps");

// Settings screen.
constexpr TextItem kSettings[] = {
    {0xDDB001, "General", "Общие"},
    {0xDDB002, "System", "Система"},
    {0xDDB003, "Drive, acceleration and deceleration", "Привод, разгон и торможение"},
    {0xDDB004, "Vibration measurement channels", "Каналы измерения вибрации"},
    {0xDDB005, "Receiving and processing data", "Прием и обработка данных"},
    {0xDDB006, "Display and data output", "Отображение и вывод данных"},
    {0xDDB007, "Unbalance correction", "Корректировка дисбаланса"},
    {0xDDB008, "Access settings", "Настройки доступа"},
    {0xDDB009, "Update and debug", "Обновление и отладка"},
    {0xDDB00A, "Service engineer calling", "Вызов сервисного инженера"},
    {0xDDB00C, "Update software", "Обновить программу"},
    {0xDDB00D, "Update additional files", "Обновить дополнительные файлы"},
    {0xDDB00E, "Update firmware", "Обновить прошивку"},
    {0xDDB00F, "Event registration", "Регистрация событий"},
    {0xDDB010, "Drive write protection", "Защита диска от записи"},
    {0xDDB011, "Reset to default settings", "Сбросить на заводские настройки"},
    {0xDDB012, "Save machine settings", "Сохранить настройки станка"},
    {0xDDB013, "Load machine settings", "Загрузить настройки станка"},
    {0xDDB014, "Restart", "Перезапуск"},
    {0xDDB015, "Exit to OS", "Выход в ОС"},
    {0xDDB01A, "Enter a name for the saving settings", "Введите имя для сохраняемых настроек"},
    {0xDDB01B, "Time settings", "Настройка времени"},
    {0xDDB01C, "Date", "Дата"},
    {0xDDB01D, "Time", "Время"},
    {0xDDB01E, "Year", "Год"},
    {0xDDB01F, "Month", "Месяц"},
    {0xDDB020, "Day", "День"},
    {0xDDB021, "Hour", "Час"},
    {0xDDB022, "Minute", "Минута"},
    {0xDDB023, "General drive settings", "Общие настройки привода"},
    {0xDDB024, "Machine limits", "Ограничения станка"},
    {0xDDB025, "Normal", "Обычная"},
    {0xDDB026, "S-type", "S-образная"},
    {0xDDB027, "U-type", "U-образная"},
    {0xDDB028, "External", "Внешний"},
    {0xDDB029, "Off", "Выкл."},
    {0xDDB02A, "Drive #{}", "Привод Ã  {}"},
    {0xDDB02C, "Saved versions", "Сохраненные версии"},
    {0xDDB02D, "Saved settings", "Сохраненные настройки"},
    {0xDDB02E, "Basic", "Основные"},
    {0xDDB02F, "Acceleration and deceleration", "Разгон и торможение"},
    {0xDDB030, "Stabilization", "Стабилизация"},
    {0xDDB031, "Encoder and phasor", "Энкодер и отметчик"},
    {0xDDB032, "Position turn", "Доворот"},
    {0xDDB033, "Brake", "Тормоз"},
    {0xDDB034, "Channel", "Канал"},
    {0xDDB035, "Vibration channel gain", "Коэффициент усиления канала вибрации"},
    {0xDDB036, "Data averaging", "Усреднение данных"},
    {0xDDB037, "Rotation speed", "Частота вращения"},
    {0xDDB038, "Vibration level", "Уровень вибрации"},
    {0xDDB039, "Calibration", "Калибровка"},
    {0xDDB03A, "Interface", "Интерфейс"},
    {0xDDB03B, "Angular position", "Угловое положение"},
    {0xDDB03C, "Units", "Единицы измерения"},
    {0xDDB03D, "Printing", "Печать"},
    {0xDDB03E, "Drive errors", "Ошибки привода"},
    {0xDDB03F, "+ New", "+ Новый"},
    {0xDDB040, "Operator", "Оператор"},
    {0xDDB041, "Specialist", "Специалист"},
    {0xDDB042, "On", "Вкл."},
    {0xDDB043, "Off", "Выкл."},
    {0xDDB044, "On", "Включено"},
    {0xDDB045, "Off", "Выключено"},
    {0xDDB046, "Save to USB flash drive", "Сохранить на USB-накопитель"},
    {0xDDB047, "Connected inverters", "Подключенные преобразователи частоты"},
    {0xDDB048, "Settings loaded!", "Настройки загружены!"},
    {0xDDB049, "Settings loading error!", "Ошибка загрузки настроек!"},
    {0xDDB04A, "Settings saved!", "Настройки сохранены!"},
    {0xDDB04B, "Settings saving error!", "Ошибка сохранения настроек!"},
    {0xDDB04C, "Settings reset!", "Настройки сброшены!"},
    {0xDDB04E, "Are you sure you want to delete the operator?", "Вы уверены что хотите удалить оператора?"},
    {0xDDB04F, "Files have been copied", "Файлы скопированы"},
    {0xDDB050, "Are you sure you want to install this version?", "Вы уверены что хотите установить эту версию?"},
    {0xDDB051, "Error! Update file damaged! (9908)", "Ошибка! Файл обновления повреждён! (9908)"},
    {0xDDB052, "{}-bit", "{}-й бит"},
    {0xDDB053, "Optional equipment", "Дополнительное оборудование"},
    {0xDDB054, "Turn machine off and then turn it on after at least one minute!", "Выключите станок и включите его не ранее чем через одну минуту!"},
    {0xDDB055, "Wait, firmware flashing in progress!", "Подождите, идет прошивка контроллера!"},
    {0xDDB056, "Wait, application reloading in progress!", "Подождите, идет перезагрузка программы!"},
    {0xDDB057, "Update error! Turn machine off and then turn it on after at least one minute!", "Ошибка обновления! Выключите станок и включите его не ранее чем через одну минуту!"},
    {0xDDB058, "Clear", "Очистить"},
    {0xDDB059, "Wait, log files copying in progress...", "Подождите, идет копирование лог-файлов..."},
    {0xDDB05A, "External USB-media not found!", "Внешний USB-накопитель не найден!"},
    {0xDDB05B, "Not enough space!", "Недостаточно места!"},
    {0xDDB05C, "System settings changed", "Системные настройки изменены"},
    {0xDDB05D, "Apply", "Применить"},
    {0xDDB05E, "Autosetting", "Автонастройка"},
    {0xDDB05F, "Attention! Only the first {} operators have been loaded, left out:", "Внимание! Загружены только первые {} операторов, не загружены:"},
    {0xDDB060, "Attention! Settings out of range have been changed, see the log:", "Внимание! Настройки вне допустимых пределов изменены, см. журнал:"},
};
static_assert(validTable(kSettings, 0xDDB000), "kSettings");
}  // namespace

const char* unitsText(TextId id) { return findText(kUnits, id); }
const char* languageText(TextId id) { return findText(kLanguages, id); }
const char* monthsText(TextId id) { return findText(kMonths, id); }
const char* weekdaysText(TextId id) { return findText(kWeekdays, id); }
const char* commonText(TextId id) { return findText(kCommon, id); }
const char* keyboardText(TextId id) { return findText(kKeyboard, id); }
const char* machineStateText(TextId id) { return findText(kMachineStates, id); }
const char* balancingText(TextId id) { return findText(kBalancing, id); }
const char* historyText(TextId id) { return findText(kHistory, id); }
const char* weldingText(TextId id) { return findText(kWelding, id); }
const char* buttonsText(TextId id) { return findText(kButtons, id); }
const char* hintsText(TextId id) { return findText(kHints, id); }
const char* measureModeText(TextId id) { return findText(kMeasureModes, id); }
const char* verificationStepText(TextId id) { return findText(kVerificationSteps, id); }
const char* settingsText(TextId id) { return findText(kSettings, id); }
