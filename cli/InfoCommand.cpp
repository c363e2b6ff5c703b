#include "Commands.h"
#include "ModelRules.h"
#include "ModuleSession.h"

#include <array>
#include <optional>

namespace {

constexpr std::array kRoleTexts = {TextId::RoleSlave, TextId::RoleMaster, TextId::RoleMultiAt,
                                   TextId::RoleMultiBypass};

struct SlotValue {
    std::string address;  // empty: the slot is empty
    std::string name;
};

// What the page shows after the model's read job; only what that job reads is set.
struct ModuleValues {
    std::string model;
    std::string firmware;
    std::string address;
    std::string name;
    int role = -1;  // the page's role radio index; -1 for a role byte it does not know
    bool flow = false;
    std::optional<unsigned> advInterval;
    std::optional<bool> autoCon;
    std::optional<std::string> masterAddress;  // empty: none
    std::optional<std::array<SlotValue, kSlotCount>> slots;
};

std::string AddressOrEmpty(const BdAddr& address) {
    return IsZeroAddr(address) ? std::string() : FormatBdAddr(address);
}

ModuleValues ValuesOf(const ModuleSession& session) {
    const ModuleState dev = session.Module();
    const ConfJob readJob = session.ReadJob();
    ModuleValues v;
    v.model = Normalised(session.Model());
    v.firmware = Normalised(dev.Firmware());
    v.address = FormatBdAddr(dev.info.addr);
    v.name = Normalised(dev.info.DeviceName());
    v.flow = dev.flow != 0;
    if (readJob == JOB_READ_FULL || readJob == JOB_READ_SLAVE) {
        v.advInterval = dev.advInterval;
    }
    if (readJob == JOB_READ_FULL || readJob == JOB_READ_MASTER) {
        v.autoCon = dev.autoCon.on != 0;
        v.masterAddress = AddressOrEmpty(dev.autoCon.addr);
    }
    if (readJob == JOB_READ_FULL) {
        v.role = RoleIndexOf(dev.role, dev.bypass);
        v.slots.emplace();
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            const SlotEntry& entry = dev.slots[i];
            if (!IsZeroAddr(entry.addr)) {
                (*v.slots)[i] = {FormatBdAddr(entry.addr), Normalised(entry.Name())};
            }
        }
    } else {
        v.role = readJob == JOB_READ_MASTER ? 1 : 0;
    }
    return v;
}

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
    if (v.advInterval) {
        rows.push_back(
            {tr(TextId::AdvInterval), std::to_string(*v.advInterval) + " " + tr(TextId::Msec)});
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

void TextOrNull(JsonObject& json, std::string_view key, const std::string& text) {
    if (text.empty()) {
        json.Null(key);
    } else {
        json.Text(key, text);
    }
}

std::string Json(const ModuleValues& v) {
    JsonObject json;
    json.Text("model", v.model).Text("firmware", v.firmware).Text("address", v.address);
    json.Text("name", v.name);
    if (v.role < 0) {
        json.Null("role");
    } else {
        json.Text("role", kRoleNames[v.role]);
    }
    json.Bool("flowControl", v.flow);
    if (v.advInterval) {
        json.Number("advInterval", *v.advInterval);
    }
    if (v.autoCon) {
        json.Bool("autoConnect", *v.autoCon);
        TextOrNull(json, "masterAddress", *v.masterAddress);
    }
    if (v.slots) {
        std::vector<std::string> slots;
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            JsonObject slot;
            slot.Number("slot", static_cast<std::int64_t>(i + 1));
            TextOrNull(slot, "address", (*v.slots)[i].address);
            slot.Text("name", (*v.slots)[i].name);
            slots.push_back(slot.Json());
        }
        json.Raw("slots", JsonArray(slots));
    }
    return json.Json();
}

}  // namespace

int RunInfo(const InfoRequest& request, const CliContext& context) {
    ModuleSession session(context.texts, context.stopRequested);
    Step failed = session.Connect(request.connection);
    if (!failed) {
        failed = session.Interruption();
    }
    failed = session.Leave(failed);
    if (failed) {
        return context.Fail(failed->code, failed->message);
    }
    const ModuleValues values = ValuesOf(session);
    if (request.json) {
        context.SayJson(Json(values));
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
