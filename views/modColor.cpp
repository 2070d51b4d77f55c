#include "views/modColor.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <cmath>

namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    bool defined;
};

constexpr SystemRole A(QPalette::ColorRole r) {
    return {QPalette::Active, r, true};
}
constexpr SystemRole I(QPalette::ColorRole r) {
    return {QPalette::Inactive, r, true};
}
constexpr SystemRole D(QPalette::ColorRole r) {
    return {QPalette::Disabled, r, true};
}
constexpr SystemRole kNone{QPalette::Active, QPalette::NoRole, false};

// The one mapping of the desktop's system colour numbers onto palette roles.
constexpr std::array<SystemRole, 31> kSystemRoles = {
    A(QPalette::Button),          // 0 scroll bar
    A(QPalette::Dark),            // 1 desktop background
    A(QPalette::Highlight),       // 2 active caption
    I(QPalette::Highlight),       // 3 inactive caption
    A(QPalette::Window),          // 4 menu
    A(QPalette::Base),            // 5 window
    A(QPalette::Shadow),          // 6 window frame
    A(QPalette::WindowText),      // 7 menu text
    A(QPalette::Text),            // 8 window text
    A(QPalette::HighlightedText), // 9 caption text
    A(QPalette::Window),          // 10 active border
    A(QPalette::Window),          // 11 inactive border
    A(QPalette::Dark),            // 12 application work space
    A(QPalette::Highlight),       // 13 highlight
    A(QPalette::HighlightedText), // 14 highlight text
    A(QPalette::Button),          // 15 button face
    A(QPalette::Dark),            // 16 button shadow
    D(QPalette::Text),            // 17 grey text
    A(QPalette::ButtonText),      // 18 button text
    I(QPalette::HighlightedText), // 19 inactive caption text
    A(QPalette::Light),           // 20 button highlight
    A(QPalette::Shadow),          // 21 3-D dark shadow
    A(QPalette::Midlight),        // 22 3-D light
    A(QPalette::ToolTipText),     // 23 info text
    A(QPalette::ToolTipBase),     // 24 info background
    kNone,                        // 25 not a system colour
    A(QPalette::Link),            // 26 hot-tracked item
    A(QPalette::Highlight),       // 27 active caption gradient
    I(QPalette::Highlight),       // 28 inactive caption gradient
    A(QPalette::Highlight),       // 29 menu highlight
    A(QPalette::Window),          // 30 menu bar
};

qint32 channel(double v) {
    // Half to even; the sum of the two quotients is never exactly a half, but the rule is kept
    // explicit rather than left to the floating-point environment.
    const double f = std::floor(v);
    const double diff = v - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0)) r = f + 1;
    return static_cast<qint32>(qBound(0.0, r, 255.0));
}

} // namespace

qint32 TranslateColor(qint32 color, qint32 /*palette*/) {
    const auto u = static_cast<quint32>(color);
    switch (u >> 24) {
    case 0x00:
        return color;
    case 0x02:
        return static_cast<qint32>(u & 0xFFFFFF);
    case 0x80:
        break;
    default:
        return -1;
    }
    const quint32 n = u & 0xFFFFFF;
    if (n >= kSystemRoles.size() || !kSystemRoles[n].defined) return -1;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return -1;
    const SystemRole& sr = kSystemRoles[n];
    return FromQColor(QGuiApplication::palette().color(sr.group, sr.role));
}

qint32 BlendColor(qint32 color1, qint32 color2, qint32 alpha) {
    const qint32 c1 = TranslateColor(color1, 0);
    const qint32 c2 = TranslateColor(color2, 0);
    const qint64 a1 = alpha;
    const qint64 a2 = 255 - a1;
    auto mix = [&](int ch1, int ch2) {
        return channel(static_cast<double>(a2 * ch2) / 255.0 +
                       static_cast<double>(ch1 * a1) / 255.0);
    };
    return RGBColor(mix(ColorRed(c1), ColorRed(c2)), mix(ColorGreen(c1), ColorGreen(c2)),
                    mix(ColorBlue(c1), ColorBlue(c2)));
}

QColor ToQColor(qint32 color) {
    const qint32 c = TranslateColor(color, 0);
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

qint32 FromQColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return RGBColor(rgb.red(), rgb.green(), rgb.blue());
}
