#include "ModalStack.h"

#include <vector>

namespace {
std::vector<ModalStack::Frame> g_frames;
} // namespace

void ModalStack::Push(const CWnd& window, UINT templateId)
{
    g_frames.push_back({&window, templateId});
}

void ModalStack::Pop()
{
    if (!g_frames.empty())
        g_frames.pop_back();
}

const ModalStack::Frame* ModalStack::Innermost()
{
    return g_frames.empty() ? nullptr : &g_frames.back();
}
