// Drawing the diagram, step by step in the order the picture has always been built: request
// lists first, then each host's box, name, geography and flag, then its line, and the server node
// last so that it covers the lines' ends. While the ring turns, a host's drawing (all but its
// line) is taken from the last picture and moved rather than laid out again.
#include "views/DiagramDrawing.h"

#include "records/LogDecoder.h"
#include "views/CMemoryDC.h"
#include "views/DiagramHosts.h"
#include "views/PictureBox.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>

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

bool RoundsAlikeMoved(float v, double extent) {
    // The values worked out on the way to a position lie between v and the positions reached,
    // give or take the rounding, and so does each one moved.
    const double most = std::max(std::abs(double(v)), extent) + 4;
    if (!std::isfinite(most) || most >= double(1 << 22)) return false;
    // Adding a whole number to a single-precision value is exact unless the sum needs a coarser
    // step than the value had; then it is off by at most half of the new step. The steps at least
    // double each time, so however many whole numbers are added, the error stays below the step
    // of the largest value reached.
    const double step = double(1u << std::bit_width(unsigned(most))) * 0x1p-24; // most < 2^22
    const double fraction = double(v) - std::floor(double(v));
    return std::abs(fraction - 0.5) > step;
}

namespace {

// What a host's drawing takes from the surface's state rather than setting itself (the stretch
// mode decides how its flag is scaled).
struct HostStart {
    float fontSize = 0;
    bool bold = false, italic = false, underline = false;
    int fillStyle = 0, drawWidth = 0, stretchMode = 0;
    bool operator==(const HostStart&) const = default;
};

HostStart hostStart(const PictureBox& pic) {
    return {pic.FontSize(),  pic.FontBold(),  pic.FontItalic(),    pic.FontUnderline(),
            pic.FillStyle(), pic.DrawWidth(), pic.StretchBltMode()};
}

// Everything of one host but its line: the request list under the box, with its size tags to the
// left, the box in the host's colour, the name, the geography in italics and the flag.
struct HostDrawing {
    const DiagramHost& host;
    const QString &country, &city, &state;
    const CMemoryDC* flag;
    float x, y, hostWidth;
    qint32 color;
};

void drawHost(PictureBox& pic, const HostDrawing& d,
              const std::array<qint32, kDiagramListed + 1>& fade, bool showBandWidth) {
    const auto h = [&pic](const QString& s) { return s.isEmpty() ? 0.0f : pic.TextHeight(s); };
    const float x = d.x, y = d.y;
    const float geoHeight = h(d.country) + h(d.city) + h(d.state);

    pic.setCurrentY(y + pic.TextHeight(kTemplate) + geoHeight + 10);
    pic.setForeColor(kButtonText);
    const size_t listed = std::min(d.host.Requests.size(), size_t(kDiagramListed));
    for (size_t k = 0; k < listed; ++k) {
        const DiagramRequest& request = d.host.Requests[k];
        pic.setCurrentX(x);
        pic.Print(request.Shown);
        pic.setCurrentX(x);
        pic.setForeColor(fade[k + 1]);
        if (showBandWidth) {
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

    pic.setFillColor(d.color);
    pic.setForeColor(d.color);
    const double boxWidth =
        ArrayMax({double(d.hostWidth), double(pic.TextWidth(d.country)),
                  double(pic.TextWidth(d.city)), double(pic.TextWidth(d.state))});
    pic.RoundRect(whole(x - 5), whole(y - 5), whole(x + boxWidth + 10),
                  whole(y + pic.TextHeight(d.host.Host) + geoHeight + 5));

    pic.setCurrentX(x);
    pic.setCurrentY(y);
    pic.setFontUnderline(true);
    pic.setFontBold(true);
    pic.setForeColor(kButtonText);
    pic.Print(d.host.Host);
    pic.setFontItalic(true);
    pic.setFontBold(false);
    pic.setFontUnderline(false);
    for (const QString* line : {&d.country, &d.city, &d.state}) {
        if (line->isEmpty()) continue;
        pic.setCurrentX(x);
        pic.Print(*line);
    }
    pic.setFontItalic(false);
    pic.setFontUnderline(false);
    pic.setFontBold(false);

    // To the left of the box.
    if (d.flag) {
        const float t = pic.TextHeight(QStringLiteral("000."));
        const int dw = whole((t + 10) / d.flag->Height() * d.flag->Width());
        pic.StretchBlt(whole(x - dw - 10), whole(y), dw, whole(t + 10), *d.flag, 0, 0,
                       d.flag->Width(), d.flag->Height());
    }
}

} // namespace

struct DiagramDrawCache::Context {
    quint64 generation = 0;
    const void* geography = nullptr;
    bool showBandWidth = false;
    qint32 backColor = 0, buttonText = 0; // the fading list colours come from these
    bool operator==(const Context&) const = default;
};

struct DiagramDrawCache::Entry {
    HostStart start;
    qint32 color = 0;
    quint64 registry = 0; // the user colour registry's generation the colour was looked up in
    qint64 flagKey = 0;
    float hostWidth = 0;
    int baseX = 0, baseY = 0; // where the host's position rounded to when it was drawn
    PictureBox::OpList drawing;
};

DiagramDrawCache::DiagramDrawCache() = default;
DiagramDrawCache::~DiagramDrawCache() = default;

void DrawDiagram(PictureBox& pic, const std::vector<DiagramHost>& hosts, const DiagramScene& scene,
                 DiagramDrawCache* cache) {
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

    const size_t n = hosts.size();
    if (cache) {
        const DiagramDrawCache::Context now{scene.Generation, scene.Geography, scene.ShowBandWidth,
                                            pic.BackColor(), TranslateColor(kButtonText, 0)};
        if (!cache->context_ || !(*cache->context_ == now) || cache->entries_.size() != n) {
            cache->entries_.clear();
            cache->entries_.resize(n);
            cache->context_ = std::make_unique<DiagramDrawCache::Context>(now);
        }
        cache->reused_ = 0;
    }
    const quint64 registry = UserRegistryGeneration();
    const QString none;
    // The template's width in the font a host starts with: the same for every host, as each
    // drawing ends in the font it began with, but measured again should one not.
    std::optional<HostStart> measured;
    float templateWidth = 0;
    for (size_t i = 0; i < n; ++i) {
        const DiagramHost& host = hosts[i];
        const HostGeography* geo =
            scene.Geography && i < scene.Geography->size() && (*scene.Geography)[i].IsAddress
                ? &(*scene.Geography)[i]
                : nullptr;
        // A missing flag image only leaves the flag out.
        const CMemoryDC* flag = nullptr;
        if (geo && geo->CountryIndex > 0 && scene.Flags &&
            size_t(geo->CountryIndex) < scene.Flags->size()) {
            flag = (*scene.Flags)[size_t(geo->CountryIndex)].get();
            if (flag && (flag->Height() <= 0 || flag->Width() <= 0)) flag = nullptr;
        }

        DiagramDrawCache::Entry* kept = cache ? &cache->entries_[i] : nullptr;
        const HostStart start = hostStart(pic);
        const bool known = kept && !kept->drawing.isEmpty() && kept->start == start;

        // Position: clockwise from the right, on three quarters of the height.
        const double a = scene.Rotation + 2 * kPi * double(i) / double(n);
        const float hostWidth = known ? kept->hostWidth : pic.TextWidth(host.Host);
        if (measured != start) {
            templateWidth = pic.TextWidth(kTemplate);
            measured = start;
        }
        const float x = float(rx * std::cos(a) + rx + hostWidth - templateWidth / 2);
        const float y = float(0.75 * ry * std::sin(a) + ry - 0.25 * ry + 20);
        // A host keeps its colour until the colour registry is emptied.
        const qint32 color = known && kept->registry == registry
                                 ? kept->color
                                 : UserColors(UserColorIndex(1, host.Host));
        const qint64 flagKey = flag ? flag->hDC().cacheKey() : 0;
        const int bx = whole(x), by = whole(y);
        // How far the kept drawing would move, which adds to how far out its positions go.
        const double moved =
            known ? std::max(std::abs(double(bx) - kept->baseX), std::abs(double(by) - kept->baseY))
                  : 0;
        const auto movesExactly = [x, y](double extent) {
            return RoundsAlikeMoved(x, extent) && RoundsAlikeMoved(y, extent);
        };
        const bool replayed = known && kept->color == color && kept->flagKey == flagKey &&
                              movesExactly(kept->drawing.Extent() + moved) &&
                              pic.Replay(kept->drawing, bx - kept->baseX, by - kept->baseY);
        if (replayed) {
            ++cache->reused_;
        } else {
            if (kept) pic.BeginList();
            drawHost(pic,
                     {host, geo ? geo->Country : none, geo ? geo->City : none,
                      geo ? geo->State : none, flag, x, y, hostWidth, color},
                     fade, scene.ShowBandWidth);
            // The drawing is kept only when it was made where moving it is exact (otherwise the
            // one kept before stays).
            PictureBox::OpList drawing = kept ? pic.EndList() : PictureBox::OpList();
            if (!drawing.isEmpty() && movesExactly(drawing.Extent())) {
                *kept = {};
                kept->drawing = std::move(drawing);
                kept->start = start;
                kept->color = color;
                kept->registry = registry;
                kept->flagKey = flagKey;
                kept->hostWidth = hostWidth;
                kept->baseX = bx;
                kept->baseY = by;
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
