#include "JobOutcomes.h"

#include <array>

namespace {

using Then = SettingOutcome::Then;
using Icon = Prompter::Icon;

constexpr std::array kOutcomes = {
    SettingOutcome{JOB_WRITE_SLOTS, ConfMessages::MSG_SLOTS_DONE, Icon::None, Then::Identify,
                   ConfMessages::MSG_SLOTS_FAILED},
    SettingOutcome{JOB_SET_NAME, ConfMessages::MSG_NAME_DONE, Icon::Information,
                   Then::EnableControls, ConfMessages::MSG_NAME_FAILED},
    SettingOutcome{JOB_SET_ADV_INTERVAL, ConfMessages::MSG_ADV_DONE, Icon::Information,
                   Then::EnableControls, ConfMessages::MSG_ADV_FAILED},
    SettingOutcome{JOB_SET_UART, ConfMessages::MSG_UART_DONE, Icon::Information,
                   Then::BackToPortSettings, ConfMessages::MSG_UART_FAILED},
    SettingOutcome{JOB_SET_AUTOCON, ConfMessages::MSG_AUTOCON_DONE, Icon::Information,
                   Then::Identify, ConfMessages::MSG_AUTOCON_FAILED},
    SettingOutcome{JOB_SET_ROLE, ConfMessages::MSG_ROLE_DONE, Icon::Information, Then::Identify,
                   ConfMessages::MSG_ROLE_FAILED},
    SettingOutcome{JOB_SET_MASTER, ConfMessages::MSG_MASTER_DONE, Icon::Information, Then::Identify,
                   ConfMessages::MSG_MASTER_FAILED},
    SettingOutcome{JOB_DELETE_MASTER, ConfMessages::MSG_MASTER_DELETED, Icon::Information,
                   Then::Identify, ConfMessages::MSG_MASTER_DELETE_FAILED},
};

}  // namespace

std::optional<SettingOutcome> SettingOutcomeOf(std::int32_t job) {
    for (const SettingOutcome& outcome : kOutcomes) {
        if (outcome.job == job) {
            return outcome;
        }
    }
    return std::nullopt;
}
