// Drawing the diagram, step by step in the order the picture has always been built: request
// lists first, then each host's box, name, geography and flag, then its line, and the server node
// last so that it covers the lines' ends.
#include "views/DiagramDrawing.h"

#include "records/LogDecoder.h"
#include "views/CMemoryDC.h"
#include "views/DiagramHosts.h"
#include "views/PictureBox.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <array>
#include <cmath>

namespace {

// The value of pi the ring has always been laid out with.
constexpr double kPi = 3.141592648;
const QString kTemplate = QStringLiteral("000.000.000.000");
const QString kServer = QStringLiteral("Servidor");

constexpr qint32 kButtonText = SystemColor(18);
constexpr qint32 kTooltipBack = SystemColor(24);
constexpr qint32 kBlack = 0;
constexpr qint32 kWhite = 0xFFFFFF;

// Whole numbers as the drawing calls take them: nearest, halves to even.
int whole(double v) {
    return std::isfinite(v) ? int(std::nearbyint(v)) : 0;
}

} // namespace

int DiagramPenWidth(float fontSize) {
    if (fontSize < 8) return 1;
    return fontSize <= 20 ? 2 : 3;
}

void DrawDiagram(PictureBox& pic, const std::vector<DiagramHost>& hosts,
                 const DiagramScene& scene) {
    pic.Cls();
    const float width = float(pic.ScaleWidth()), height = float(pic.ScaleHeight());
    const double rx = width / 2.0 - pic.TextWidth(kTemplate);
    const double ry = height / 2.0 - pic.TextHeight(kTemplate);

    // Every list starts in the button text colour and each line fades one step towards the
    // back colour; the steps are the same for every host.
    std::array<qint32, kDiagramListed + 1> fade{};
    fade[0] = kButtonText;
    for (size_t k = 1; k < fade.size(); ++k)
        fade[k] = BlendColor(fade[k - 1], pic.BackColor(), 180);

    const auto h = [&pic](const QString& s) { return s.isEmpty() ? 0.0f : pic.TextHeight(s); };
    const QString none;
    const size_t n = hosts.size();
    for (size_t i = 0; i < n; ++i) {
        const DiagramHost& host = hosts[i];
        const HostGeography* geo =
            scene.Geography && i < scene.Geography->size() && (*scene.Geography)[i].IsAddress
                ? &(*scene.Geography)[i]
                : nullptr;
        const QString& country = geo ? geo->Country : none;
        const QString& city = geo ? geo->City : none;
        const QString& state = geo ? geo->State : none;

        // Position: clockwise from the right, on three quarters of the height.
        const double a = scene.Rotation + 2 * kPi * double(i) / double(n);
        const float hostWidth = pic.TextWidth(host.Host);
        const float x = float(rx * std::cos(a) + rx + hostWidth - pic.TextWidth(kTemplate) / 2);
        const float y = float(0.75 * ry * std::sin(a) + ry - 0.25 * ry + 20);
        const float geoHeight = h(country) + h(city) + h(state);

        // Request list under the box, with its size tags to the left.
        pic.setCurrentY(y + pic.TextHeight(kTemplate) + geoHeight + 10);
        pic.setForeColor(kButtonText);
        const size_t listed = std::min(host.Requests.size(), size_t(kDiagramListed));
        for (size_t k = 0; k < listed; ++k) {
            const DiagramRequest& request = host.Requests[k];
            pic.setCurrentX(x);
            pic.Print(request.Shown);
            pic.setCurrentX(x);
            pic.setForeColor(fade[k + 1]);
            if (scene.ShowBandWidth) {
                pic.setFillColor(request.TagColor);
                const qint32 kept = pic.ForeColor();
                pic.setForeColor(kWhite);
                pic.setCurrentX(x - pic.TextWidth(request.SizeSpace));
                pic.setCurrentY(pic.CurrentY() - pic.TextHeight(request.Size));
                const float bx = pic.CurrentX(), by = pic.CurrentY();
                pic.LineBoxFilled(bx, by, bx + pic.TextWidth(request.Size),
                                  by + pic.TextHeight(request.Size), pic.FillColor());
                pic.setCurrentX(bx);
                pic.setCurrentY(by);
                pic.Print(request.Size);
                pic.setForeColor(kept);
            }
        }

        // The host's box in its own colour.
        const qint32 color = UserColors(UserColorIndex(1, host.Host));
        pic.setFillColor(color);
        pic.setForeColor(color);
        const double boxWidth =
            ArrayMax({double(hostWidth), double(pic.TextWidth(country)),
                      double(pic.TextWidth(city)), double(pic.TextWidth(state))});
        pic.RoundRect(whole(x - 5), whole(y - 5), whole(x + boxWidth + 10),
                      whole(y + pic.TextHeight(host.Host) + geoHeight + 5));

        // Name, then the geography in italics.
        pic.setCurrentX(x);
        pic.setCurrentY(y);
        pic.setFontUnderline(true);
        pic.setFontBold(true);
        pic.setForeColor(kButtonText);
        pic.Print(host.Host);
        pic.setFontItalic(true);
        pic.setFontBold(false);
        pic.setFontUnderline(false);
        for (const QString* line : {&country, &city, &state}) {
            if (line->isEmpty()) continue;
            pic.setCurrentX(x);
            pic.Print(*line);
        }
        pic.setFontItalic(false);
        pic.setFontUnderline(false);
        pic.setFontBold(false);

        // Flag to the left of the box; a missing image only leaves it out.
        if (geo && geo->CountryIndex > 0 && scene.Flags &&
            size_t(geo->CountryIndex) < scene.Flags->size()) {
            const CMemoryDC* flag = (*scene.Flags)[size_t(geo->CountryIndex)].get();
            if (flag && flag->Height() > 0 && flag->Width() > 0) {
                const float t = pic.TextHeight(QStringLiteral("000."));
                const int dw = whole((t + 10) / flag->Height() * flag->Width());
                pic.StretchBlt(whole(x - dw - 10), whole(y), dw, whole(t + 10), *flag, 0, 0,
                               flag->Width(), flag->Height());
            }
        }

        // Line from the centre to the side of the name that faces it.
        const float lineX = x > width / 2 ? x : x + hostWidth;
        const float lineY = y + pic.TextHeight(kTemplate);
        pic.setDrawWidth(DiagramPenWidth(pic.FontSize()));
        pic.Line(width / 2, height / 2, lineX, lineY, color);
        pic.setDrawWidth(1);
    }

    // Server node.
    pic.setFillStyle(PictureBox::kFillSolid);
    pic.setFillColor(kTooltipBack);
    pic.setForeColor(kBlack);
    const float cx = width / 2, cy = height / 2;
    pic.RoundRect(whole(cx - 29), whole(cy - 29), whole(cx + 29),
                  whole(cy + 29 + pic.TextHeight(kServer)));
    pic.PaintPicture(scene.ServerPicture, cx - 24, cy - 24);
    pic.setCurrentX(cx - pic.TextWidth(kServer) / 2);
    pic.setCurrentY(cy + 24);
    pic.Print(kServer);
}
