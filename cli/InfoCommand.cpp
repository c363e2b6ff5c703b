#include "Commands.h"
#include "ModelRules.h"
#include "ModuleSession.h"
#include "SessionProfile.h"
#include "SettingTable.h"

#include <nlohmann/json.hpp>

#include <array>
#include <optional>

namespace {

constexpr std::array kRoleTexts = {TextId::RoleSlave, TextId::RoleMaster, TextId::RoleMultiAt,
                                   TextId::RoleMultiBypass};

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string Table(const ModuleValues& v, const Texts& tr) {
    const auto onOff = [&tr](bool on) { return tr(on ? TextId::On : TextId::Off); };
    std::vector<std::pair<std::string, std::string>> rows = {
        {tr(TextId::ModelName), v.model},
        {tr(TextId::Firmware), OrDash(v.firmware)},
        {tr(TextId::Address), v.address},
        {tr(TextId::DeviceName), OrDash(v.name)},
        {tr(TextId::OperationRole), v.role < 0 ? "-" : tr(kRoleTexts[v.role])},
        {tr(TextId::FlowControl), onOff(v.flow)},
    };
    for (const SettingRow* row : RowsOfKind(ValueKind::Number)) {
        if (const auto number = NumberOf(v.numbers, row->field)) {
            std::string value = std::to_string(*number);
            if (row->unit.source != nullptr) {
                value += ' ';
                value += tr.Translate(row->unit.context, row->unit.source);
            }
            rows.push_back({tr.Translate(row->label.context, row->label.source), value});
        }
    }
    if (v.autoCon) {
        rows.push_back({tr(TextId::AutoConnect), onOff(*v.autoCon)});
        rows.push_back({tr(TextId::MasterAddress), OrDash(*v.masterAddress)});
    }
    if (v.slots) {
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            const SlotValue& slot = (*v.slots)[i];
            std::string value = slot.address.empty() ? "-" : slot.address;
            if (!slot.name.empty()) {
                value += " " + slot.name;
            }
            rows.push_back({tr(TextId::SlotLabel, {std::to_string(i + 1)}), value});
        }
    }
    return LabelTable(rows);
}

using Json = nlohmann::ordered_json;

Json TextOrNull(const std::string& text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

Json JsonOf(const ModuleValues& v) {
    Json json = {
        {"model", v.model}, {"firmware", v.firmware}, {"address", v.address}, {"name", v.name}};
    json["role"] = v.role < 0 ? Json(nullptr) : Json(kRoleNames[v.role]);
    json["flowControl"] = v.flow;
    for (const SettingRow* row : RowsOfKind(ValueKind::Number)) {
        if (const auto number = NumberOf(v.numbers, row->field)) {
            json[std::string(row->fileField)] = *number;
        }
    }
    if (v.autoCon) {
        json["autoConnect"] = *v.autoCon;
        json["masterAddress"] = TextOrNull(*v.masterAddress);
    }
    if (v.slots) {
        Json slots = Json::array();
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            slots.push_back({{"slot", i + 1},
                             {"address", TextOrNull((*v.slots)[i].address)},
                             {"name", (*v.slots)[i].name}});
        }
        json["slots"] = std::move(slots);
    }
    return json;
}

}  // namespace

int RunInfo(const InfoRequest& request, const CliContext& context) {
    ModuleSession session(context.texts, context.stopRequested);
    if (const Step failed = session.ReadAndLeave(request.connection)) {
        return context.Fail(*failed);
    }
    const ModuleValues values = ValuesOf(session);
    if (request.json) {
        context.SayJson(JsonText(JsonOf(values)));
    } else {
        context.out << Table(values, context.texts);
    }
    return ToInt(ExitCode::Ok);
}

int RunPorts(const std::vector<std::string>& ports, const CliContext& context) {
    for (const std::string& port : ports) {
        context.Say(port);
    }
    return ToInt(ExitCode::Ok);
}
