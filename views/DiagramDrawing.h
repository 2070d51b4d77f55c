#pragma once
// The diagram picture: the hosts of the log as rounded boxes on an ellipse around the server
// node, each joined to it by a line in the host's colour, with its first requests listed under
// it (optionally with coloured size tags) and, in the extended diagram, its country, city, region
// and flag. One call draws the whole picture on the surface from the host list.
#include <QImage>
#include <memory>
#include <vector>

class CMemoryDC;
class PictureBox;
struct DiagramHost;
struct HostGeography;

// What the picture depends on besides the hosts and the surface's font size (the zoom).
struct DiagramScene {
    double Rotation = 0;        // radians added to every host's angle
    bool ShowBandWidth = false; // size tags beside the requests
    // Geography index for index with the hosts; null for the simple diagram.
    const std::vector<HostGeography>* Geography = nullptr;
    // The flag images (FlagImages of views/FlagDC.h) by country number; entries may be empty.
    const std::vector<std::unique_ptr<CMemoryDC>>* Flags = nullptr;
    QImage ServerPicture; // 48 x 48
    // Changes whenever the hosts or their geography are made again (DiagramHostCache).
    quint64 Generation = 0;
};

// Each host's drawing (request list, box, texts and flag) kept from one picture to the next.
// While the ring turns a host's drawing only moves, so it is drawn again moved instead of being
// laid out again. A kept drawing is used only when everything it was made from is unchanged and
// the host's position rounds to whole pixels the same way for every offset in it; otherwise the
// host is laid out as usual. The pixels are the same either way.
class DiagramDrawCache {
public:
    DiagramDrawCache();
    ~DiagramDrawCache();
    // How many hosts of the last picture were drawn from kept drawings.
    int Reused() const { return reused_; }

private:
    friend void DrawDiagram(PictureBox&, const std::vector<DiagramHost>&, const DiagramScene&,
                            DiagramDrawCache*);
    struct Entry;
    struct Context;
    std::unique_ptr<Context> context_;
    std::vector<Entry> entries_;
    int reused_ = 0;
};

// Whether a host drawing made at v (across or down), whose whole-pixel positions all lie within
// extent of 0, comes out the same made at another such place moved by whole pixels: the drawing
// works its positions out from v by adding and taking away whole numbers of pixels in single
// precision, and each must round as the exact sum would, never close to a half.
bool RoundsAlikeMoved(float v, double extent);

// Width of the lines to the hosts at a font size: 1 below 8 points, 2 up to 20, 3 above.
int DiagramPenWidth(float fontSize);

// Draws the diagram on pic from scratch (Cls first). Host colours come from the user colour
// registry, which registers hosts it has not seen. With a cache, the hosts' drawings are kept
// there and used again by the next call.
void DrawDiagram(PictureBox& pic, const std::vector<DiagramHost>& hosts, const DiagramScene& scene,
                 DiagramDrawCache* cache = nullptr);
