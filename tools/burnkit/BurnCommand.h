#pragma once

#include <optional>
#include <string>
#include <vector>

enum class BurnAction { Program, Verify, Erase };

// What the caller asked for: "burnkit -aprogram|-averify|-aerase <file.dat>".
struct BurnCommand {
    BurnAction action = BurnAction::Program;
    std::wstring datPath;

    static std::optional<BurnCommand> parse(const std::vector<std::wstring>& args);

    // The action as the log names it ("编程", "校验", "擦除").
    std::wstring actionName() const;
};
