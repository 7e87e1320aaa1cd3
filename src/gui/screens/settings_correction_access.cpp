// The settings screen's correction and access tabs: the drill bit angle and
// the materials of correction masses; the operators who may log in, with
// their PINs and access flags; new list elements while they are named; the
// operators' unique names.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "gui/screens/settings_screen.h"
#include "records/settings_limits.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace Settings {
namespace {

using settingtags::Config;
using MaterialTags = settingtags::Material;
using OperatorTags = settingtags::Operator;

constexpr TextId kTextNew = 0xDDB03F;  // "+ New"
constexpr TextId kTextOperator = 0xDDB040;
constexpr TextId kTextSpecialist = 0xDDB041;
constexpr TextId kTextDeleteOperator = 0xDDB04E;  // "Are you sure you want to delete the operator?"

Data* current(Gui& g) {
    return dynamic_cast<Data*>(g._data);
}

// The row of the element being named takes no presses.
bool beingNamed(const Data& d, TextId list, std::size_t index, std::size_t size) {
    return d.newElement && d.newList == list && index + 1 == size;
}

// Appends an element to `list` and starts naming it.
template <typename T>
void appendNew(Data& d, std::vector<T>& list, TextId listTag, TextId nameTag) {
    if (d.newElement) dropNewElement(d);
    list.emplace_back();
    d.path[0] = listTag;
    d.path[1] = static_cast<std::uint32_t>(list.size() - 1);
    d.path[2] = nameTag;
    startEntry(d, 3, false, false);
    d.newElement = true;
    d.newList = listTag;
    Gui& g = d.gui;
    g._onBack = [&g] {
        if (Data* s = current(g)) dropNewElement(*s);
        g._onBack = nullptr;
    };
}

// Starts an entry of field `tag` of element `index` of `list`.
void editElement(Data& d, TextId list, std::size_t index, TextId tag, bool numeric, bool prefilled) {
    d.path[0] = list;
    d.path[1] = static_cast<std::uint32_t>(index);
    d.path[2] = tag;
    startEntry(d, 3, numeric, prefilled);
}

// Flags of an element row: its name (with kDelete) or its value under the
// keyboard; d.path is left on the value.
int elementFlags(Data& d, TextId list, std::size_t index, TextId nameTag, TextId valueTag) {
    d.path[0] = list;
    d.path[1] = static_cast<std::uint32_t>(index);
    d.path[2] = nameTag;
    const bool name = isEdited(d, 3);
    d.path[2] = valueTag;
    if (name) return kEditing | kDelete;
    return isEdited(d, 3) ? kEditing : kDelete;
}

void materialRows(Data& d) {
    std::vector<Material>& materials = d.config->materials;
    const char* unit = unitTextOf(MaterialTags::kDensity);
    listRows(materials.size(), [&](std::size_t i) {
        const int flags = elementFlags(d, Config::kMaterials, i, MaterialTags::kName, MaterialTags::kDensity);
        const std::string density = fieldText(d, 3);
        const int zone = fieldRow(d, materials[i].name.c_str(), density.c_str(), nullptr, flags, unit);
        if (zone == kNotPressed || beingNamed(d, Config::kMaterials, i, materials.size())) return true;
        if (zone == kDeleteZone) {
            if (d.edit.active()) return true;  // the keyboard edits a row: indices stay
            materials.erase(materials.begin() + static_cast<std::ptrdiff_t>(i));
            saveConfig(d);
            return false;
        }
        if (zone == kLeftZone)
            editElement(d, Config::kMaterials, i, MaterialTags::kName, false, true);
        else
            editElement(d, Config::kMaterials, i, MaterialTags::kDensity, true, false);
        return true;
    });
}

void askToDelete(Data& d, std::size_t index) {
    Gui& g = d.gui;
    const std::string name = d.config->operators[index].name;
    g.messageBox(textOrEmpty(kTextDeleteOperator), name.c_str(), textOrEmpty(textid::kTextButtonsYesNo),
                 [&g, index, name](int answer) {
                     if (answer == -1) return answer;  // no default button
                     Data* s = current(g);
                     std::vector<Operator>* ops = s ? &s->config->operators : nullptr;
                     // "Yes", and the list still holds that operator there.
                     if (answer == 0 && ops && index < ops->size() && (*ops)[index].name == name) {
                         ops->erase(ops->begin() + static_cast<std::ptrdiff_t>(index));
                         saveConfig(*s);
                         g.operatorsChanged(static_cast<int>(index));
                     }
                     return -2;
                 });
}

void operatorRows(Data& d) {
    std::vector<Operator>& ops = d.config->operators;
    listRows(ops.size(), [&](std::size_t i) {
        const Operator& op = ops[i];
        int flags = elementFlags(d, Config::kOperators, i, OperatorTags::kName, OperatorTags::kPin);
        flags |= op.pin == 0 ? kSecondIconA : kSecondIconB;
        const char* role = textOrEmpty(op.access ? kTextSpecialist : kTextOperator);
        const int zone = fieldRow(d, op.name.c_str(), role, nullptr, flags);
        if (zone == kNotPressed || beingNamed(d, Config::kOperators, i, ops.size())) return true;
        if (zone == kLeftZone) {
            editElement(d, Config::kOperators, i, OperatorTags::kName, false, true);
        } else if (zone == kSecondIconZone) {
            editElement(d, Config::kOperators, i, OperatorTags::kPin, true, false);
        } else if (d.edit.active()) {
            return true;  // the keyboard edits a row (maybe a new one): the list stays as it is
        } else if (zone == kRightZone) {
            ops[i].access = !ops[i].access;
            saveConfig(d);
            d.gui.operatorsChanged();
            tabList(d);  // his own right changed: the tabs he may open with it
        } else {
            askToDelete(d, i);
        }
        return true;
    });
}

bool newRow(Data& d) {
    return fieldRow(d, textOrEmpty(kTextNew), "", nullptr, 0) != kNotPressed;
}

// The number n of "<base> (n)": digits only, fitting an int.
bool numberSuffix(const std::string& name, std::size_t baseLength, long long& n) {
    if (name.size() <= baseLength + 3 || name.compare(baseLength, 2, " (") != 0 || name.back() != ')')
        return false;
    const char* first = name.data() + baseLength + 2;
    const char* last = name.data() + name.size() - 1;
    if (*first < '0' || *first > '9') return false;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return false;
    n = value;
    return true;
}

}  // namespace

