#pragma once
// Small text and input helpers shared across subsystems.
#include <QStringView>
#include <Qt>

namespace ov {

// s without its leading and trailing spaces (only the space character; tabs stay).
inline QStringView TrimSpaces(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.sliced(b, e - b);
}

// Mouse buttons and modifier keys as the console's handlers receive them: Button 1 left, 2 right,
// 4 middle; Shift 1 shift, 2 control, 4 alt.
inline int ButtonBits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}
inline int ShiftBits(Qt::KeyboardModifiers mods) {
    return (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
           (mods & Qt::AltModifier ? 4 : 0);
}

} // namespace ov
