#include "BurnCommand.h"

#include <string_view>

namespace {

// Each action with the option that asks for it and the name the log gives
// it, in one place so that the two cannot drift apart.
struct ActionInfo {
    BurnAction action;
    std::wstring_view option;
    std::wstring_view name;
};

constexpr ActionInfo kActions[] = {
    {BurnAction::Program, L"-aprogram", L"编程"},
    {BurnAction::Verify, L"-averify", L"校验"},
    {BurnAction::Erase, L"-aerase", L"擦除"},
};

} // namespace

std::optional<BurnCommand> BurnCommand::parse(const std::vector<std::wstring>& args)
{
    if (args.size() != 2 || args[1].empty())
        return std::nullopt;
    for (const ActionInfo& info : kActions) {
        if (args[0] == info.option)
            return BurnCommand{info.action, args[1]};
    }
    return std::nullopt;
}

std::wstring BurnCommand::actionName() const
{
    for (const ActionInfo& info : kActions) {
        if (info.action == action)
            return std::wstring(info.name);
    }
    return L"";
}