void correctionTab(Data& d) {
    sectionHeader(d, nullptr);
    numberRow(d, Config::kDrillAngle, 1);
    sectionHeader(d, textOrEmpty(Config::kMaterials));
    materialRows(d);
    if (newRow(d)) appendNew(d, d.config->materials, Config::kMaterials, MaterialTags::kName);
}

void accessTab(Data& d) {
    sectionHeader(d, textOrEmpty(Config::kOperators));
    operatorRows(d);
    if (!newRow(d)) return;
    // One still being named gives way to the new one.
    const std::size_t named =
        d.config->operators.size() - (d.newElement && d.newList == Config::kOperators ? 1 : 0);
    if (named < kMaxOperators) {
        appendNew(d, d.config->operators, Config::kOperators, OperatorTags::kName);
        return;
    }
    logLine(ks::format("New operator refused: the list holds {}, at most {}", named, kMaxOperators));
    notify(d, textOrEmpty(textid::kTextError),
           ks::format("{}: 0 ... {}", textOrEmpty(Config::kOperators), kMaxOperators));
}

void dropNewElement(Data& d) {
    if (!d.newElement) return;
    d.newElement = false;
    d.gui._onBack = nullptr;
    if (d.newList == Config::kMaterials && !d.config->materials.empty()) d.config->materials.pop_back();
    if (d.newList == Config::kOperators && !d.config->operators.empty()) d.config->operators.pop_back();
    d.newList = 0;
}

void makeUniqueName(Data& d, int index) {
    std::vector<Operator>& ops = d.config->operators;
    if (index < 0 || static_cast<std::size_t>(index) >= ops.size()) return;
    std::string& name = ops[static_cast<std::size_t>(index)].name;
    if (name.empty()) name = textOrEmpty(kTextOperator);
    long long highest = -1;
    for (std::size_t j = 0; j < ops.size(); ++j) {
        const std::string& other = ops[j].name;
        if (j == static_cast<std::size_t>(index) || other.compare(0, name.size(), name) != 0) continue;
        long long n = 0;
        if (numberSuffix(other, name.size(), n))
            highest = std::max(highest, n);
        else if (highest < 0)
            highest = 1;  // the same name, or the name followed by other text
    }
    if (highest >= 0) name += ks::format(" ({})", highest + 1);
}

}  // namespace Settings
