// A push button that can be shown held down, as Win32's BM_SETSTATE shows
// one, without becoming a toggle: it stays a button (to assistive
// technologies too) and still clicks like one, and the pressed look stays
// whatever the mouse and the focus do until it is released by SetHeld.
#pragma once

#include <QPushButton>

namespace velmo {

class HeldButton : public QPushButton {
public:
    using QPushButton::QPushButton;

    void SetHeld(bool on);
    bool Held() const { return held; }

protected:
    void initStyleOption(QStyleOptionButton* option) const override;

private:
    bool held = false;
};

} // namespace velmo
