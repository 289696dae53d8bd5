#pragma once

#include <windows.h>

// The thread's one caret while the view has it: made on gaining the focus,
// given up on losing it. Moves it only while owning it, since the caret may
// belong to another window of the thread otherwise.
class SystemCaret {
public:
    SystemCaret() = default;
    ~SystemCaret() { Destroy(); }
    SystemCaret(const SystemCaret&) = delete;
    SystemCaret& operator=(const SystemCaret&) = delete;

    // Replaces any caret this one owns; false if the system made none.
    bool Create(HWND owner, int width, int height);
    void Destroy();
    bool Owned() const { return m_owned; }
    void MoveTo(int x, int y) const;
    void Show(HWND owner) const;

private:
    bool m_owned = false;
};
