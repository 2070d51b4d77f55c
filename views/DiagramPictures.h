#pragma once
// The diagram's own pictures, compiled into the program: the server picture, the two pointers
// over the diagram, the four tool buttons' icons and the tool buttons' pointer.
#include <QImage>

enum class DiagramPicture {
    Server,          // 48 x 48, the centre of the diagram
    Pointer,         // 32 x 32, over the diagram while not dragging
    PointerDragging, // 32 x 32, while dragging
    ToolBandWidth,   // 16 x 16, tool0 "Mostrar ancho de banda"
    ToolGeography,   // 16 x 16, tool1 "Mostrar información geográfica"
    ToolZoomIn,      // 16 x 16, tool2 "Aumentar diagrama"
    ToolZoomOut,     // 16 x 16, tool3 "Disminuir diagrama"
    ToolPointer,     // 32 x 32, over the tool buttons
};

// Registers the pictures with Qt's resource system; safe to call more than once. The pictures
// live in a static library, so the program has to ask for them before first use.
void InitDiagramResources();

// One of the pictures (premultiplied ARGB); registers the resources when needed.
QImage LoadDiagramPicture(DiagramPicture which);
