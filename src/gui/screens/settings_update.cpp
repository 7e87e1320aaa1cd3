// The settings screen's "Update and debug" tab: application updates and
// controller firmware from the removable drive or the local "updates" folder,
// settings saved and loaded by name, the event logs cleared or exported, and
// the program's restart and exit.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <tuple>

#include "files/log_archive.h"
#include "files/removable_drive.h"
#include "files/update_notes.h"
#include "files/update_unpack.h"
#include "gui/app_rules.h"
#include "gui/screens/settings_screen.h"
#include "machine/machine_base.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"
#include "platform/run_program.h"
#include "records/settings_file.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/system_reason.h"
#include "texts/text_ids.h"

namespace Settings {
namespace {

namespace fs = std::filesystem;

constexpr TextId kTextUpdateSoftware = 0xDDB00C;
constexpr TextId kTextUpdateFirmware = 0xDDB00E;
constexpr TextId kTextEventRegistration = 0xDDB00F;
constexpr TextId kTextSaveSettings = 0xDDB012;
constexpr TextId kTextLoadSettings = 0xDDB013;
constexpr TextId kTextRestart = 0xDDB014;
constexpr TextId kTextExitToOs = 0xDDB015;
constexpr TextId kTextSavedVersions = 0xDDB02C;
constexpr TextId kTextSavedSettings = 0xDDB02D;
constexpr TextId kTextLoaded = 0xDDB048;        // "Settings loaded!"
constexpr TextId kTextLoadingError = 0xDDB049;  // "Settings loading error!"
constexpr TextId kTextSaveToDrive = 0xDDB046;
constexpr TextId kTextFilesCopied = 0xDDB04F;
constexpr TextId kTextInstallQuestion = 0xDDB050;
constexpr TextId kTextUpdateDamaged = 0xDDB051;
constexpr TextId kTextTurnOff = 0xDDB054;
constexpr TextId kTextFlashing = 0xDDB055;
constexpr TextId kTextReloading = 0xDDB056;
constexpr TextId kTextFlashError = 0xDDB057;
constexpr TextId kTextClear = 0xDDB058;
constexpr TextId kTextNoDrive = 0xDDB05A;

constexpr const char* kDriveUpdates = "kestrune/updates";
constexpr const char* kDriveConfigs = "kestrune/configs";
constexpr const char* kLocalUpdates = "updates";
constexpr const char* kLogsFolder = "logs";
constexpr const char* kFirmwareLog = "logs/dfu-util.log";  // the writer's own output
// What the writer says when no controller waits in its update mode.
constexpr const char* kFirmwareNoDevice = "No DFU capable USB device available";
constexpr const char* kFirmwareExtension = ".dfu";
constexpr const char* kSoftwareExtension = ".kst";
constexpr const char* kSettingsExtension = ".cfg";

// The confirmation box stays open while the box draws "Wait, ...": the
// controller leaves for its update mode, the frame shows the text.
constexpr auto kFlashWait = std::chrono::seconds(2);
constexpr auto kReloadWait = std::chrono::milliseconds(500);
constexpr int kBoxStaysOpen = 99;
constexpr int kYes = 0;
constexpr auto kDriveCheck = std::chrono::seconds(1);
// How long "Clear" waits for the machine's worker to end.
constexpr auto kWorkerEndLimit = std::chrono::seconds(10);
constexpr auto kWorkerPoll = std::chrono::milliseconds(1);

constexpr int kExportNone = 0;  // the export has not ended

Data* current(Gui& g) { return dynamic_cast<Data*>(g._data); }

std::vector<std::string> filesWithExtension(const std::string& folder, const char* extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->path().extension() == extension && it->is_regular_file(typeError))
            names.push_back(it->path().filename().string());
    }
    return names;
}

// The name less its extension, as the lists show it.
std::string stemOf(const std::string& name) { return fs::path(name).stem().string(); }

// An update package's row label: "v" and its name less ".kst".
std::string versionLabel(const std::string& name) { return "v" + stemOf(name); }

// The names of the page's files in a folder, in listing order: updates newest
// first, settings by name.
std::vector<std::string> pageFiles(const std::string& folder, int page) {
    if (page == kLoadPage) {
        std::vector<std::string> names = filesWithExtension(folder, kSettingsExtension);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> names =
        filesWithExtension(folder, page == kFirmwarePage ? kFirmwareExtension : kSoftwareExtension);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return versionAfter(stemOf(a), stemOf(b)); });
    return names;
}

