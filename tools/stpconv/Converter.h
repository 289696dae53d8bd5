#pragma once

#include <string>
#include <vector>

class ConsoleWriter;

// stpconv's whole job: check an STP file and turn it into a DAT file. Whatever
// goes wrong, the last line printed is a fixed failure line, so a caller that
// looks for "Done." in the last line can never be fooled by a file name.
class Converter {
public:
    explicit Converter(ConsoleWriter& out)
        : out_(out)
    {
    }

    int run(const std::vector<std::wstring>& args);

private:
    int convert(const std::wstring& input, const std::wstring& output);
    int fail(const std::wstring& message, int exitCode = 1);

    ConsoleWriter& out_;
};
