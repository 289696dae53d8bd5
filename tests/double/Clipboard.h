#pragma once

#include <string>

namespace testkit {

// The clipboard's text, as another program pasting would get it; empty if
// there is none. Waits a moment for a clipboard another program holds open.
std::wstring clipboardText();

} // namespace testkit