// The page's listing, read again when the page is new to it or the drive
// came, went or moved; the drive is looked for once in kDriveCheck.
const FolderListing& listed(Data& d, UpdatePage page) {
    FolderListing& l = d.listing;
    const Gui::TimePoint now = d.gui._frameTime;
    if (l.page == page && now - l.driveChecked < kDriveCheck) return l;
    std::string drive = page == kLoadPage ? kDriveConfigs : kDriveUpdates;
    if (!findRemovableDrive(drive)) drive.clear();
    l.driveChecked = now;
    if (l.page == page && drive == l.drive) return l;
    l.page = page;
    l.drive = drive;
    l.driveFiles = drive.empty() ? std::vector<std::string>() : pageFiles(drive, page);
    const std::string local = page == kLoadPage ? "." : kLocalUpdates;
    std::error_code ec;
    l.localFolder = fs::is_directory(local, ec);
    l.localFiles = l.localFolder ? pageFiles(local, page) : std::vector<std::string>();
    return l;
}

void removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    if (ec) logLine("Delete " + path + " error: " + ec.message());
}

// ---- installing ---------------------------------------------------------------

UpdateOutcome flashFirmware(const std::string& path) {
    UpdateOutcome out;
    std::string said;
    out.code = platform::runProgram({"dfu-util", "-a", "0", "-D", path}, kFirmwareLog, &out.reason, &said);
    out.noDevice = out.code != 0 && said.find(kFirmwareNoDevice) != std::string::npos;
    return out;
}

// Unpacks the package into "kestrune.new", names the package for the
// launcher's roll-back and keeps a copy in "updates/" (an existing copy of
// that name stays).  Only the unpacking decides.
UpdateOutcome unpackApplication(const std::string& path) {
    UpdateOutcome out;
    if (!unpackUpdateFile(path.c_str(), &out.reason, &out.systemError)) return out;
    out.code = 0;
    const std::string name = fs::path(path).filename().string();
    std::string why;
    if (!noteUpdatePackage(name, &why)) out.reason = why;
    std::error_code ec;
    fs::create_directories(kLocalUpdates, ec);
    const std::string copy = std::string(kLocalUpdates) + "/" + name;
    std::string bytes;
    if (!platform::readBoundedFile(path, kUpdateMaxPacked, bytes, &why) ||
        platform::createFile(copy, bytes, &why) == platform::CreateResult::kFailed)
        out.reason += std::string(out.reason.empty() ? "" : "; ") + "copy into " + copy + ": " + why;
    return out;
}

