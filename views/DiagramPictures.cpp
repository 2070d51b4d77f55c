// Access to the diagram's pictures in the resource file views/diagram.qrc.
#include "views/DiagramPictures.h"

#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(diagram);
}

void InitDiagramResources() {
    static const bool done = (initResources(), true);
    (void)done;
}

QImage LoadDiagramPicture(DiagramPicture which) {
    InitDiagramResources();
    const char* name = "server";
    switch (which) {
    case DiagramPicture::Server:
        name = "server";
        break;
    case DiagramPicture::Pointer:
        name = "pointer";
        break;
    case DiagramPicture::PointerDragging:
        name = "pointer_drag";
        break;
    case DiagramPicture::ToolBandWidth:
        name = "tool_bandwidth";
        break;
    case DiagramPicture::ToolGeography:
        name = "tool_geo";
        break;
    case DiagramPicture::ToolZoomIn:
        name = "tool_zoomin";
        break;
    case DiagramPicture::ToolZoomOut:
        name = "tool_zoomout";
        break;
    case DiagramPicture::ToolPointer:
        name = "tool_pointer";
        break;
    }
    return QImage(QStringLiteral(":/diagram/%1.png").arg(QLatin1String(name)))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
