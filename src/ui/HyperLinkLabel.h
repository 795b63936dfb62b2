// Win32 only: a dialog's static text control turned into a link: underlined text in the browser's link colours, hand cursor, tooltip, opened by click, Enter or Space.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Window.h"

namespace launcher {
namespace ui {

class HyperLinkLabel : public SubclassedWindow {
public:
    HyperLinkLabel() = default;
    ~HyperLinkLabel() override;

    // Takes over the static control: its text becomes label and target.
    // False when the control's procedure cannot be replaced; the control
    // then stays a plain static text.
    bool Attach(HWND control);

    // Both keep a copy, recompute where the text lies and return true.
    bool SetLabel(const std::string& text);
    bool SetTarget(const std::string& text);

    // Opens the target through the shell; true when the shell took it.
    bool Navigate();

    bool Visited() const { return visited_; }

protected:
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool ComputeLinkRect();
    void ReadLinkColours();
    void Paint(HDC given);
    bool InLink(LPARAM lParam) const;
    const std::string& ShownText() const { return label_.empty() ? target_ : label_; }
    UINT AlignmentFlag() const;

    std::string label_;
    std::string target_;
    HCURSOR handCursor_ = nullptr;
    HFONT linkFont_ = nullptr;
    bool ownsLinkFont_ = false;
    HFONT textFont_ = nullptr;
    RECT linkRect_ = {0, 0, 0, 0};
    HWND toolTip_ = nullptr;
    COLORREF linkColour_ = kDefaultLinkColour;
    COLORREF visitedColour_ = kDefaultVisitedColour;
    bool visited_ = false;
};

}  // namespace ui
}  // namespace launcher