bool jobDone(const std::future<UpdateOutcome>& job) {
    return job.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// What the box says while the work runs: no button.
void showOnBox(Gui& g, TextId text) {
    g._modalText = textOrEmpty(text);
    g._modalDetails.clear();
    g._modalButtons.clear();
}

// The work's outcome, with its reason below: the box is read and closed with "OK".
void showOutcome(Gui& g, PendingUpdate& u, TextId text, const std::string& reason = {}) {
    showOnBox(g, text);
    g._modalDetails = reason;
    g._modalButtons = textOrEmpty(textid::kTextButtonOk);
    g._modalBusy = false;
    u.ended = true;
}

// The firmware wait: the worker must have ended before the writer runs.
int advanceFlashing(Data& d, PendingUpdate& u) {
    Gui& g = d.gui;
    if (!u.job.valid()) {
        // Asked no sooner: a quit would end the worker before it has put
        // the controller into its update mode.
        if (g._frameTime - d.updateStart < kFlashWait) return -1;
        if (!g._machine || g._machine->requestQuit())
            u.job = std::async(std::launch::async, flashFirmware, u.path);
        return -1;
    }
    if (!jobDone(u.job)) return -1;
    const UpdateOutcome out = u.job.get();
    logLine(ks::format("Firmware update {}: dfu-util exit code {}{}{}", u.path, out.code,
                       out.reason.empty() ? "" : ", ", out.reason));
    showOutcome(g, u, out.code == 0 ? kTextTurnOff : kTextFlashError,
                out.noDevice ? textOrEmpty(textid::kTextUsbDeviceNotFound) : "");
    // Update mode has ended the worker: a new one connects once the text has
    // been read (the new connection's own boxes would replace it).
    u.reconnectOnClose = true;
    d.updateWaiting = false;
    return -1;
}

int advanceReload(Data& d, PendingUpdate& u) {
    Gui& g = d.gui;
    if (!u.job.valid()) {
        if (g._frameTime - d.updateStart >= kReloadWait)
            u.job = std::async(std::launch::async, unpackApplication, u.path);
        return -1;
    }
    if (!jobDone(u.job)) return -1;
    const UpdateOutcome out = u.job.get();
    d.appReload = false;
    d.updateWaiting = false;
    d.listing.page.reset();  // the package's copy in "updates"
    if (out.code != 0) {
        logLine("Application update " + u.path + " error: " + out.reason);
        // Only a package at fault is a damaged one.
        if (out.systemError != 0)
            showOutcome(g, u, textid::kTextError, systemReasonText(out.systemError));
        else
            showOutcome(g, u, kTextUpdateDamaged);
        return -1;
    }
    logLine("Application update " + u.path + " unpacked" + (out.reason.empty() ? "" : "; " + out.reason));
    exitCode = exitcodes::kUpdated;  // the launcher exchanges the program file
    return -1;
}

void confirmInstall(Data& d, const std::string& path, const std::string& label, bool firmware) {
    Gui& g = d.gui;
    auto pending = std::make_shared<PendingUpdate>();
    pending->path = path;
    pending->firmware = firmware;
    g.messageBox(textOrEmpty(kTextInstallQuestion), label.c_str(), textOrEmpty(textid::kTextButtonsYesNo),
                 [&g, pending](int answer) {
                     Data* s = current(g);
                     return s ? runUpdate(*s, *pending, answer) : (answer < 0 ? answer : -2);
                 });
}

// Says the update that the launcher rolled back; its copy leaves "updates/".
void sayRolledBack(Gui& g) {
    const std::optional<FailedUpdate> failed = takeFailedUpdate();
    if (!failed) return;
    logLine("Application update " + failed->package + " not installed: " + failed->what +
            "; the previous program runs");
    std::string label;
    if (fs::path(failed->package).extension() == kSoftwareExtension) {
        label = versionLabel(failed->package);
        // "Saved versions" offers the versions that ran here.
        const std::string copy = std::string(kLocalUpdates) + "/" + failed->package;
        std::error_code ec;
        if (fs::remove(copy, ec)) logLine("Removed " + copy + ": it was not installed");
        else if (ec) logLine("Delete " + copy + " error: " + ec.message());
    }
    g.queueMessageBox(textOrEmpty(kTextUpdateDamaged), label.c_str());
}

// ---- settings by name ---------------------------------------------------------

// Settings saved on this machine (`local`) are its own: never refused for
// the operator bound.
void loadSaved(Data& d, const std::string& path, bool local) {
    Gui& g = d.gui;
    SettingsLoad outcome = SettingsLoad::NotRead;
    SettingsNotes notes;
    const bool loaded = loadSettings(g, path.c_str(), &outcome,
                                     local ? SettingsSource::kMachine : SettingsSource::kDrive, &notes);
    // Every load sets the operator-access flag: the session's own rights
    // come back from the list, read or not.
    g.sessionAfterSettingsLoad();
    if (loaded) {
        tabList(d);
        saveConfig(d);
        g._settingsChanged = true;
    } else {
        logLine(ks::format("Settings loading error: {} ({})", path,
                           outcome == SettingsLoad::Busy ? "a machine process runs" : "not read"));
    }
    // The Gui's boxes: said over the login list too when the load ended the session.
    g.queueMessageBox(textOrEmpty(loaded ? kTextLoaded : kTextLoadingError));
    saySettingsNotes(g, notes);
    // The page closes at the next frame (the delay is already over).
    d.delayedClose = true;
    d.delayedCloseStart = g._frameTime - std::chrono::seconds(1);
}

// ---- event logs ---------------------------------------------------------------

bool waitForWorkerEnd(MachineBase& machine) {
    const auto start = std::chrono::steady_clock::now();
    while (!machine.requestQuit()) {
        if (std::chrono::steady_clock::now() - start > kWorkerEndLimit) return false;
        std::this_thread::sleep_for(kWorkerPoll);
    }
    return true;
}

// Empties "logs": every log is closed and the worker ended while the folder goes.
void clearLogs(Data& d) {
    Gui& g = d.gui;
    MachineBase* machine = g._machine;
    if (machine) machine->setEventLogging(false);
    if (g._rotor) g._rotor->setLogEnabled(false);
    std::error_code ec;
    if (machine && !waitForWorkerEnd(*machine)) {
        logLine("Clear logs: the machine's worker did not end, nothing removed");
    } else {
        fs::remove_all(kLogsFolder, ec);
        if (!ec) fs::create_directory(kLogsFolder, ec);
    }
    if (machine) {
        machine->startProcess(MachineProcess::kConnect);
        machine->requestReconnect();
        machine->setEventLogging(true);
    }
    if (g._rotor) g._rotor->setLogEnabled(true);
    if (ec) logLine("Clear logs error: " + ec.message());
    else g._logsFolderSize = 0;
    d.eventRegistration = fs::is_directory(kLogsFolder, ec);
}

// "Error!" with the system's reason where it is known (a read-only drive, its
// folder gone); a full drive is "Not enough space!".
void showExportResult(Data& d, int result) {
    Gui& g = d.gui;
    const TextId text = result > 0                       ? kTextFilesCopied
                        : result == logexport::kNoDrive ? kTextNoDrive
                        : result == logexport::kNoSpace ? textid::kTextNotEnoughSpace
                                                        : textid::kTextError;
    const std::string reason = systemReasonText(logexport::systemError(result));
    // The worker released the device for the copy: the first closing answer
    // (a button, Back, Home, Escape) connects again, once.
    auto reconnected = std::make_shared<bool>(result == logexport::kNoDrive);
    // The result comes when the copy ends: it waits for a box on screen.
    g.queueMessageBox(textOrEmpty(text), reason.c_str(), nullptr, [&g, reconnected](int answer) {
        if (answer == -1) return -1;
        if (!*reconnected && g._machine) g._machine->requestReconnect();
        *reconnected = true;
        return -2;
    });
}

void exportLogs(Data& d) {
    Gui& g = d.gui;
    std::string drive;  // the product folder
    if (!g._machine || !findRemovableDrive(drive)) {
        showExportResult(d, logexport::kNoDrive);
        return;
    }
    d.exportRotor = (g._rotor && g._rotor->isHistoryOpen()) ? g._rotor : nullptr;
    if (g._rotor) g._rotor->closeHistoryFile();
    g._machine->requestCopyLogs();
}

void collectExportResult(Data& d) {
    Gui& g = d.gui;
    const int result = g._machine ? g._machine->takeCopyLogsResult() : kExportNone;
    if (result == kExportNone) return;
    if (d.exportRotor && d.exportRotor == g._rotor) g._rotor->openHistory();
    d.exportRotor = nullptr;
    showExportResult(d, result);
}

// ---- pages --------------------------------------------------------------------

void mainPage(Data& d) {
    Gui& g = d.gui;
    sectionHeader(d, nullptr);
    pageRow(d, textOrEmpty(kTextUpdateSoftware), "", kSoftwarePage);
    pageRow(d, textOrEmpty(kTextUpdateFirmware), "", kFirmwarePage);
    const bool sized = g._logsFolderSize >= 0;
    const std::string size = sized ? ks::format("{}", g._logsFolderSize) : std::string();
    pageRow(d, textOrEmpty(kTextEventRegistration), size.c_str(), kEventsPage,
            sized ? textOrEmpty(textid::kUnitMbyte) : nullptr);
    sectionHeader(d, nullptr);
    if (fieldRow(d, textOrEmpty(kTextSaveSettings), "", nullptr, 0) != kNotPressed) d.pendingAction = kSaveUnderName;
    pageRow(d, textOrEmpty(kTextLoadSettings), "", kLoadPage);
    sectionHeader(d, nullptr);
    if (fieldRow(d, textOrEmpty(kTextRestart), "", nullptr, 0) != kNotPressed) exitCode = exitcodes::kRestart;
    if (fieldRow(d, textOrEmpty(kTextExitToOs), "", nullptr, 0) != kNotPressed) exitCode = exitcodes::kExitToOs;
}

void updatePage(Data& d, bool firmware) {
    const FolderListing& l = listed(d, firmware ? kFirmwarePage : kSoftwarePage);
    if (!l.drive.empty()) {
        sectionHeader(d, l.drive.c_str());
        updateFileList(d, l.drive, l.driveFiles, firmware, false);
    }
    if (l.localFolder) {
        sectionHeader(d, textOrEmpty(kTextSavedVersions));
        updateFileList(d, kLocalUpdates, l.localFiles, firmware, true);
    }
}

void eventsPage(Data& d) {
    if (!d.eventRegistration) return;
    sectionHeader(d, nullptr);
    if (fieldRow(d, textOrEmpty(kTextClear), "", nullptr, 0) != kNotPressed) clearLogs(d);
    if (fieldRow(d, textOrEmpty(kTextSaveToDrive), "", nullptr, 0) != kNotPressed) exportLogs(d);
}

void loadPage(Data& d) {
    const FolderListing& l = listed(d, kLoadPage);
    if (!l.drive.empty()) {
        sectionHeader(d, l.drive.c_str());
        savedSettingsList(d, l.drive, l.driveFiles, false);
    }
    sectionHeader(d, textOrEmpty(kTextSavedSettings));
    savedSettingsList(d, ".", l.localFiles, true);
}

// The sort key of an update's name: the part before the first '-', whether
// there is one, and the decimal number after it.
struct VersionKey {
    std::string base;
    bool dashed = false;
    std::string number;  // its digits without leading zeros

    explicit VersionKey(const std::string& name) {
        const auto dash = name.find('-');
        base = name.substr(0, dash);
        if (dash == std::string::npos) return;
        dashed = true;
        std::size_t i = dash + 1;
        while (i < name.size() && name[i] == '0') ++i;
        const std::size_t first = i;
        while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
        number = name.substr(first, i - first);
    }
    // Any length of digits compares by value.
    auto rank() const { return std::make_tuple(std::cref(base), dashed, number.size(), std::cref(number)); }
};

}  // namespace

