#pragma once

class Layer;
class GraphicsContext;

// Supplies a layer's content: views draw their layers through this.
class LayerDelegate {
public:
    virtual ~LayerDelegate() = default;
    // Draws the layer's content in its bounds' coordinates; answers false when
    // there is nothing to draw, so the layer keeps no backing image.
    virtual bool drawLayer(Layer&, GraphicsContext&) = 0;
};
