#pragma once

#include <string>
#include <vector>

namespace e2e {

struct EnvVar {
    std::wstring name;
    std::wstring value;
};

// A CreateProcessW environment (CREATE_UNICODE_ENVIRONMENT): this process's
// own variables with the given ones added or, matching the name in any case,
// replaced.
class EnvironmentBlock {
public:
    explicit EnvironmentBlock(const std::vector<EnvVar>& overrides);

    wchar_t* data() { return block_.data(); }

private:
    std::wstring block_;
};

} // namespace e2e
