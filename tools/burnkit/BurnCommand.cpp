#include "BurnCommand.h"

std::optional<BurnCommand> BurnCommand::parse(const std::vector<std::wstring>& args)
{
    if (args.size() != 2 || args[1].empty())
        return std::nullopt;
    BurnCommand command;
    if (args[0] == L"-aprogram")
        command.action = BurnAction::Program;
    else if (args[0] == L"-averify")
        command.action = BurnAction::Verify;
    else if (args[0] == L"-aerase")
        command.action = BurnAction::Erase;
    else
        return std::nullopt;
    command.datPath = args[1];
    return command;
}