void updateTab(Data& d) {
    collectExportResult(d);
    const bool listsFiles = !d.pages.empty() && d.pages.back().id != kEventsPage;
    if (!listsFiles) d.listing.page.reset();  // listed afresh when a page opens
    if (d.pages.empty()) {
        mainPage(d);
        return;
    }
    switch (d.pages.back().id) {
        case kSoftwarePage: updatePage(d, false); break;
        case kFirmwarePage: updatePage(d, true); break;
        case kEventsPage: eventsPage(d); break;
        case kLoadPage: loadPage(d); break;
        default: break;
    }
}

bool versionAfter(const std::string& a, const std::string& b) {
    const VersionKey ka(a), kb(b);
    if (ka.rank() != kb.rank()) return ka.rank() > kb.rank();
    return a > b;
}

void updateFileList(Data& d, const std::string& folder, const std::vector<std::string>& names, bool firmware,
                    bool local) {
    listRows(names.size(), [&](std::size_t i) {
        const std::string label = versionLabel(names[i]);
        const std::string path = folder + "/" + names[i];
        const int zone = fieldRow(d, label.c_str(), "", nullptr, local ? kDelete : 0);
        if (zone == kDeleteZone)
            removeFile(path), d.listing.page.reset();
        else if (zone != kNotPressed)
            confirmInstall(d, path, label, firmware);
        return true;
    });
}

