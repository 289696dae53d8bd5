#pragma once

#include "Selection.h"
#include "Viewport.h"

#include <cstddef>

// Whether what is appended takes the caret and the view along to the end of
// the log, as it does while the operator watches the end, or leaves both
// where they are, as it must while the operator looks elsewhere: something
// selected (however it was selected), the last line scrolled out of view, or
// the view scrolled sideways by the operator. Scrolling sideways that
// following itself does, to show a long line as it comes, is not looking
// elsewhere; any move of the caret into view ends the sideways look.
class FollowRule {
public:
    void ScrolledSideways() { m_sideways = true; }
    void FollowedCaret() { m_sideways = false; }

    bool Follows(const Selection& selection, const Viewport& viewport, size_t lineCount) const
    {
        return selection.Empty() && !m_sideways && viewport.firstLine >= viewport.LastFirstLine(lineCount);
    }

private:
    bool m_sideways = false;
};
