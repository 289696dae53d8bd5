#pragma once

#include <string>
#include <vector>

namespace testkit {

struct EnvVar {
    std::wstring name;
    std::wstring value;
};

// What a test program, the double or the probe reads of the process it runs
// in: its variables, its own file and the temporary folder; and the
// environment block it hands a child.
class Environment {
public:
    // Empty when the variable is not set.
    static std::wstring variable(const std::wstring& name);

    // A CreateProcessW environment (CREATE_UNICODE_ENVIRONMENT): this
    // process's own variables with the given ones added or, matching the name
    // in any case, replaced; later overrides win over earlier ones.
    static std::wstring block(const std::vector<EnvVar>& overrides);

    // GetModuleFileNameW of the program, whatever its length.
    static std::wstring ownPath();

    // %TEMP% in its long form and without the trailing backslash: short 8.3
    // names would not match the image paths of programs started from there.
    static std::wstring tempFolder();
};

} // namespace testkit
