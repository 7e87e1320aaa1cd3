// The active rotor: its hand-over to the machine, new rotors and their
// names, and the Gui's side of the settings load.

#include <charconv>
#include <climits>
#include <filesystem>
#include <system_error>

#include "files/logger.h"
#include "gui/gui.h"
#include "machine/machine_base.h"
#include "machine/machine_codes.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/system_reason.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {
constexpr auto kIdleBeforeDelete = std::chrono::milliseconds(100);
constexpr const char* kDatabaseFolder = "db/";
constexpr const char* kHistoryFolder = "history/";
constexpr const char* kRotorExtension = ".rotor";
}  // namespace

void Gui::startMachine(MachineBase* machine) {
    _machine = machine;
    // What the load changes is logged at a working folder's first start too.
    makeLogsFolder();
    loadStartupSettings(*this);
    sayRolledBackUpdate();
    if (_machine) _machine->startProcess(MachineProcess::kConnect);
}

void Gui::replaceRotor(Rotor* fresh) {
    Rotor* old = _rotor;
    _rotor = fresh;
    handRotorToMachine(fresh);
    if (old && old != fresh) destroyRotor(old);
}

void Gui::sayWriteError(Rotor& rotor) {
    const Rotor::HistoryError history = rotor.takeHistoryError();
    const int save = rotor.takeSaveError();
    std::string reason = systemReasonText(history.err);
    if (save != 0 && save != history.err) reason += (reason.empty() ? "" : "\n") + systemReasonText(save);
    if (history.runNotKept)
        queueMessageBox(textOrEmpty(textid::kTextRunNotSaved),
                        (reason + "\n" + textOrEmpty(textid::kTextMakeRunAgain)).c_str());
    else if (!reason.empty())
        queueMessageBox(textOrEmpty(textid::kTextError), reason.c_str());
}

void Gui::sayTestProgressNotice() {
    if (!_rotor) return;
    const Rotor::TestProgressNotice notice = _rotor->takeTestProgressNotice();
    if (notice.refused)
        queueMessageBox(textOrEmpty(textid::kTextProgressReadingError), textOrEmpty(textid::kTextProgressAskedAgain));
    if (notice.writeError != 0)
        queueMessageBox(textOrEmpty(textid::kTextProgressSavingError), systemReasonText(notice.writeError).c_str());
}

void Gui::handRotorToMachine(Rotor* rotor) {
    if (_machine) _machine->setRotor(rotor);
}

void Gui::destroyRotor(Rotor* rotor) {
    if (!rotor) return;
    if (!_machine) {
        delete rotor;
        return;
    }
    _retired.push_back({rotor, _clock.monotonicNow()});
}

void Gui::collectRetiredRotors() {
    if (_retired.empty()) return;
    if (!_machine) {
        for (RetiredRotor& r : _retired) delete r.rotor;
        _retired.clear();
        return;
    }
    if (_machine->getState() != MachineState::kIdle) {
        _idleSince.reset();
        return;
    }
    if (!_idleSince) _idleSince = _frameTime;
    Rotor* held = _machine->getRotor();
    for (auto it = _retired.begin(); it != _retired.end();) {
        const TimePoint start = std::max(*_idleSince, it->since);
        if (it->rotor != held && _frameTime - start >= kIdleBeforeDelete) {
            delete it->rotor;
            it = _retired.erase(it);
        } else {
            ++it;
        }
    }
}

bool Gui::machineBusy() { return _machine && _machine->getState() != MachineState::kIdle; }

Rotor* Gui::makeRotor() {
    Rotor* rotor = new Rotor(_config);
    rotor->setName(nextRotorName().c_str());
    return rotor;
}

void Gui::newRotor() { replaceRotor(makeRotor()); }

std::string Gui::nextRotorName() const {
    const int n = maxRotorNumber(kHistoryFolder, maxRotorNumber(kDatabaseFolder, 0));
    return ks::format("{}{}", textOrEmpty(textid::kTextRotorNamePrefix), static_cast<long long>(n) + 1);
}

void Gui::messageBox(const char* text, const char* details, int buttons,
                     std::function<void(int answer)> onAnswer) {
    const char* labels = textOrEmpty(buttons == 0 ? textid::kTextButtonOk : static_cast<TextId>(buttons));
    Answer answer;
    if (onAnswer) {
        answer = [onAnswer](int index) {
            if (index == -1) return -1;  // no default button
            onAnswer(index);
            return -2;
        };
    }
    // The settings load's box is the program's own: it waits its turn.
    queueMessageBox(text, details, labels, std::move(answer));
}

int maxRotorNumber(const char* folder, int previous) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder ? folder : "", ec);
    if (ec) return previous;
    const std::string prefix = textOrEmpty(textid::kTextRotorNamePrefix);
    int result = previous;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::path& path = it->path();
        if (path.extension() != kRotorExtension) continue;
        const std::string name = path.filename().string();
        if (prefix.empty() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const char* digits = name.c_str() + prefix.size();
        int n = 0;
        const auto [end, err] = std::from_chars(digits, name.c_str() + name.size(), n);
        (void)end;
        if (err != std::errc()) n = 0;  // no digits, or too many to be a number
        result = std::max(result, n);
    }
    return result;
}
