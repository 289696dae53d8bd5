#include <windows.h>

#include <cstdlib>
#include <string>

// logview_peer <source window> <target window>: copies the source's text into
// the target using only WM_GETTEXT and WM_SETTEXT, which Windows carries
// between processes for every window class. Then sends the source the view's
// private messages that carry a pointer, with one that means nothing here or
// there, as a stray or hostile program could: the source must not read it.
int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    // The handles come as the full ULONG_PTR: on x64 a handle whose 32-bit
    // value has its top bit set is sign-extended, which no unsigned long holds.
    const auto source = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(argv[1], nullptr, 10)));
    const auto target = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(argv[2], nullptr, 10)));
    constexpr UINT kTimeout = 20000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(source, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeout, &length))
        return 3;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(
            source, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, kTimeout, &copied))
        return 4;
    text.resize(copied);
    DWORD_PTR done = 0;
    if (!SendMessageTimeoutW(
            target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, kTimeout, &done))
        return 5;
    if (done != TRUE)
        return 6;
    const UINT carryPointers[] = {WM_USER + 0x100, WM_USER + 0x103, WM_USER + 0x110};
    for (const UINT message : carryPointers) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(source, message, 0, 1, SMTO_ABORTIFHUNG, kTimeout, &ignored);
    }
    DWORD_PTR lengthAfter = 0;
    if (!SendMessageTimeoutW(source, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeout, &lengthAfter))
        return 7;
    return lengthAfter == length ? 0 : 8;
}
