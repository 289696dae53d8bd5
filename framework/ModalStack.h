#pragma once

#include <windows.h>

class CWnd;

// The dialogs whose modal loops are running, innermost last: help asks for
// the innermost one's topic, and the framework's own boxes are owned by it.
class ModalStack {
public:
    struct Frame {
        const CWnd* window;
        UINT templateId;
    };

    static void Push(const CWnd& window, UINT templateId);
    static void Pop();
    // Null while no modal loop runs.
    static const Frame* Innermost();
};