int runUpdate(Data& d, PendingUpdate& update, int answer) {
    Gui& g = d.gui;
    if (d.updateWaiting && update.firmware) return advanceFlashing(d, update);
    if (d.updateWaiting && d.appReload) return advanceReload(d, update);
    if (update.reconnectOnClose && answer != -1 && g._machine) {
        update.reconnectOnClose = false;
        g._machine->startProcess(MachineProcess::kConnect);
        g._machine->requestReconnect();
    }
    if (answer < 0) return answer;
    if (answer != kYes || update.ended) return -2;  // "No", or the outcome's "OK"
    if (update.firmware) {
        if (g._machine) g._machine->requestUpdateMode();
        showOnBox(g, kTextFlashing);
    } else {
        d.appReload = true;
        showOnBox(g, kTextReloading);
    }
    d.updateWaiting = true;
    d.updateStart = g._frameTime;
    g._modalBusy = true;
    return kBoxStaysOpen;
}

void savedSettingsList(Data& d, const std::string& folder, const std::vector<std::string>& names, bool local) {
    listRows(names.size(), [&](std::size_t i) {
        const std::string path = folder + "/" + names[i];
        const int zone = fieldRow(d, stemOf(names[i]).c_str(), "", nullptr, local ? kDelete : 0);
        if (zone == kDeleteZone)
            removeFile(path), d.listing.page.reset();
        else if (zone != kNotPressed)
            loadSaved(d, path, local);
        return true;
    });
}

}  // namespace Settings

void Gui::sayRolledBackUpdate() { Settings::sayRolledBack(*this); }
